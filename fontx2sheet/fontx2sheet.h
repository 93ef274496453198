// fontx2sheet: checks and previews FONTX2 fonts from the command line. The
// font library reads, lays out and draws; the compositor composites; this
// program loads files, reports, labels, scales and writes PNGs.
#pragma once

#include "common/settings/settings.h"
#include "fontx2/fontx2.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/picture.h"

#include <memory>
#include <stdint.h>
#include <string>
#include <vector>

// Exit statuses; over several files the highest that applies.
enum {
    EXIT_FINE = 0,
    EXIT_PROBLEM = 1,    // a font problem, a code without a glyph, nothing to draw
    EXIT_NOT_A_FONT = 2, // an input that is not a font or cannot be read
    EXIT_NO_OUTPUT = 3,  // the output could not be made
    EXIT_USAGE = 64,     // a wrong option or value
    EXIT_SOFTWARE = 70,  // a font made does not read back as meant: a bug
};

int fontx2sheet_main(int argc, char **argv);

// "fontx2sheet: WHERE: what" on standard error.
void report(const std::string &where, const std::string &what);
// 1234567 -> "1,234,567".
std::string count_text(uint64_t n);
// "0x93FA" (four digits for double-byte fonts) or "0x41".
std::string code_text(uint32_t code, bool double_byte);

// ---- Fonts read from files ----------------------------------------------------
struct LoadedFont {
    std::string path;
    std::vector<uint8_t> bytes;
    Fontx2Font font;
    std::unique_ptr<Fontx2Layout> layout; // AUTO order, grid
    std::string error;                    // why it could not be had
};
// Reads and parses the file ("-": standard input): EXIT_NOT_A_FONT, with the
// reason in error, when it cannot be read or is not FONTX2, else EXIT_FINE.
int load_font(const std::string &path, LoadedFont *loaded);
// The font read from bytes already at hand; false without the signature.
bool parse_font(LoadedFont *loaded);

// ---- inspect --------------------------------------------------------------------
// With blocks, the block table of a double-byte font too.
std::string inspect_text(const LoadedFont &loaded, const std::vector<Finding> &findings,
                         bool blocks);
std::string inspect_json(const LoadedFont &loaded, const std::vector<Finding> &findings);
std::string inspect_json_error(const std::string &path, const std::string &error);
// A JSON string: quotes, backslashes and control bytes escaped, other bytes
// (a path's UTF-8) as they are.
std::string json_string(const std::string &s);
// Printable ASCII as it is, other bytes as \xNN.
std::string escaped_name(const uint8_t *name, uint32_t size);
// Why the automatic order is what it is.
std::string order_reason(const Fontx2Font *font, const Fontx2Layout *layout);
const char *order_name(uint32_t order);

// ---- render ---------------------------------------------------------------------
struct RenderOptions {
    Fontx2Order order = FONTX2_ORDER_AUTO;
    bool column = false;
    bool labels = false;
    uint32_t scale = 1;
    uint32_t ink = 0xFFFFFF; // 0xRRGGBB
    uint32_t paper = 0x000000;
    uint32_t per_row = 0; // own-code-order codes a row; 0: as the plug-in, 16
    uint32_t gap = 0;     // paper pixels between cells, before the scale
    bool missing = false; // mark cells without a glyph
    uint32_t missing_colour = 0x808080;
    bool composite = false;
    SettingsRecord settings; // with composite
    uint64_t max_pixels;
};
// Every unscaled sheet of a valid font, labelled: the most cells a sheet can
// have (65,536) of the largest glyph (255 x 255) is 4.3 billion pixels; the
// margins at most double that.
const uint64_t DEFAULT_MAX_PIXELS = 8589934592ull;

// The final picture's size (after labels and scale) before anything is drawn.
void render_size(const Fontx2Font *font, const Fontx2Layout *layout, const RenderOptions &options,
                 uint64_t *width, uint64_t *height);
// The sheet of a laid-out font as the options ask; false, with the reason in
// *error when asked, when memory fails or the sheet does not draw.
bool render_picture(const Fontx2Font *font, const Fontx2Layout *layout,
                    const RenderOptions &options, Picture *picture, std::string *error = nullptr);
// The settings tool's record when it runs: its defaults, compositing on.
void tool_settings(SettingsRecord *settings);

// ---- labels ---------------------------------------------------------------------
struct Margins {
    uint32_t left; // a multiple of 8 pixels, so 1-bit rows move bytewise
    uint32_t top;
    uint32_t digit_scale;
};
// The built-in label digits (3 x 5 pixels, 4 apart): the bitmap of a hex
// digit value, 5 rows top to bottom of 3 bits each, bit 2 leftmost.
const uint8_t *label_digit(uint32_t value);
struct SheetGeometry; // sheet_cells.h
Margins label_margins(const SheetGeometry &geometry);
// The sheet placed in a picture with margins, the codes drawn in them.
bool add_labels(const SheetGeometry &geometry, const Picture &sheet, uint32_t ink,
                Picture *labelled);

