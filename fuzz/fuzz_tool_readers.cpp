// The tool's readers of values other programs can write: info_poll over
// hostile "GINFO", "CLUT" and "FNAME" values (any length, any bytes, failing
// reads), and the edit-box number parsers over any text.
//
// Input: key byte, one mode byte and a 16-bit length per value, the tool's
// previous info record and name, the values' bytes, then text to parse.
#include "fuzz/fuzz_support.h"

#include "common/settings/info.h"
#include "settings_tool/tool_logic.h"
#include "settings_tool/viewer_logic.h"

#include <ctype.h>
#include <string>
#include <strings.h>
#include <vector>

namespace {

struct Value {
    const char *name;
    uint8_t mode; // 0 absent, 1 stored, 2 reads report "more data", 3 reads fail
    std::vector<uint8_t> bytes;
};

// What a query with a buffer of `room` bytes delivers: outcome and bytes
// (nothing with "more data", as in the real store). With head set, a longer
// stored value gives its first `room` bytes, as a reader that asks again.
int expected_read(const Value &v, uint32_t room, std::vector<uint8_t> *got, bool head = false) {
    got->clear();
    if (v.mode == 0 || v.mode == 3) return REGISTRY_FAILED;
    if (v.mode == 2) return head ? REGISTRY_FAILED : REGISTRY_MORE_DATA;
    if (v.bytes.size() > room) {
        if (!head) return REGISTRY_MORE_DATA;
        got->assign(v.bytes.begin(), v.bytes.begin() + room);
        return REGISTRY_READ;
    }
    *got = v.bytes;
    return REGISTRY_READ;
}

// One poll: the values the store holds and what the tool held before it.
struct PollCase {
    uint8_t key_mode; // 0 no key, 1 key, 2 key that cannot be opened
    Value values[3] = {{INFO_VALUE, 0, {}}, {INFO_PALETTE_VALUE, 0, {}}, {INFO_NAME_VALUE, 0, {}}};
    ImageInfoRecord previous;
    std::vector<char> name_before; // the tool's own copy is always a terminated string
    std::vector<uint32_t> palette_before;
};

// Reads the case's head from the input: modes, lengths, the previous record and name.
void read_poll_case(FuzzBytes *in, PollCase *c) {
    c->key_mode = in->byte() % 3;
    static const uint32_t longest[3] = {100, 9000, 1100};
    for (int i = 0; i < 3; ++i) {
        c->values[i].mode = in->byte() % 4;
        c->values[i].bytes.resize(in->u16() % (longest[i] + 1));
    }
    in->take(&c->previous, sizeof c->previous);
    c->name_before.assign(INFO_NAME_BYTES, 0);
    uint32_t name_length = in->u16() % INFO_NAME_BYTES;
    in->take(c->name_before.data(), name_length);
    c->palette_before.assign(INFO_PALETTE_BYTES / 4, 0xC0FFEE00u);
}

// Fills each value from the input and stores it as its mode says.
void stage_registry(FuzzBytes *in, PollCase *c) {
    if (c->key_mode) registry_close(registry_create(SETTINGS_KEY));
    RegistryKey *key = registry_create(SETTINGS_KEY);
    for (Value &v : c->values) {
        in->take(v.bytes.data(), v.bytes.size());
        if (c->key_mode && v.mode != 0) {
            uint32_t type = v.name == c->values[2].name ? REGISTRY_TYPE_SZ : REGISTRY_TYPE_BINARY;
            registry_set(key, v.name, type, v.bytes.data(), (uint32_t)v.bytes.size());
        }
        if (v.mode == 2) registry_test_fail_query(v.name, REGISTRY_MORE_DATA);
        if (v.mode == 3) registry_test_fail_query(v.name, REGISTRY_FAILED);
    }
    registry_close(key);
    if (!c->key_mode) registry_test_delete_key(SETTINGS_KEY);
    if (c->key_mode == 2) registry_test_fail(REGISTRY_TEST_OPEN);
}

// The palette: what was read, the rest as it was; zeros after a failure.
void check_palette(const PollCase &c, const std::vector<uint32_t> &palette) {
    std::vector<uint8_t> got;
    int clut = expected_read(c.values[1], INFO_PALETTE_BYTES, &got, true);
    const uint8_t *pal = (const uint8_t *)palette.data();
    if (clut == REGISTRY_FAILED) {
        for (uint32_t entry : palette) FUZZ_CHECK(entry == 0);
    } else {
        FUZZ_CHECK(got.empty() || memcmp(pal, got.data(), got.size()) == 0);
        FUZZ_CHECK(memcmp(pal + got.size(), (const uint8_t *)c.palette_before.data() + got.size(),
                          INFO_PALETTE_BYTES - got.size()) == 0);
    }
}

// The record and the name after a poll of a readable key.
void check_record_and_name(const PollCase &c, int rc, const ImageInfoRecord &info,
                           const std::vector<char> &name) {
    std::vector<uint8_t> got;
    // The record read: a shorter value fills the head of a zeroed record.
    ImageInfoRecord local;
    memset(&local, 0, sizeof local);
    if (expected_read(c.values[0], sizeof local, &got) == REGISTRY_READ && !got.empty())
        memcpy(&local, got.data(), got.size());
    bool record_read = expected_read(c.values[0], sizeof local, &got) == REGISTRY_READ;
    // The name read: one byte is kept for the terminator.
    std::string local_name;
    if (expected_read(c.values[2], INFO_NAME_BYTES - 1, &got) == REGISTRY_READ)
        local_name = std::string(got.begin(), got.end()).c_str();

    if (rc == 0) {
        // Nothing new: same record and the same name but for letter case.
        FUZZ_CHECK(record_read && memcmp(&local, &c.previous, sizeof local) == 0);
        FUZZ_CHECK(!local_name.empty() &&
                   strcasecmp(local_name.c_str(), c.name_before.data()) == 0);
        FUZZ_CHECK(memcmp(&info, &c.previous, sizeof info) == 0 && name == c.name_before);
        return;
    }
    FUZZ_CHECK(memcmp(&info, &local, sizeof info) == 0);
    if (local_name.empty()) {
        FUZZ_CHECK(name == c.name_before);
    } else {
        FUZZ_CHECK(strcmp(name.data(), local_name.c_str()) == 0);
    }
}

void poll(FuzzBytes *in) {
    registry_test_reset();
    PollCase c;
    read_poll_case(in, &c);
    stage_registry(in, &c);

    ImageInfoRecord info = c.previous;
    std::vector<char> name(c.name_before);
    std::vector<uint32_t> palette(c.palette_before);
    heap_test_reset();
    int rc = info_poll(palette.data(), &info, name.data());
    FUZZ_CHECK(heap_test_allocations() == heap_test_releases());
    FUZZ_CHECK(rc == 0 || rc == 1);
    FUZZ_CHECK(memchr(name.data(), 0, name.size()) != nullptr);

    if (c.key_mode != 1) {
        ImageInfoRecord zero;
        memset(&zero, 0, sizeof zero);
        FUZZ_CHECK(rc == 0);
        FUZZ_CHECK(memcmp(&info, &zero, sizeof info) == 0);
        FUZZ_CHECK(name == c.name_before && palette == c.palette_before);
        return;
    }
    check_palette(c, palette);
    check_record_and_name(c, rc, info, name);
}

// The edit boxes read numbers the way strtol and strtoul do on a 32-bit long.
void parse(FuzzBytes *in) {
    std::string text((const char *)in->data, in->size);
    text = text.c_str(); // the box's text ends at its first zero
    char *end;
    long long decimal = strtoll(text.c_str(), &end, 10);
    if (decimal > INT32_MAX) decimal = INT32_MAX;
    if (decimal < INT32_MIN) decimal = INT32_MIN;
    FUZZ_CHECK(field_parse_decimal(text.c_str()) == (int32_t)decimal);

    // strtoull accepts a sign and negates in unsigned arithmetic, like
    // strtoul; a magnitude beyond 32 bits saturates.
    const char *p = text.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    unsigned long long magnitude = isxdigit((unsigned char)*p) ? strtoull(p, &end, 16) : 0;
    uint32_t hex = magnitude > 0xFFFFFFFFull ? 0xFFFFFFFFu
                   : negative                ? (uint32_t)(0u - (uint32_t)magnitude)
                                             : (uint32_t)magnitude;
    FUZZ_CHECK(field_parse_hex(text.c_str()) == hex);
}

// The palette viewer's readers of what the plug-in published: the status
// line and the name part from any "GINFO" and "FNAME", and the swatches from
// any "CLUT", must stay inside their buffers.
void viewer(FuzzBytes *in) {
    ImageInfoRecord info;
    in->take(&info, sizeof info);
    std::vector<uint32_t> palette(256);
    in->take(palette.data(), 4 * palette.size());
    char name[VIEWER_NAME_BYTES];
    size_t n = in->size < sizeof name - 1 ? in->size : sizeof name - 1;
    in->take(name, n);
    name[n] = 0;

    const char *part = file_name_part(name, viewer_sjis_lead_byte);
    FUZZ_CHECK(part >= name && part <= name + strlen(name));
    FUZZ_CHECK(*file_name_part(nullptr, viewer_sjis_lead_byte) == 0);

    // A guard past the status buffer catches any write beyond 256 bytes.
    char text[VIEWER_STATUS_BYTES + 16];
    memset(text, 0x5A, sizeof text);
    viewer_status_text(&info, name, viewer_sjis_lead_byte, text);
    size_t length = strnlen(text, VIEWER_STATUS_BYTES);
    FUZZ_CHECK(length < VIEWER_STATUS_BYTES);
    for (size_t i = VIEWER_STATUS_BYTES; i < sizeof text; ++i) FUZZ_CHECK(text[i] == 0x5A);
    // The cut never leaves half a double-byte character at the end.
    size_t i = 0;
    while (i < length) i += viewer_sjis_lead_byte((uint8_t)text[i]) && i + 1 < length ? 2 : 1;
    FUZZ_CHECK(i == length);

    // Swatches on an exact-size image, bottom-up as the window's buffer is.
    std::vector<uint32_t> image(VIEWER_IMAGE_SIZE * VIEWER_IMAGE_SIZE + 2, 0xA5A5A5A5u);
    uint8_t *first = (uint8_t *)&image[1];
    ViewerCanvas canvas = {first + (VIEWER_IMAGE_SIZE - 1) * VIEWER_IMAGE_SIZE * 4,
                           -4 * VIEWER_IMAGE_SIZE, VIEWER_IMAGE_SIZE, VIEWER_IMAGE_SIZE};
    draw_palette(&canvas, &info, palette.data());
    fill_rect(&canvas, (int32_t)in->u32(), (int32_t)in->u32(), (int32_t)in->u32(),
              (int32_t)in->u32(), 0x123456);
    FUZZ_CHECK(image.front() == 0xA5A5A5A5u && image.back() == 0xA5A5A5A5u);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzBytes in = {data, size};
    uint8_t which = in.byte();
    if (which & 1) {
        parse(&in);
        return 0;
    }
    if (which & 2) {
        viewer(&in);
        return 0;
    }
    poll(&in);
    return 0;
}
