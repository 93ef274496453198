// The font library's analysis on any bytes, and inspect's words for it: the
// findings keep their promises (one per kind, in order, counts that match
// their instances), and the reports stay one object a line. Input: the font.
#include "fontx2/fontx2_analysis.h"
#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/inspect.h"
#include "fontx2sheet/lookup.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fuzz/fuzz_support.h"

static void check_analysis(const Fontx2Font *font, const Fontx2Analysis &a) {
    for (size_t i = 0; i < a.findings.size(); ++i) {
        const Fontx2Finding &f = a.findings[i];
        FUZZ_CHECK(i == 0 || a.findings[i - 1].kind < f.kind);
        FUZZ_CHECK(f.count > 0);
        if (fontx2_kinds[f.kind].listed) FUZZ_CHECK(f.count == f.instances.size());
        if (!fontx2_kinds[f.kind].listed) FUZZ_CHECK(f.instances.empty());
    }
    // Each run agrees with the lookup at its ends.
    for (size_t i = 0; i < a.runs.size() && i < 64; ++i) {
        const Fontx2Run &r = a.runs[i];
        Fontx2Glyph g;
        for (uint32_t code : {r.first_code, r.last_code}) {
            FUZZ_CHECK(fontx2_lookup(font, code, &g) || g.held);
            FUZZ_CHECK(g.block == r.holder);
            if (r.holder == r.block) FUZZ_CHECK(g.index == r.first_glyph + code - r.first_code);
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    LoadedFont loaded;
    loaded.path = "fuzz";
    loaded.bytes.assign(data, data + size);
    if (!parse_font(&loaded)) return 0;
    Fontx2Analysis analysis;
    fontx2_analyse(&loaded.font, &analysis);
    check_analysis(&loaded.font, analysis);
    std::vector<Finding> findings = word_findings(&loaded.font, loaded.layout.get(), analysis);
    FUZZ_CHECK(any_problem(findings) == fontx2_any_problem(analysis));
    // The block table's lines and the JSON only for short tables: their cost
    // grows with every entry, while what a line holds does not depend on how
    // many there are.
    const bool short_table = loaded.font.block_count <= 4;
    inspect_text(loaded, findings, short_table);
    if (short_table) {
        // One object on one line, whatever the font's name and table hold.
        std::string json = inspect_json(loaded, findings);
        FUZZ_CHECK(json.find('\n') == json.size() - 1);
    }
    // Codes from the font's last bytes.
    bool found = false;
    for (size_t i = 0; i + 1 < size && i < 8; i += 2) {
        LookupCode code = {(uint32_t)(data[size - 1 - i] << 8 | data[size - 2 - i]), false, 0,
                           false, std::string()};
        lookup_text(loaded, code, &found);
    }
    return 0;
}
