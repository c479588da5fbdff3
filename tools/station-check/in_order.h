#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace station_check {

// Runs make(i) for every i below count on up to `threads` threads and hands each result to
// take(i, result) on the calling thread, in the order of i. At most `ahead` results are made
// before take has had them, so that large results are never all held at once. What make throws
// (or take) is thrown here, once the threads have stopped.
template <typename Make, typename Take>
void InOrder(std::size_t count, unsigned threads, std::size_t ahead, Make make, Take take) {
  using Result = decltype(make(std::size_t{}));
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<Result>> made(count);
  std::exception_ptr failure;
  std::size_t next = 0, taken = 0;
  const auto work = [&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return next >= count || failure || next < taken + ahead; });
      if (next >= count || failure) return;
      const std::size_t i = next++;
      lock.unlock();
      std::optional<Result> result;
      std::exception_ptr thrown;
      try {
        result.emplace(make(i));
      } catch (...) {
        thrown = std::current_exception();
      }
      lock.lock();
      made[i] = std::move(result);
      if (thrown) failure = thrown;
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), count);
  for (std::size_t t = 0; t < wanted; ++t) workers.emplace_back(work);
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return made[i].has_value() || failure; });
    if (failure) break;
    Result result = std::move(*made[i]);
    made[i].reset();
    taken = i + 1;
    changed.notify_all();
    lock.unlock();
    try {
      take(i, result);
    } catch (...) {
      const std::lock_guard guard(mutex);
      failure = std::current_exception();
      changed.notify_all();
      break;
    }
  }
  for (std::thread& worker : workers) worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace station_check
