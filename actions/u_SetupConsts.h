#pragma once
// Constants the setup actions share with the platform, the raw bytes type, and
// the one exception type, for what ends a run (expected failures of one item
// are a TResult, see u_Result.h).

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "actions/u_TextIds.h"

// Raw bytes; std::string keeps them contiguous and cheap to pass around.
using Bytes = std::string;

// The one exception of the setup program: what ends a run (a worker's, or the
// Finish button's actions), carrying the message the user is told in the
// wizard's language.
class ESetupError : public std::exception {
public:
  explicit ESetupError(TMessage message) : message_(std::move(message)) {}
  explicit ESetupError(TText text, std::vector<std::string> args = {}) : ESetupError(TMessage{text, std::move(args)}) {}
  // The user ended the run in a box about one of its items: that box was the
  // run's one box, and nothing more is told.
  static ESetupError StoppedByUser() {
    ESetupError stopped(TText::UnexpectedError);
    stopped.told_ = true;
    return stopped;
  }

  const TMessage& Message() const { return message_; }
  bool Told() const { return told_; }

private:
  TMessage message_;
  bool told_ = false;
};

// What the user is told of an error caught as `error`: an ESetupError's
// message, a lack of memory, or else the unexpected error.
TMessage ErrorMessage(const std::exception_ptr& error);

// Registry root keys as the system defines them (32-bit values).
inline constexpr uint32_t kHKeyClassesRoot = 0x80000000;
inline constexpr uint32_t kHKeyCurrentUser = 0x80000001;
inline constexpr uint32_t kHKeyLocalMachine = 0x80000002;
inline constexpr uint32_t kHKeyUsers = 0x80000003;
inline constexpr uint32_t kHKeyPerformanceData = 0x80000004;
inline constexpr uint32_t kHKeyCurrentConfig = 0x80000005;
inline constexpr uint32_t kHKeyDynData = 0x80000006;

// Registry value types.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

// Shell folder ids.
inline constexpr int kCsidlDesktop = 0x00;
inline constexpr int kCsidlPrograms = 0x02;
inline constexpr int kCsidlStartup = 0x07;
inline constexpr int kCsidlStartMenu = 0x0B;
inline constexpr int kCsidlAppData = 0x1A;