// ---- PNG --------------------------------------------------------------------------
// Encodes the picture (palette: paper, ink for 1-bit pictures); false, png
// empty and libspng's reason in *error when asked, on failure.
bool png_encode(const Picture &picture, uint32_t paper, uint32_t ink, std::vector<uint8_t> *png,
                std::string *error = nullptr);
// An indexed picture with a palette of so many colours (at most 1 << bits);
// as png_encode otherwise.
bool png_encode_palette(const Picture &picture, const uint32_t *palette, uint32_t colours,
                        std::vector<uint8_t> *png, std::string *error = nullptr);
// Whether out may be written before anything is made: EXIT_USAGE, reported,
// when it is the same file as one of inputs (by device and inode, whatever
// the path; "-" is standard input) or when it is "-" and standard output is
// a terminal; else EXIT_FINE.
int refuse_output_over_input(const std::string &out, const std::vector<std::string> &inputs);
// Writes bytes to path, or to standard output for "-". Symbolic links are
// followed to their final target. A regular file or a new name gets a
// temporary file in its folder, renamed over it only when complete (keeping
// the replaced file's permission bits); a FIFO or device is written in place
// and stays. Whether the user may write is open(2)'s judgement. Reports and
// returns EXIT_NO_OUTPUT when it cannot, leaving the target as it was.
int write_output(const std::string &path, const std::vector<uint8_t> &bytes);

// ---- code sets (code_set.cpp) ----------------------------------------------------
// Both directions of an iconv conversion between a code set's codes (one or
// two bytes, first x 256 + second) and Unicode scalars: the one way from a
// character to a code for lookup, text and make.
class CodeSet {
  public:
    explicit CodeSet(const std::string &name);
    ~CodeSet();
    CodeSet(const CodeSet &) = delete;
    CodeSet &operator=(const CodeSet &) = delete;
    bool ok() const { return encoder_ok_ && decoder_ok_; }
    // The code of a character, one or two bytes; false when it has none.
    bool encode(uint32_t character, uint32_t *code);
    // The one character a code decodes to; false otherwise.
    bool decode(uint32_t code, uint32_t *character);

  private:
    void *encoder_, *decoder_;
    bool encoder_ok_, decoder_ok_;
};
// True when iconv converts both ways between Unicode and the named code set.
bool code_set_known(const std::string &encoding);

// ---- lookup -----------------------------------------------------------------------
// One code to look up: from the table as it stands, or a character.
struct LookupCode {
    uint32_t code;
    bool from_character;
    uint32_t character;   // Unicode scalar
    bool no_code;         // the character has no code in the font's code set
    std::string why_none; // with no_code: why, for the report
};
// The one entry point from a character to a font's codes. Through iconv to
// encoding when one is named: one byte gives that code, two give first x 256
// + second, anything else no code. Without one, the font's own: CP932 on the
// single-byte and JIS grids, the UTF-16 code unit in the own code order (a
// character past U+FFFF has no code: a FONTX2 font holds 16-bit codes).
std::vector<LookupCode> character_codes(const LoadedFont &loaded, uint32_t character,
                                        const std::string &encoding = std::string());
// UTF-8 to scalars; false on a malformed sequence.
bool utf8_decode(const std::string &text, std::vector<uint32_t> *scalars);
// One code's report; *found false when it has no glyph.
std::string lookup_text(const LoadedFont &loaded, const LookupCode &code, bool *found);

// ---- text ------------------------------------------------------------------------
enum TextWrap { WRAP_CHAR, WRAP_WORD, WRAP_NONE };
struct TextOptions {
    std::vector<std::string> fonts; // one font, or a single-byte and a double-byte one
    std::string text;               // UTF-8 characters, or @FILE (@- standard input)
    std::string encoding;           // a code set iconv knows; empty: the fonts' own
    uint32_t width = 0;             // pixels; 0: as wide as the widest line
    uint32_t height = 0;            // pixels; 0: as tall as the lines
    uint32_t line_gap = 0;
    int wrap = WRAP_CHAR; // with a width
    uint32_t scale = 1;
    uint32_t ink = 0xFFFFFF;
    uint32_t paper = 0x000000;
    std::string out;    // the PNG, unless ascii
    bool ascii = false; // print # and . at scale 1 instead
    bool strict = false;
};

// ---- the subcommands (cli.cpp parses, these run) ----------------------------------
int run_render(const std::string &font_path, const std::string &out_path,
               const RenderOptions &options, bool strict);
int run_inspect(const std::vector<std::string> &paths, bool json, bool blocks);
// A code argument: "0x93FA" or decimal (a code), or "U+00FC" (a character).
bool parse_code_argument(const std::string &text, LookupCode *code);
int run_lookup(const std::string &font_path, const std::vector<LookupCode> &codes,
               const std::string &text, const std::string &encoding, bool strict);
int run_text(const TextOptions &options);

// ---- fix (fix.cpp; the rewrite itself in fix.h) -------------------------------------
namespace CLI {
class App;
}
struct FixArgs {
    std::string font, out;
    bool force = false, json = false;
};
CLI::App *add_fix(CLI::App &app, FixArgs *args);
int run_fix(const FixArgs &args);
