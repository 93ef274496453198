// Which characters make keeps, and code sets through iconv.
#include "fontx2sheet/make.h"

#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>

static const uint32_t SCALARS = 0x110000;

// "U+3040" or "3040" (hex), at most U+10FFFF.
static bool parse_scalar(const std::string &text, uint32_t *value) {
    std::string digits = text;
    if (digits.size() > 2 && (digits[0] == 'U' || digits[0] == 'u') && digits[1] == '+')
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    *value = (uint32_t)strtoul(digits.c_str(), nullptr, 16);
    return *value < SCALARS;
}

bool parse_char_ranges(const std::string &spec, std::vector<bool> *keep, std::string *why) {
    keep->assign(SCALARS, false);
    size_t at = 0;
    while (at <= spec.size()) {
        size_t comma = spec.find(',', at);
        std::string part = spec.substr(at, comma == std::string::npos ? comma : comma - at);
        size_t dash = part.find('-');
        uint32_t first, last;
        if (!parse_scalar(part.substr(0, dash), &first) ||
            !parse_scalar(dash == std::string::npos ? part : part.substr(dash + 1), &last) ||
            last < first) {
            *why = "'" + part + "' is not a character range like U+0020-007E";
            return false;
        }
        for (uint32_t c = first; c <= last; ++c) (*keep)[c] = true;
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return true;
}

bool read_char_file(const std::string &path, std::vector<bool> *keep, std::string *why) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        *why = "cannot be read";
        return false;
    }
    std::string text;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    bool failed = ferror(f) != 0;
    fclose(f);
    std::vector<uint32_t> scalars;
    if (failed || !utf8_decode(text, &scalars)) {
        *why = failed ? "cannot be read" : "is not UTF-8 text";
        return false;
    }
    keep->assign(SCALARS, false);
    for (uint32_t s : scalars) (*keep)[s] = true;
    return true;
}

// ---- CodeSet ----------------------------------------------------------------------

CodeSet::CodeSet(const std::string &name) {
    encoder_ = (void *)iconv_open(name.c_str(), "UTF-32LE");
    decoder_ = (void *)iconv_open("UTF-32LE", name.c_str());
    encoder_ok_ = encoder_ != (void *)(iconv_t)-1;
    decoder_ok_ = decoder_ != (void *)(iconv_t)-1;
}

CodeSet::~CodeSet() {
    if (encoder_ok_) iconv_close((iconv_t)encoder_);
    if (decoder_ok_) iconv_close((iconv_t)decoder_);
}

// Converts in whole; the output's length, or -1.
static int convert(void *cd, const char *in, size_t in_size, char *out, size_t out_size) {
    iconv((iconv_t)cd, nullptr, nullptr, nullptr, nullptr); // a fresh shift state each time
    char *in_at = (char *)in, *out_at = out;
    size_t in_left = in_size, out_left = out_size;
    if (iconv((iconv_t)cd, &in_at, &in_left, &out_at, &out_left) == (size_t)-1 || in_left)
        return -1;
    // A stateful code set may end with bytes that return to its initial state.
    if (iconv((iconv_t)cd, nullptr, nullptr, &out_at, &out_left) == (size_t)-1) return -1;
    return (int)(out_at - out);
}

bool CodeSet::encode(uint32_t character, uint32_t *code) {
    if (!encoder_ok_) return false;
    char in[4] = {(char)(character & 0xFF), (char)(character >> 8 & 0xFF),
                  (char)(character >> 16 & 0xFF), 0};
    char out[8];
    int n = convert(encoder_, in, sizeof in, out, sizeof out);
    if (n < 1 || n > 2) return false;
    *code = n == 1 ? (uint8_t)out[0] : (uint32_t)(uint8_t)out[0] << 8 | (uint8_t)out[1];
    return true;
}

bool CodeSet::decode(uint32_t code, uint32_t *character) {
    if (!decoder_ok_ || code > 0xFFFF) return false;
    char in[2] = {(char)(code > 0xFF ? code >> 8 : code), (char)(code & 0xFF)};
    char out[16];
    int n = convert(decoder_, in, code > 0xFF ? 2 : 1, out, sizeof out);
    if (n != 4) return false;
    *character = (uint32_t)(uint8_t)out[0] | (uint32_t)(uint8_t)out[1] << 8 |
                 (uint32_t)(uint8_t)out[2] << 16;
    return true;
}
