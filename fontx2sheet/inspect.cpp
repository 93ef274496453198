// The inspect report of one font: as text, and as one line of JSON.
#include "fontx2sheet/inspect.h"

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
    switch (order) {
    case FONTX2_ORDER_JIS:
        return "jis";
    case FONTX2_ORDER_CODE:
        return "code";
    default:
        return "single";
    }
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

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c < 0x20 || c == 0x7F) { // other bytes: the path's UTF-8
            char e[8];
            snprintf(e, sizeof e, "\\u%04x", c);
            out += e;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

static std::string json_pair(const char *key, const std::string &value) {
    return json_string(key) + ":" + value;
}

static std::string json_blocks(const Fontx2Font *font) {
    std::string out = "[";
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        if (b.index > 0) out += ",";
        // An entry past the end of the file holds nothing: null codes.
        out += "{" + json_pair("first", b.at_hand ? std::to_string(b.first_code) : "null") + "," +
               json_pair("last", b.at_hand ? std::to_string(b.last_code) : "null") + "," +
               json_pair("first_glyph", std::to_string(b.first_glyph)) + "}";
    }
    return out + "]";
}

// Every finding whole: a whole-file finding's one instance is its message.
static std::string json_findings(const std::vector<Finding> &findings) {
    std::string found = "[";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding &x = findings[i];
        std::string instances = "[";
        for (size_t k = 0; k < x.instances.size(); ++k)
            instances += (k ? "," : "") + json_string(x.instances[k]);
        if (x.instances.empty()) instances += json_string(x.message);
        found += std::string(i ? "," : "") + "{" + json_pair("kind", json_string(x.kind)) + "," +
                 json_pair("severity", json_string(severity_name(x))) + "," +
                 json_pair("count", std::to_string(x.count)) + "," +
                 json_pair("message", json_string(x.message)) + "," +
                 json_pair("instances", instances + "]") + "}";
    }
    return found + "]";
}

std::string inspect_json(const LoadedFont &loaded, const std::vector<Finding> &findings) {
    const Fontx2Font *f = &loaded.font;
    const Fontx2Layout *l = loaded.layout.get();
    auto n = [](uint64_t v) { return std::to_string(v); };
    std::string parts[] = {
        json_pair("file", json_string(loaded.path)),
        json_pair("size", n(loaded.bytes.size())),
        json_pair("signature", json_string(escaped_name(f->data, FONTX2_SIGNATURE_BYTES))),
        json_pair("name", json_string(escaped_name(f->name, FONTX2_NAME_BYTES))),
        json_pair("width", n(f->glyph_width)),
        json_pair("height", n(f->glyph_height)),
        json_pair("bytes_per_glyph", n(f->glyph_bytes)),
        json_pair("code_type", f->double_byte ? "\"double\"" : "\"single\""),
        json_pair("declared_blocks", n(f->declared_blocks)),
        json_pair("blocks", json_blocks(f)),
        json_pair("glyphs_announced", n(f->glyphs_announced)),
        json_pair("glyphs_present", n(f->glyphs_present)),
        json_pair("expected_size", n(f->expected_size)),
        json_pair("order", json_string(order_name(l->order))),
        json_pair("jis_cells", n(l->jis_cells)),
        json_pair("codes", n(f->double_byte ? l->codes : (uint32_t)FONTX2_SINGLE_CODES)),
        json_pair("sjis_codes", n(fontx2_layout_sjis_codes(l))),
        json_pair("findings", json_findings(findings)),
    };
    std::string out = "{";
    for (const std::string &p : parts) out += (out.size() > 1 ? "," : "") + p;
    return out + "}\n";
}

std::string inspect_json_error(const std::string &path, const std::string &error) {
    return "{" + json_pair("file", json_string(path)) + "," +
           json_pair("error", json_string(error)) + "}\n";
}
