// Allocation failures and hostile registry states on every entry point and
// path: the k-th local-heap allocation fails for every k, and the result must
// say so (4), the host's slots must hold nothing it could free twice, and
// every block must be released.
#include "common/settings/info.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

#ifndef _WIN32

namespace {

enum Entry { IS_SUPPORTED_HANDLE, PICTURE_INFO, PICTURE };

struct Case {
    const char *font_name;
    std::vector<uint8_t> font;
    Entry entry;
    bool file;
    int settings; // -1: no key, else the flags byte of a default record
    int single_column;
};

struct Outcome {
    int rc = -99;
    void *header = nullptr;
    void *pixels = nullptr;
    PictureInfo info = {};
};

void *const SENTINEL = (void *)&SENTINEL;

Outcome run(const Case &c, const std::string &path) {
    Outcome o;
    o.header = o.pixels = SENTINEL;
    const char *source = c.file ? path.c_str() : (const char *)c.font.data();
    intptr_t second = c.file ? 0 : (intptr_t)c.font.size();
    uint32_t flag = c.file ? 0 : 1;
    switch (c.entry) {
    case IS_SUPPORTED_HANDLE: {
        uintptr_t h = test_open_handle(path.c_str());
        o.rc = IsSupported(path.c_str(), h);
        test_close_handle(h);
        break;
    }
    case PICTURE_INFO:
        o.rc = GetPictureInfo(source, second, flag, &o.info);
        break;
    case PICTURE:
        o.rc = GetPicture(source, second, flag, &o.header, &o.pixels, nullptr, 0);
        break;
    }
    return o;
}

void place_settings(const Case &c) {
    test_registry_clear();
    if (c.settings < 0) return;
    SettingsRecord r;
    settings_defaults(&r);
    r.flags = (uint8_t)c.settings;
    r.single_column = (uint8_t)c.single_column;
    test_store_settings(r);
}

std::vector<Case> all_cases() {
    std::vector<std::pair<const char *, std::vector<uint8_t>>> fonts = {
        {"single 8x16", synthetic_font_single(8, 16)},
        {"double 10x12", synthetic_font_double(10, 12)},
    };
    std::vector<uint8_t> cut = synthetic_font_double(12, 12);
    cut.resize(5000); // table whole, glyphs cut
    fonts.push_back({"double cut", cut});
    std::vector<Case> cases;
    for (auto &f : fonts) {
        for (bool file : {false, true}) {
            if (file) cases.push_back({f.first, f.second, IS_SUPPORTED_HANDLE, true, -1, 0});
            for (int column : {0, 1}) {
                cases.push_back({f.first, f.second, PICTURE_INFO, file, 0, column});
                for (int settings : {-1, 0, 1, 2, 3})
                    cases.push_back({f.first, f.second, PICTURE, file, settings, column});
            }
        }
    }
    return cases;
}

std::string describe(const Case &c) {
    static const char *entries[] = {"IsSupported(handle)", "GetPictureInfo", "GetPicture"};
    return std::string(entries[c.entry]) + " " + (c.file ? "file " : "memory ") + c.font_name +
           " settings " + std::to_string(c.settings) + " column " + std::to_string(c.single_column);
}

TEST(AllocationSweep, EveryEntryPointAndPathReportsEveryFailure) {
    uint64_t calls = 0, injected = 0, longest = 0;
    for (const Case &c : all_cases()) {
        SCOPED_TRACE(describe(c));
        std::string path = test_write_temp("sweep.fnt", c.font);
        place_settings(c);
        heap_test_reset();
        Outcome good = run(c, path);
        uint64_t needed = heap_test_allocations();
        ASSERT_EQ(good.rc, c.entry == IS_SUPPORTED_HANDLE ? 1 : 0);
        uint64_t k = 1;
        for (;; ++k) {
            place_settings(c);
            heap_test_reset();
            heap_test_fail_nth(k);
            Outcome o = run(c, path);
            ++calls;
            bool failed = heap_test_failures() > 0;
            injected += failed;
            if (o.rc == 0 && c.entry == PICTURE) {
                ASSERT_FALSE(failed) << "k=" << k;
                // Same picture as without failures.
                const DibHeader *a = (const DibHeader *)o.header;
                const DibHeader *b = (const DibHeader *)good.header;
                ASSERT_EQ(memcmp(a, b, 40 + 4 * (size_t)b->colours_used), 0);
                ASSERT_EQ(memcmp(o.pixels, good.pixels, b->size_image), 0);
                heap_free(o.header);
                heap_free(o.pixels);
            }
            if (failed) {
                ASSERT_EQ(o.rc, PLUGIN_ERR_NO_MEMORY) << "k=" << k;
                EXPECT_TRUE(o.header == SENTINEL || o.header == nullptr) << "k=" << k;
                EXPECT_TRUE(o.pixels == SENTINEL || o.pixels == nullptr) << "k=" << k;
            }
            ASSERT_EQ(heap_test_allocations(), heap_test_releases()) << "k=" << k;
            if (!failed) break;
        }
        // Every allocation of the good run had its turn to fail.
        EXPECT_EQ(k - 1, needed);
        longest = k - 1 > longest ? k - 1 : longest;
        if (good.rc == 0 && c.entry == PICTURE) {
            heap_free(good.header);
            heap_free(good.pixels);
        }
        remove(path.c_str());
    }
    heap_test_reset();
    test_registry_clear();
    ::testing::Test::RecordProperty("calls", (int)calls);
    ::testing::Test::RecordProperty("failures_injected", (int)injected);
    printf("allocation sweep: %d cases, %llu calls, %llu failures injected, at most %llu "
           "allocations per call\n",
           (int)all_cases().size(), (unsigned long long)calls, (unsigned long long)injected,
           (unsigned long long)longest);
}

// The store can fail at every step; the plug-in must still deliver the
// picture its readable settings ask for, and never report the store's
// failures.
TEST(HostileRegistry, StoreFailuresNeverChangeTheResult) {
    std::vector<uint8_t> font = synthetic_font_single(8, 8);
    struct Setup {
        unsigned failing;
        int order_outcome;
        int bits; // the picture expected with flags 3 stored
        bool published;
    } setups[] = {
        {0, REGISTRY_READ, 24, true},
        {REGISTRY_TEST_OPEN, REGISTRY_READ, 1, false},
        {REGISTRY_TEST_CREATE, REGISTRY_READ, 24, false},
        {REGISTRY_TEST_SET, REGISTRY_READ, 24, false},
        {REGISTRY_TEST_CREATE | REGISTRY_TEST_SET, REGISTRY_READ, 24, false},
        {0, REGISTRY_FAILED, 1, false},
        {0, REGISTRY_MORE_DATA, 1, false}, // nothing delivered: all zero
    };
    for (const Setup &s : setups) {
        SCOPED_TRACE(s.failing * 10 + s.order_outcome);
        test_registry_clear();
        SettingsRecord r;
        settings_defaults(&r);
        r.flags = 3;
        test_store_settings(r);
        registry_test_fail(s.failing);
        registry_test_fail_query(SETTINGS_VALUE, s.order_outcome);
        heap_test_reset();
        void *header = nullptr, *pixels = nullptr;
        ASSERT_EQ(GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &header, &pixels,
                             nullptr, 0),
                  0);
        EXPECT_EQ(((const DibHeader *)header)->bit_count, s.bits);
        heap_free(header);
        heap_free(pixels);
        EXPECT_EQ(heap_test_allocations(), heap_test_releases());
        registry_test_fail(0);
        std::vector<unsigned char> v;
        EXPECT_EQ(test_read_value(INFO_VALUE, &v), s.published);
    }
    test_registry_clear();
}

// Settings values of every length: a short record reads as its head over
// zeros, a long one as its first 64 bytes.
TEST(HostileRegistry, SettingsValuesOfAnyLength) {
    std::vector<uint8_t> font = synthetic_font_single(8, 8);
    SettingsRecord r;
    settings_defaults(&r);
    r.flags = 1;
    r.single_column = 1;
    std::vector<uint8_t> value((const uint8_t *)&r, (const uint8_t *)&r + sizeof r);
    value.resize(200, 0xFF);
    for (uint32_t length = 0; length <= 200; ++length) {
        SCOPED_TRACE(length);
        test_registry_clear();
        test_store_value(SETTINGS_VALUE, REGISTRY_TYPE_BINARY, value.data(), length);
        void *header = nullptr, *pixels = nullptr;
        ASSERT_EQ(GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &header, &pixels,
                             nullptr, 0),
                  0);
        const DibHeader *d = (const DibHeader *)header;
        EXPECT_EQ(d->bit_count, length > 4 ? 24 : 1);
        EXPECT_EQ(d->width, length > 44 ? 8 : 128);
        heap_free(header);
        heap_free(pixels);
    }
    test_registry_clear();
}

} // namespace

#endif
