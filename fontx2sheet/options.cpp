// Options more than one subcommand takes.
#include "fontx2sheet/options.h"

#include "fontx2sheet/code_set.h"

#include <errno.h>
#include <stdlib.h>
#include <vector>

CLI::Validator checked(bool (*ok)(const std::string &), const char *what) {
    return CLI::Validator(
        [ok, what](std::string &value) {
            return ok(value) ? std::string() : "'" + value + "' is not " + what;
        },
        "");
}

namespace {

bool parse_colour(std::string text, uint32_t *rgb) {
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    *rgb = (uint32_t)strtoul(text.c_str(), nullptr, 16);
    return true;
}

bool is_colour(const std::string &text) {
    uint32_t rgb;
    return parse_colour(text, &rgb);
}

bool is_scale(const std::string &text) {
    return decimal_within(text, 1, 16);
}

bool is_known_encoding(const std::string &text) {
    return code_set_known(text);
}

} // namespace

bool decimal_within(const std::string &text, uint64_t least, uint64_t most) {
    if (text.empty() || text.size() > 20 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    unsigned long long v = strtoull(text.c_str(), nullptr, 10);
    return errno == 0 && v >= least && v <= most;
}

CLI::Option *add_colour_option(CLI::App *app, const std::string &name, uint32_t *rgb,
                               const std::string &help) {
    return app
        ->add_option_function<std::string>(
            name, [rgb](const std::string &value) { parse_colour(value, rgb); }, help)
        ->type_name("RRGGBB")
        ->check(checked(is_colour, "a colour RRGGBB or #RRGGBB"));
}

CLI::Option *add_scale_option(CLI::App *app, uint32_t *scale) {
    return app->add_option("--scale", *scale, "Each pixel becomes N x N pixels, N from 1 to 16")
        ->type_name("N")
        ->check(checked(is_scale, "a scale from 1 to 16"));
}

CLI::Option *add_encoding_option(CLI::App *app, std::string *encoding, const std::string &help) {
    return app->add_option("--encoding", *encoding, help)
        ->type_name("NAME")
        ->check(checked(is_known_encoding, "a code set iconv knows"));
}

CLI::Validator utf8_text(bool files_allowed) {
    return CLI::Validator(
        [files_allowed](std::string &value) {
            std::vector<uint32_t> scalars;
            if ((files_allowed && value.compare(0, 1, "@") == 0) || utf8_decode(value, &scalars))
                return std::string();
            return std::string("the text is not UTF-8");
        },
        "");
}
