// The setup program's own pieces of the C++ runtime, linked here as in the program.
#include <windows.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Counts, from a destructor, how many exceptions unwind past it.
struct TUnwindWitness {
  int& seen;
  ~TUnwindWitness() { seen = std::uncaught_exceptions(); }
};

// Throws, catches, throws again inside the handler and checks what the thread's
// record says at each point; false when anything is off.
bool NestedThrowsKeepTheirRecord(int round) {
  int unwinding = -1;
  try {
    try {
      TUnwindWitness witness{unwinding};
      throw round;
    } catch (int caught) {
      if (caught != round || unwinding != 1 || !std::current_exception()) return false;
      throw std::to_string(caught);
    }
  } catch (const std::string& text) {
    if (text != std::to_string(round)) return false;
  }
  return !std::current_exception() && std::uncaught_exceptions() == 0;
}

TEST(LeanRuntime, ThreadsThrowingAtOnceKeepTheirOwnExceptionRecord) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&failures] {
      for (int round = 0; round < 2000; ++round)
        if (!NestedThrowsKeepTheirRecord(round)) ++failures;
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(NestedThrowsKeepTheirRecord(-1));  // and the main thread's record is untouched
}

TEST(LeanRuntime, AnErrorCaughtOnOneThreadIsRethrownOnAnother) {
  std::exception_ptr error;
  std::thread([&error] {
    try {
      throw std::runtime_error("step failed");
    } catch (...) {
      error = std::current_exception();
    }
  }).join();
  ASSERT_TRUE(error);
  std::string what;
  std::thread([&] {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      what = e.what();
    }
  }).join();
  EXPECT_EQ(what, "step failed");
}

TEST(LeanRuntime, OnlyWhatCannotBeHeldIsBadAlloc) {
  const auto thrown = [](void (*call)()) -> std::string {
    try {
      call();
    } catch (const std::bad_alloc&) {
      return "bad_alloc";
    } catch (const std::exception&) {
      return "fault";
    }
    return "nothing";
  };
  EXPECT_EQ(thrown([] { std::string().reserve(std::string().max_size() + 1); }), "bad_alloc");
  EXPECT_EQ(thrown([] { (void)std::string("x").at(2); }), "fault");
  EXPECT_EQ(thrown([] { (void)std::vector<int>().at(0); }), "fault");
}

TEST(LeanRuntime, HandlersStillSeeTheLastErrorOfTheFailedCall) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seen = 0;
  try {
    throw 1;
  } catch (int) {
    seen = GetLastError();
  }
  EXPECT_EQ(seen, DWORD(ERROR_ACCESS_DENIED));
}

TEST(LeanRuntime, Crc32GivesTheStandardCheckValueInOneCallOrInPieces) {
  const std::string check = "123456789";
  const auto* bytes = reinterpret_cast<const Bytef*>(check.data());
  EXPECT_EQ(crc32(0, nullptr, 0), 0u);
  EXPECT_EQ(crc32(0, bytes, uInt(check.size())), 0xCBF43926u);
  EXPECT_EQ(crc32(crc32(0, bytes, 4), bytes + 4, uInt(check.size() - 4)), 0xCBF43926u);
}

}  // namespace
