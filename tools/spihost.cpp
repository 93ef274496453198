// spihost: a small command-line host for "00IN" image-import plug-ins.
// On Windows it loads any plug-in by path and relies on nothing beyond the
// interface; the native build drives the plug-in code linked into it (the
// plug-in argument is then only shown), so both can be compared.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "plugin/plugin.h"
#endif
#include "common/platform/platform.h"
#include "common/row_stride.h"

#if defined(_WIN32) && !defined(_WIN64)
#define HOST_API __stdcall
#else
#define HOST_API
#endif

typedef int(HOST_API *GetPluginInfoFn)(int32_t, char *, int32_t);
typedef int(HOST_API *IsSupportedFn)(const char *, uintptr_t);
typedef int(HOST_API *GetPictureInfoFn)(const char *, intptr_t, uint32_t, void *);
typedef int(HOST_API *ProgressFn)(int, int, intptr_t);
typedef int(HOST_API *GetPictureFn)(const char *, intptr_t, uint32_t, void **, void **, ProgressFn,
                                    intptr_t);

struct Plugin {
    GetPluginInfoFn get_plugin_info;
    IsSupportedFn is_supported;
    GetPictureInfoFn get_picture_info;
    GetPictureFn get_picture;
};

// With wide set, the picture calls are the wide-character twins. Their first
// argument is a pointer either way (a UTF-16 name instead of a narrow one), so
// they are called through the same pointer types.
static bool plugin_load(const char *path, bool wide, Plugin *p) {
#ifdef _WIN32
    HMODULE module = LoadLibraryA(path);
    if (!module) return false;
    p->get_plugin_info = (GetPluginInfoFn)(void *)GetProcAddress(module, "GetPluginInfo");
    p->is_supported =
        (IsSupportedFn)(void *)GetProcAddress(module, wide ? "IsSupportedW" : "IsSupported");
    p->get_picture_info = (GetPictureInfoFn)(void *)GetProcAddress(module, wide ? "GetPictureInfoW"
                                                                                : "GetPictureInfo");
    p->get_picture =
        (GetPictureFn)(void *)GetProcAddress(module, wide ? "GetPictureW" : "GetPicture");
#else
    (void)path;
    p->get_plugin_info = GetPluginInfo;
    p->is_supported = wide ? (IsSupportedFn)(void *)IsSupportedW : IsSupported;
    p->get_picture_info =
        (GetPictureInfoFn)(wide ? (void *)GetPictureInfoW : (void *)GetPictureInfo);
    p->get_picture = (GetPictureFn)(wide ? (void *)GetPictureW : (void *)GetPicture);
#endif
    return p->get_plugin_info && p->is_supported && p->get_picture_info && p->get_picture;
}

static void block_free(void *block) {
#ifdef _WIN32
    LocalFree((HLOCAL)block);
#else
    heap_free(block);
#endif
}

// The host's picture-information record, as the interface lays it out.
#pragma pack(push, 1)
struct HostPictureInfo {
    int32_t left, top, width, height;
    uint16_t x_density, y_density;
    int16_t colour_depth;
#if UINTPTR_MAX == 0xFFFFFFFFu
    uint32_t info;
#else
    uint16_t padding;
    uint64_t info;
#endif
};
#pragma pack(pop)

// The font's name in UTF-16 for the wide calls: from the wide command line
// on Windows (a narrow argv has already lost what the code page lacks).
static std::vector<uint16_t> wide_argument(int index, const char *narrow) {
    std::vector<uint16_t> wide;
#ifdef _WIN32
    int n = 0;
    wchar_t **args = CommandLineToArgvW(GetCommandLineW(), &n);
    if (args && index < n) {
        for (const wchar_t *c = args[index]; *c; ++c) wide.push_back((uint16_t)*c);
    }
    LocalFree(args);
    (void)narrow;
#else
    (void)index;
    // Natively the narrow code page is UTF-8.
    for (const unsigned char *c = (const unsigned char *)narrow; *c;) {
        uint32_t cp = *c++;
        int more = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        cp &= more ? 0x3F >> more : 0x7F;
        while (more-- && (*c & 0xC0) == 0x80) cp = cp << 6 | (*c++ & 0x3F);
        if (cp >= 0x10000) {
            wide.push_back((uint16_t)(0xD800 + ((cp - 0x10000) >> 10)));
            wide.push_back((uint16_t)(0xDC00 + (cp & 0x3FF)));
        } else {
            wide.push_back((uint16_t)cp);
        }
    }
#endif
    wide.push_back(0);
    return wide;
}

