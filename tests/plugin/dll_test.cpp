// The shipped DLL, loaded the way a host loads it, against the same code
// linked into this test program.
#include "fontx2/fontx2_writer.h"
#include "plugin/plugin.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef int(__stdcall *InfoFn)(int32_t, char *, int32_t);
typedef int(__stdcall *SupportedFn)(const char *, uintptr_t);
typedef int(__stdcall *PictureInfoFn)(const char *, intptr_t, uint32_t, PictureInfo *);
typedef int(__stdcall *PictureFn)(const char *, intptr_t, uint32_t, void **, void **,
                                  ProgressCallback, intptr_t);

struct Dll {
    HMODULE module = nullptr;
    InfoFn info = nullptr;
    SupportedFn supported = nullptr;
    PictureInfoFn picture_info = nullptr;
    PictureFn picture = nullptr, preview = nullptr;
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
    return d;
}

struct DllTest : ::testing::Test {
    Dll dll;
    void SetUp() override {
        test_registry_clear();
        dll = load();
        ASSERT_NE(dll.module, nullptr) << GRIDGLYPH_DLL;
        ASSERT_TRUE(dll.info && dll.supported && dll.picture_info && dll.picture && dll.preview);
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
    expect_same(fontx2_synthetic_single(8, 16), "single 8x16");
    expect_same(fontx2_synthetic_single(12, 24), "single 12x24");
    expect_same(fontx2_synthetic_double(16, 16), "double 16x16");
    SettingsRecord r = {};
    r.single_column = 1;
    test_store_settings(r);
    expect_same(fontx2_synthetic_double(10, 12), "double 10x12 column");
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

} // namespace
