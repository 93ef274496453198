// PNG encoding through libspng: 1- or 2-bit indexed with the palette given,
// or 24-bit RGB.
#include "fontx2sheet/png.h"

#include <spng.h>
#include <stdlib.h>
#include <string.h>

static void set_colour(spng_plte_entry *entry, uint32_t rgb) {
    entry->red = (uint8_t)(rgb >> 16);
    entry->green = (uint8_t)(rgb >> 8);
    entry->blue = (uint8_t)rgb;
    entry->alpha = 255;
}

static int encode(spng_ctx *ctx, const Picture &picture, const uint32_t *palette,
                  uint32_t colours) {
    const bool indexed = picture.bits <= 8;
    spng_ihdr ihdr = {};
    ihdr.width = picture.width;
    ihdr.height = picture.height;
    ihdr.bit_depth = (uint8_t)(indexed ? picture.bits : 8);
    ihdr.color_type = indexed ? SPNG_COLOR_TYPE_INDEXED : SPNG_COLOR_TYPE_TRUECOLOR;
    int rc = spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    if (!rc) rc = spng_set_ihdr(ctx, &ihdr);
    if (!rc && indexed) {
        spng_plte plte = {};
        plte.n_entries = colours;
        for (uint32_t i = 0; i < colours; ++i) set_colour(&plte.entries[i], palette[i]);
        rc = spng_set_plte(ctx, &plte);
    }
    if (!rc)
        rc = spng_encode_image(ctx, picture.rows.data(), picture.rows.size(), SPNG_FMT_PNG,
                               SPNG_ENCODE_FINALIZE);
    return rc;
}

bool png_encode(const Picture &picture, uint32_t paper, uint32_t ink, std::vector<uint8_t> *png,
                std::string *error) {
    const uint32_t palette[2] = {paper, ink};
    return png_encode_palette(picture, palette, 2, png, error);
}

bool png_encode_palette(const Picture &picture, const uint32_t *palette, uint32_t colours,
                        std::vector<uint8_t> *png, std::string *error) {
    png->clear();
    spng_ctx *ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (!ctx) {
        if (error) *error = "the PNG could not be encoded: not enough memory";
        return false;
    }
    int rc = encode(ctx, picture, palette, colours);
    size_t size = 0;
    void *bytes = rc == 0 ? spng_get_png_buffer(ctx, &size, &rc) : nullptr;
    spng_ctx_free(ctx);
    if (!bytes) {
        // libspng's own words: which limit or field the picture broke.
        if (error) *error = std::string("the PNG could not be encoded: ") + spng_strerror(rc);
        return false;
    }
    png->assign((const uint8_t *)bytes, (const uint8_t *)bytes + size);
    free(bytes);
    return true;
}
