// make's C output: a source file that defines the font's array, compiled
// once, and a header of declarations that any number of C and C++ files
// include, so a firmware image holds the font once.
#include "fontx2sheet/make.h"

#include <ctype.h>
#include <stdio.h>

namespace {

// C (up to C23) and C++ (up to C++20) keywords: a symbol named so would not compile.
const char *const KEYWORDS[] = {"_Alignas",
                                "_Alignof",
                                "_Atomic",
                                "_BitInt",
                                "_Bool",
                                "_Complex",
                                "_Decimal128",
                                "_Decimal32",
                                "_Decimal64",
                                "_Generic",
                                "_Imaginary",
                                "_Noreturn",
                                "_Static_assert",
                                "_Thread_local",
                                "alignas",
                                "alignof",
                                "and",
                                "and_eq",
                                "asm",
                                "auto",
                                "bitand",
                                "bitor",
                                "bool",
                                "break",
                                "case",
                                "catch",
                                "char",
                                "char16_t",
                                "char32_t",
                                "char8_t",
                                "class",
                                "co_await",
                                "co_return",
                                "co_yield",
                                "compl",
                                "concept",
                                "const",
                                "const_cast",
                                "consteval",
                                "constexpr",
                                "constinit",
                                "continue",
                                "decltype",
                                "default",
                                "delete",
                                "do",
                                "double",
                                "dynamic_cast",
                                "else",
                                "enum",
                                "explicit",
                                "export",
                                "extern",
                                "false",
                                "float",
                                "for",
                                "friend",
                                "goto",
                                "if",
                                "inline",
                                "int",
                                "long",
                                "mutable",
                                "namespace",
                                "new",
                                "noexcept",
                                "not",
                                "not_eq",
                                "nullptr",
                                "operator",
                                "or",
                                "or_eq",
                                "private",
                                "protected",
                                "public",
                                "register",
                                "reinterpret_cast",
                                "requires",
                                "restrict",
                                "return",
                                "short",
                                "signed",
                                "sizeof",
                                "static",
                                "static_assert",
                                "static_cast",
                                "struct",
                                "switch",
                                "template",
                                "this",
                                "thread_local",
                                "throw",
                                "true",
                                "try",
                                "typedef",
                                "typeid",
                                "typename",
                                "typeof",
                                "typeof_unqual",
                                "union",
                                "unsigned",
                                "using",
                                "virtual",
                                "void",
                                "volatile",
                                "wchar_t",
                                "while",
                                "xor",
                                "xor_eq"};

bool keyword(const std::string &text) {
    for (const char *k : KEYWORDS)
        if (text == k) return true;
    return false;
}

// Both files open with the same words: where the font came from and what it is.
std::string opening(const std::string &source, const std::string &summary) {
    std::string name = source.substr(source.rfind('/') + 1);
    for (size_t at; (at = name.find("*/")) != std::string::npos;) name[at + 1] = '_';
    return "/* FONTX2 font made by fontx2sheet make from " + name + ":\n * " + summary +
           ". */\n#include <stdint.h>\n\n";
}

// The declarations, with C linkage so C++ files find the array a C file defines.
std::string declarations(const std::string &symbol, size_t bytes) {
    return "#ifdef __cplusplus\nextern \"C\" {\n#endif\nextern const uint8_t " + symbol + "[" +
           std::to_string(bytes) + "];\nextern const unsigned " + symbol + "_size;\n";
}

const char CLOSE_LINKAGE[] = "#ifdef __cplusplus\n}\n#endif\n";

} // namespace

bool c_symbol_ok(const std::string &text) {
    if (text.empty() || isdigit((unsigned char)text[0]) || keyword(text)) return false;
    for (char c : text)
        if (!(isalnum((unsigned char)c) || c == '_')) return false;
    return true;
}

bool c_attribute_ok(const std::string &text) {
    if (text.empty() || text.find_first_of(";{}=#\\") != std::string::npos ||
        text.find("/*") != std::string::npos || text.find("*/") != std::string::npos ||
        text.find("//") != std::string::npos)
        return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

std::string c_symbol_for(const std::string &out) {
    std::string base = out == "-" ? "fontx2_font" : out.substr(out.rfind('/') + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    for (char &c : base)
        if (!(isalnum((unsigned char)c) || c == '_')) c = '_';
    if (base.empty() || isdigit((unsigned char)base[0])) base = "_" + base;
    return keyword(base) ? base + "_font" : base;
}

std::vector<uint8_t> c_output(const COutput &c, const std::vector<uint8_t> &font) {
    std::string text = opening(c.source, c.summary);
    if (c.header) {
        std::string guard;
        for (char ch : c.symbol) guard += (char)toupper((unsigned char)ch);
        guard += "_FONTX2_H";
        text += "#ifndef " + guard + "\n#define " + guard + "\n" +
                declarations(c.symbol, font.size()) + CLOSE_LINKAGE + "#endif\n";
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    // Declared extern first: in C++ a const definition alone would be local to its file.
    text += declarations(c.symbol, font.size()) + "\nconst uint8_t " + c.symbol + "[" +
            std::to_string(font.size()) + "]" + (c.attribute.empty() ? "" : " " + c.attribute) +
            " = {";
    for (size_t i = 0; i < font.size(); ++i) {
        char hex[8];
        snprintf(hex, sizeof hex, "0x%02X,", font[i]);
        text += (i % 12 ? " " : "\n    ") + std::string(hex);
    }
    text += "\n};\nconst unsigned " + c.symbol + "_size = " + std::to_string(font.size()) + ";\n" +
            CLOSE_LINKAGE;
    return std::vector<uint8_t>(text.begin(), text.end());
}
