// The shipped DLL, loaded the way a host loads it, against the same code
// linked into this test program.
#include "common/settings/info.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin.h"
#include "tests/oracles/reference_sheet.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef int(__stdcall *InfoFn)(int32_t, char *, int32_t);
typedef int(__stdcall *SupportedFn)(const char *, uintptr_t);
typedef int(__stdcall *PictureInfoFn)(const char *, intptr_t, uint32_t, PictureInfo *);
typedef int(__stdcall *PictureFn)(const char *, intptr_t, uint32_t, void **, void **,
                                  ProgressCallback, intptr_t);
typedef int(__stdcall *InfoWFn)(int32_t, wchar_t *, int32_t);
typedef int(__stdcall *PictureInfoWFn)(const wchar_t *, intptr_t, uint32_t, PictureInfo *);
typedef int(__stdcall *PictureWFn)(const wchar_t *, intptr_t, uint32_t, void **, void **,
                                   ProgressCallback, intptr_t);
typedef int(__stdcall *SupportedWFn)(const wchar_t *, uintptr_t);

struct Dll {
    HMODULE module = nullptr;
    InfoFn info = nullptr;
    SupportedFn supported = nullptr;
    PictureInfoFn picture_info = nullptr;
    PictureFn picture = nullptr, preview = nullptr;
    InfoWFn info_w = nullptr;
    SupportedWFn supported_w = nullptr;
    PictureInfoWFn picture_info_w = nullptr;
    PictureWFn picture_w = nullptr, preview_w = nullptr;
};

Dll load() {
    Dll d;
    d.module = LoadLibraryA(GRIDGLYPH_DLL);
    if (!d.module) return d;
    d.info = (InfoFn)(void *)GetProcAddress(d.module, "GetPluginInfo");
    d.supported = (SupportedFn)(void *)GetProcAddress(d.module, "IsSupported");
    d.picture_info = (PictureInfoFn)(void *)GetProcAddress(d.module, "GetPictureInfo");
    d.picture = (PictureFn)(void *)GetProcAddress(d.module, "GetPicture");
    d.preview = (PictureFn)(void *)GetProcAddress(d.module, "GetPreview");
    d.info_w = (InfoWFn)(void *)GetProcAddress(d.module, "GetPluginInfoW");
    d.supported_w = (SupportedWFn)(void *)GetProcAddress(d.module, "IsSupportedW");
    d.picture_info_w = (PictureInfoWFn)(void *)GetProcAddress(d.module, "GetPictureInfoW");
    d.picture_w = (PictureWFn)(void *)GetProcAddress(d.module, "GetPictureW");
    d.preview_w = (PictureWFn)(void *)GetProcAddress(d.module, "GetPreviewW");
    return d;
}

struct DllTest : ::testing::Test {
    Dll dll;
    void SetUp() override {
        test_registry_clear();
        dll = load();
        ASSERT_NE(dll.module, nullptr) << GRIDGLYPH_DLL;
        ASSERT_TRUE(dll.info && dll.supported && dll.picture_info && dll.picture && dll.preview);
        ASSERT_TRUE(dll.info_w && dll.supported_w && dll.picture_info_w && dll.picture_w &&
                    dll.preview_w);
    }
    void TearDown() override {
        if (dll.module) FreeLibrary(dll.module);
        test_registry_clear();
    }
    // Decodes through the DLL and through the linked code; both must agree.
    void expect_same(const std::vector<uint8_t> &font, const char *what) {
        void *h1 = nullptr, *p1 = nullptr, *h2 = nullptr, *p2 = nullptr;
        ASSERT_EQ(
            dll.picture((const char *)font.data(), (intptr_t)font.size(), 1, &h1, &p1, nullptr, 0),
            0)
            << what;
        ASSERT_EQ(
            GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &h2, &p2, nullptr, 0),
            0);
        const DibHeader *d = (const DibHeader *)h1;
        EXPECT_EQ(memcmp(h1, h2, 48), 0) << what;
        EXPECT_EQ(memcmp(p1, p2, d->size_image), 0) << what;
        // The host frees both blocks with LocalFree.
        EXPECT_EQ(LocalFree((HLOCAL)h1), nullptr);
        EXPECT_EQ(LocalFree((HLOCAL)p1), nullptr);
        LocalFree((HLOCAL)h2);
        LocalFree((HLOCAL)p2);
    }
};

