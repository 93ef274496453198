// Reading make's source: a font FreeType opens (BDF, PCF, TrueType/OpenType)
// or a FONTX2 font, its characters mapped to the output's codes and its
// bitmaps placed in cells.
#include "fontx2sheet/make.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/fontx2sheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BDF_H
#include FT_BITMAP_H

#include <algorithm>
#include <ctype.h>
#include <memory>
#include <stdio.h>
#include <string.h>

namespace {

// What a source's keys (character-map codes) are.
enum Keys {
    KEYS_UNICODE, // scalars (TrueType, ISO10646, a FONTX2 font in its own code order)
    KEYS_JIS,     // JIS X 0208 row and cell bytes
    KEYS_SJIS,    // Shift-JIS codes of a FONTX2 font on the JIS grid
    KEYS_CP932,   // single bytes of a single-byte FONTX2 font
    KEYS_EUC94,   // row and cell bytes of a 94 x 94 set whose EUC form adds 0x8080
    KEYS_RAW,     // another charset's codes
};

struct SourceChar {
    uint32_t key;
    uint32_t glyph; // FreeType glyph index (never 0), or the FONTX2 code
};

struct Source {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    LoadedFont fontx2;
    bool is_fontx2 = false;
    Keys keys = KEYS_RAW;
    std::string charset; // BDF registry-encoding, e.g. "JISX0208.1990-0"
    std::string euc;     // with KEYS_EUC94: the EUC code set, e.g. "EUC-KR"
    std::vector<SourceChar> chars;
    int64_t ascent = 0, descent = 0;
    std::string family;
    uint64_t unencoded = 0; // glyphs no code reaches
    uint64_t past_end = 0;  // a FONTX2 source's codes whose glyphs the file cuts off
    ~Source() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

struct Entry {
    uint32_t code;
    uint32_t character; // Unicode, or the source's key where its charset is unknown
    uint32_t glyph;
};

struct Rendered {
    int64_t left = 0, top = 0, advance = 0;
    uint32_t width = 0, rows = 0, row_bytes = 0;
    std::vector<uint8_t> bits; // rows of row_bytes, high bit first
};

// FreeType's message for each error code, from its own list.
// clang-format off
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {e, s},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST {0, nullptr}};
const struct {
    int code;
    const char *message;
} FREETYPE_MESSAGES[] =
#include FT_ERRORS_H
    // clang-format on

