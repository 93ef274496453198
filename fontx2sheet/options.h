// Options more than one subcommand takes, each checked while the command
// line is parsed, so a wrong value exits 64 before any file is opened.
#pragma once

#include <CLI/CLI.hpp>

#include <ctype.h>
#include <stdint.h>
#include <string>
#include <utility>
#include <vector>

// An option check from a plain predicate: CLI11 names the value and what it
// should have been.
CLI::Validator checked(bool (*ok)(const std::string &), const char *what);
// RRGGBB or #RRGGBB into *rgb (0xRRGGBB).
CLI::Option *add_colour_option(CLI::App *app, const std::string &name, uint32_t *rgb,
                               const std::string &help);
// --scale: each pixel becomes N x N pixels, N from 1 to 16.
CLI::Option *add_scale_option(CLI::App *app, uint32_t *scale);
// --encoding: a code set iconv converts both ways.
CLI::Option *add_encoding_option(CLI::App *app, std::string *encoding, const std::string &help);
// Text that is UTF-8; "@FILE" too where files allowed (read later).
CLI::Validator utf8_text(bool files_allowed);
// An unsigned decimal number within [least, most].
bool decimal_within(const std::string &text, uint64_t least, uint64_t most);

// One of a list of words, each standing for a value (an enum's), in any
// letter case: the value of the word given is stored.
template <typename T>
CLI::Option *add_choice_option(CLI::App *app, const std::string &name, T *value,
                               const std::vector<std::pair<std::string, T>> &choices,
                               const std::string &help) {
    std::vector<std::string> words;
    for (const auto &c : choices) words.push_back(c.first);
    return app
        ->add_option_function<std::string>(
            name,
            [value, choices](const std::string &word) {
                for (const auto &c : choices)
                    if (c.first == word) *value = c.second;
            },
            help)
        ->transform(CLI::Validator(
            [words](std::string &word) { // SJIS as sjis
                std::string lower = word;
                for (char &c : lower) c = (char)tolower((unsigned char)c);
                for (const std::string &w : words)
                    if (w == lower) {
                        word = w;
                        return std::string();
                    }
                std::string list;
                for (const std::string &w : words) list += (list.empty() ? "" : ", ") + w;
                return word + " is none of " + list;
            },
            "WORD"));
}
