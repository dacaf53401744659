// Invariant checks for the fuzz targets: a broken invariant aborts, so libFuzzer keeps the input.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzzCheckFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) \
            fuzzCheckFailed(#condition, __FILE__, __LINE__); \
    } while (false)

// A fuzz input: the bytes of a file, optionally followed by four NUL bytes and operations.
struct FuzzInput {
    QByteArray file;
    QByteArray operations; // empty when there is no marker
    bool hasOperations = false;
};

inline FuzzInput splitFuzzInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArrayView marker("\0\0\0\0", 4);
    const qsizetype split = input.indexOf(marker);
    if (split < 0)
        return {input, QByteArray(), false};
    return {input.left(split), input.mid(split + marker.size()), true};
}
