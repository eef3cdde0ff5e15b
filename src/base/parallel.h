// Work over many items on a few threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace q5 {

// Runs `work(k)` for every k below `count` on up to `jobs` threads (this
// one among them: fewer when the system gives no more).
template <typename Work>
void for_each_parallel(std::size_t count, std::size_t jobs, Work work) {
  std::atomic<std::size_t> next{0};
  auto run = [&] {
    for (std::size_t k = next++; k < count; k = next++) work(k);
  };
  std::vector<std::thread> threads;
  for (std::size_t j = 1; j < std::min(jobs, count); ++j) {
    try {
      threads.emplace_back(run);
    } catch (const std::exception&) {
      break;  // fewer threads, or this one alone
    }
  }
  run();
  for (std::thread& t : threads) t.join();
}

}  // namespace q5