static FILE *open_font(const char *path, const std::vector<uint16_t> *wide) {
#ifdef _WIN32
    if (wide) return _wfopen((const wchar_t *)wide->data(), L"rb");
#else
    (void)wide;
#endif
    return fopen(path, "rb");
}

static bool read_file(const char *path, const std::vector<uint16_t> *wide, long offset,
                      uint8_t **data, long *size) {
    FILE *f = open_font(path, wide);
    if (!f) return false;
    fseek(f, 0, SEEK_END);
    long total = ftell(f);
    if (offset <= 0 || offset >= total) offset = 0;
    fseek(f, offset, SEEK_SET);
    *size = total - offset;
    *data = (uint8_t *)malloc(*size ? *size : 1);
    bool ok = *data && fread(*data, 1, *size, f) == (size_t)*size;
    fclose(f);
    return ok;
}

static uint32_t le32(const uint8_t *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

// Writes the picture as a .bmp; rows > 0 keeps only that many rows from the
// top (a preview of a very tall sheet).
static bool write_bmp(const char *path, const uint8_t *header, const uint8_t *pixels,
                      uint32_t rows) {
    uint32_t colours = le32(header + 32);
    uint32_t header_size = 40 + 4 * colours;
    uint32_t image = le32(header + 20);
    uint32_t height = le32(header + 8);
    uint8_t info[40 + 4 * 256];
    memcpy(info, header, header_size <= sizeof info ? header_size : sizeof info);
    if (rows > 0 && rows < height && colours <= 256) {
        const uint32_t width = le32(header + 4), bits = header[14] | header[15] << 8;
        const uint32_t stride = (uint32_t)row_stride(width, bits, DIB_ROW_ALIGNMENT);
        pixels += (uint64_t)(height - rows) * stride; // rows are stored bottom-up
        image = stride * rows;
        memcpy(info + 8, &rows, 4);
        memcpy(info + 20, &image, 4);
        header = info;
    }
    uint8_t file_header[14] = {'B', 'M'};
    uint32_t total = 14 + header_size + image, offset = 14 + header_size;
    memcpy(file_header + 2, &total, 4);
    memcpy(file_header + 10, &offset, 4);
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(file_header, 1, 14, f) == 14 &&
              fwrite(header, 1, header_size, f) == header_size &&
              fwrite(pixels, 1, image, f) == image;
    return fclose(f) == 0 && ok;
}

// --order: store a settings record (hex bytes) before decoding, so that a run
// can be repeated with the same settings in either build.
static bool store_order(const char *hex) {
    uint8_t record[64] = {};
    size_t n = strlen(hex);
    if (n % 2 || n > 128) return false;
    for (size_t i = 0; i < n / 2; ++i) {
        char byte[3] = {hex[2 * i], hex[2 * i + 1], 0};
        char *end;
        record[i] = (uint8_t)strtoul(byte, &end, 16);
        if (*end) return false;
    }
    RegistryKey *key = registry_create("Software\\morv\\KOVELT");
    bool ok = key && registry_set(key, "ORDER", REGISTRY_TYPE_BINARY, record, sizeof record);
    registry_close(key);
    return ok;
}

static int usage() {
    fprintf(stderr,
            "usage: spihost [--wide] [--memory] [--flag N] [--offset N] [--order HEX] [--out "
            "FILE.bmp] [--rows N] "
            "PLUGIN FONT\n");
    return 2;
}

// What the command line asks for.
struct HostOptions {
    bool memory = false, wide = false;
    long offset = 0;
    uint32_t flag = 1;
    const char *out = nullptr;
    uint32_t rows = 0;
    const char *plugin_path = nullptr, *font = nullptr;
    int font_argument = 0; // the font's place on the command line
};

// False on anything it does not understand (or an --order it cannot store).
static bool parse_options(int argc, char **argv, HostOptions *o) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        if (!strcmp(argv[i], "--memory"))
            o->memory = true;
        else if (!strcmp(argv[i], "--wide"))
            o->wide = true;
        else if (!strcmp(argv[i], "--flag") && i + 1 < argc)
            o->flag = strtoul(argv[++i], 0, 0);
        else if (!strcmp(argv[i], "--offset") && i + 1 < argc)
            o->offset = strtol(argv[++i], 0, 0);
        else if (!strcmp(argv[i], "--out") && i + 1 < argc)
            o->out = argv[++i];
        else if (!strcmp(argv[i], "--rows") && i + 1 < argc)
            o->rows = strtoul(argv[++i], 0, 0);
        else if (!strcmp(argv[i], "--order") && i + 1 < argc) {
            if (!store_order(argv[++i])) return false;
        } else
            return false;
    }
    if (argc - i != 2) return false;
    o->plugin_path = argv[i];
    o->font = argv[i + 1];
    o->font_argument = i + 1;
    return true;
}

