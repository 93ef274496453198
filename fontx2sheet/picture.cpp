// Picture primitives: allocation and pixel access.
#include "fontx2sheet/picture.h"

#include "common/row_stride.h"

#include <new>
#include <stddef.h>
#include <stdint.h>

bool picture_alloc(Picture *picture, uint32_t width, uint32_t height, uint32_t bits) {
    picture->width = width;
    picture->height = height;
    picture->bits = bits;
    picture->stride = row_stride(width, bits, 1);
    uint64_t size = picture->stride * height;
    if (size > (uint64_t)PTRDIFF_MAX) return false;
    try {
        picture->rows.assign((size_t)size, 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void picture_put(Picture *picture, uint32_t x, uint32_t y, uint32_t value) {
    if (x >= picture->width || y >= picture->height) return;
    uint8_t *row = picture->rows.data() + y * picture->stride;
    if (picture->bits == 1) {
        uint8_t bit = (uint8_t)(0x80 >> (x & 7));
        row[x >> 3] = value ? (uint8_t)(row[x >> 3] | bit) : (uint8_t)(row[x >> 3] & ~bit);
    } else if (picture->bits == 2) {
        const uint32_t shift = 6 - 2 * (x & 3);
        row[x >> 2] = (uint8_t)((row[x >> 2] & ~(3u << shift)) | (value & 3) << shift);
    } else {
        uint8_t *p = row + 3 * (uint64_t)x;
        p[0] = (uint8_t)(value >> 16);
        p[1] = (uint8_t)(value >> 8);
        p[2] = (uint8_t)value;
    }
}

uint32_t picture_get(const Picture *picture, uint32_t x, uint32_t y) {
    const uint8_t *row = picture->rows.data() + y * picture->stride;
    if (picture->bits == 1) return row[x >> 3] >> (7 - (x & 7)) & 1;
    if (picture->bits == 2) return row[x >> 2] >> (6 - 2 * (x & 3)) & 3;
    const uint8_t *p = row + 3 * (uint64_t)x;
    return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
}