TEST_F(DllTest, StdcallExportsKeepTheStackBalanced) {
    // A wrong calling convention corrupts the caller's stack at once.
    char buf[32];
    volatile int guard = 12345;
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(dll.info(0, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "00IN");
    EXPECT_EQ(guard, 12345);
    EXPECT_EQ(dll.preview("x", 0, 0, nullptr, nullptr, nullptr, 0), -1);
    uint8_t head[64] = "FONTX2";
    EXPECT_EQ(dll.supported("x", (uintptr_t)head), 1);
}

TEST_F(DllTest, SyntheticFontsMatchTheLinkedCode) {
    expect_same(synthetic_font_single(8, 16), "single 8x16");
    expect_same(synthetic_font_single(12, 24), "single 12x24");
    expect_same(synthetic_font_double(16, 16), "double 16x16");
    SettingsRecord r = {};
    r.single_column = 1;
    test_store_settings(r);
    expect_same(synthetic_font_double(10, 12), "double 10x12 column");
    // Blocks of Unicode code points: the font's own code order, in both
    // layouts, and the picture information says the same size.
    std::vector<uint8_t> unicode =
        synthetic_font_blocks(16, 16, {{0x0020, 0x007E}, {0x0391, 0x03C9}, {0x3041, 0x3096}});
    for (int column : {1, 0}) {
        r.single_column = (uint8_t)column;
        test_store_settings(r);
        expect_same(unicode, column ? "unicode column" : "unicode grid");
        PictureInfo info;
        ASSERT_EQ(
            dll.picture_info((const char *)unicode.data(), (intptr_t)unicode.size(), 1, &info), 0);
        EXPECT_EQ(info.width, column ? 16 : 256);
        EXPECT_EQ(info.height, 16 * (column ? 95 + 57 + 86 : 6 + 4 + 6));
    }
}

// Fonts of 4,000 blocks whose count byte wrapped: every glyph drawn as the
// independent reader draws it, from a file at an offset and from memory,
// with the picture information agreeing.
TEST_F(DllTest, AWrappedBlockCountShowsEveryGlyph) {
    SettingsRecord r = {};
    for (bool jis : {true, false}) {
        std::vector<uint8_t> font = synthetic_font_blocks(12, 10, synthetic_many_ranges(4000, jis));
        std::vector<uint8_t> file(5 + font.size(), 'x');
        memcpy(&file[5], font.data(), font.size());
        std::string path = test_write_temp("wrapped.fnt", file);
        for (int column : {0, 1}) {
            SCOPED_TRACE(std::string(jis ? "JIS" : "own order") + (column ? " column" : " grid"));
            r.single_column = (uint8_t)column;
            test_store_settings(r);
            std::vector<uint8_t> want = reference::plain_pixels(font.data(), font.size(), column);
            PictureInfo info;
            ASSERT_EQ(dll.picture_info(path.c_str(), 5, 0, &info), 0);
            void *h[2] = {}, *p[2] = {};
            ASSERT_EQ(dll.picture(path.c_str(), 5, 0, &h[0], &p[0], nullptr, 0), 0);
            ASSERT_EQ(dll.picture((const char *)font.data(), (intptr_t)font.size(), 1, &h[1], &p[1],
                                  nullptr, 0),
                      0);
            for (int i = 0; i < 2; ++i) {
                const DibHeader *d = (const DibHeader *)h[i];
                EXPECT_EQ(d->width, info.width);
                EXPECT_EQ(d->height, info.height);
                ASSERT_EQ(d->size_image, want.size());
                EXPECT_EQ(memcmp(p[i], want.data(), want.size()), 0) << i;
                LocalFree((HLOCAL)h[i]);
                LocalFree((HLOCAL)p[i]);
            }
        }
        remove(path.c_str());
    }
}

// File mode: the picture information reads the header and the whole block
// table (here ending at byte 178), and judges which glyphs are there by the
// file's length; the 22-byte font with no glyph data is an empty picture.
TEST_F(DllTest, FileModeReadsTheWholeTableAndTheFileLength) {
    std::vector<Fontx2Range> ranges;
    for (uint32_t i = 0; i < 40; ++i)
        ranges.push_back({(uint16_t)(0x0100 + 32 * i), (uint16_t)(0x0107 + 32 * i)});
    std::vector<uint8_t> spread = synthetic_font_blocks(8, 8, ranges);
    std::vector<uint8_t> empty = fontx2_write_double("ALL", 255, 255, {{0x0000, 0xFFFF}}, {});
    std::string spread_path = test_write_temp("spread.fnt", spread);
    std::string empty_path = test_write_temp("empty.fnt", empty);
    SettingsRecord r = {};
    for (int column : {0, 1}) {
        r.single_column = (uint8_t)column;
        test_store_settings(r);
        struct {
            const std::string &path;
            int32_t width, height;
        } cases[] = {{spread_path, column ? 8 : 128, 8 * (column ? 320 : 40)}, {empty_path, 0, 0}};
        for (const auto &c : cases) {
            SCOPED_TRACE(c.path + (column ? " column" : " grid"));
            PictureInfo info;
            ASSERT_EQ(dll.picture_info(c.path.c_str(), 0, 0, &info), 0);
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
            void *h = nullptr, *p = nullptr;
            ASSERT_EQ(dll.picture(c.path.c_str(), 0, 0, &h, &p, nullptr, 0), 0);
            EXPECT_EQ(((const DibHeader *)h)->width, c.width);
            EXPECT_EQ(((const DibHeader *)h)->height, c.height);
            EXPECT_EQ(((const DibHeader *)h)->size_image,
                      c.width ? (uint32_t)c.height * 4 * ((c.width + 31) / 32) : 0u);
            LocalFree((HLOCAL)h);
            LocalFree((HLOCAL)p);
        }
        expect_same(empty, "no glyph data, memory");
    }
    remove(spread_path.c_str());
    remove(empty_path.c_str());
}

// The real store answers a short buffer with "more data" and no bytes: the
// head of a longer record must still be read.
TEST_F(DllTest, ASettingsRecordLongerThan64BytesIsReadByItsHead) {
    SettingsRecord r = {};
    r.flags = SETTINGS_PUBLISH_INFO;
    r.single_column = 1;
    std::vector<uint8_t> value((uint8_t *)&r, (uint8_t *)&r + sizeof r);
    value.resize(100, 0x5A);
    test_store_value(SETTINGS_VALUE, REGISTRY_TYPE_BINARY, value.data(), 100);
    std::vector<uint8_t> font = synthetic_font_double(12, 24);
    void *h = nullptr, *p = nullptr;
    ASSERT_EQ(dll.picture((const char *)font.data(), (intptr_t)font.size(), 1, &h, &p, nullptr, 0),
              0);
    EXPECT_EQ(((const DibHeader *)h)->width, 12);
    EXPECT_EQ(((const DibHeader *)h)->height, 24 * 8836);
    LocalFree((HLOCAL)h);
    LocalFree((HLOCAL)p);
    std::vector<unsigned char> info;
    ASSERT_TRUE(test_read_value(INFO_VALUE, &info));
    EXPECT_EQ(((const ImageInfoRecord *)info.data())->picture_width, 12u);
}

TEST_F(DllTest, RealFontsFromFilesMatchMemoryMode) {
    SKIP_WITHOUT_FONTS(dir);
    for (const char *name : {"ILGH16XB.FNT", "ILGH24XB.FNT", "ILGZ16XB.FNT"}) {
        std::string path = dir + "/" + name;
        PictureInfo info;
        ASSERT_EQ(dll.picture_info(path.c_str(), 0, 0, &info), 0) << name;
        void *h = nullptr, *p = nullptr;
        ASSERT_EQ(dll.picture(path.c_str(), 0, 0, &h, &p, nullptr, 0), 0) << name;
        const DibHeader *d = (const DibHeader *)h;
        EXPECT_EQ(d->width, info.width);
        EXPECT_EQ(d->height, info.height);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(test_read_file(path, &bytes));
        void *h2 = nullptr, *p2 = nullptr;
        ASSERT_EQ(dll.picture((const char *)bytes.data(), (intptr_t)bytes.size(), 1, &h2, &p2,
                              nullptr, 0),
                  0);
        EXPECT_EQ(memcmp(p, p2, d->size_image), 0) << name;
        LocalFree((HLOCAL)h);
        LocalFree((HLOCAL)p);
        LocalFree((HLOCAL)h2);
        LocalFree((HLOCAL)p2);
    }
}

// Names outside the ANSI code page (and outside code page 932): only the
// wide entry points can open them, and the narrow ones must fail cleanly
// instead of opening some other file.
TEST_F(DllTest, WideNamesOpenWhatNarrowNamesCannot) {
    wchar_t text[64];
    EXPECT_EQ(dll.info_w(1, text, 64), 28);
    EXPECT_STREQ(text, L"fontx2 to DIB v0.60 (KOVELT)");
    EXPECT_EQ(dll.info_w(1, text, 10), 9);
    EXPECT_STREQ(text, L"fontx2 to");
    EXPECT_EQ(dll.info_w(5, text, 64), 0);

    const wchar_t *dir = L"gg_wide_\u00dc\u00df\U0001F600";
    CreateDirectoryW(dir, nullptr);
    std::wstring path = std::wstring(dir) + L"\\f\u00fc\u00df \U0001F600.fnt";
    std::vector<uint8_t> font = synthetic_font_single(8, 16);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, font.data(), (DWORD)font.size(), &written, nullptr);
    CloseHandle(h);

    SettingsRecord r;
    settings_defaults(&r);
    r.flags = SETTINGS_PUBLISH_INFO;
    test_store_settings(r);
    PictureInfo info;
    ASSERT_EQ(dll.picture_info_w(path.c_str(), 0, 0, &info), 0);
    EXPECT_EQ(info.width, 128);
    uint8_t head[64] = "FONTX2";
    EXPECT_EQ(dll.supported_w(path.c_str(), (uintptr_t)head), 1);
    void *header = nullptr, *pixels = nullptr;
    ASSERT_EQ(dll.picture_w(path.c_str(), 0, 0, &header, &pixels, nullptr, 0), 0);
    // "FNAME" holds the same text, read back through the wide call.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t stored[300] = {};
    DWORD bytes = sizeof stored - 2;
    EXPECT_EQ(RegQueryValueExW(key, L"FNAME", nullptr, nullptr, (BYTE *)stored, &bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::wstring(stored), path);

    void *h2 = nullptr, *p2 = nullptr;
    ASSERT_EQ(
        dll.picture((const char *)font.data(), (intptr_t)font.size(), 1, &h2, &p2, nullptr, 0), 0);
    EXPECT_EQ(memcmp(pixels, p2, ((const DibHeader *)header)->size_image), 0);
    LocalFree((HLOCAL)header);
    LocalFree((HLOCAL)pixels);
    LocalFree((HLOCAL)h2);
    LocalFree((HLOCAL)p2);

    // The narrow name is what a narrow host would pass: characters the code
    // page lacks are lost, and the plug-in must report a read error.
    char narrow[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    EXPECT_EQ(dll.picture_info(narrow, 0, 0, &info), 6);
    EXPECT_EQ(dll.picture(narrow, 0, 0, &header, &pixels, nullptr, 0), 6);
    EXPECT_EQ(dll.preview_w(path.c_str(), 0, 0, &header, &pixels, nullptr, 0), -1);

    DeleteFileW(path.c_str());
    RemoveDirectoryW(dir);
}

} // namespace
