// JSON through nlohmann's library, escaped as the commands always wrote it.
#include "fontx2sheet/json_line.h"

std::string json_line(const Json &value) {
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    // The library leaves DEL raw; a terminal shows it as nothing at all.
    std::string out;
    out.reserve(text.size() + 1);
    for (char c : text)
        if (c == 0x7F)
            out += "\\u007f";
        else
            out += c;
    return out + "\n";
}
