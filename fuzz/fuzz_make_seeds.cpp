// Writes the seed corpora of the fuzz targets into OUT/<target>/: the tests'
// synthetic fonts under several settings records, and the real fonts of
// FONTS_DIR (read at run time, never stored with the sources).
//
//   fuzz_make_seeds OUT [FONTS_DIR]
#include "common/settings/info.h"
#include "common/settings/settings.h"
#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

int written = 0;

bool write_seed(const std::string &dir, const std::string &name, const Bytes &bytes) {
    mkdir(dir.c_str(), 0777);
    std::string path = dir + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = fclose(f) == 0 && ok;
    written += ok;
    return ok;
}

void append(Bytes *out, const void *data, size_t n) {
    out->insert(out->end(), (const uint8_t *)data, (const uint8_t *)data + n);
}

// The settings records a seed may carry: none, and a few the tool writes.
std::vector<SettingsRecord> settings_variants() {
    std::vector<SettingsRecord> v;
    SettingsRecord r;
    for (uint8_t flags : {0, 1, 2, 3}) {
        settings_defaults(&r);
        r.flags = flags;
        v.push_back(r);
    }
    settings_defaults(&r);
    r.single_column = 1;
    v.push_back(r);
    settings_defaults(&r);
    r.flags = 1;
    r.grid_lines = 1;
    r.transparent_mode = 2;
    r.alpha_mode = 2;
    r.clut_offset = -3;
    r.brightness = 1500;
    v.push_back(r);
    return v;
}

void plugin_seeds(const std::string &out, const std::string &tag, const Bytes &font) {
    std::vector<SettingsRecord> variants = settings_variants();
    for (size_t i = 0; i <= variants.size(); ++i) {
        bool with_record = i < variants.size();
        Bytes memory = {(uint8_t)((with_record ? 2 : 0) | 0x10), 0};
        Bytes file = {0, 0, 0, 0, 0, (uint8_t)(with_record ? 2 : 0)};
        if (with_record) {
            append(&memory, &variants[i], sizeof variants[i]);
            append(&file, &variants[i], sizeof variants[i]);
        }
        append(&memory, font.data(), font.size());
        append(&file, font.data(), font.size());
        std::string name = tag + "_" + std::to_string(i);
        write_seed(out + "/fuzz_plugin_memory", name, memory);
        write_seed(out + "/fuzz_plugin_file", name, file);
    }
    write_seed(out + "/fuzz_sheet_inspect", tag, font);
    write_seed(out + "/fuzz_sheet_fix", tag, font);
    // The font inside a file, after other bytes, found by its offset.
    Bytes file = {9, 0, 0, 0, 9, 0};
    append(&file, "container", 9);
    append(&file, font.data(), font.size());
    write_seed(out + "/fuzz_plugin_file", tag + "_offset", file);
}

void raster_seeds(const std::string &out) {
    // source and destination: alignment, width, height, depth, flags,
    // palette count, palette given; then route and offsets.
    const uint8_t shapes[][17] = {
        {2, 17, 5, 1, 0, 2, 0, /**/ 2, 17, 5, 8, 0, 0, 0, /**/ 0, 0, 0},
        {0, 9, 7, 32, 0, 0, 0, /**/ 2, 9, 7, 8, 0, 16, 0, /**/ 0, 1, 0xFF},
        {3, 33, 3, 24, 4, 0, 0, /**/ 0, 33, 3, 16, 2, 0, 0, /**/ 1, 0, 0},
        {2, 20, 20, 4, 0, 16, 0, /**/ 0, 0, 0, 15, 8, 0, 0, /**/ 2, 0x7F, 3},
        {1, 13, 2, 2, 0, 0xFF, 0, /**/ 3, 0, 0, 0, 0, 0xFF, 0, /**/ 2, 0, 0},
    };
    int n = 0;
    for (const uint8_t *shape : shapes) {
        Bytes seed(shape, shape + 17);
        for (int i = 0; i < 600; ++i) seed.push_back((uint8_t)(i * 37 + n * 11));
        write_seed(out + "/fuzz_raster_convert", "shape_" + std::to_string(n++), seed);
    }
}