    // FreeType's words for its error: its own string where the build keeps them
    // (Debian's does not), else the message its error list gives the code.
    std::string freetype_error(FT_Error error) {
    if (const char *text = FT_Error_String(error)) return text;
    for (const auto &m : FREETYPE_MESSAGES)
        if (m.message && m.code == error) return m.message;
    return "error " + std::to_string(error);
}

std::string sizes_text(const FT_Face face) {
    std::string text;
    for (int i = 0; i < face->num_fixed_sizes; ++i)
        text += (i ? ", " : "") + std::to_string(face->available_sizes[i].height);
    return text;
}

// The strike --size names (by height or by pixels per em), or outlines at it.
int choose_size(const MakeArgs &o, Source *s) {
    FT_Face face = s->face;
    int chosen = -1;
    for (int i = 0; i < face->num_fixed_sizes && o.size; ++i)
        if ((uint32_t)face->available_sizes[i].height == o.size ||
            (uint32_t)((face->available_sizes[i].y_ppem + 32) >> 6) == o.size)
            chosen = i;
    if (!o.size && face->num_fixed_sizes == 1) chosen = 0;
    if ((chosen >= 0 && FT_Select_Size(face, chosen)) ||
        (chosen < 0 && o.size && FT_IS_SCALABLE(face) && FT_Set_Pixel_Sizes(face, 0, o.size))) {
        report(o.source, "its glyphs cannot be had at that size");
        return EXIT_NOT_A_FONT;
    }
    if (chosen >= 0 || (o.size && FT_IS_SCALABLE(face))) return EXIT_FINE;
    if (face->num_fixed_sizes == 0) {
        report(o.source, "has outlines only: give --size PX (pixels per em)");
        return EXIT_USAGE;
    }
    report(o.source, std::string(o.size ? "has no strike of that size" : "has several strikes") +
                         ": choose one with --size (heights " + sizes_text(face) + ")");
    return EXIT_USAGE;
}

// The character map and what its codes are: BDF/PCF by their charset, any
// other font by its Unicode map.
void read_charset(Source *s) {
    const char *encoding = nullptr, *registry = nullptr;
    bool bdf = FT_Get_BDF_Charset_ID(s->face, &encoding, &registry) == 0 && registry;
    if (bdf) {
        std::string reg = registry;
        for (char &c : reg) c = (char)toupper((unsigned char)c);
        s->charset = std::string(registry) + (encoding ? std::string("-") + encoding : "");
        s->keys = reg.compare(0, 8, "JISX0208") == 0   ? KEYS_JIS
                  : reg.compare(0, 8, "ISO10646") == 0 ? KEYS_UNICODE
                                                       : KEYS_RAW;
        // KS C 5601 (KS X 1001) and GB 2312 are kept as row and cell bytes;
        // their EUC forms are the code sets iconv knows.
        if (reg.compare(0, 7, "KSC5601") == 0 || reg.compare(0, 7, "KSX1001") == 0)
            s->euc = "EUC-KR";
        else if (reg.compare(0, 6, "GB2312") == 0)
            s->euc = "GB2312";
        if (!s->euc.empty()) s->keys = KEYS_EUC94;
    } else if (FT_Select_Charmap(s->face, FT_ENCODING_UNICODE) == 0) {
        s->keys = KEYS_UNICODE;
    }
    // A BDF font of another charset gets a map FreeType does not select itself.
    if (!s->face->charmap && s->face->num_charmaps > 0)
        FT_Set_Charmap(s->face, s->face->charmaps[0]);
}

void read_metrics(Source *s) {
    BDF_PropertyRec ascent, descent;
    if (FT_Get_BDF_Property(s->face, "FONT_ASCENT", &ascent) == 0 &&
        FT_Get_BDF_Property(s->face, "FONT_DESCENT", &descent) == 0 &&
        ascent.type != BDF_PROPERTY_TYPE_ATOM && descent.type != BDF_PROPERTY_TYPE_ATOM) {
        s->ascent = ascent.type == BDF_PROPERTY_TYPE_INTEGER ? ascent.u.integer : ascent.u.cardinal;
        s->descent =
            descent.type == BDF_PROPERTY_TYPE_INTEGER ? descent.u.integer : descent.u.cardinal;
        return;
    }
    const FT_Size_Metrics &m = s->face->size->metrics;
    s->ascent = (m.ascender + 63) >> 6;
    s->descent = (-m.descender + 63) >> 6;
}

int open_freetype(const MakeArgs &o, Source *s) {
    FT_Error error = FT_Init_FreeType(&s->library);
    if (!error) error = FT_New_Face(s->library, o.source.c_str(), 0, &s->face);
    if (error) {
        report(o.source, "is neither a FONTX2 font nor a font FreeType reads (" +
                             freetype_error(error) + ")");
        return EXIT_NOT_A_FONT;
    }
    int status = choose_size(o, s);
    if (status != EXIT_FINE) return status;
    read_charset(s);
    read_metrics(s);
    if (s->face->family_name) s->family = s->face->family_name;
    // Every encoded glyph is a character, the one X11 shows for characters a
    // font lacks (DEFAULT_CHAR) included; glyphs without an encoding are counted.
    FT_UInt glyph = 0;
    std::vector<uint32_t> reached;
    if (s->face->charmap)
        for (FT_ULong c = FT_Get_First_Char(s->face, &glyph); glyph;
             c = FT_Get_Next_Char(s->face, c, &glyph)) {
            s->chars.push_back({(uint32_t)c, glyph});
            reached.push_back(glyph);
        }
    std::sort(reached.begin(), reached.end());
    int64_t distinct = std::unique(reached.begin(), reached.end()) - reached.begin();
    // Glyph 0 is FreeType's own fallback (for BDF and PCF) or .notdef: no character.
    s->unencoded = (uint64_t)std::max<int64_t>(0, (int64_t)s->face->num_glyphs - 1 - distinct);
    return EXIT_FINE;
}

// Every code a FONTX2 font holds with its glyph present, the first block's where
// blocks overlap.
int open_fontx2(const MakeArgs &o, Source *s) {
    s->is_fontx2 = true;
    if (int status = load_font_or_report(o.source, &s->fontx2)) return status;
    const Fontx2Font *f = &s->fontx2.font;
    s->keys = !f->double_byte                                ? KEYS_CP932
              : s->fontx2.layout->order == FONTX2_ORDER_CODE ? KEYS_UNICODE
                                                             : KEYS_SJIS;
    s->ascent = f->glyph_height;
    s->family.assign((const char *)f->name, FONTX2_NAME_BYTES);
    std::vector<uint32_t> glyph(FONTX2_CODES);
    const uint32_t end = fontx2_map_codes(f, glyph.data(), nullptr);
    for (uint32_t code = 0; code < end; ++code) {
        Fontx2Glyph g;
        if (glyph[code] == FONTX2_NO_GLYPH) continue;
        fontx2_place_glyph(f, f->glyph_offset, glyph[code], &g);
        if (g.bitmap && !(s->keys == KEYS_UNICODE && code >= 0xD800 && code < 0xE000))
            s->chars.push_back({code, code});
        else if (!g.bitmap)
            ++s->past_end; // a cut file: its table holds the code, the file lacks the glyph
    }
    return EXIT_FINE;
}

// ---- from the source's keys to the output's codes --------------------------------

struct Mapper {
    const Source &s;
    Transcoder cp932{"CP932"};
    std::unique_ptr<Transcoder> raw; // the charset of KEYS_RAW, when iconv knows it
    std::unique_ptr<Transcoder> euc; // the EUC code set of KEYS_EUC94
    explicit Mapper(const Source &source) : s(source) {
        if (s.keys == KEYS_EUC94) euc.reset(new Transcoder(s.euc));
        // JIS X 0201 (yen sign and overline at 0x5C and 0x7E) is Shift_JIS's
        // single bytes; iconv knows the other X11 charsets by their names.
        bool jisx0201 = s.charset.compare(0, 8, "JISX0201") == 0;
        if (s.keys == KEYS_RAW && !s.charset.empty())
            raw.reset(new Transcoder(jisx0201 ? "SHIFT_JIS" : s.charset));
    }
    bool jis_ok(uint32_t key) const {
        uint32_t row = key >> 8, cell = key & 0xFF;
        return key <= 0xFFFF && row >= 0x21 && row <= 0x7E && cell >= 0x21 && cell <= 0x7E;
    }
    // The Unicode character of a key; false when it has none known.
    bool character(uint32_t key, uint32_t *c) {
        switch (s.keys) {
        case KEYS_UNICODE:
            *c = key;
            return true;
        case KEYS_JIS:
            return jis_ok(key) && cp932.decode(fontx2_jis_to_sjis((uint16_t)key), c);
        case KEYS_SJIS:
        case KEYS_CP932:
            return cp932.decode(key, c);
        case KEYS_EUC94:
            return jis_ok(key) && euc->decode(key + 0x8080, c);
        default:
            return raw && raw->ok() && raw->decode(key, c);
        }
    }
};

bool in_code_set(CodeSet codes, uint32_t code) {
    return codes == CodeSet::SINGLE   ? code < FONTX2_SINGLE_CODES
           : codes == CodeSet::SJIS   ? fontx2_sjis_is_double_byte(code)
           : codes == CodeSet::DOUBLE ? code > 0xFF && code <= 0xFFFF
                                      : code < 0x10000 && !(code >= 0xD800 && code < 0xE000);
}

bool same_name(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return toupper((unsigned char)x) == toupper((unsigned char)y);
           });
}

