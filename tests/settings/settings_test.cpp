#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

struct SettingsTest : ::testing::Test {
    void SetUp() override { test_registry_clear(); }
    void TearDown() override { test_registry_clear(); }
};

// No key at all (a first start), or a key without the record: the plug-in
// sees zeros, the tool its defaults; only a missing key is created.
TEST_F(SettingsTest, WithoutARecordThePluginSeesZerosAndTheToolDefaults) {
    SettingsRecord zero = {}, defaults;
    settings_defaults(&defaults);
    for (bool key : {false, true}) {
        test_registry_clear();
        if (key) test_store_value("OTHER", REGISTRY_TYPE_BINARY, "x", 1);
        SettingsRecord seen;
        memset(&seen, 0xAB, sizeof seen);
        EXPECT_EQ(settings_read(&seen), 0);
        EXPECT_EQ(memcmp(&seen, &zero, sizeof seen), 0);
        EXPECT_EQ(settings_load(&seen), 0);
        EXPECT_EQ(memcmp(&seen, &defaults, sizeof seen), 0);
        std::vector<unsigned char> stored;
        EXPECT_EQ(test_read_value(SETTINGS_VALUE, &stored), !key);
        if (key) continue;
        ASSERT_EQ(stored.size(), 64u);
        EXPECT_EQ(memcmp(stored.data(), &defaults, 64), 0);
        EXPECT_EQ(settings_read(&seen), 3);
        EXPECT_EQ(settings_load(&seen), 3);
    }
}

TEST_F(SettingsTest, DefaultBytesAreExact) {
    SettingsRecord r;
    memset(&r, 0xFF, sizeof r);
    settings_defaults(&r);
    const unsigned char *b = (const unsigned char *)&r;
    const unsigned char expected_head[] = {
        0x00, 0x01, 0x40, 0x00, 3,    1,    0,  0, 0,  0,    0,    0,    0xE8, 0x03, 0xFF,
        0x00, 0,    0,    0,    0,    0,    0,  0, 0,  0xFF, 0xFF, 0xFF, 0x00, 0x80, 0x80,
        0x80, 0x00, 0xC0, 0xC0, 0xC0, 0x00, 16, 0, 16, 0,    0,    1,    0,    0,    0};
    EXPECT_EQ(memcmp(b, expected_head, sizeof expected_head), 0);
    for (size_t i = sizeof expected_head; i < 64; ++i) EXPECT_EQ(b[i], 0) << i;
}

TEST_F(SettingsTest, ShortAndLongValuesAreUsedAsRead) {
    const unsigned char six[6] = {1, 2, 7, 0, 5, 6};
    test_store_value(SETTINGS_VALUE, REGISTRY_TYPE_BINARY, six, sizeof six);
    SettingsRecord r;
    memset(&r, 0xCD, sizeof r);
    EXPECT_EQ(settings_read(&r), 5);
    const unsigned char *b = (const unsigned char *)&r;
    EXPECT_EQ(memcmp(b, six, 6), 0);
    for (size_t i = 6; i < 64; ++i) ASSERT_EQ(b[i], 0) << i;
    // The tool takes the same head over its defaults, never over zeros.
    SettingsRecord expected;
    settings_defaults(&expected);
    memcpy(&expected, six, sizeof six);
    EXPECT_EQ(settings_load(&r), 5);
    EXPECT_EQ(memcmp(&r, &expected, sizeof r), 0);

    // Longer than the record: its first 64 bytes, on both sides. The store
    // delivers nothing with its "more data" answer, so this needs a second read.
    SettingsRecord head;
    settings_defaults(&head);
    head.flags = 6;
    head.single_column = 1;
    std::vector<unsigned char> long_value((unsigned char *)&head, (unsigned char *)&head + 64);
    long_value.resize(100, 0x77);
    test_store_value(SETTINGS_VALUE, REGISTRY_TYPE_BINARY, long_value.data(), 100);
    EXPECT_EQ(settings_read(&r), 6);
    EXPECT_EQ(memcmp(&r, &head, sizeof r), 0);
    EXPECT_EQ(settings_load(&r), 6);
    EXPECT_EQ(memcmp(&r, &head, sizeof r), 0);
}

TEST_F(SettingsTest, SaveWritesTheWholeRecord) {
    SettingsRecord r;
    settings_defaults(&r);
    r.brightness = -5;
    r.single_column = 1;
    r.reserved45[18] = 0x5A;
    EXPECT_EQ(settings_save(&r), 1);
    SettingsRecord back;
    EXPECT_EQ(settings_read(&back), 3);
    EXPECT_EQ(memcmp(&back, &r, sizeof r), 0);
}

#ifndef _WIN32
TEST_F(SettingsTest, StoreFailuresAreNeverFatal) {
    SettingsRecord r;
    settings_defaults(&r);
    settings_save(&r);
    registry_test_fail_query(SETTINGS_VALUE, REGISTRY_FAILED);
    memset(&r, 0x22, sizeof r);
    EXPECT_EQ(settings_read(&r), 0);
    EXPECT_EQ(r.flags, 0);
    EXPECT_EQ(r.brightness, 0);
    EXPECT_EQ(settings_load(&r), 0);
    EXPECT_EQ(r.brightness, 1000);

    // A very long value whose second read finds no memory reads as missing.
    registry_test_reset();
    std::vector<unsigned char> long_value(5000, 0x07);
    test_store_value(SETTINGS_VALUE, REGISTRY_TYPE_BINARY, long_value.data(), 5000);
    heap_test_reset();
    heap_test_fail_nth(1);
    EXPECT_EQ(settings_read(&r), 0);
    EXPECT_EQ(r.flags, 0);
    EXPECT_EQ(heap_test_allocations(), heap_test_releases());
    heap_test_reset();

    registry_test_reset();
    registry_test_fail(REGISTRY_TEST_CREATE | REGISTRY_TEST_SET);
    EXPECT_EQ(settings_save(&r), 1);
    EXPECT_EQ(settings_load(&r), 0); // defaults in memory, nothing stored
    EXPECT_EQ(r.flags, 3);
    EXPECT_EQ(registry_test_writes(), 0u);
}
#endif

} // namespace
