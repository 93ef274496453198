// The shipped 32-bit DLL, with memory-mode inputs that end exactly where a
// no-access page begins: any read past an input faults at once, without
// sanitizers. Every result must be 0, 2 or 4, and a picture must equal the
// one the linked-in code makes from an ordinary copy of the same input.
#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin.h"
#include "tests/support/hostile_fonts.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef int(__stdcall *SupportedFn)(const char *, uintptr_t);
typedef int(__stdcall *PictureInfoFn)(const char *, intptr_t, uint32_t, PictureInfo *);
typedef int(__stdcall *PictureFn)(const char *, intptr_t, uint32_t, void **, void **,
                                  ProgressCallback, intptr_t);

// A copy of the input whose last byte is the last byte before a reserved,
// uncommitted page.
struct Guarded {
    uint8_t *base = nullptr;
    const uint8_t *data = nullptr;
    size_t size = 0;

    bool place(const std::vector<uint8_t> &bytes) {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        size_t page = si.dwPageSize;
        size_t committed = (bytes.size() + page - 1) / page * page;
        if (committed == 0) committed = page;
        base = (uint8_t *)VirtualAlloc(nullptr, committed + page, MEM_RESERVE, PAGE_NOACCESS);
        if (!base || !VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE)) return false;
        uint8_t *at = base + committed - bytes.size();
        if (!bytes.empty()) memcpy(at, bytes.data(), bytes.size());
        data = at;
        size = bytes.size();
        // The byte after the input must really be unreadable.
        MEMORY_BASIC_INFORMATION mbi;
        return VirtualQuery(base + committed, &mbi, sizeof mbi) == sizeof mbi &&
               mbi.State == MEM_RESERVE && IsBadReadPtr(at + bytes.size(), 1) &&
               (bytes.empty() || !IsBadReadPtr(at, bytes.size()));
    }
    ~Guarded() {
        if (base) VirtualFree(base, 0, MEM_RELEASE);
    }
};

struct GuardPageTest : ::testing::Test {
    HMODULE module = nullptr;
    SupportedFn supported = nullptr;
    PictureInfoFn picture_info = nullptr;
    PictureFn picture = nullptr;
    uint64_t pictures = 0, refused = 0, unsupported = 0;

    void SetUp() override {
        test_registry_clear();
        module = LoadLibraryA(GRIDGLYPH_DLL);
        ASSERT_NE(module, nullptr) << GRIDGLYPH_DLL;
        supported = (SupportedFn)(void *)GetProcAddress(module, "IsSupported");
        picture_info = (PictureInfoFn)(void *)GetProcAddress(module, "GetPictureInfo");
        picture = (PictureFn)(void *)GetProcAddress(module, "GetPicture");
        ASSERT_TRUE(supported && picture_info && picture);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
        test_registry_clear();
    }

    // Decodes the guarded input through the DLL and an ordinary copy through
    // the linked code; same answers, and the same picture when there is one.
    void check(const std::vector<uint8_t> &font, const std::string &what) {
        Guarded g;
        ASSERT_TRUE(g.place(font)) << what;
        const char *source = (const char *)g.data;
        if (g.size >= 6) {
            EXPECT_EQ(supported("x.fnt", (uintptr_t)g.data), 1) << what;
        }
        PictureInfo info, want_info;
        memset(&info, 0, sizeof info);
        memset(&want_info, 0, sizeof want_info);
        int rc_info = picture_info(source, (intptr_t)g.size, 1, &info);
        ASSERT_EQ(rc_info,
                  GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &want_info))
            << what;
        EXPECT_EQ(memcmp(&info, &want_info, sizeof info), 0) << what;

        void *header = nullptr, *pixels = nullptr;
        int rc = picture(source, (intptr_t)g.size, 1, &header, &pixels, nullptr, 0);
        ASSERT_TRUE(rc == 0 || rc == 2 || rc == 4) << what << " gave " << rc;
        if (rc == 2) {
            ++unsupported;
            EXPECT_EQ(rc_info, 2) << what;
            return;
        }
        if (rc == 4) {
            ++refused;
            return;
        }
        ++pictures;
        void *want_header = nullptr, *want_pixels = nullptr;
        int want = GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &want_header,
                              &want_pixels, nullptr, 0);
        const DibHeader *d = (const DibHeader *)header;
        EXPECT_EQ(d->width, info.width) << what;
        EXPECT_EQ(d->height, info.height) << what;
        // The linked code may lack the memory the DLL had; when it has it,
        // the pictures must agree byte for byte.
        if (want == 0) {
            const DibHeader *w = (const DibHeader *)want_header;
            EXPECT_EQ(memcmp(d, w, 40 + 4 * (size_t)w->colours_used), 0) << what;
            EXPECT_EQ(memcmp(pixels, want_pixels, w->size_image), 0) << what;
            LocalFree((HLOCAL)want_header);
            LocalFree((HLOCAL)want_pixels);
        } else {
            EXPECT_EQ(want, 4) << what;
        }
        EXPECT_EQ(LocalFree((HLOCAL)header), nullptr);
        EXPECT_EQ(LocalFree((HLOCAL)pixels), nullptr);
    }

    static void store(int flags, int single_column) {
        SettingsRecord r;
        settings_defaults(&r);
        r.flags = (uint8_t)flags;
        r.single_column = (uint8_t)single_column;
        test_store_settings(r);
    }
};

