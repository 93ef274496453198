// Prints the build machine's iconv CP932 and SHIFT_JIS (glibc's, the native
// command's) as C++ tables for the page, whose C library has no CP932 and
// another SHIFT_JIS: every code's character, and the characters whose code is
// not the highest code that decodes to them. A host program, run while the
// page is built.
#include <iconv.h>
#include <stdint.h>
#include <stdio.h>

#include <map>

namespace {

bool convert(iconv_t cd, const char *in, size_t size, char *out, size_t room, size_t *made) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *i = (char *)in, *o = out;
    size_t left = size, free_bytes = room;
    if (iconv(cd, &i, &left, &o, &free_bytes) == (size_t)-1 || left) return false;
    *made = room - free_bytes;
    return true;
}

// The character of a one- or two-byte code; 0xFFFF when it has none.
uint32_t decode(iconv_t cd, uint32_t code) {
    const char in[2] = {(char)(code > 0xFF ? code >> 8 : code), (char)code};
    uint32_t out[2];
    size_t made = 0;
    if (!convert(cd, in, code > 0xFF ? 2 : 1, (char *)out, sizeof out, &made) || made != 4 ||
        out[0] > 0xFFFF)
        return 0xFFFF;
    return out[0];
}

// The code of a character; 0x10000 when it has none.
uint32_t encode(iconv_t cd, uint32_t c) {
    unsigned char out[8];
    size_t made = 0;
    if (!convert(cd, (const char *)&c, 4, (char *)out, sizeof out, &made) || made < 1 || made > 2)
        return 0x10000;
    return made == 1 ? out[0] : (uint32_t)out[0] << 8 | out[1];
}

// The tables of one code set, their names beginning with prefix; false when
// iconv does not know it.
bool print_tables(const char *set, const char *prefix) {
    iconv_t from = iconv_open("UTF-32LE", set), to = iconv_open(set, "UTF-32LE");
    if (from == (iconv_t)-1 || to == (iconv_t)-1) {
        fprintf(stderr, "cp932_table: iconv_open %s: ", set);
        perror(nullptr);
        return false;
    }
    std::map<uint32_t, uint32_t> highest; // character -> the highest code decoding to it
    printf("static const uint16_t %s_SINGLE[256] = {", prefix);
    for (uint32_t code = 0; code < 0x100; ++code) {
        uint32_t c = decode(from, code);
        if (c != 0xFFFF) highest[c] = code;
        printf("%s0x%04X,", code % 12 ? "" : "\n", c);
    }
    printf("\n};\n// Lead bytes 0x81-0x9F and 0xE0-0xFC, trail bytes 0x40-0xFC.\n");
    printf("static const uint16_t %s_DOUBLE[60 * 189] = {", prefix);
    for (uint32_t n = 0; n < 60 * 189; ++n) {
        uint32_t lead = n / 189 < 31 ? 0x81 + n / 189 : 0xE0 + n / 189 - 31;
        uint32_t code = lead << 8 | (0x40 + n % 189), c = decode(from, code);
        if (c != 0xFFFF) highest[c] = code;
        printf("%s0x%04X,", n % 12 ? "" : "\n", c);
    }
    // Ends with U+FFFF, which no code set here encodes, so no table is empty.
    printf("\n};\nstatic const uint16_t %s_ENCODE_OTHERWISE[][2] = {", prefix);
    for (uint32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;
        uint32_t code = encode(to, c);
        auto h = highest.find(c);
        if (code != (h == highest.end() ? 0x10000 : h->second))
            printf("\n{0x%04X, 0x%04X},", c, code == 0x10000 ? 0xFFFF : code);
    }
    printf("\n{0xFFFF, 0xFFFF},\n};\n");
    iconv_close(from);
    iconv_close(to);
    return true;
}

} // namespace

int main() {
    printf("// Made by cp932_table from the build machine's iconv: do not edit.\n");
    return print_tables("CP932", "CP932") && print_tables("SHIFT_JIS", "SJIS") ? 0 : 1;
}
