// Shared pieces of the fuzz targets: reading the fuzzer's bytes, placing a
// settings record in the in-memory registry, and failing loudly.
#pragma once

#include "common/platform/platform.h"
#include "common/platform/platform_test.h"
#include "common/row_stride.h"
#include "common/settings/settings.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Any broken promise is a finding: report it and abort so libFuzzer keeps the
// input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);          \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

// Blocks larger than this are refused as a failed allocation would be: the
// largest legal sheets need gigabytes, and result 4 is their sound answer.
enum { FUZZ_HEAP_LIMIT = 2u << 20 };

// Pictures up to this size are compared with the reference pixel for pixel;
// larger ones by a few sampled cell rows.
enum { FUZZ_WHOLE_COMPARE_BYTES = 4u << 10 };
// Larger pictures cost milliseconds each to build and reach little new code:
// they are decoded only when the input asks for it (a selector of
// FUZZ_LARGE_SELECTOR_BITS bits all set), so they stay reachable but rare.
enum { FUZZ_LARGE_PICTURE_BYTES = 16u << 10, FUZZ_LARGE_SELECTOR_BITS = 4 };

inline bool fuzz_decode_now(uint64_t picture_bytes, uint32_t selector) {
    const uint32_t all = (1u << FUZZ_LARGE_SELECTOR_BITS) - 1;
    return picture_bytes <= FUZZ_LARGE_PICTURE_BYTES || (selector & all) == all;
}

// The fuzzer's bytes, taken from the front; reads past the end give zeros.
struct FuzzBytes {
    const uint8_t *data;
    size_t size;

    uint8_t byte() {
        if (!size) return 0;
        --size;
        return *data++;
    }
    uint32_t u16() { return byte() | (uint32_t)byte() << 8; }
    uint32_t u32() { return u16() | u16() << 16; }
    // Copies up to n bytes (fewer when the input runs out); the rest is zero.
    void take(void *out, size_t n) {
        size_t k = n < size ? n : size;
        if (k) memcpy(out, data, k);
        if (n > k) memset((uint8_t *)out + k, 0, n - k);
        data += k;
        size -= k;
    }
};

// How the settings record reaches the plug-in, and what settings_read makes
// of it.
struct FuzzSettings {
    int flags;         // the flags the plug-in sees
    int single_column; // the layout it uses
    bool key_opens;    // registry_open succeeds
    bool can_publish;  // registry_create and registry_set succeed
};

// mode bits 0-1: 0 no key, 1 key without "ORDER", 2 a whole record, 3 a value
// of any length; bit 2: the key cannot be opened; bit 3: writes fail.
inline FuzzSettings fuzz_place_settings(FuzzBytes *in, uint8_t mode) {
    registry_test_reset();
    FuzzSettings s = {0, 0, false, true};
    uint8_t value[96] = {};
    uint32_t length = 0;
    switch (mode & 3) {
    case 0:
        break;
    case 1:
        registry_close(registry_create(SETTINGS_KEY));
        break;
    case 2:
        length = 64;
        break;
    case 3:
        length = in->byte() % 97;
        break;
    }
    if (length) {
        in->take(value, length);
        RegistryKey *key = registry_create(SETTINGS_KEY);
        registry_set(key, SETTINGS_VALUE, REGISTRY_TYPE_BINARY, value, length);
        registry_close(key);
    }
    s.key_opens = (mode & 3) != 0 && !(mode & 4);
    if (s.key_opens && length > 4) s.flags = value[4];
    if (s.key_opens && length > 44) s.single_column = value[44] ? 1 : 0;
    unsigned failing = 0;
    if (mode & 4) failing |= REGISTRY_TEST_OPEN;
    if (mode & 8) {
        failing |= REGISTRY_TEST_SET;
        s.can_publish = false;
    }
    registry_test_fail(failing);
    return s;
}

inline uint64_t fuzz_dib_stride(uint64_t width, int bits) {
    return row_stride(width, (uint32_t)bits, DIB_ROW_ALIGNMENT);
}

// The pixel block of a sheet of that size as the plug-in delivers it.
inline uint64_t fuzz_picture_bytes(uint64_t width, uint64_t height, const FuzzSettings &s) {
    return fuzz_dib_stride(width, (s.flags & SETTINGS_ENABLED) ? 24 : 1) * height;
}

// A picture whose pixel block a DIB cannot describe (beyond 32 bits) is
// refused with result 4 without any allocation being tried.
inline bool fuzz_beyond_dib(uint64_t width, uint64_t height, const FuzzSettings &s) {
    const int bits = (s.flags & SETTINGS_ENABLED) ? 24 : 1;
    return fuzz_dib_stride(width, bits) * height > 0xFFFFFFFFull;
}
