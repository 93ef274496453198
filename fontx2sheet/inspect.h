// inspect's report of one font: as text, and as one line of JSON.
#pragma once

#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"

#include <stdint.h>
#include <string>
#include <vector>

// With blocks, the block table of a double-byte font too.
std::string inspect_text(const LoadedFont &loaded, const std::vector<Finding> &findings,
                         bool blocks);
std::string inspect_json(const LoadedFont &loaded, const std::vector<Finding> &findings);
std::string inspect_json_error(const std::string &path, const std::string &error);
// Printable ASCII as it is, other bytes as \xNN.
std::string escaped_name(const uint8_t *name, uint32_t size);
// Why the automatic order is what it is.
std::string order_reason(const Fontx2Font *font, const Fontx2Layout *layout);
const char *order_name(uint32_t order);
