#include "packer/u_Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

void RunParallel(size_t count, const std::function<void(size_t)>& job, unsigned threads) {
  if (!threads) threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::exception_ptr> failures(count);
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next++) < count;) {
      try {
        job(i);
      } catch (...) {
        failures[i] = std::current_exception();
      }
    }
  };
  std::vector<std::jthread> workers;
  for (unsigned t = 1; t < std::min<size_t>(threads, count); ++t) workers.emplace_back(work);
  work();
  workers.clear();  // joins
  for (const auto& failure : failures)
    if (failure) std::rethrow_exception(failure);
}