// Version and description, then (pattern, type name) pairs until an empty pattern.
static void print_plugin_info(const Plugin &p) {
    char text[256];
    for (int index = 0; index < 64; ++index) {
        int n = p.get_plugin_info(index, text, sizeof text);
        if (n <= 0 && index >= 2 && index % 2 == 0) break;
        printf("info[%d] %s\n", index, n > 0 ? text : "");
    }
}

// IsSupported on the file's first 2 KiB, and on Windows on a file handle too.
static void print_is_supported(const Plugin &p, const HostOptions &o, const char *name,
                               const std::vector<uint16_t> &wide_font, const uint8_t *data,
                               long size) {
    uint8_t head[2048] = {};
    memcpy(head, data, size < 2048 ? size : 2048);
    printf("IsSupported(memory) %d\n", p.is_supported(name, (uintptr_t)head));
#ifdef _WIN32
    HANDLE h = CreateFileW((const wchar_t *)wide_font.data(), GENERIC_READ, FILE_SHARE_READ,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        SetFilePointer(h, o.offset, nullptr, FILE_BEGIN);
        printf("IsSupported(handle) %d\n", p.is_supported(name, (uintptr_t)h));
        CloseHandle(h);
    }
#else
    (void)o;
    (void)wide_font;
#endif
}

// GetPictureInfo, then GetPicture, writing the picture when asked. The
// process status: 0 when the picture was decoded (and written).
static int decode_picture(const Plugin &p, const HostOptions &o, const char *name,
                          const uint8_t *data, long size) {
    HostPictureInfo info = {};
    const char *source = o.memory ? (const char *)data : name;
    intptr_t second = o.memory ? (intptr_t)size : (intptr_t)o.offset;
    uint32_t flags = o.memory ? o.flag : 0;
    int rc = p.get_picture_info(source, second, flags, &info);
    printf("GetPictureInfo %d %dx%d depth %d\n", rc, info.width, info.height, info.colour_depth);

    void *header = nullptr, *pixels = nullptr;
    rc = p.get_picture(source, second, flags, &header, &pixels, nullptr, 0);
    if (rc != 0) {
        printf("GetPicture %d\n", rc);
        return 1;
    }
    int status = 0;
    const uint8_t *h8 = (const uint8_t *)header;
    printf("GetPicture %d %dx%d bits %d\n", rc, (int32_t)le32(h8 + 4), (int32_t)le32(h8 + 8),
           h8[14] | h8[15] << 8);
    if (o.out) {
        if (write_bmp(o.out, h8, (const uint8_t *)pixels, o.rows)) {
            printf("wrote %s\n", o.out);
        } else {
            fprintf(stderr, "spihost: cannot write %s\n", o.out);
            status = 1;
        }
    }
    block_free(header);
    block_free(pixels);
    return status;
}

int main(int argc, char **argv) {
    HostOptions o;
    if (!parse_options(argc, argv, &o)) return usage();

    Plugin p;
    std::vector<uint16_t> wide_font = wide_argument(o.font_argument, o.font);
    if (!plugin_load(o.plugin_path, o.wide, &p)) {
        fprintf(stderr, "spihost: cannot load %s\n", o.plugin_path);
        return 3;
    }
    print_plugin_info(p);

    uint8_t *data = nullptr;
    long size = 0;
    if (!read_file(o.font, o.wide ? &wide_font : nullptr, o.offset, &data, &size)) {
        fprintf(stderr, "spihost: cannot read %s\n", o.font);
        return 3;
    }
    const char *name = o.wide ? (const char *)wide_font.data() : o.font;
    print_is_supported(p, o, name, wide_font, data, size);
    int status = decode_picture(p, o, name, data, size);
    free(data);
    return status;
}