// The keys are already the output's codes (JIS through the JIS to Shift-JIS
// rule, a 94 x 94 set through its EUC form).
bool native_codes(const Source &s, const std::string &encoding, CodeSet codes) {
    Keys keys = s.keys;
    if (keys == KEYS_EUC94) return codes == CodeSet::DOUBLE && same_name(encoding, s.euc);
    if (!encoding.empty()) return false;
    return (codes == CodeSet::SJIS && (keys == KEYS_JIS || keys == KEYS_SJIS)) ||
           (codes == CodeSet::SINGLE && (keys == KEYS_CP932 || keys == KEYS_RAW)) ||
           (codes == CodeSet::UNICODE && keys == KEYS_UNICODE);
}

void map_native(Mapper &m, CodeSet codes, std::vector<Entry> *out) {
    for (const SourceChar &sc : m.s.chars) {
        bool grid = m.s.keys == KEYS_JIS || m.s.keys == KEYS_EUC94;
        if (grid && !m.jis_ok(sc.key)) continue;
        uint32_t code = m.s.keys == KEYS_JIS     ? fontx2_jis_to_sjis((uint16_t)sc.key)
                        : m.s.keys == KEYS_EUC94 ? sc.key + 0x8080
                                                 : sc.key;
        uint32_t c = sc.key;
        if (!m.character(sc.key, &c)) c = sc.key;
        if (in_code_set(codes, code)) out->push_back({code, c, sc.glyph});
    }
}

