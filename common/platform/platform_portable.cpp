// Portable platform layer for native builds and tests.
#include "common/platform/platform.h"
#include "common/platform/platform_test.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

// ---- Heap -------------------------------------------------------------------

namespace {
// A counter of a state shared between threads, read under its lock.
template <typename State> uint64_t counter_read(State &state, uint64_t State::*counter) {
    std::lock_guard<std::mutex> guard(state.lock);
    return state.*counter;
}

struct HeapState {
    std::mutex lock;
    uint64_t allocations = 0;
    uint64_t releases = 0;
    uint64_t failures = 0;
    uint64_t fail_countdown = 0;
    uint64_t fail_above = 0;
};
HeapState &heap_state() {
    static HeapState state;
    return state;
}
} // namespace

void *heap_alloc(uint64_t size) {
    HeapState &h = heap_state();
    std::lock_guard<std::mutex> guard(h.lock);
    bool fail = false;
    if (h.fail_countdown != 0 && --h.fail_countdown == 0) fail = true;
    if (h.fail_above != 0 && size > h.fail_above) fail = true;
    if (size > (uint64_t)PTRDIFF_MAX) fail = true;
    void *block = fail ? nullptr : malloc(size ? (size_t)size : 1);
    if (!block) {
        ++h.failures;
        return nullptr;
    }
    ++h.allocations;
    return block;
}

void heap_free(void *block) {
    if (!block) return;
    HeapState &h = heap_state();
    {
        std::lock_guard<std::mutex> guard(h.lock);
        ++h.releases;
    }
    free(block);
}

void heap_test_reset() {
    HeapState &h = heap_state();
    std::lock_guard<std::mutex> guard(h.lock);
    h.allocations = h.releases = h.failures = 0;
    h.fail_countdown = h.fail_above = 0;
}
void heap_test_fail_nth(uint64_t k) {
    std::lock_guard<std::mutex> guard(heap_state().lock);
    heap_state().fail_countdown = k;
}
void heap_test_fail_above(uint64_t bytes) {
    std::lock_guard<std::mutex> guard(heap_state().lock);
    heap_state().fail_above = bytes;
}
uint64_t heap_test_allocations() {
    return counter_read(heap_state(), &HeapState::allocations);
}
uint64_t heap_test_releases() {
    return counter_read(heap_state(), &HeapState::releases);
}
uint64_t heap_test_failures() {
    return counter_read(heap_state(), &HeapState::failures);
}

// ---- Files ------------------------------------------------------------------

struct PlatformFile {
    int fd;
};

static PlatformFile *file_open_failed(int *failure, int why) {
    if (failure) *failure = why;
    return nullptr;
}

// The record comes from the counted heap, so tests can make it fail as the
// process heap may.
PlatformFile *file_open_read(const char *name, int *failure) {
    if (!name) return file_open_failed(failure, FILE_OPEN_FAILED);
    int fd = open(name, O_RDONLY);
    if (fd < 0) return file_open_failed(failure, FILE_OPEN_FAILED);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return file_open_failed(failure, FILE_OPEN_FAILED);
    }
    PlatformFile *file = (PlatformFile *)heap_alloc(sizeof(PlatformFile));
    if (!file) {
        close(fd);
        return file_open_failed(failure, FILE_OPEN_NO_MEMORY);
    }
    file->fd = fd;
    return file;
}

PlatformFile *file_open_read_wide(const uint16_t *name, int *failure) {
    if (!name) return file_open_failed(failure, FILE_OPEN_FAILED);
    uint32_t chars = utf16_length(name);
    std::string utf8(utf16_to_utf8(name, chars, nullptr, 0) + 1, '\0');
    utf16_to_utf8(name, chars, &utf8[0], (uint32_t)utf8.size());
    return file_open_read(utf8.c_str(), failure);
}

// From the counted heap, so tests can make this allocation fail as the
// process heap may.
PlatformFile *file_from_handle(uintptr_t handle) {
    PlatformFile *file = (PlatformFile *)heap_alloc(sizeof(PlatformFile));
    if (file) file->fd = (int)handle;
    return file;
}

bool file_size(PlatformFile *file, uint64_t *size) {
    struct stat st;
    if (!file || fstat(file->fd, &st) != 0) return false;
    *size = (uint64_t)st.st_size;
    return true;
}

bool file_seek(PlatformFile *file, uint64_t offset) {
    return file && lseek(file->fd, (off_t)offset, SEEK_SET) == (off_t)offset;
}

namespace {
// Reads seen by file_read since the last file_test_reset (tests only).
struct FileCounters {
    std::mutex lock;
    uint64_t reads = 0;
    uint64_t bytes = 0;
};
FileCounters &file_counters() {
    static FileCounters counters;
    return counters;
}
void file_count_read(uint32_t bytes) {
    FileCounters &c = file_counters();
    std::lock_guard<std::mutex> guard(c.lock);
    ++c.reads;
    c.bytes += bytes;
}
} // namespace

void file_test_reset() {
    FileCounters &c = file_counters();
    std::lock_guard<std::mutex> guard(c.lock);
    c.reads = c.bytes = 0;
}
uint64_t file_test_reads() {
    return counter_read(file_counters(), &FileCounters::reads);
}
uint64_t file_test_bytes_read() {
    return counter_read(file_counters(), &FileCounters::bytes);
}