// 255 x 255 glyphs with every glyph present, the last one ending at the
// guard page.
std::vector<uint8_t> largest_font(bool double_byte) {
    uint32_t bytes = fontx2_glyph_bytes(255, 255);
    if (!double_byte) {
        std::vector<uint8_t> glyphs(256 * bytes);
        for (uint32_t code = 0; code < 256; ++code)
            synthetic_code_glyph(code, 255, 255, &glyphs[code * bytes]);
        return fontx2_write_single("LARGEST", 255, 255, glyphs);
    }
    std::vector<Fontx2Range> rows = fontx2_sjis_rows();
    std::vector<uint8_t> glyphs(8836 * (size_t)bytes);
    // One glyph pattern per lead byte keeps the making quick; the cells still
    // differ from row to row.
    size_t at = 0;
    for (const Fontx2Range &r : rows) {
        std::vector<uint8_t> glyph(bytes);
        synthetic_code_glyph(r.first_code, 255, 255, glyph.data());
        for (uint32_t code = r.first_code; code <= r.last_code; ++code, at += bytes)
            memcpy(&glyphs[at], glyph.data(), bytes);
    }
    return fontx2_write_double("LARGEST", 255, 255, rows, glyphs);
}

TEST_F(GuardPageTest, LargestLegalSheetsOnBothPaths) {
    for (bool double_byte : {false, true}) {
        std::vector<uint8_t> font = largest_font(double_byte);
        for (int flags : {0, 3}) {
            for (int column : {0, 1}) {
                store(flags, column);
                check(font, std::string(double_byte ? "double" : "single") + " flags " +
                                std::to_string(flags) + " column " + std::to_string(column));
                if (HasFatalFailure()) return;
            }
        }
    }
    printf("largest sheets: %llu pictures, %llu refused for memory\n", (unsigned long long)pictures,
           (unsigned long long)refused);
    // The plain single-byte sheets always fit.
    EXPECT_GE(pictures, 2u);
}

TEST_F(GuardPageTest, FiveHundredHostileFontsOnBothPaths) {
    for (uint64_t seed = 0; seed < 500; ++seed) {
        std::vector<uint8_t> font = hostile::hostile_font(seed);
        store(seed % 2 ? 3 : 0, seed % 5 == 0);
        check(font, "seed " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
    // Cut headers: inputs of 0 to 17 bytes end at the page too.
    std::vector<uint8_t> head = synthetic_font_single(8, 8);
    for (size_t n = 0; n <= 17; ++n) {
        store(n % 2 ? 3 : 0, 0);
        check(std::vector<uint8_t>(head.begin(), head.begin() + n), "cut " + std::to_string(n));
    }
    printf("hostile fonts: %llu pictures, %llu refused for memory, %llu not fonts\n",
           (unsigned long long)pictures, (unsigned long long)refused,
           (unsigned long long)unsupported);
    EXPECT_GT(pictures, 400u);
}

TEST_F(GuardPageTest, HostileFontsFromAFolder) {
    // The way a viewer browses: file names, whole files and offsets.
    CreateDirectoryA("gg_hostile", nullptr);
    int decoded = 0;
    for (uint64_t seed = 0; seed < 500; seed += 5) {
        std::vector<uint8_t> font = hostile::hostile_font(seed);
        std::string path = "gg_hostile/font" + std::to_string(seed) + ".fnt";
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(font.data(), 1, font.size(), f);
        fclose(f);
        store(seed % 2 ? 3 : 0, 0);
        PictureInfo info;
        EXPECT_EQ(picture_info(path.c_str(), 0, 0, &info), 0) << path;
        void *header = nullptr, *pixels = nullptr;
        int rc = picture(path.c_str(), 0, 0, &header, &pixels, nullptr, 0);
        EXPECT_TRUE(rc == 0 || rc == 4) << path << " gave " << rc;
        if (rc == 0) {
            ++decoded;
            LocalFree((HLOCAL)header);
            LocalFree((HLOCAL)pixels);
        }
        DeleteFileA(path.c_str());
    }
    RemoveDirectoryA("gg_hostile");
    EXPECT_GT(decoded, 80);
}

} // namespace