void tool_seeds(const std::string &out) {
    // A publication as the plug-in writes it, polled once as new and once as
    // what the tool already holds.
    ImageInfoRecord info;
    memset(&info, 0, sizeof info);
    info.bit_depth = 1;
    info.colour_count = 2;
    info.picture_width = 128;
    info.picture_height = 256;
    uint32_t clut[256] = {0, 0xFFFFFFFF};
    const char name[] = "C:\\Fonts\\ILGH16XB.FNT";
    for (int known = 0; known < 2; ++known) {
        Bytes seed = {0, 1};
        for (uint32_t length : {72u, 1024u, (uint32_t)strlen(name)}) {
            seed.push_back(1);
            seed.push_back((uint8_t)(length & 0xFF));
            seed.push_back((uint8_t)(length >> 8));
        }
        ImageInfoRecord previous;
        memset(&previous, 0, sizeof previous);
        if (known) previous = info;
        append(&seed, &previous, sizeof previous);
        uint16_t previous_name = known ? (uint16_t)strlen(name) : 0;
        append(&seed, &previous_name, 2);
        if (known) append(&seed, "c:\\fonts\\ilgh16xb.fnt", strlen(name));
        append(&seed, &info, sizeof info);
        append(&seed, clut, sizeof clut);
        append(&seed, name, strlen(name));
        write_seed(out + "/fuzz_tool_readers", "poll_" + std::to_string(known), seed);
    }
    const char *texts[] = {"  -0x1F", "2147483648",  "-2147483649", "ffffffff", "0x",
                           "+-5",     "\t\v 808080", "100000000",   "-1",       "0Xg"};
    int n = 0;
    for (const char *text : texts) {
        Bytes seed = {1};
        append(&seed, text, strlen(text));
        write_seed(out + "/fuzz_tool_readers", "text_" + std::to_string(n++), seed);
    }
}

bool read_file(const std::string &path, Bytes *out) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        out->insert(out->end(), buffer, buffer + n);
    fclose(f);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: fuzz_make_seeds OUT [FONTS_DIR]\n");
        return 2;
    }
    std::string out = argv[1];
    mkdir(out.c_str(), 0777);
    plugin_seeds(out, "single_8x16", synthetic_font_single(8, 16));
    plugin_seeds(out, "single_12x24", synthetic_font_single(12, 24));
    plugin_seeds(out, "single_1x3", synthetic_font_single(1, 3));
    plugin_seeds(out, "double_8x8", synthetic_font_double(8, 8));
    plugin_seeds(out, "double_10x12", synthetic_font_double(10, 12));
    // A few glyphs only: a short table, most codes without a glyph.
    plugin_seeds(out, "double_sparse",
                 fontx2_write_double("SPARSE", 9, 9, {{0x8140, 0x8142}, {0x8141, 0x8140}},
                                     Bytes(3 * fontx2_glyph_bytes(9, 9), 0xA5)));
    // More than 255 blocks behind a count byte that wrapped.
    plugin_seeds(out, "double_wrapped_jis",
                 synthetic_font_blocks(5, 3, synthetic_many_ranges(300, true)));
    plugin_seeds(out, "double_wrapped_own",
                 synthetic_font_blocks(4, 2, synthetic_many_ranges(300, false)));
    // A table a converter padded at its end, with an overlap and an inverted block.
    std::vector<Fontx2Range> padded = {{0x8240, 0x8250}, {0x8140, 0x8242}, {0x8350, 0x8340}};
    padded.insert(padded.end(), 6, Fontx2Range{0xFFFF, 0xFFFF});
    write_seed(out + "/fuzz_sheet_fix", "double_padded", synthetic_font_blocks(7, 5, padded));
    raster_seeds(out);
    tool_seeds(out);

    int fonts = 0;
    if (argc > 2) {
        if (DIR *dir = opendir(argv[2])) {
            while (dirent *entry = readdir(dir)) {
                std::string name = entry->d_name;
                Bytes font;
                if (name.size() < 4 || !read_file(std::string(argv[2]) + "/" + name, &font))
                    continue;
                if (font.size() < 6 || memcmp(font.data(), "FONTX2", 6) != 0) continue;
                plugin_seeds(out, "real_" + name, font);
                ++fonts;
            }
            closedir(dir);
        }
    }
    printf("%d seeds written (%d real fonts)\n", written, fonts);
    return written > 0 ? 0 : 1;
}
