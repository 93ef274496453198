// Text as `fontx2sheet text` draws it, by the command itself: its picture
// comes as --ascii rows on standard output and its reports on standard error,
// both of which the page takes in.
#include "web/api.h"

#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/text_command.h"

#include <emscripten/emscripten.h>

#include <stdio.h>

namespace {

std::vector<std::string> folders; // handle - 1: where web_open found the font

} // namespace

void web_remember_folder(int handle, const std::string &folder) {
    if (handle < 1) return;
    if (folders.size() < (size_t)handle) folders.resize((size_t)handle);
    folders[(size_t)handle - 1] = folder;
}

extern "C" {

// Draws text with one or two open fonts (0: none), as `text --ascii` does with
// --width, --height, --wrap (0 char, 1 word, 2 none) and --line-gap; the
// command's exit status. A text beginning with '@' goes through a file, as the
// command would otherwise read it as one.
EMSCRIPTEN_KEEPALIVE int web_text(int first, int second, const char *text, uint32_t width,
                                  uint32_t height, int wrap, uint32_t line_gap) {
    TextArgs options;
    for (int handle : {first, second}) {
        LoadedFont *f = web_font(handle);
        if (f) options.fonts.push_back(folders[(size_t)handle - 1] + "/" + f->path);
    }
    options.text = text;
    if (options.text.compare(0, 1, "@") == 0) {
        FILE *file = fopen("/text.txt", "wb");
        bool ok = file && fwrite(text, 1, options.text.size(), file) == options.text.size();
        if (file && fclose(file) != 0) ok = false;
        if (!ok) return EXIT_NO_OUTPUT;
        options.text = "@/text.txt";
    }
    options.width = width;
    options.height = height;
    options.wrap = wrap == 1 ? TextWrap::WORD : wrap == 2 ? TextWrap::NONE : TextWrap::CHAR;
    options.line_gap = line_gap;
    options.ascii = true;
    int status = run_text(options);
    fflush(stdout);
    fflush(stderr);
    return status;
}

} // extern "C"
