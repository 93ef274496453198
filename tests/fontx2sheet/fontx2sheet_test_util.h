// Running fontx2sheet in-process, and reading back the PNGs it writes.
#pragma once

#include "fontx2sheet/fontx2sheet.h"

#include <spng.h>
#include <stdio.h>
#include <string>
#include <vector>

inline int run_sheet(std::vector<std::string> args) {
    args.insert(args.begin(), "fontx2sheet");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    return fontx2sheet_main((int)argv.size(), argv.data());
}

inline void write_bytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

// A decoded PNG: its rows as stored (packed bits, or RGB), and its palette.
struct DecodedPng {
    spng_ihdr ihdr = {};
    spng_plte plte = {};
    std::vector<uint8_t> rows;
    size_t stride = 0;
};

inline bool read_png(const std::string &path, DecodedPng *png) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    spng_ctx *ctx = spng_ctx_new(0);
    size_t size = 0;
    bool ok = !spng_set_png_buffer(ctx, bytes.data(), bytes.size()) &&
              !spng_get_ihdr(ctx, &png->ihdr) && !spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size);
    if (ok && png->ihdr.color_type == SPNG_COLOR_TYPE_INDEXED) ok = !spng_get_plte(ctx, &png->plte);
    if (ok) {
        png->rows.resize(size);
        ok = !spng_decode_image(ctx, png->rows.data(), size, SPNG_FMT_PNG, 0);
        png->stride = png->ihdr.height ? size / png->ihdr.height : 0;
    }
    spng_ctx_free(ctx);
    return ok;
}
