// Running independent pieces of work on the machine's cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace chizro {

// Calls work(i) once for every i in [0, count), on up to as many threads as
// the machine has cores (the calling thread among them), and returns when
// all calls have. The calls may run in any order and at the same time:
// `work` must not throw and must touch nothing another call changes.
template <class Work>
void ForEachIndex(std::size_t count, Work&& work) {
  std::atomic<std::size_t> next{0};
  auto run = [&] {
    for (std::size_t i = next++; i < count; i = next++) work(i);
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t helpers = std::min<std::size_t>(cores, count) - (count > 0 ? 1 : 0);
  std::vector<std::thread> threads;
  try {
    for (std::size_t t = 0; t < helpers; ++t) threads.emplace_back(run);
  } catch (const std::system_error&) {
    // Fewer threads: the calling thread does the rest.
  }
  run();
  for (std::thread& t : threads) t.join();
}

}  // namespace chizro
