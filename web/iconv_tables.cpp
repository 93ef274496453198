// Code sets in the page as the native command has them. Its C library's
// iconv has no CP932, and its Shift-JIS maps some characters otherwise
// (U+301C for 0x8160, where CP932 has U+FF5E; 0x5C and 0x7E as ASCII, where
// glibc's Shift-JIS has the yen sign and the overline), lacks the NEC and IBM
// extensions and writes '*' for a character it cannot convert; it has no
// two-byte code set of Korea or China at all. The page must give the codes
// the native command gives, so the linker sends iconv_open, iconv and
// iconv_close here (--wrap): the code sets of the tables made from the build
// machine's iconv, by their names, to and from UTF-32LE go through those
// tables; every other code set goes to the C library's, with a substituted
// character refused as no conversion.
#include <errno.h>
#include <iconv.h>
#include <stdint.h>
#include <strings.h>

#include <vector>

extern "C" {
iconv_t __real_iconv_open(const char *to, const char *from);
size_t __real_iconv(iconv_t cd, char **in, size_t *in_left, char **out, size_t *out_left);
int __real_iconv_close(iconv_t cd);
}

namespace {

const uint16_t NONE = 0xFFFF;

// One code set's tables and, once asked for, its character -> code table.
struct Table {
    const char *const *names;
    const uint16_t *single;
    const uint8_t *rows;         // lead byte -> its row of double_byte + 1; 0: not a lead
    const uint16_t *double_byte; // each row over the trail bytes first_trail on
    uint32_t first_trail, trails;
    const uint16_t (*otherwise)[2];
    size_t otherwise_count;
    std::vector<uint32_t> encoding;
};

#include "web/code_set_tables.inc"

Table tables[] = {CODE_SETS};

// The descriptors iconv_open gives for the tables: their addresses.
struct Direction {
    Table *table;
    bool encodes;
};
std::vector<Direction> &directions() {
    static std::vector<Direction> all = [] {
        std::vector<Direction> d;
        for (Table &t : tables) {
            d.push_back({&t, true});
            d.push_back({&t, false});
        }
        return d;
    }();
    return all;
}

Direction *ours(iconv_t cd) {
    for (Direction &d : directions())
        if (cd == (iconv_t)&d) return &d;
    return nullptr;
}

// The tables a code set's name stands for (glibc's names and aliases), or none.
Table *table_named(const char *name) {
    for (Table &t : tables)
        for (const char *const *n = t.names; *n; ++n)
            if (!strcasecmp(name, *n)) return &t;
    return nullptr;
}

uint16_t double_character(const Table &t, uint32_t lead, uint32_t trail) {
    if (!t.rows[lead] || trail < t.first_trail || trail - t.first_trail >= t.trails) return NONE;
    return t.double_byte[(t.rows[lead] - 1) * t.trails + trail - t.first_trail];
}

// Character -> code, 0x10000 for none: the highest code that decodes to the
// character, unless the table says otherwise.
const std::vector<uint32_t> &encode_table(Table &t) {
    std::vector<uint32_t> &table = t.encoding;
    if (!table.empty()) return table;
    table.assign(0x10000, 0x10000);
    for (uint32_t code = 0; code < 0x100; ++code)
        if (t.single[code] != NONE) table[t.single[code]] = code;
    for (uint32_t lead = 0x81; lead <= 0xFF; ++lead)
        for (uint32_t trail = t.first_trail; t.rows[lead] && trail < t.first_trail + t.trails;
             ++trail) {
            const uint16_t c = double_character(t, lead, trail);
            if (c != NONE) table[c] = lead << 8 | trail;
        }
    for (size_t i = 0; i < t.otherwise_count; ++i)
        table[t.otherwise[i][0]] = t.otherwise[i][1] == NONE ? 0x10000 : t.otherwise[i][1];
    return table;
}

size_t fail(int error) {
    errno = error;
    return (size_t)-1;
}

size_t encode(Table &t, char **in, size_t *in_left, char **out, size_t *out_left) {
    const std::vector<uint32_t> &table = encode_table(t);
    while (*in_left >= 4) {
        const uint8_t *b = (const uint8_t *)*in;
        const uint32_t c = b[0] | b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
        const uint32_t code = c < 0x10000 ? table[c] : 0x10000;
        if (code == 0x10000) return fail(EILSEQ);
        const size_t n = code > 0xFF ? 2 : 1;
        if (*out_left < n) return fail(E2BIG);
        if (n == 2) *(*out)++ = (char)(code >> 8);
        *(*out)++ = (char)code;
        *out_left -= n;
        *in += 4;
        *in_left -= 4;
    }
    return *in_left ? fail(EINVAL) : 0;
}

size_t decode(const Table &t, char **in, size_t *in_left, char **out, size_t *out_left) {
    while (*in_left > 0) {
        const uint8_t *b = (const uint8_t *)*in;
        const bool two = t.rows[b[0]] != 0;
        if (two && *in_left < 2) return fail(EINVAL);
        const uint16_t c = two ? double_character(t, b[0], b[1]) : t.single[b[0]];
        if (c == NONE) return fail(EILSEQ);
        if (*out_left < 4) return fail(E2BIG);
        const char bytes[4] = {(char)c, (char)(c >> 8), 0, 0};
        for (char x : bytes) *(*out)++ = x;
        *out_left -= 4;
        *in += two ? 2 : 1;
        *in_left -= two ? 2 : 1;
    }
    return 0;
}

} // namespace

extern "C" {

iconv_t __wrap_iconv_open(const char *to, const char *from) {
    Table *to_table = table_named(to), *from_table = table_named(from);
    for (Direction &d : directions())
        if ((d.encodes && d.table == to_table && !strcasecmp(from, "UTF-32LE")) ||
            (!d.encodes && d.table == from_table && !strcasecmp(to, "UTF-32LE")))
            return (iconv_t)&d;
    if (to_table || from_table) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    return __real_iconv_open(to, from);
}

size_t __wrap_iconv(iconv_t cd, char **in, size_t *in_left, char **out, size_t *out_left) {
    if (Direction *d = ours(cd)) {
        if (!in || !*in) return 0; // no shift state to reset or end
        return d->encodes ? encode(*d->table, in, in_left, out, out_left)
                          : decode(*d->table, in, in_left, out, out_left);
    }
    const size_t n = __real_iconv(cd, in, in_left, out, out_left);
    // This C library counts each character it replaced with '*': none of
    // them has a code in that code set.
    return n != (size_t)-1 && n > 0 ? fail(EILSEQ) : n;
}

int __wrap_iconv_close(iconv_t cd) {
    return ours(cd) ? 0 : __real_iconv_close(cd);
}

} // extern "C"
