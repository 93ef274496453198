// Picture primitives: allocation and pixel access.
#include "fontx2sheet/picture.h"

#include "common/row_stride.h"

#include <new>
#include <string.h>
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

bool picture_scale(const Picture &from, uint32_t scale, Picture *to) {
    if (!picture_alloc(to, from.width * scale, from.height * scale, from.bits)) return false;
    for (uint32_t y = 0; y < from.height; ++y) {
        uint8_t *first = to->rows.data() + (uint64_t)y * scale * to->stride;
        for (uint32_t x = 0; x < from.width; ++x) {
            uint32_t value = picture_get(&from, x, y);
            for (uint32_t i = 0; i < scale; ++i) picture_put(to, x * scale + i, y * scale, value);
        }
        for (uint32_t i = 1; i < scale; ++i) memcpy(first + i * to->stride, first, to->stride);
    }
    return true;
}

// A colour 0xRRGGBB as the four bytes of an opaque RGBA pixel.
static uint32_t rgba_pixel(uint32_t rgb) {
    const uint8_t bytes[4] = {(uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb, 0xFF};
    uint32_t pixel;
    memcpy(&pixel, bytes, 4);
    return pixel;
}

// One row of a picture as RGBA, each pixel through the palette (or as its own
// RGB); the test of the depth is outside the loops, as a sheet has millions.
static void rgba_row(const Picture &picture, uint32_t y, const uint32_t palette[3], uint8_t *to) {
    const uint8_t *row = picture.rows.data() + y * picture.stride;
    const uint32_t colours[4] = {rgba_pixel(palette[0]), rgba_pixel(palette[1]),
                                 rgba_pixel(palette[2]), rgba_pixel(palette[0])};
    uint32_t x = 0;
    if (picture.bits == 1) {
        for (; x < picture.width; ++x, to += 4)
            memcpy(to, &colours[row[x >> 3] >> (7 - (x & 7)) & 1], 4);
    } else if (picture.bits == 2) {
        for (; x < picture.width; ++x, to += 4)
            memcpy(to, &colours[row[x >> 2] >> (6 - 2 * (x & 3)) & 3], 4);
    } else {
        for (const uint8_t *p = row; x < picture.width; ++x, to += 4, p += 3) {
            const uint32_t pixel = rgba_pixel((uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]);
            memcpy(to, &pixel, 4);
        }
    }
}

bool picture_rgba_rows(const Picture &picture, const uint32_t palette[3], uint32_t top,
                       uint32_t rows, std::vector<uint8_t> *out) {
    if (top > picture.height || rows > picture.height - top) return false;
    uint64_t size;
    if (__builtin_mul_overflow((uint64_t)picture.width * 4, (uint64_t)rows, &size) ||
        size > out->max_size())
        return false; // more than this program can address
    try {
        out->resize((size_t)size);
    } catch (const std::bad_alloc &) {
        return false;
    }
    for (uint32_t y = 0; y < rows; ++y)
        rgba_row(picture, top + y, palette, out->data() + (uint64_t)y * picture.width * 4);
    return true;
}

PictureSize picture_size_check(uint64_t width, uint64_t height, uint64_t max_pixels) {
    if (width == 0 || height == 0) return PictureSize::EMPTY;
    uint64_t pixels;
    if (__builtin_mul_overflow(width, height, &pixels) || pixels > max_pixels)
        return PictureSize::OVER_LIMIT;
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return PictureSize::TOO_LARGE;
    return PictureSize::FITS;
}
