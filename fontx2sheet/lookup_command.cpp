// fontx2sheet lookup: its options, and each code's report.
#include "fontx2sheet/lookup_command.h"

#include "fontx2sheet/code_set.h"
#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/lookup.h"
#include "fontx2sheet/options.h"

#include <stdio.h>

namespace {

bool is_code(const std::string &text) {
    LookupCode c;
    return parse_code_argument(text, &c);
}

} // namespace

CLI::App *add_lookup_command(CLI::App &app, LookupArgs *args) {
    LookupArgs &a = *args;
    CLI::App *lookup = app.add_subcommand("lookup", "Show where codes' glyphs lie, and the glyphs");
    lookup->add_option("FONT", a.font, "The FONTX2 font ('-': standard input)")->required();
    lookup->add_option("CODE", a.codes, "0x93FA or decimal: a code; U+00FC: a character")
        ->check(checked(is_code, "a code (0x93FA, decimal, at most 0xFFFF) or U+XXXX"));
    lookup->add_option("--text", a.text, "Characters (UTF-8), converted to the font's codes")
        ->type_name("TEXT")
        ->check(utf8_text(false));
    add_encoding_option(lookup, &a.encoding,
                        "The font's code set for --text and U+ characters, any name iconv knows "
                        "(ISO-8859-1, CP437, EUC-KR...); default CP932, or UTF-16 for a font in "
                        "its own code order");
    lookup->add_flag("--strict", a.strict, "Exit 1 when the font has a problem");
    lookup->final_callback([&a] {
        if (a.codes.empty() && a.text.empty()) throw CLI::RequiredError("lookup: a CODE or --text");
    });
    return lookup;
}

int run_lookup(const LookupArgs &args) {
    LoadedFont loaded;
    if (int status = load_font_or_report(args.font, &loaded)) return status;
    int status =
        warn_problems(args.font, find_findings(&loaded.font, loaded.layout.get()), args.strict);
    std::vector<LookupCode> all;
    for (const std::string &argument : args.codes) {
        LookupCode c;
        parse_code_argument(argument, &c); // checked while parsing the options
        if (!c.from_character) all.push_back(c);
        for (const LookupCode &x : c.from_character
                                       ? character_codes(loaded, c.character, args.encoding)
                                       : std::vector<LookupCode>())
            all.push_back(x);
    }
    std::vector<uint32_t> scalars;
    utf8_decode(args.text, &scalars); // checked while parsing the options
    for (uint32_t s : scalars)
        for (const LookupCode &x : character_codes(loaded, s, args.encoding)) all.push_back(x);
    for (const LookupCode &c : all) {
        bool found = false;
        fputs(lookup_text(loaded, c, &found).c_str(), stdout);
        if (!found && status < EXIT_PROBLEM) status = EXIT_PROBLEM;
    }
    fflush(stdout);
    return status;
}
