// fontx2sheet text: its options (the drawing itself is text.cpp's).
#include "fontx2sheet/text_command.h"

#include "fontx2sheet/options.h"

namespace {

// A display side in pixels, 1 to 65535; a line gap, 0 to 255.
bool is_display_side(const std::string &text) {
    return decimal_within(text, 1, 65535);
}
bool is_line_gap(const std::string &text) {
    return decimal_within(text, 0, 255);
}

void add_look(CLI::App *t, TextArgs &a) {
    t->add_option("--line-gap", a.line_gap, "N paper rows between lines, 0 to 255 (default 0)")
        ->type_name("N")
        ->check(checked(is_line_gap, "a gap from 0 to 255"));
    add_scale_option(t, &a.scale);
    add_colour_option(t, "--ink", &a.ink, "Glyph colour, RRGGBB or #RRGGBB (default FFFFFF)");
    add_colour_option(t, "--paper", &a.paper,
                      "Background colour, RRGGBB or #RRGGBB (default 000000)");
}

void add_display(CLI::App *t, TextArgs &a) {
    CLI::Option *width =
        t->add_option("--width", a.width, "The display's width, 1 to 65535: lines wrap or are cut")
            ->type_name("PX")
            ->check(checked(is_display_side, "a width from 1 to 65535"));
    t->add_option("--height", a.height,
                  "The display's height, 1 to 65535: lines below it are "
                  "not shown")
        ->type_name("PX")
        ->check(checked(is_display_side, "a height from 1 to 65535"));
    add_choice_option(
        t, "--wrap", &a.wrap,
        {{"char", TextWrap::CHAR}, {"word", TextWrap::WORD}, {"none", TextWrap::NONE}},
        "With --width: char (default), word or none (cut at the edge)")
        ->type_name("MODE")
        ->needs(width); // without a width there is no edge to wrap at
}

} // namespace

CLI::App *add_text_command(CLI::App &app, TextArgs *args) {
    TextArgs &a = *args;
    CLI::App *t = app.add_subcommand("text", "Draw a string as a display shows it, with one font "
                                             "or a single-byte and a double-byte font");
    t->add_option("FONT", a.fonts,
                  "A font of either kind; a second font of the other kind: codes below 0x100 "
                  "come from the single-byte font, the others from the double-byte one")
        ->required()
        ->expected(1, 2);
    t->add_option("--text", a.text, "UTF-8 characters; @FILE reads a file, @- standard input")
        ->type_name("TEXT")
        ->required()
        ->check(utf8_text(true));
    t->add_option("-o,--output", a.out, "The PNG to write ('-': standard output, not a terminal)")
        ->type_name("PNG");
    t->add_flag("--ascii", a.ascii, "Print the picture at scale 1 (# ink, . paper) instead");
    add_encoding_option(t, &a.encoding,
                        "The code set the text is converted with, any name iconv knows; default "
                        "CP932, or code points for a double-byte font in its own code order");
    add_display(t, a);
    add_look(t, a);
    t->add_flag("--strict", a.strict, "Write nothing and exit 1 when a character is missing");
    t->final_callback([&a] {
        if (a.out.empty() == !a.ascii) throw CLI::ValidationError("text", "give -o PNG or --ascii");
    });
    return t;
}
