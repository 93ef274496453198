// A picture as GetPicture hands it to a host: the two blocks, released after
// a successful call the way the host would.
#pragma once

#include "common/platform/platform.h"
#include "plugin/plugin.h"

struct DecodedPicture {
    int rc = -99;
    void *header = nullptr;
    void *pixels = nullptr;
    const DibHeader *dib() const { return (const DibHeader *)header; }
    const uint8_t *bits() const { return (const uint8_t *)pixels; }
    DecodedPicture() = default;
    DecodedPicture(const DecodedPicture &) = delete;
    DecodedPicture &operator=(const DecodedPicture &) = delete;
    ~DecodedPicture() {
        if (rc == 0) {
            heap_free(header);
            heap_free(pixels);
        }
    }
};
