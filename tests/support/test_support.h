// Helpers shared by the test programs, native and under Wine.
#pragma once

#include "common/platform/platform.h"
#include "common/settings/settings.h"

#include <stdint.h>
#include <string>
#include <initializer_list>
#include <vector>

#include <stdio.h>
#include <stdlib.h>

#ifdef _WIN32
#include <windows.h>
#else
#include "common/platform/platform_test.h"
#include <fcntl.h>
#include <unistd.h>
#endif

// A small deterministic generator, the same on every platform; a seed gives
// the same numbers everywhere, so a failure repeats.
struct TestRandom {
    uint64_t state;
    explicit TestRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 16);
    }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }
    int32_t pick(std::initializer_list<int32_t> values) {
        return values.begin()[below((uint32_t)values.size())];
    }
};

// Pixel (x, y) of a bottom-up DIB (y from the top of the picture) with rows
// stride bytes apart: 1 and 8 bits an index, 24 bits 0xRRGGBB, 32 bits the
// stored word.
inline uint32_t dib_pixel(const uint8_t *bits, uint64_t stride, int32_t height, uint32_t bit_count,
                          int32_t x, int32_t y) {
    const uint8_t *row = bits + (uint64_t)(height - 1 - y) * stride;
    switch (bit_count) {
    case 1:
        return row[x / 8] >> (7 - x % 8) & 1;
    case 8:
        return row[x];
    case 24: {
        const uint8_t *p = row + (size_t)x * 3;
        return (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
    }
    default: {
        const uint8_t *p = row + (size_t)x * 4;
        return (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
    }
    }
}

// Start from a registry without the tool's key (and, natively, without any
// injected failure).
inline void test_registry_clear() {
#ifdef _WIN32
    RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
#else
    registry_test_reset();
#endif
}

inline void test_store_settings(const SettingsRecord &record) {
    RegistryKey *key = registry_create(SETTINGS_KEY);
    registry_set(key, SETTINGS_VALUE, REGISTRY_TYPE_BINARY, &record, sizeof record);
    registry_close(key);
}

inline void test_store_value(const char *name, uint32_t type, const void *data, uint32_t size) {
    RegistryKey *key = registry_create(SETTINGS_KEY);
    registry_set(key, name, type, data, size);
    registry_close(key);
}

// Reads a value back whole; false when it is missing.
inline bool test_read_value(const char *name, std::vector<unsigned char> *out) {
    RegistryKey *key = registry_open(SETTINGS_KEY);
    if (!key) return false;
    out->assign(65536, 0);
    uint32_t size = (uint32_t)out->size();
    int outcome = registry_query(key, name, out->data(), &size);
    registry_close(key);
    if (outcome != REGISTRY_READ) return false;
    out->resize(size);
    return true;
}

// The folder of real fonts made by others, or "" when it is absent.
inline std::string test_fonts_dir() {
    std::string dir = GRIDGLYPH_FONTS_DIR;
    std::string probe = dir + "/README.md";
    PlatformFile *f = file_open_read(probe.c_str());
    if (!f) return "";
    file_close(f);
    return dir;
}

inline bool test_read_file(const std::string &path, std::vector<unsigned char> *out) {
    PlatformFile *f = file_open_read(path.c_str());
    if (!f) return false;
    uint64_t size = 0;
    file_size(f, &size);
    out->resize((size_t)size);
    uint32_t got = 0;
    bool ok = file_read(f, out->data(), (uint32_t)size, &got) && got == size;
    file_close(f);
    return ok;
}

#define SKIP_WITHOUT_FONTS(dir)                                                                    \
    std::string dir = test_fonts_dir();                                                            \
    if (dir.empty()) GTEST_SKIP() << "../shared/fonts is absent: real fonts not tested"

// Every real font of ../shared/fonts, by name; empty when the folder is absent
// (tests that need them skip first with SKIP_WITHOUT_FONTS).
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> test_real_fonts() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> fonts;
    std::string dir = test_fonts_dir();
    for (const char *name : {"ILGH16XB.FNT", "ILMH16XB.FNT", "ILGH24XB.FNT", "ILGH32XB.FNT",
                             "ILGZ16XB.FNT", "8x16-fontx-sbcs.fnt"}) {
        std::vector<uint8_t> bytes;
        if (!dir.empty() && test_read_file(dir + "/" + name, &bytes))
            fonts.push_back({name, bytes});
    }
    return fonts;
}

// Files the way a host handles them: a handle it opened itself (<= 0xFFFF),
// positioned where it likes.
inline uintptr_t test_open_handle(const char *path) {
#ifdef _WIN32
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : (uintptr_t)h;
#else
    int fd = open(path, O_RDONLY);
    return fd < 0 ? 0 : (uintptr_t)fd;
#endif
}
inline void test_seek_handle(uintptr_t h, long offset) {
#ifdef _WIN32
    SetFilePointer((HANDLE)h, offset, nullptr, FILE_BEGIN);
#else
    lseek((int)h, offset, SEEK_SET);
#endif
}
inline long test_tell_handle(uintptr_t h) {
#ifdef _WIN32
    return (long)SetFilePointer((HANDLE)h, 0, nullptr, FILE_CURRENT);
#else
    return (long)lseek((int)h, 0, SEEK_CUR);
#endif
}
inline void test_close_handle(uintptr_t h) {
#ifdef _WIN32
    CloseHandle((HANDLE)h);
#else
    close((int)h);
#endif
}

// A scratch file in the system's temporary folder, removed by the caller. The
// process id keeps test programs run side by side off each other's files.
inline std::string test_write_temp(const char *name, const std::vector<unsigned char> &bytes) {
#ifdef _WIN32
    char folder[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof folder, folder);
    std::string path = n > 0 && n < sizeof folder ? folder : "";
    path += "gg_test_" + std::to_string(GetCurrentProcessId());
#else
    const char *tmp = getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/gg_test_";
    path += std::to_string(getpid());
#endif
    path += std::string("_") + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}