// Each code gets the glyph of the character the code set decodes it to; if the
// source lacks it, the lowest character the code set encodes to the code.
void map_by_code_set(Transcoder &set, CodeSet codes,
                     const std::vector<std::pair<uint32_t, uint32_t>> &chars,
                     std::vector<Entry> *out) {
    std::vector<int32_t> lowest(0x10000, -1);
    for (size_t i = 0; i < chars.size(); ++i) {
        uint32_t code;
        if (set.encode(chars[i].first, &code) && in_code_set(codes, code) && lowest[code] < 0)
            lowest[code] = (int32_t)i;
    }
    for (uint32_t code = 0; code < (codes == CodeSet::SINGLE ? 0x100u : 0x10000u); ++code) {
        if (!in_code_set(codes, code)) continue;
        uint32_t c;
        int32_t pick = lowest[code];
        if (set.decode(code, &c)) {
            auto it = std::lower_bound(chars.begin(), chars.end(), std::make_pair(c, 0u));
            if (it != chars.end() && it->first == c) pick = (int32_t)(it - chars.begin());
        }
        if (pick >= 0) out->push_back({code, chars[pick].first, chars[pick].second});
    }
}

int map_through_unicode(const MakeArgs &o, const std::string &encoding, Mapper &m, CodeSet codes,
                        std::vector<Entry> *out) {
    std::vector<std::pair<uint32_t, uint32_t>> chars; // character, glyph
    for (const SourceChar &sc : m.s.chars) {
        uint32_t c;
        if (m.character(sc.key, &c)) chars.push_back({c, sc.glyph});
    }
    if (chars.empty() && !m.s.chars.empty()) {
        report(o.source, "the characters of its charset " + m.s.charset +
                             " are not known: only --codes single writes its codes as they are");
        return EXIT_USAGE;
    }
    std::stable_sort(chars.begin(), chars.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    if (codes == CodeSet::SJIS || !encoding.empty()) {
        Transcoder set(codes == CodeSet::SJIS ? "CP932" : encoding);
        map_by_code_set(set, codes, chars, out);
        return EXIT_FINE;
    }
    for (const auto &c : chars) // Unicode, or Latin-1 for single bytes
        if (in_code_set(codes, c.first)) out->push_back({c.first, c.first, c.second});
    return EXIT_FINE;
}

int choose_codes(const MakeArgs &o, const Source &s, CodeSet *codes) {
    *codes = o.codes_given ? o.codes : CodeSet::SINGLE;
    if (o.codes_given || !o.encoding.empty()) return EXIT_FINE;
    bool small = std::all_of(s.chars.begin(), s.chars.end(),
                             [](const SourceChar &c) { return c.key < FONTX2_SINGLE_CODES; });
    static const CodeSet by_keys[] = {CodeSet::UNICODE, CodeSet::SJIS, CodeSet::SJIS,
                                      CodeSet::SINGLE, CodeSet::DOUBLE};
    if (s.keys != KEYS_RAW) *codes = by_keys[s.keys];
    if (s.keys != KEYS_RAW || small) return EXIT_FINE;
    report(o.source, "its charset " +
                         (s.charset.empty() ? std::string("is not known") : s.charset) +
                         " has codes above 0xFF: give --codes single, sjis or unicode");
    return EXIT_USAGE;
}

int map_codes(const MakeArgs &o, const Source &s, const std::string &encoding, CodeSet codes,
              std::vector<Entry> *out) {
    Mapper m(s);
    if (native_codes(s, encoding, codes))
        map_native(m, codes, out);
    else if (int status = map_through_unicode(o, encoding, m, codes, out))
        return status;
    // A source's keys in ascending order can still give codes out of order.
    std::stable_sort(out->begin(), out->end(),
                     [](const Entry &a, const Entry &b) { return a.code < b.code; });
    out->erase(std::unique(out->begin(), out->end(),
                           [](const Entry &a, const Entry &b) { return a.code == b.code; }),
               out->end());
    return EXIT_FINE;
}

// Control characters (Unicode Cc) have no glyph a display draws; their
// glyphs, often boxes as wide as ideographs, would set the cell.
void leave_out_controls(std::vector<Entry> *entries) {
    entries->erase(std::remove_if(entries->begin(), entries->end(),
                                  [](const Entry &e) {
                                      return e.character < 0x20 ||
                                             (e.character >= 0x7F && e.character <= 0x9F);
                                  }),
                   entries->end());
}

// When fewer than half of the source's characters get a code, which code set
// holds more of them.
void note_fit(const Source &s, CodeSet codes, size_t kept, MadeGlyphs *made) {
    if (2 * kept >= s.chars.size()) return;
    Mapper m(s);
    std::vector<uint32_t> chars;
    size_t bmp = 0;
    for (const SourceChar &sc : s.chars) {
        uint32_t c;
        if (!m.character(sc.key, &c)) continue;
        chars.push_back(c);
        bmp += in_code_set(CodeSet::UNICODE, c);
    }
    static const char *const SETS[][2] = {{"CP932", "--codes sjis"},
                                          {"EUC-KR", "--codes double --encoding EUC-KR"},
                                          {"GBK", "--codes double --encoding GBK"},
                                          {"BIG5", "--codes double --encoding BIG5"}};
    size_t best = 0, most = 0;
    for (size_t i = 0; i < 4; ++i) {
        Transcoder set(SETS[i][0]);
        size_t held = 0;
        for (uint32_t c : chars) held += set.length(c) == 2;
        if (held > most) best = i, most = held;
    }
    made->notes.push_back("only " + count_text(kept) + " of the source's " +
                          count_text(s.chars.size()) + " characters get a " + code_set_name(codes) +
                          " code: " + SETS[best][1] + " gives " + count_text(most) +
                          " of them codes, --codes unicode " + count_text(bmp));
}

// What a device shows differently from this program's reader.
void note_codes(const std::vector<Entry> &entries, MadeGlyphs *made) {
    bool single = made->codes == CodeSet::SINGLE, yen = false;
    uint64_t below = 0;
    for (const Entry &e : entries) {
        below += !single && e.code < 0x100;
        yen |= single && ((e.code == 0x5C && e.character == 0xA5) ||
                          (e.code == 0x7E && e.character == 0x203E));
    }
    if (below)
        made->notes.push_back(
            count_text(below) + (below == 1 ? " code" : " codes") +
            " below 0x100 in a double-byte font: display drivers' file readers never look them "
            "up (memory readers do), so put them in a single-byte font beside it");
    if (yen)
        made->notes.push_back("0x5C is \u00A5 and 0x7E is \u203E (JIS X 0201, as CP932 fonts "
                              "draw them); --encoding ISO-8859-1 from a source that has them gives "
                              "backslash and tilde");
}

} // namespace

