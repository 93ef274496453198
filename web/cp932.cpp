// CP932 in the page. Its C library's iconv has no CP932, and its Shift-JIS
// maps some characters otherwise (U+301C for 0x8160, where CP932 has U+FF5E),
// lacks the NEC and IBM extensions and writes '*' for a character it cannot
// convert. The page must give the codes the native command gives, so the
// linker sends iconv_open, iconv and iconv_close here (--wrap): "CP932" and
// "WINDOWS-31J" to and from UTF-32LE go through tables made from the build
// machine's iconv; every other code set goes to the C library's, with a
// substituted character refused as no conversion.
#include <errno.h>
#include <iconv.h>
#include <stdint.h>
#include <strings.h>

#include <vector>

#include "web/cp932_table.inc"

extern "C" {
iconv_t __real_iconv_open(const char *to, const char *from);
size_t __real_iconv(iconv_t cd, char **in, size_t *in_left, char **out, size_t *out_left);
int __real_iconv_close(iconv_t cd);
}

namespace {

const uint16_t NONE = 0xFFFF;
char encoder_tag, decoder_tag; // their addresses are the two descriptors
const iconv_t ENCODER = (iconv_t)&encoder_tag, DECODER = (iconv_t)&decoder_tag;

bool is_cp932(const char *name) {
    return !strcasecmp(name, "CP932") || !strcasecmp(name, "WINDOWS-31J");
}

bool is_lead(uint32_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

uint16_t double_character(uint32_t lead, uint32_t trail) {
    if (trail < 0x40 || trail > 0xFC) return NONE;
    const uint32_t row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
    return CP932_DOUBLE[row * 189 + trail - 0x40];
}

// Character -> code, 0x10000 for none: the highest code that decodes to the
// character, unless the table says otherwise.
const std::vector<uint32_t> &encode_table() {
    static std::vector<uint32_t> table;
    if (!table.empty()) return table;
    table.assign(0x10000, 0x10000);
    for (uint32_t code = 0; code < 0x100; ++code)
        if (CP932_SINGLE[code] != NONE) table[CP932_SINGLE[code]] = code;
    for (uint32_t lead = 0x81; lead <= 0xFC; ++lead)
        for (uint32_t trail = 0x40; is_lead(lead) && trail <= 0xFC; ++trail) {
            const uint16_t c = double_character(lead, trail);
            if (c != NONE) table[c] = lead << 8 | trail;
        }
    for (const auto &pair : CP932_ENCODE_OTHERWISE)
        table[pair[0]] = pair[1] == NONE ? 0x10000 : pair[1];
    return table;
}

size_t fail(int error) {
    errno = error;
    return (size_t)-1;
}

size_t encode(char **in, size_t *in_left, char **out, size_t *out_left) {
    const std::vector<uint32_t> &table = encode_table();
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

size_t decode(char **in, size_t *in_left, char **out, size_t *out_left) {
    while (*in_left > 0) {
        const uint8_t *b = (const uint8_t *)*in;
        const bool two = is_lead(b[0]);
        if (two && *in_left < 2) return fail(EINVAL);
        const uint16_t c = two ? double_character(b[0], b[1]) : CP932_SINGLE[b[0]];
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
    if (is_cp932(to) && !strcasecmp(from, "UTF-32LE")) return ENCODER;
    if (is_cp932(from) && !strcasecmp(to, "UTF-32LE")) return DECODER;
    if (is_cp932(to) || is_cp932(from)) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    return __real_iconv_open(to, from);
}

size_t __wrap_iconv(iconv_t cd, char **in, size_t *in_left, char **out, size_t *out_left) {
    if (cd == ENCODER || cd == DECODER) {
        if (!in || !*in) return 0; // no shift state to reset or end
        return cd == ENCODER ? encode(in, in_left, out, out_left)
                             : decode(in, in_left, out, out_left);
    }
    const size_t n = __real_iconv(cd, in, in_left, out, out_left);
    // This C library counts each character it replaced with '*': none of
    // them has a code in that code set.
    return n != (size_t)-1 && n > 0 ? fail(EILSEQ) : n;
}

int __wrap_iconv_close(iconv_t cd) {
    return cd == ENCODER || cd == DECODER ? 0 : __real_iconv_close(cd);
}

} // extern "C"
