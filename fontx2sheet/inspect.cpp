// The inspect report of one font: as text, and as one line of JSON.
#include "fontx2sheet/inspect.h"
#include "fontx2sheet/json_line.h"

#include "fontx2sheet/fontx2sheet.h"

#include <stdio.h>

std::string escaped_name(const uint8_t *name, uint32_t size) {
    std::string text;
    for (uint32_t i = 0; i < size; ++i) {
        if (name[i] >= 0x20 && name[i] < 0x7F && name[i] != '\\') {
            text += (char)name[i];
        } else {
            char e[8];
            snprintf(e, sizeof e, "\\x%02X", name[i]);
            text += e;
        }
    }
    return text;
}

const char *order_name(uint32_t order) {
    // By Fontx2Order; a layout's order is never AUTO, any other is single.
    static const char *const names[] = {"single", "jis", "code", "single"};
    return order < sizeof names / sizeof names[0] ? names[order] : "single";
}

std::string order_reason(const Fontx2Font *font, const Fontx2Layout *layout) {
    if (!font->double_byte) return "a single-byte font has one order: 16 x 16 codes";
    std::string held = count_text(layout->jis_cells) + " of the " + count_text(layout->codes) +
                       " codes held are JIS X 0208 cells";
    if (layout->order == FONTX2_ORDER_CODE)
        return "only " + held +
               ": the table looks like Unicode or another code set, so the sheet is in the "
               "font's own code order";
    return held + " (at least half): the 94 x 94 JIS grid";
}

// Coverage: the share of held codes that are two-byte Shift-JIS codes.
static std::string sjis_share(const Fontx2Layout *layout) {
    uint32_t sjis = fontx2_layout_sjis_codes(layout);
    char share[32];
    snprintf(share, sizeof share, "%.1f%%", layout->codes ? 100.0 * sjis / layout->codes : 0.0);
    return count_text(sjis) + " (" + share + ") valid Shift-JIS codes";
}

static std::string block_lines(const Fontx2Font *font) {
    std::string text = "    index   first    last     codes  first glyph\n";
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        char line[128];
        if (!b.at_hand) {
            snprintf(line, sizeof line, "    %5u  (past the end of the file)\n", b.index);
        } else {
            uint32_t codes = b.first_code <= b.last_code ? b.last_code - b.first_code + 1 : 0;
            snprintf(line, sizeof line, "    %5u  0x%04X  0x%04X  %8s  %11u\n", b.index,
                     b.first_code, b.last_code, count_text(codes).c_str(), b.first_glyph);
        }
        text += line;
    }
    return text;
}

static std::string field(const char *name, const std::string &value) {
    char head[32];
    snprintf(head, sizeof head, "  %-17s", name);
    return head + value + "\n";
}

// More instances of a kind than this are counted, not listed, in the text.
static const size_t TEXT_INSTANCES = 8;

static std::string finding_lines(const Finding &x) {
    std::string t = std::string(x.problem ? "  problem " : "  note    ") + x.kind;
    if (!x.instances.empty()) t += " (" + count_text(x.count) + ")";
    t += ": " + x.message + "\n";
    for (size_t i = 0; i < x.instances.size() && i < TEXT_INSTANCES; ++i)
        t += "            " + x.instances[i] + "\n";
    if (x.instances.size() > TEXT_INSTANCES)
        t += "            and " + count_text(x.instances.size() - TEXT_INSTANCES) + " more\n";
    return t;
}

std::string inspect_text(const LoadedFont &loaded, const std::vector<Finding> &findings,
                         bool blocks) {
    const Fontx2Font *f = &loaded.font;
    const Fontx2Layout *l = loaded.layout.get();
    std::string t = loaded.path + "\n";
    t += field("file size", count_text(loaded.bytes.size()) + " bytes");
    t += field("signature", escaped_name(f->data, FONTX2_SIGNATURE_BYTES));
    t += field("name", "\"" + escaped_name(f->name, FONTX2_NAME_BYTES) + "\"");
    t += field("glyph", std::to_string(f->glyph_width) + " x " + std::to_string(f->glyph_height) +
                            " pixels, " + count_text(f->glyph_bytes) + " bytes each");
    t += field("code type", std::to_string(f->code_type) +
                                (f->double_byte ? " (double-byte)" : " (single-byte)"));
    if (f->double_byte) {
        t += field("blocks", count_text(f->block_count) + " (count byte " +
                                 std::to_string(f->declared_blocks) + ")");
        if (blocks) t += block_lines(f);
    }
    t += field("glyphs", count_text(f->glyphs_announced) + " announced, " +
                             count_text(f->glyphs_present) + " wholly present");
    t += field("size", count_text(f->expected_size) + " bytes expected, " +
                           count_text(f->whole_bytes) + " actual");
    if (f->double_byte)
        t += field("coverage", count_text(l->codes) + " codes, " + count_text(l->jis_cells) +
                                   " JIS cells, " + sjis_share(l));
    t += field("order", std::string(order_name(l->order)) + ": " + order_reason(f, l));
    if (findings.empty()) t += field("findings", "none");
    for (const Finding &x : findings) t += finding_lines(x);
    return t;
}

static Json json_blocks(const Fontx2Font *font) {
    Json blocks = Json::array();
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        // An entry past the end of the file holds nothing: null codes.
        blocks.push_back({{"first", b.at_hand ? Json(b.first_code) : Json()},
                          {"last", b.at_hand ? Json(b.last_code) : Json()},
                          {"first_glyph", b.first_glyph}});
    }
    return blocks;
}

// Every finding whole: a whole-file finding's one instance is its message.
static Json json_findings(const std::vector<Finding> &findings) {
    Json found = Json::array();
    for (const Finding &x : findings) {
        Json instances = x.instances.empty() ? Json::array({x.message}) : Json(x.instances);
        found.push_back({{"kind", x.kind},
                         {"severity", severity_name(x)},
                         {"count", x.count},
                         {"message", x.message},
                         {"instances", instances}});
    }
    return found;
}

std::string inspect_json(const LoadedFont &loaded, const std::vector<Finding> &findings) {
    const Fontx2Font *f = &loaded.font;
    const Fontx2Layout *l = loaded.layout.get();
    return json_line({
        {"file", loaded.path},
        {"size", loaded.bytes.size()},
        {"signature", escaped_name(f->data, FONTX2_SIGNATURE_BYTES)},
        {"name", escaped_name(f->name, FONTX2_NAME_BYTES)},
        {"width", f->glyph_width},
        {"height", f->glyph_height},
        {"bytes_per_glyph", f->glyph_bytes},
        {"code_type", f->double_byte ? "double" : "single"},
        {"declared_blocks", f->declared_blocks},
        {"blocks", json_blocks(f)},
        {"glyphs_announced", f->glyphs_announced},
        {"glyphs_present", f->glyphs_present},
        {"expected_size", f->expected_size},
        {"order", order_name(l->order)},
        {"jis_cells", l->jis_cells},
        {"codes", f->double_byte ? l->codes : (uint32_t)FONTX2_SINGLE_CODES},
        {"sjis_codes", fontx2_layout_sjis_codes(l)},
        {"findings", json_findings(findings)},
    });
}

std::string inspect_json_error(const std::string &path, const std::string &error) {
    return json_line({{"file", path}, {"error", error}});
}