namespace {

// 1-bit rows of a FreeType bitmap, any pixel mode (grey: at least half ink).
bool packed_bits(FT_Library library, const FT_Bitmap &bitmap, Rendered *r) {
    r->width = bitmap.width;
    r->rows = bitmap.rows;
    r->row_bytes = (bitmap.width + 7) / 8;
    r->bits.assign((size_t)r->row_bytes * r->rows, 0);
    FT_Bitmap grey;
    FT_Bitmap_Init(&grey);
    const FT_Bitmap *from = &bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        if (FT_Bitmap_Convert(library, &bitmap, &grey, 1)) return false;
        from = &grey;
    }
    uint32_t levels = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY ? bitmap.num_grays : grey.num_grays;
    for (uint32_t y = 0; y < r->rows; ++y) {
        int64_t pitch = from->pitch;
        const uint8_t *row = from->buffer + (pitch >= 0 ? y * pitch : (r->rows - 1 - y) * -pitch);
        uint8_t *out = &r->bits[(size_t)y * r->row_bytes];
        for (uint32_t x = 0; x < r->width; ++x) {
            bool ink = from == &bitmap ? row[x >> 3] >> (7 - (x & 7)) & 1
                                       : (uint32_t)row[x] * 2 >= (levels ? levels : 2);
            if (ink) out[x >> 3] |= (uint8_t)(0x80 >> (x & 7));
        }
    }
    FT_Bitmap_Done(library, &grey);
    return true;
}

