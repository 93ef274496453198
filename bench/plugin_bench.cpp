// Decoding whole fonts through GetPicture in memory mode, beside the limit:
// a fresh local-heap block of the output's size written once and freed, plus
// one copy of the input.
#include "fontx2/fontx2_writer.h"
#include "plugin/plugin.h"
#include "test_support.h"

#include <benchmark/benchmark.h>
#include <string.h>

namespace {

std::vector<uint8_t> real_font(const char *name) {
    std::vector<uint8_t> bytes;
    std::string dir = test_fonts_dir();
    if (!dir.empty()) test_read_file(dir + "/" + name, &bytes);
    return bytes;
}

void decode(benchmark::State &state, const std::vector<uint8_t> &font) {
    if (font.empty()) {
        state.SkipWithError("font not available");
        return;
    }
    for (auto _ : state) {
        void *header = nullptr, *pixels = nullptr;
        int rc = GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &header, &pixels,
                            nullptr, 0);
        if (rc != 0) {
            state.SkipWithError("GetPicture failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        heap_free(header);
        heap_free(pixels);
    }
}

void limit(benchmark::State &state, const std::vector<uint8_t> &font) {
    PictureInfo info;
    if (font.empty() ||
        GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &info) != 0) {
        state.SkipWithError("font not available");
        return;
    }
    uint64_t bytes = dib_stride((uint32_t)info.width, 1) * (uint32_t)info.height;
    std::vector<uint8_t> copy(font.size());
    for (auto _ : state) {
        void *block = heap_alloc(bytes);
        memset(block, 0, (size_t)bytes);
        benchmark::DoNotOptimize(block);
        heap_free(block);
        memcpy(copy.data(), font.data(), font.size());
        benchmark::DoNotOptimize(copy.data());
    }
}

const std::vector<uint8_t> &ilgz16() {
    static std::vector<uint8_t> font = real_font("ILGZ16XB.FNT");
    return font;
}

void plain_ilgz16_decode(benchmark::State &s) {
    decode(s, ilgz16());
}
void plain_ilgz16_limit(benchmark::State &s) {
    limit(s, ilgz16());
}
BENCHMARK(plain_ilgz16_decode)->Name("plain/ILGZ16XB/decode")->Unit(benchmark::kMillisecond);
BENCHMARK(plain_ilgz16_limit)->Name("plain/ILGZ16XB/limit")->Unit(benchmark::kMillisecond);

} // namespace
