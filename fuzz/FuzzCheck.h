// Invariant checks for the fuzz targets: a broken invariant aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzCheckFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition)                                       \
    do {                                                            \
        if (!(condition))                                           \
            fuzzCheckFailed(#condition, __FILE__, __LINE__);        \
    } while (false)
