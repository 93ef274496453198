// render over many fonts into a folder, and its warnings about a sheet.
#include "fontx2sheet/render_many.h"

#include "fontx2sheet/inputs.h"
#include "fontx2sheet/sheet_cells.h"

#include <algorithm>
#include <map>
#include <sys/stat.h>

namespace {

int usage(const std::string &what) {
    fprintf(stderr, "fontx2sheet: %s\nRun 'fontx2sheet --help' for the options.\n", what.c_str());
    return EXIT_USAGE;
}

// ASCII letters in lower case: names a case-insensitive file system (macOS's
// default) takes for one file.
std::string folded(std::string name) {
    for (char &c : name)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return name;
}

// Each font's PNG in the folder, or a usage error when two would share one.
int output_paths(const std::vector<std::string> &fonts, const std::string &dir,
                 std::vector<std::string> *outputs) {
    std::map<std::string, std::string> taken; // folded NAME -> the font that has it
    for (const std::string &font : fonts) {
        if (font == "-") return usage("standard input has no name for --out-dir: use -o");
        const std::string name = output_name(font);
        auto it = taken.find(folded(name));
        if (it != taken.end())
            return usage("--out-dir: " + it->second + " and " + font +
                         " would both be written to " + name + ".png");
        taken[folded(name)] = font;
        outputs->push_back((dir.back() == '/' ? dir : dir + "/") + name + ".png");
    }
    return EXIT_FINE;
}

// The smallest --per-row that brings an own-code-order sheet within the
// viewer limit, or 0.
uint32_t fitting_per_row(const Fontx2Font *font, const Fontx2Layout *layout,
                         const RenderOptions &options) {
    RenderOptions o = options;
    for (o.per_row = FONTX2_LINE_CODES; o.per_row <= PER_ROW_MAX; o.per_row += FONTX2_LINE_CODES) {
        uint64_t width = 0, height = 0;
        render_size(font, layout, o, &width, &height);
        if (width <= VIEWER_SIDE_LIMIT && height <= VIEWER_SIDE_LIMIT) return o.per_row;
    }
    return 0;
}

} // namespace

void warn_sheet(const std::string &path, const Fontx2Font *font, const Fontx2Layout *layout,
                const RenderOptions &options, uint64_t width, uint64_t height) {
    if (options.per_row && !per_row_applies(layout, options.per_row))
        report(path, std::string("--per-row is for the own code order's grid; ignored for this ") +
                         (layout->shape == FONTX2_COLUMN ? "column" : "sheet") + " (order " +
                         order_name(layout->order) + ")");
    if (width <= VIEWER_SIDE_LIMIT && height <= VIEWER_SIDE_LIMIT) return;
    std::string what = "the picture is " + count_text(width) + " x " + count_text(height) +
                       " pixels; many viewers open none over " + count_text(VIEWER_SIDE_LIMIT) +
                       " on a side";
    if (per_row_applies(layout, PER_ROW_MAX)) {
        uint32_t per_row = fitting_per_row(font, layout, options);
        what += per_row ? ": --per-row " + std::to_string(per_row) + " fits"
                        : ": --per-row 256 makes it shorter";
    } else if (options.scale > 1) {
        what += ": a smaller --scale makes it smaller";
    }
    report(path, what);
}

int run_render_many(const RenderTargets &targets, const RenderOptions &options, bool strict) {
    std::vector<std::string> fonts, outputs;
    int status = expand_inputs(targets.fonts, targets.recursive, &fonts);
    if (targets.out_dir.empty()) {
        if (fonts.size() > 1)
            return usage("-o writes one font's sheet, and " + std::to_string(fonts.size()) +
                         " fonts were given: use --out-dir");
        outputs.assign(fonts.size(), targets.out);
    } else {
        if (output_paths(fonts, targets.out_dir, &outputs) != EXIT_FINE) return EXIT_USAGE;
        // No sheet may replace any of the fonts, whichever font it is drawn from.
        for (const std::string &output : outputs)
            if (refuse_output_over_input(output, fonts) != EXIT_FINE) return EXIT_USAGE;
        struct stat st;
        if (stat(targets.out_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            report(targets.out_dir, "is not a folder: --out-dir needs one that exists");
            return std::max(status, (int)EXIT_NO_OUTPUT);
        }
    }
    for (size_t i = 0; i < fonts.size(); ++i)
        status = std::max(status, run_render(fonts[i], outputs[i], options, strict));
    return status;
}