bool render_glyph(Source &s, uint32_t glyph, Rendered *r) {
    if (s.is_fontx2) {
        const Fontx2Font *f = &s.fontx2.font;
        Fontx2Glyph g;
        fontx2_lookup(f, glyph, &g);
        r->width = f->glyph_width;
        r->rows = f->glyph_height;
        r->row_bytes = f->glyph_row_bytes;
        r->top = r->rows;
        r->advance = r->width;
        r->bits.assign(g.bitmap, g.bitmap + f->glyph_bytes);
        return true;
    }
    FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_MONOCHROME | FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(s.face, glyph, flags)) return false;
    FT_GlyphSlot slot = s.face->glyph;
    r->left = slot->bitmap_left;
    r->top = slot->bitmap_top;
    r->advance = (slot->advance.x + 32) >> 6;
    return packed_bits(s.library, slot->bitmap, r);
}

// Bitmap pixel (x, y) goes to column left + x, row ascent - top + y; pixels
// outside the cell are cut and counted.
uint64_t place(const Rendered &r, int64_t ascent, uint32_t width, uint32_t height, uint8_t *cell) {
    uint64_t cut = 0;
    uint32_t row_bytes = (width + 7) / 8;
    for (uint32_t y = 0; y < r.rows; ++y)
        for (uint32_t x = 0; x < r.width; ++x) {
            if (!(r.bits[(size_t)y * r.row_bytes + (x >> 3)] >> (7 - (x & 7)) & 1)) continue;
            int64_t cx = r.left + x, cy = ascent - r.top + y;
            if (cx < 0 || cy < 0 || cx >= width || cy >= height) {
                ++cut;
                continue;
            }
            cell[(size_t)cy * row_bytes + (size_t)(cx >> 3)] |= (uint8_t)(0x80 >> (cx & 7));
        }
    return cut;
}

void font_name(const MakeArgs &o, const std::string &family, char name[8]) {
    std::string text = o.name_given ? o.name : "";
    for (size_t i = 0; !o.name_given && i < family.size() && text.size() < 8; ++i)
        if (family[i] >= 0x20 && family[i] < 0x7F) text += family[i];
    memset(name, ' ', FONTX2_NAME_BYTES);
    memcpy(name, text.data(), std::min(text.size(), (size_t)FONTX2_NAME_BYTES));
}

// The cell: --width/--height, else the largest advance and ascent + descent.
int cell_size(const MakeArgs &o, const Source &s, const std::vector<Rendered> &rendered,
              uint32_t *width, uint32_t *height) {
    int64_t w = 0, h = s.ascent + s.descent;
    for (const Rendered &r : rendered) w = std::max(w, r.advance);
    if (o.width) w = o.width;
    if (o.height) h = o.height;
    if (w < 1 || w > 255 || h < 1 || h > 255) {
        report(o.source, "its cell would be " + std::to_string(w) + " x " + std::to_string(h) +
                             " pixels; FONTX2 cells are 1 to 255 a side: give --width and "
                             "--height");
        return EXIT_USAGE;
    }
    *width = (uint32_t)w;
    *height = (uint32_t)h;
    return EXIT_FINE;
}

int keep_chars(const MakeArgs &o, std::vector<Entry> *entries) {
    if (o.chars.empty()) return EXIT_FINE;
    std::vector<bool> keep;
    std::string why;
    if (!parse_char_ranges(o.chars, &keep, &why)) {
        report("--chars", why);
        return EXIT_USAGE;
    }
    for (const std::string &file : char_files(o.chars))
        if (int status = read_char_file(file, &keep, &why)) {
            report(file, why);
            return status;
        }
    entries->erase(std::remove_if(entries->begin(), entries->end(),
                                  [&](const Entry &e) {
                                      return e.character >= keep.size() || !keep[e.character];
                                  }),
                   entries->end());
    return EXIT_FINE;
}

