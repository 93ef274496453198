// fontx2sheet render of the largest real font to PNG bytes, beside its limit:
// the PNG library alone encoding the same pixels from memory, same run.
#include "fontx2sheet/files.h"
#include "fontx2sheet/picture.h"
#include "fontx2sheet/png.h"
#include "fontx2sheet/render.h"
#include "fontx2sheet/fontx2sheet.h"
#include "tests/support/test_support.h"

#include <benchmark/benchmark.h>

namespace {

std::string largest_font() {
    std::string dir = test_fonts_dir();
    return dir.empty() ? "" : dir + "/ILGZ16XB.FNT";
}

bool render_png(const std::string &path, std::vector<uint8_t> *png) {
    LoadedFont loaded;
    if (load_font(path, &loaded) != EXIT_FINE) return false;
    RenderOptions options;
    options.max_pixels = DEFAULT_MAX_PIXELS;
    Picture picture;
    return render_picture(&loaded.font, loaded.layout.get(), options, &picture) &&
           png_encode(picture, options.paper, options.ink, png);
}

void sheet_limit(benchmark::State &state) {
    LoadedFont loaded;
    Picture picture;
    if (largest_font().empty() || load_font(largest_font(), &loaded) != EXIT_FINE ||
        !render_picture(&loaded.font, loaded.layout.get(), RenderOptions(), &picture)) {
        state.SkipWithError("ILGZ16XB.FNT not available");
        return;
    }
    std::vector<uint8_t> png;
    for (auto _ : state) {
        png_encode(picture, 0x000000, 0xFFFFFF, &png);
        benchmark::DoNotOptimize(png.data());
    }
}

void sheet_render(benchmark::State &state) {
    std::vector<uint8_t> png;
    if (largest_font().empty() || !render_png(largest_font(), &png)) {
        state.SkipWithError("ILGZ16XB.FNT not available");
        return;
    }
    for (auto _ : state) {
        render_png(largest_font(), &png);
        benchmark::DoNotOptimize(png.data());
    }
}

} // namespace

BENCHMARK(sheet_limit)->Name("sheet_png/limit")->Unit(benchmark::kMillisecond);
BENCHMARK(sheet_render)->Name("sheet_png/render_ILGZ16XB")->Unit(benchmark::kMillisecond);
