#pragma once
// How many processors this program may run on.

#include <cstddef>

// The processors of the program's affinity mask (what a container, taskset or a cgroup's
// cpuset leaves it), at least 1.
std::size_t UsableProcessors();
