#pragma once
// The one carrier of expected failures. An action that may fail in the normal
// course of a run (a file held open, a folder the user may not write, a DLL
// server that refuses) returns a TResult, or a TOutcome where a value comes
// back on success; what ends a run is an ESetupError.
// The system's reason is read at the call that failed, so no caller depends on
// the thread's last error surviving the calls after it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

// System error codes the portable code tells apart or gives (Windows' values).
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorLockViolation = 33;
// A value given to a call that it cannot take, such as a malformed definition.
inline constexpr uint32_t kErrorInvalidParameter = 87;
// A name that cannot name a file or folder on Windows.
inline constexpr uint32_t kErrorInvalidName = 123;
// A payload that does not inflate to its declared size: a code of the
// project's own (customer bit set), which no system call returns.
inline constexpr uint32_t kErrorDamagedPayload = 0x20000001;
// A packer error that no system call gave, such as a script line the packer
// cannot take: the packer's own code, in the same range.
inline constexpr uint32_t kErrorPackFailed = 0x20000002;

class [[nodiscard]] TResult {
public:
  // Success.
  TResult() = default;
  // The failure `code` (never 0) of `item`, told as `reason`.
  TResult(uint32_t code, std::string item, std::string reason);
  TResult(const TResult& other);
  TResult(TResult&&) noexcept = default;
  TResult& operator=(const TResult& other);
  TResult& operator=(TResult&&) noexcept = default;

  explicit operator bool() const { return !failure_; }  // succeeded
  uint32_t Code() const { return failure_ ? failure_->code : 0; }
  // The path or name the failure concerns.
  const std::string& Item() const;
  // The system's text for the failure, or the action's own where it has one.
  const std::string& Reason() const;

  // Another program holds the item open; a later try may succeed.
  bool InUse() const { return Code() == kErrorSharingViolation || Code() == kErrorLockViolation; }

  // The same failure told of `item`, for a step that failed without knowing
  // what it worked on; success stays success.
  TResult Of(std::string item) const;

private:
  struct TFailure {
    uint32_t code;
    std::string item;
    std::string reason;
  };
  // Deletes out of line, so that passing a TResult on costs no string code
  // where it is done.
  struct TFailureDeleter {
    void operator()(TFailure* failure) const;
  };

  // Nothing on success: a success is as cheap as a pointer.
  std::unique_ptr<TFailure, TFailureDeleter> failure_;
};

// The value an action gives on success, or the TResult of its failure.
template <typename T>
class [[nodiscard]] TOutcome {
public:
  TOutcome(T value) : value_(std::move(value)) {}
  // The failure (never a success).
  TOutcome(TResult failure) : failure_(std::move(failure)) {}

  explicit operator bool() const { return value_.has_value(); }  // succeeded
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // Success when a value came back.
  const TResult& Failure() const { return failure_; }

private:
  std::optional<T> value_;
  TResult failure_;
};
