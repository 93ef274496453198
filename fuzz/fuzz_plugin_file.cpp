// File-mode decoding through a temporary file: GetPictureInfo and GetPicture
// with an offset taken from the input, and IsSupported on a handle positioned
// anywhere. A file decode must equal the memory decode of the bytes it reads.
//
// Input: offset (4 bytes, signed), handle position byte, settings mode byte
// (bits 0, 1 and 3: see fuzz_place_settings; bits 4-7 all set: decode a large
// picture too), the settings value, then the file's contents.
#include "fuzz/fuzz_support.h"

#include "common/settings/info.h"
#include "plugin/plugin.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string scratch_path;
int scratch_fd = -1; // kept open: a fresh file per input costs more system calls than the decode

void remove_scratch() {
    if (!scratch_path.empty()) unlink(scratch_path.c_str());
}

struct Decode {
    int rc;
    void *header;
    void *pixels;
    uint64_t allocations, releases, failures;
};

Decode decode(const char *source, intptr_t second, uint32_t flag) {
    heap_test_reset();
    heap_test_fail_above(FUZZ_HEAP_LIMIT);
    Decode d = {0, nullptr, nullptr, 0, 0, 0};
    d.rc = GetPicture(source, second, flag, &d.header, &d.pixels, nullptr, 0);
    d.allocations = heap_test_allocations();
    d.releases = heap_test_releases();
    d.failures = heap_test_failures();
    heap_test_reset();
    return d;
}

void release(Decode *d) {
    if (d->rc != PLUGIN_OK) return;
    heap_free(d->header);
    heap_free(d->pixels);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (scratch_path.empty()) {
        // Memory-backed where there is such a folder: on a disk file system,
        // truncating and closing the file makes the kernel write it out.
        const char *dir = getenv("TMPDIR");
        if (access("/dev/shm", W_OK) == 0) dir = "/dev/shm";
        scratch_path = std::string(dir && *dir ? dir : "/tmp") + "/gg_fuzz_file_" +
                       std::to_string((long)getpid()) + ".fnt";
        scratch_fd = open(scratch_path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        FUZZ_CHECK(scratch_fd >= 0 && scratch_fd <= 0xFFFF);
        atexit(remove_scratch);
    }
    FuzzBytes in = {data, size};
    int32_t offset = (int32_t)in.u32();
    uint8_t position = in.byte();
    uint8_t raw_mode = in.byte();
    uint8_t mode = raw_mode & 0x0B; // the key stays readable: both decodes read it
    FuzzSettings s = fuzz_place_settings(&in, mode);

    FUZZ_CHECK(ftruncate(scratch_fd, 0) == 0);
    FUZZ_CHECK(pwrite(scratch_fd, in.data, in.size, 0) == (ssize_t)in.size);
    const char *path = scratch_path.c_str();

    // What the file form reads: from the offset when it lies inside the file,
    // else from the start.
    size_t from = offset > 0 && (uint64_t)offset < in.size ? (size_t)offset : 0;
    std::vector<uint8_t> bytes(in.data + from, in.data + in.size);

    // The handle form reads where the host left the position.
    size_t at = in.size ? position % (in.size + 1) : 0;
    lseek(scratch_fd, (off_t)at, SEEK_SET);
    int supported = IsSupported(path, (uintptr_t)scratch_fd);
    FUZZ_CHECK(supported == (in.size >= at + 6 && memcmp(in.data + at, "FONTX2", 6) == 0));

    PictureInfo from_file, from_memory;
    memset(&from_file, 0xA5, sizeof from_file);
    memset(&from_memory, 0xA5, sizeof from_memory);
    heap_test_reset();
    int rc_file = GetPictureInfo(path, offset, 0, &from_file);
    FUZZ_CHECK(heap_test_allocations() == heap_test_releases());
    int rc_memory =
        GetPictureInfo((const char *)bytes.data(), (intptr_t)bytes.size(), 1, &from_memory);
    FUZZ_CHECK(rc_file == rc_memory);
    FUZZ_CHECK(memcmp(&from_file, &from_memory, sizeof from_file) == 0);

    if (rc_file == PLUGIN_OK && !fuzz_decode_now(fuzz_picture_bytes((uint32_t)from_file.width,
                                                                    (uint32_t)from_file.height, s),
                                                 raw_mode >> 4))
        return 0;

    Decode file = decode(path, offset, 0);
    std::vector<unsigned char> name(600, 0);
    if (s.flags & SETTINGS_PUBLISH_INFO && s.can_publish && file.rc != PLUGIN_ERR_UNSUPPORTED) {
        RegistryKey *key = registry_open(SETTINGS_KEY);
        uint32_t name_size = (uint32_t)name.size();
        FUZZ_CHECK(registry_query(key, INFO_NAME_VALUE, name.data(), &name_size) == REGISTRY_READ);
        registry_close(key);
        FUZZ_CHECK(name_size == scratch_path.size());
        FUZZ_CHECK(memcmp(name.data(), path, name_size) == 0);
    }
    Decode memory = decode((const char *)bytes.data(), (intptr_t)bytes.size(), 1);

    for (const Decode *d : {&file, &memory}) {
        FUZZ_CHECK(d->rc == PLUGIN_OK || d->rc == PLUGIN_ERR_UNSUPPORTED ||
                   d->rc == PLUGIN_ERR_NO_MEMORY);
        FUZZ_CHECK(d->allocations == d->releases + (d->rc == PLUGIN_OK ? 2 : 0));
        if (d->rc != PLUGIN_ERR_UNSUPPORTED)
            FUZZ_CHECK((d->rc == PLUGIN_ERR_NO_MEMORY) ==
                       (d->failures > 0 ||
                        fuzz_beyond_dib((uint32_t)from_file.width, (uint32_t)from_file.height, s)));
    }
    FUZZ_CHECK((file.rc == PLUGIN_ERR_UNSUPPORTED) == (rc_file == PLUGIN_ERR_UNSUPPORTED));
    FUZZ_CHECK((memory.rc == PLUGIN_ERR_UNSUPPORTED) == (rc_file == PLUGIN_ERR_UNSUPPORTED));
    if (file.rc == PLUGIN_OK && memory.rc == PLUGIN_OK) {
        const DibHeader *a = (const DibHeader *)file.header, *b = (const DibHeader *)memory.header;
        size_t header_bytes = 40 + 4 * (size_t)a->colours_used;
        FUZZ_CHECK(a->colours_used == b->colours_used);
        FUZZ_CHECK(memcmp(a, b, header_bytes) == 0);
        FUZZ_CHECK(a->width == from_file.width && a->height == from_file.height);
        FUZZ_CHECK(a->bit_count == ((s.flags & SETTINGS_ENABLED) ? 24 : 1));
        FUZZ_CHECK(memcmp(file.pixels, memory.pixels, a->size_image) == 0);
    }
    release(&file);
    release(&memory);
    return 0;
}
