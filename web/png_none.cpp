// The page makes PNG files in the browser, from the pixels on its canvases,
// so this module carries no PNG encoder: text.cpp names one for its PNG
// output, which the page never asks for (it takes --ascii rows).
#include "fontx2sheet/png.h"

bool png_encode(const Picture &, uint32_t, uint32_t, std::vector<uint8_t> *png,
                std::string *error) {
    png->clear();
    if (error) *error = "the page saves pictures from its canvases";
    return false;
}
