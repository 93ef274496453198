// fontx2sheet's own reading of a font beyond the library: the findings, the
// inspect reports and lookups, on any bytes. Input: the font.
#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/inspect.h"
#include "fontx2sheet/lookup.h"
#include "fontx2sheet/fontx2sheet.h"

#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    LoadedFont loaded;
    loaded.path = "fuzz";
    loaded.bytes.assign(data, data + size);
    if (!parse_font(&loaded)) return 0;
    std::vector<Finding> findings = find_findings(&loaded.font, loaded.layout.get());
    inspect_text(loaded, findings, true);
    // One object on one line, whatever the font's name and table hold.
    std::string json = inspect_json(loaded, findings);
    if (json.find('\n') != json.size() - 1) abort();
    // Codes from the font's last bytes, and a character through each route.
    bool found = false;
    for (size_t i = 0; i + 1 < size && i < 8; i += 2) {
        LookupCode code = {(uint32_t)(data[size - 1 - i] << 8 | data[size - 2 - i]), false, 0,
                           false, std::string()};
        lookup_text(loaded, code, &found);
    }
    for (const LookupCode &c : character_codes(loaded, 0x65E5)) lookup_text(loaded, c, &found);
    for (const LookupCode &c : character_codes(loaded, 0xE9, "ISO-8859-1"))
        lookup_text(loaded, c, &found);
    return 0;
}
