// Helpers shared by the raster tests.
#pragma once

#include "raster/raster.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <vector>

// A raster that releases what it owns when the test ends, even after a failed
// assertion (the sanitizer build checks for leaks).
struct ScopedRaster {
    Raster r = {};
    ~ScopedRaster() { raster_release(&r); }
    Raster *operator->() { return &r; }
    Raster *get() { return &r; }
};

// The bytes of a raster's pixel memory, rows * stride.
inline std::vector<uint8_t> raster_bytes(const Raster &r) {
    return std::vector<uint8_t>(r.pixels, r.pixels + (size_t)r.stride * r.height);
}

// The 16-bit word stored for pixel x of row 0, taken low byte first.
inline uint32_t word_at(const Raster &r, uint32_t x) {
    return (uint32_t)r.pixels[2 * x] | (uint32_t)r.pixels[2 * x + 1] << 8;
}
