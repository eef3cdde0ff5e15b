#include "base/processors.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace q5 {

int available_processors() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace q5
