#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, and the check that turns a
// broken promise into a crash. A property that fails must stop the run where it fails, in the
// fuzzer (which then saves the input) and in the replay of the corpus alike, so the check
// traps rather than throws or returns.

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);        \
            __builtin_trap();                                                                   \
        }                                                                                       \
    } while (false)
