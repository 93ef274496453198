// Code sets: the three a FONTX2 font's table holds codes of, and
// conversions through iconv between any code set's codes and characters.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

// The codes a font made holds: single bytes, double-byte Shift-JIS codes,
// Unicode code points of the Basic Multilingual Plane, or the two-byte codes
// of another code set (first byte x 256 + second).
enum class CodeSet { SINGLE, SJIS, UNICODE, DOUBLE };
// "single", "sjis", "unicode" or "double": the option's value and the report's word.
const char *code_set_name(CodeSet set);

// Both directions of an iconv conversion between a code set's codes (one or
// two bytes, first x 256 + second) and Unicode scalars: the one way from a
// character to a code for lookup, text and make.
class Transcoder {
  public:
    explicit Transcoder(const std::string &name);
    ~Transcoder();
    Transcoder(const Transcoder &) = delete;
    Transcoder &operator=(const Transcoder &) = delete;
    bool ok() const { return encoder_ok_ && decoder_ok_; }
    // The code of a character, one or two bytes; false when it has none.
    bool encode(uint32_t character, uint32_t *code);
    // How many bytes the code set gives the character; -1 when none.
    int length(uint32_t character);
    // The one character a code decodes to; false otherwise.
    bool decode(uint32_t code, uint32_t *character);

  private:
    void *encoder_, *decoder_;
    bool encoder_ok_, decoder_ok_;
};
// True when iconv converts both ways between Unicode and the named code set.
bool code_set_known(const std::string &encoding);
// False for a code set that gives a character more than two bytes, or ASCII
// more than one (UTF-8, UTF-16, UTF-32, stateful sets): no font's codes.
bool code_set_fits(const std::string &encoding);

// UTF-8 to scalars; false on a malformed sequence.
bool utf8_decode(const std::string &text, std::vector<uint32_t> *scalars);