bool file_read(PlatformFile *file, void *buffer, uint32_t count, uint32_t *got) {
    *got = 0;
    if (!file) return false;
    char *out = (char *)buffer;
    while (*got < count) {
        ssize_t n = read(file->fd, out + *got, count - *got);
        if (n < 0) {
            if (errno == EINTR) continue;
            file_count_read(*got);
            return false;
        }
        if (n == 0) break;
        *got += (uint32_t)n;
    }
    file_count_read(*got);
    return true;
}

void file_close(PlatformFile *file) {
    if (!file) return;
    close(file->fd);
    heap_free(file);
}

void file_close_borrowed(PlatformFile *file) {
    heap_free(file);
}

// ---- Registry -----------------------------------------------------------------

namespace {
struct NoCase {
    bool operator()(const std::string &a, const std::string &b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};
struct StoredValue {
    uint32_t type;
    std::vector<unsigned char> bytes;
};
typedef std::map<std::string, StoredValue, NoCase> ValueMap;
struct RegistryState {
    std::mutex lock;
    std::map<std::string, ValueMap, NoCase> keys;
    unsigned failing = 0;
    std::map<std::string, int, NoCase> query_outcomes;
    uint64_t writes = 0;
};
RegistryState &registry_state() {
    static RegistryState state;
    return state;
}
} // namespace

struct RegistryKey {
    std::string path;
};

RegistryKey *registry_open(const char *subkey) {
    RegistryState &r = registry_state();
    std::lock_guard<std::mutex> guard(r.lock);
    if (!subkey || (r.failing & REGISTRY_TEST_OPEN) || !r.keys.count(subkey)) return nullptr;
    return new RegistryKey{subkey};
}

RegistryKey *registry_create(const char *subkey) {
    RegistryState &r = registry_state();
    std::lock_guard<std::mutex> guard(r.lock);
    if (!subkey || (r.failing & REGISTRY_TEST_CREATE)) return nullptr;
    r.keys[subkey];
    return new RegistryKey{subkey};
}

int registry_query(RegistryKey *key, const char *name, void *buffer, uint32_t *size) {
    RegistryState &r = registry_state();
    std::lock_guard<std::mutex> guard(r.lock);
    uint32_t room = *size;
    *size = 0;
    if (!key || !name) return REGISTRY_FAILED;
    auto forced = r.query_outcomes.find(name);
    if (forced != r.query_outcomes.end() && forced->second != REGISTRY_READ) {
        return forced->second;
    }
    auto k = r.keys.find(key->path);
    if (k == r.keys.end()) return REGISTRY_FAILED; // deleted while open
    auto v = k->second.find(name);
    if (v == k->second.end()) return REGISTRY_FAILED;
    const std::vector<unsigned char> &bytes = v->second.bytes;
    if (bytes.size() > room) {
        // Like the real store: nothing is delivered, only the size needed.
        *size = (uint32_t)bytes.size();
        return REGISTRY_MORE_DATA;
    }
    if (!bytes.empty()) memcpy(buffer, bytes.data(), bytes.size());
    *size = (uint32_t)bytes.size();
    return REGISTRY_READ;
}

bool registry_set(RegistryKey *key, const char *name, uint32_t type, const void *data,
                  uint32_t size) {
    RegistryState &r = registry_state();
    std::lock_guard<std::mutex> guard(r.lock);
    if (!key || !name || (r.failing & REGISTRY_TEST_SET)) return false;
    const unsigned char *bytes = (const unsigned char *)data;
    StoredValue value{type, std::vector<unsigned char>(bytes, bytes + size)};
    r.keys[key->path][name] = value;
    ++r.writes;
    return true;
}

bool registry_set_text_wide(RegistryKey *key, const char *name, const uint16_t *text,
                            uint32_t chars) {
    // Natively the narrow code page is UTF-8.
    std::string utf8(utf16_to_utf8(text, chars, nullptr, 0) + 1, '\0');
    uint32_t bytes = utf16_to_utf8(text, chars, &utf8[0], (uint32_t)utf8.size());
    return registry_set(key, name, REGISTRY_TYPE_SZ, utf8.data(), bytes);
}

void registry_close(RegistryKey *key) {
    delete key;
}

void registry_test_reset() {
    RegistryState &r = registry_state();
    std::lock_guard<std::mutex> guard(r.lock);
    r.keys.clear();
    r.failing = 0;
    r.query_outcomes.clear();
    r.writes = 0;
}
void registry_test_fail(unsigned operations) {
    std::lock_guard<std::mutex> guard(registry_state().lock);
    registry_state().failing = operations;
}
void registry_test_fail_query(const char *name, int outcome) {
    std::lock_guard<std::mutex> guard(registry_state().lock);
    registry_state().query_outcomes[name] = outcome;
}
uint64_t registry_test_writes() {
    return counter_read(registry_state(), &RegistryState::writes);
}
void registry_test_delete_key(const char *subkey) {
    std::lock_guard<std::mutex> guard(registry_state().lock);
    registry_state().keys.erase(subkey);
}
