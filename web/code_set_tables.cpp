// Prints code sets of the build machine's iconv (glibc's, the native
// command's) as C++ tables for the page, whose C library lacks them or maps
// them otherwise: every one- and two-byte code's character, and the
// characters whose code is not the highest code that decodes to them. A host
// program, run while the page is built; its arguments choose the code sets:
//   code_set_tables japanese   CP932 and SHIFT_JIS
//   code_set_tables all        those and the two-byte sets of Korea and China
#include <iconv.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <vector>

namespace {

// A code set's names: iconv's name first, then others it knows it by; the
// table is made through each name and must come out the same.
struct Names {
    std::vector<const char *> names;
    bool japanese;
};
const Names SETS[] = {
    {{"CP932", "WINDOWS-31J"}, true},
    {{"SHIFT_JIS", "SJIS", "SHIFT-JIS", "MS_KANJI", "CSSHIFTJIS"}, true},
    {{"EUC-KR", "EUCKR", "CSEUCKR"}, false},
    {{"CP949", "UHC"}, false},
    {{"GBK", "CP936", "MS936", "WINDOWS-936"}, false},
    {{"GB2312", "EUC-CN", "EUCCN"}, false},
    {{"BIG5", "BIG-5", "CN-BIG5", "CP950"}, false},
};

const uint32_t NONE = 0xFFFF;

bool convert(iconv_t cd, const char *in, size_t size, char *out, size_t room, size_t *made) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *i = (char *)in, *o = out;
    size_t left = size, free_bytes = room;
    if (iconv(cd, &i, &left, &o, &free_bytes) == (size_t)-1 || left) return false;
    *made = room - free_bytes;
    return true;
}

// The character of a one- or two-byte code; NONE when it has none.
uint32_t decode(iconv_t cd, uint32_t code) {
    const char in[2] = {(char)(code > 0xFF ? code >> 8 : code), (char)code};
    uint32_t out[2];
    size_t made = 0;
    if (!convert(cd, in, code > 0xFF ? 2 : 1, (char *)out, sizeof out, &made) || made != 4 ||
        out[0] >= NONE)
        return NONE;
    return out[0];
}

// The code of a character; 0x10000 when it has none of one or two bytes.
uint32_t encode(iconv_t cd, uint32_t c) {
    unsigned char out[8];
    size_t made = 0;
    if (!convert(cd, (const char *)&c, 4, (char *)out, sizeof out, &made) || made < 1 || made > 2)
        return 0x10000;
    return made == 1 ? out[0] : (uint32_t)out[0] << 8 | out[1];
}

// What iconv says of a code set: each code's character (first x 256 +
// second; single bytes below 0x100) and each character's code.
struct Made {
    std::vector<uint32_t> characters; // 0x10000 codes
    std::vector<uint32_t> codes;      // 0x10000 characters
};

bool make(const char *name, Made *m) {
    iconv_t from = iconv_open("UTF-32LE", name), to = iconv_open(name, "UTF-32LE");
    if (from == (iconv_t)-1 || to == (iconv_t)-1) {
        fprintf(stderr, "code_set_tables: iconv_open %s: ", name);
        perror(nullptr);
        return false;
    }
    m->characters.assign(0x10000, NONE);
    m->codes.assign(0x10000, 0x10000);
    for (uint32_t code = 0; code < 0x10000; ++code)
        if (code < 0x100 || code >> 8 >= 0x81) m->characters[code] = decode(from, code);
    for (uint32_t c = 0; c < 0x10000; ++c)
        if (c < 0xD800 || c >= 0xE000) m->codes[c] = encode(to, c);
    iconv_close(from);
    iconv_close(to);
    return true;
}

void print_array(const char *type, const char *name, const std::vector<uint32_t> &values) {
    printf("static const %s %s[%zu] = {", type, name, values.size());
    for (size_t i = 0; i < values.size(); ++i) printf("%s0x%04X,", i % 12 ? "" : "\n", values[i]);
    printf("\n};\n");
}

