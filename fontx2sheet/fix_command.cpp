// fontx2sheet fix: its options, the rewrite written, and the report of what
// changed, as text or JSON.
#include "fontx2sheet/fix_command.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/fix.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/json_line.h"

#include <CLI/CLI.hpp>

#include <new>
#include <stdio.h>

CLI::App *add_fix_command(CLI::App &app, FixArgs *args) {
    CLI::App *fix = app.add_subcommand(
        "fix", "Rewrite a font so that readers which trust its count byte read every glyph it "
               "holds: wrapped counts, padding, overlapping, inverted and unsorted blocks, cut "
               "glyphs and trailing bytes");
    fix->add_option("FONT", args->font, "The FONTX2 font")->required();
    fix->add_option("-o,--output", args->out, "The font to write (never FONT itself)")->required();
    fix->add_flag(
        "--force", args->force,
        "Write the rewritten font even when it needs no change (else it is copied as it is)");
    fix->add_flag("--json", args->json, "One JSON object on standard output: the changes");
    return fix;
}

namespace {

// copied: the font needed no change and was written as it is.
std::string fix_json(const FixArgs &args, const FixResult &r, bool written, bool copied) {
    Json changes = Json::array();
    for (const FixChange &c : r.changes)
        changes.push_back({{"kind", c.kind}, {"count", c.count}, {"message", c.message}});
    const Fontx2Written &w = r.written;
    return json_line({{"file", args.font},
                      {"output", args.out},
                      {"written", written},
                      {"copied", copied},
                      {"changes", changes},
                      {"glyphs_kept", r.glyphs.codes.size()},
                      {"blocks", w.blocks},
                      {"glyphs", w.glyphs},
                      {"blank_glyphs", w.blank_glyphs},
                      {"bytes", w.bytes.size()}});
}

// One line per kind of change, then what was written.
void fix_text(const FixArgs &args, const FixResult &r, bool rewritten) {
    for (const FixChange &c : r.changes) report(args.font, c.kind + ": " + c.message);
    if (!rewritten) {
        report(args.out == "-" ? "standard output" : args.out,
               "no change: " + args.font + " copied byte for byte");
        return;
    }
    const Fontx2Written &w = r.written;
    std::string blocks = !r.glyphs.double_byte ? ""
                         : w.blocks == 1       ? "1 block, "
                                               : std::to_string(w.blocks) + " blocks, ";
    report(args.out == "-" ? "standard output" : args.out,
           "written: " + blocks + count_text(w.glyphs) + " glyphs (" + count_text(w.blank_glyphs) +
               " blank), " + count_text(w.bytes.size()) +
               " bytes, read back alike by both readers");
}

int nothing_to_keep(const FixArgs &args, const LoadedFont &loaded, const FixResult &r) {
    const Fontx2Font &f = loaded.font;
    report(args.font, f.glyph_bytes == 0
                          ? "the glyphs are " + std::to_string(f.glyph_width) + " x " +
                                std::to_string(f.glyph_height) + " pixels: nothing to keep"
                          : std::string("no code has a whole glyph: nothing to keep"));
    report(args.out, "nothing written");
    if (args.json) fputs(fix_json(args, r, false, false).c_str(), stdout);
    return EXIT_PROBLEM;
}

// Whether fix may go on before the font is read: what it writes must take
// neither its own report's place nor the font's.
int check_output(const FixArgs &args) {
    if (int refused = refuse_json_with_standard_output(args.json, args.out)) return refused;
    if (int refused = refuse_terminal(args.out)) return refused;
    if (int refused = refuse_output_over_input(args.out, {args.font})) {
        report(args.out, "write the fixed font to a new file, then rename it");
        return refused;
    }
    return EXIT_FINE;
}

// The rewrite in r; a status to stop with when there is none to write.
int rewrite(const FixArgs &args, const LoadedFont &loaded, FixResult *r) {
    int status = FIX_WRITTEN;
    try {
        status = fix_font(&loaded.font, r);
    } catch (const std::bad_alloc &) {
        report(args.out, "not enough memory for the rewritten font; nothing written");
        return EXIT_NO_OUTPUT;
    }
    if (status == FIX_NO_GLYPHS) return nothing_to_keep(args, loaded, *r);
    if (status == FIX_WRITTEN) return EXIT_FINE;
    if (status == FIX_NOT_WRITTEN) {
        report(args.out, "the rewritten font could not be written: the writer refused its "
                         "glyphs; nothing written");
        return EXIT_NO_OUTPUT;
    }
    report(args.font, "bug: the rewritten font reads code " +
                          code_text(r->bad_code, loaded.font.double_byte) +
                          " wrong; nothing written");
    return EXIT_SOFTWARE;
}

} // namespace

int run_fix(const FixArgs &args) {
    if (int refused = check_output(args)) return refused;
    LoadedFont loaded;
    if (int status = load_font_or_report(args.font, &loaded)) return status;
    FixResult r;
    if (int status = rewrite(args, loaded, &r)) return status;
    // A font that needs no change is still written, as it is, so that
    // "fix IN -o OUT && mv OUT IN" works in scripts whatever the font.
    const bool rewrite = !r.changes.empty() || args.force;
    if (int status = write_output(args.out, rewrite ? r.written.bytes : loaded.bytes))
        return status;
    if (args.json)
        fputs(fix_json(args, r, true, !rewrite).c_str(), stdout);
    else
        fix_text(args, r, rewrite);
    fflush(stdout);
    return EXIT_FINE;
}
