// Running fontx2sheet in-process, and reading back the PNGs it writes.
#pragma once

#include "fontx2sheet/fontx2sheet.h"

#include <dirent.h>
#include <spng.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <string>
#include <vector>

inline int run_sheet(std::vector<std::string> args) {
    args.insert(args.begin(), "fontx2sheet");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    return fontx2sheet_main((int)argv.size(), argv.data());
}

// A fresh folder for the test program's files, removed with what it holds
// when the program ends: tests never write into the working folder.
inline const std::string &scratch_dir() {
    static struct Dir {
        std::string path;
        Dir() {
            const char *t = getenv("TMPDIR");
            std::string name = std::string(t && *t ? t : "/tmp") + "/fontx2sheet-test-XXXXXX";
            if (mkdtemp(&name[0])) path = name;
        }
        ~Dir() {
            DIR *d = path.empty() ? nullptr : opendir(path.c_str());
            if (!d) return;
            while (dirent *e = readdir(d))
                if (e->d_name[0] != '.') unlink((path + "/" + e->d_name).c_str());
            closedir(d);
            rmdir(path.c_str());
        }
    } dir;
    return dir.path;
}
// A file of that folder.
inline std::string tmp(const std::string &name) {
    return scratch_dir() + "/" + name;
}

inline void write_bytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f); // no null pointer to fwrite
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
