#pragma once
// A small pool of worker threads for independent jobs.

#include <cstddef>
#include <functional>

// Calls job(0) .. job(count - 1), each exactly once, on up to `threads` worker
// threads (0: one per hardware thread); each worker takes the next index when
// it is done with one, so at most `threads` jobs are in flight. When jobs
// throw, the exception of the lowest index is rethrown after every worker has
// ended; the remaining jobs still run.
void RunParallel(size_t count, const std::function<void(size_t)>& job, unsigned threads = 0);
