// Code sets: their names, conversions through iconv between a character and
// a code, and UTF-8.
#include "fontx2sheet/code_set.h"

#include <iconv.h>

Transcoder::Transcoder(const std::string &name) {
    encoder_ = (void *)iconv_open(name.c_str(), "UTF-32LE");
    decoder_ = (void *)iconv_open("UTF-32LE", name.c_str());
    encoder_ok_ = encoder_ != (void *)(iconv_t)-1;
    decoder_ok_ = decoder_ != (void *)(iconv_t)-1;
}

Transcoder::~Transcoder() {
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

// The bytes of a character's code in out (16 bytes); their count, or -1.
static int encode_bytes(void *encoder, uint32_t character, char *out) {
    char in[4] = {(char)(character & 0xFF), (char)(character >> 8 & 0xFF),
                  (char)(character >> 16 & 0xFF), 0};
    return convert(encoder, in, sizeof in, out, 16);
}

int Transcoder::length(uint32_t character) {
    char out[16];
    return encoder_ok_ ? encode_bytes(encoder_, character, out) : -1;
}

bool Transcoder::encode(uint32_t character, uint32_t *code) {
    if (!encoder_ok_) return false;
    char out[16];
    int n = encode_bytes(encoder_, character, out);
    if (n < 1 || n > 2) return false;
    *code = n == 1 ? (uint8_t)out[0] : (uint32_t)(uint8_t)out[0] << 8 | (uint8_t)out[1];
    return true;
}

bool Transcoder::decode(uint32_t code, uint32_t *character) {
    if (!decoder_ok_ || code > 0xFFFF) return false;
    char in[2] = {(char)(code > 0xFF ? code >> 8 : code), (char)(code & 0xFF)};
    char out[16];
    int n = convert(decoder_, in, code > 0xFF ? 2 : 1, out, sizeof out);
    if (n != 4) return false;
    *character = (uint32_t)(uint8_t)out[0] | (uint32_t)(uint8_t)out[1] << 8 |
                 (uint32_t)(uint8_t)out[2] << 16;
    return true;
}

bool code_set_known(const std::string &encoding) {
    return Transcoder(encoding).ok();
}

bool code_set_fits(const std::string &encoding) {
    Transcoder set(encoding);
    if (set.length('A') > 1) return false;
    // Latin, kana, hangul, a CJK ideograph and a character past the BMP.
    for (uint32_t c : {0xE9u, 0x3042u, 0xAC00u, 0x4E00u, 0x10000u})
        if (set.length(c) > 2) return false;
    return true;
}

const char *code_set_name(CodeSet set) {
    switch (set) {
    case CodeSet::SINGLE:
        return "single";
    case CodeSet::SJIS:
        return "sjis";
    case CodeSet::DOUBLE:
        return "double";
    default:
        return "unicode";
    }
}

bool utf8_decode(const std::string &text, std::vector<uint32_t> *scalars) {
    for (size_t i = 0; i < text.size();) {
        uint8_t c = (uint8_t)text[i];
        uint32_t n = c < 0x80                ? 0
                     : c >= 0xC2 && c < 0xE0 ? 1
                     : c >= 0xE0 && c < 0xF0 ? 2
                     : c >= 0xF0 && c < 0xF5 ? 3
                                             : 4;
        if (n == 4 || (n > 0 && i + n >= text.size())) return false;
        uint32_t value = n == 0 ? c : c & (0x3F >> n);
        for (uint32_t k = 1; k <= n; ++k) {
            uint8_t t = (uint8_t)text[i + k];
            if ((t & 0xC0) != 0x80) return false;
            value = value << 6 | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed.
        static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (value < least[n] || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF)
            return false;
        scalars->push_back(value);
        i += n + 1;
    }
    return true;
}
