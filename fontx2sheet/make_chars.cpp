// Which characters make keeps.
#include "fontx2sheet/make.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/fontx2sheet.h"

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

// The comma-separated parts of --chars.
static std::vector<std::string> parts_of(const std::string &chars) {
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t comma; (comma = chars.find(',', at)) != std::string::npos; at = comma + 1)
        parts.push_back(chars.substr(at, comma - at));
    parts.push_back(chars.substr(at));
    return parts;
}

std::vector<std::string> char_files(const std::string &chars) {
    std::vector<std::string> files;
    for (const std::string &part : parts_of(chars))
        if (part.size() > 1 && part[0] == '@') files.push_back(part.substr(1));
    return files;
}

bool parse_char_ranges(const std::string &ranges, std::vector<bool> *keep, std::string *why) {
    keep->assign(SCALARS, false);
    for (const std::string &part : parts_of(ranges)) {
        if (part.size() > 1 && part[0] == '@') continue; // a file, read later
        size_t dash = part.find('-');
        uint32_t first, last;
        if (!parse_scalar(part.substr(0, dash), &first) ||
            !parse_scalar(dash == std::string::npos ? part : part.substr(dash + 1), &last) ||
            last < first) {
            *why = "'" + part + "' is not a character range like U+0020-007E, nor @FILE";
            return false;
        }
        for (uint32_t c = first; c <= last; ++c) (*keep)[c] = true;
    }
    return true;
}

int read_char_file(const std::string &path, std::vector<bool> *keep, std::string *why) {
    std::vector<uint8_t> bytes;
    if (!read_input(path, &bytes, why)) return EXIT_NO_INPUT;
    std::vector<uint32_t> scalars;
    if (!utf8_decode(std::string(bytes.begin(), bytes.end()), &scalars)) {
        *why = "is not UTF-8 text";
        return EXIT_NOT_A_FONT;
    }
    keep->resize(SCALARS, false);
    for (uint32_t s : scalars) (*keep)[s] = true;
    return EXIT_FINE;
}