// A few glyphs (under 1% of those kept) wider than all the rest would set the
// cell: they are named, with the width that fits the rest.
void note_wide(const std::vector<Entry> &entries, const std::vector<uint32_t> &order,
               const std::vector<Rendered> &rendered, MadeGlyphs *made) {
    std::vector<int64_t> advance;
    for (const Entry &e : entries)
        advance.push_back(rendered[(size_t)(std::lower_bound(order.begin(), order.end(), e.glyph) -
                                            order.begin())]
                              .advance);
    std::vector<int64_t> sorted = advance;
    std::sort(sorted.begin(), sorted.end());
    size_t n = sorted.size(), few = (n - 1) / 100; // fewer than 1%: 100 x few < n
    int64_t rest = sorted[n - 1 - few];
    if (rest >= sorted.back() || rest < 1) return;
    std::string names;
    size_t wide = 0;
    for (size_t i = 0; i < n; ++i)
        if (advance[i] > rest && ++wide <= 8) {
            char name[16];
            snprintf(name, sizeof name, "U+%04X", entries[i].character);
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
    made->notes.push_back(count_text(wide) + (wide == 1 ? " glyph (" : " glyphs (") + names +
                          (wide > 8 ? ", ..." : "") + ") set the cell " +
                          std::to_string(sorted.back()) + " wide; --width " + std::to_string(rest) +
                          " fits the other " + count_text(n - wide));
}

int fill_glyphs(const MakeArgs &o, Source &s, const std::vector<Entry> &entries, MadeGlyphs *made) {
    // Each glyph once, in the source's order: a compressed source is read
    // forward only, and seeking back decompresses it again from the start.
    std::vector<uint32_t> order;
    for (const Entry &e : entries) order.push_back(e.glyph);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    std::vector<Rendered> rendered(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        if (!render_glyph(s, order[i], &rendered[i])) {
            report(o.source, "glyph " + std::to_string(order[i]) + " cannot be rendered");
            return EXIT_NOT_A_FONT;
        }
    Fontx2Glyphs &g = made->glyphs;
    if (!o.width) note_wide(entries, order, rendered, made);
    uint32_t width = 0, height = 0;
    if (int status = cell_size(o, s, rendered, &width, &height)) return status;
    g.width = (uint8_t)width;
    g.height = (uint8_t)height;
    g.double_byte = made->codes != CodeSet::SINGLE;
    font_name(o, s.family, g.name);
    uint64_t glyph_bytes = fontx2_glyph_bytes(width, height);
    g.bitmaps.assign((size_t)(glyph_bytes * entries.size()), 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        g.codes.push_back(entries[i].code);
        size_t at = (size_t)(std::lower_bound(order.begin(), order.end(), entries[i].glyph) -
                             order.begin());
        made->pixels_cut +=
            place(rendered[at], s.ascent, width, height, &g.bitmaps[(size_t)(i * glyph_bytes)]);
    }
    return EXIT_FINE;
}

// The code set --codes double uses: --encoding, else a 94 x 94 source's EUC form.
int double_encoding(const MakeArgs &o, const Source &s, CodeSet codes, std::string *encoding) {
    *encoding = o.encoding.empty() && codes == CodeSet::DOUBLE ? s.euc : o.encoding;
    if (!o.encoding.empty() && codes != CodeSet::SINGLE && codes != CodeSet::DOUBLE) {
        report("--encoding", "is only for --codes single or double");
        return EXIT_USAGE;
    }
    if (codes == CodeSet::DOUBLE && encoding->empty()) {
        report("--codes double", "needs --encoding NAME, its two-byte code set (for example "
                                 "EUC-KR, CP949, GBK or BIG5)");
        return EXIT_USAGE;
    }
    return EXIT_FINE;
}

} // namespace

int make_glyphs(const MakeArgs &o, MadeGlyphs *made) {
    Source s;
    std::string error;
    bool fontx2 = begins_fontx2(o.source, &error);
    if (!error.empty()) {
        report(o.source, error);
        return EXIT_NOT_A_FONT;
    }
    int status = fontx2 ? open_fontx2(o, &s) : open_freetype(o, &s);
    if (status == EXIT_FINE) status = choose_codes(o, s, &made->codes);
    if (status == EXIT_FINE) status = double_encoding(o, s, made->codes, &made->encoding);
    std::vector<Entry> entries;
    if (status == EXIT_FINE) status = map_codes(o, s, made->encoding, made->codes, &entries);
    if (status == EXIT_FINE && o.chars.empty()) {
        leave_out_controls(&entries);
        note_fit(s, made->codes, entries.size(), made);
    }
    if (status == EXIT_FINE) status = keep_chars(o, &entries);
    if (status == EXIT_FINE && !entries.empty()) status = fill_glyphs(o, s, entries, made);
    if (status == EXIT_FINE) note_codes(entries, made);
    made->unencoded = s.unencoded;
    made->past_end = s.past_end;
    return status;
}