// The tables of code set n: single bytes; each lead byte's row (0: not a
// lead); the rows over the trail bytes any code uses; the exceptions to
// "highest code".
void print_tables(size_t n, const Made &m) {
    std::vector<uint32_t> single(m.characters.begin(), m.characters.begin() + 0x100),
        rows(0x100, 0);
    uint32_t first = 0xFF, last = 0, count = 0;
    for (uint32_t code = 0x100; code < 0x10000; ++code)
        if (m.characters[code] != NONE) {
            if (!rows[code >> 8]) rows[code >> 8] = ++count;
            first = code % 256 < first ? code % 256 : first;
            last = code % 256 > last ? code % 256 : last;
        }
    const uint32_t trails = count ? last - first + 1 : 0;
    std::vector<uint32_t> table(count * trails, NONE);
    std::map<uint32_t, uint32_t> highest; // character -> the highest code decoding to it
    for (uint32_t code = 0; code < 0x10000; ++code) {
        const uint32_t c = m.characters[code];
        if (c == NONE) continue;
        highest[c] = code;
        if (code > 0xFF) table[(rows[code >> 8] - 1) * trails + code % 256 - first] = c;
    }
    char name[32];
    snprintf(name, sizeof name, "SET%zu_SINGLE", n);
    print_array("uint16_t", name, single);
    snprintf(name, sizeof name, "SET%zu_ROWS", n);
    print_array("uint8_t", name, rows);
    snprintf(name, sizeof name, "SET%zu_DOUBLE", n);
    table.push_back(NONE); // no array is empty
    print_array("uint16_t", name, table);
    // Surrogates have no code and no code decodes to one, so none is listed.
    // Ends with U+FFFF, which no code set here encodes, so no table is empty.
    printf("static const uint16_t SET%zu_OTHERWISE[][2] = {", n);
    for (uint32_t c = 0; c < 0x10000; ++c) {
        auto h = highest.find(c);
        if (m.codes[c] != (h == highest.end() ? 0x10000 : h->second))
            printf("\n{0x%04X, 0x%04X},", c, m.codes[c] == 0x10000 ? NONE : m.codes[c]);
    }
    printf("\n{0xFFFF, 0xFFFF},\n};\n");
    printf("static const char *const SET%zu_NAMES[] = {", n);
    for (const char *alias : SETS[n].names) printf("\"%s\", ", alias);
    printf("nullptr};\n");
    printf("#define SET%zu {SET%zu_NAMES, SET%zu_SINGLE, SET%zu_ROWS, SET%zu_DOUBLE, 0x%02X, %u, "
           "SET%zu_OTHERWISE, sizeof SET%zu_OTHERWISE / sizeof *SET%zu_OTHERWISE, {}}\n",
           n, n, n, n, n, first, trails, n, n, n);
}

} // namespace

int main(int argc, char **argv) {
    const bool all = argc == 2 && !strcmp(argv[1], "all");
    if (argc != 2 || (!all && strcmp(argv[1], "japanese"))) {
        fprintf(stderr, "usage: code_set_tables japanese|all\n");
        return 2;
    }
    printf("// Made by code_set_tables from the build machine's iconv: do not edit.\n");
    std::vector<size_t> made;
    for (size_t n = 0; n < sizeof SETS / sizeof *SETS; ++n) {
        if (!all && !SETS[n].japanese) continue;
        Made m, other;
        if (!make(SETS[n].names[0], &m)) return 1;
        for (const char *alias : SETS[n].names)
            if (!make(alias, &other) || other.characters != m.characters ||
                other.codes != m.codes) {
                fprintf(stderr, "code_set_tables: %s is not %s here\n", alias, SETS[n].names[0]);
                return 1;
            }
        print_tables(n, m);
        made.push_back(n);
    }
    printf("#define CODE_SETS");
    for (size_t n : made) printf(" SET%zu,", n);
    printf("\n");
    return 0;
}
