// The thin layer over the operating system: fixed local-heap blocks, files
// opened for reading, and the per-user registry. The Win32 implementation
// calls the real APIs; the portable one (POSIX files, malloc, an in-memory
// registry) lets the same plug-in and tool code run natively in tests.
#pragma once

#include <stdint.h>

// ---- Local heap -------------------------------------------------------------
// Fixed blocks whose contents are not cleared. Blocks that reach the host are
// freed by it with LocalFree, so everything crossing the boundary comes from
// here. Sizes are 64-bit: a size the address space cannot hold is refused
// (null) rather than wrapped.
void *heap_alloc(uint64_t size);
void heap_free(void *block); // null is ignored

// ---- Files ------------------------------------------------------------------
typedef struct PlatformFile PlatformFile;

// A file name as the host gave it: narrow (ANSI code page) or UTF-16 (set
// instead when the host called a wide entry point). Both null: no file.
struct FileName {
    const char *narrow;
    const uint16_t *wide;
};

// Why a file did not open: a caller answers a record that could not be
// allocated as a memory failure, not as a file that cannot be read.
enum { FILE_OPEN_FAILED = 1, FILE_OPEN_NO_MEMORY = 2 };

// Open an existing file for reading, sharing read access; null on failure,
// and *failure (when given) says why.
PlatformFile *file_open_read(const char *name, int *failure = nullptr);
// The same for a UTF-16 name (the wide file API on Windows), so names outside
// the user's ANSI code page open too.
PlatformFile *file_open_read_wide(const uint16_t *name, int *failure = nullptr);
inline PlatformFile *file_open_named(FileName name, int *failure = nullptr) {
    return name.wide ? file_open_read_wide(name.wide, failure)
                     : file_open_read(name.narrow, failure);
}
// Wrap a handle the host opened (the handle form of IsSupported); the handle
// is neither moved nor closed by file_close_borrowed.
PlatformFile *file_from_handle(uintptr_t handle);
// Size in bytes; false when it cannot be taken.
bool file_size(PlatformFile *file, uint64_t *size);
// Move to an absolute offset from the beginning.
bool file_seek(PlatformFile *file, uint64_t offset);
// Read up to count bytes at the current position; *got receives the number
// read. False on a failed read.
bool file_read(PlatformFile *file, void *buffer, uint32_t count, uint32_t *got);
void file_close(PlatformFile *file);
void file_close_borrowed(PlatformFile *file);

// ---- Registry (HKEY_CURRENT_USER) ---------------------------------------------
typedef struct RegistryKey RegistryKey;

enum {
    REGISTRY_READ = 0,      // the value was read whole
    REGISTRY_MORE_DATA = 1, // the value is longer than the buffer
    REGISTRY_FAILED = 2,    // missing, or any other failure
};

enum {
    REGISTRY_TYPE_SZ = 1,
    REGISTRY_TYPE_BINARY = 3,
};

// Open an existing key with full access; null when it is missing.
RegistryKey *registry_open(const char *subkey);
// Create the key (non-volatile, empty class) or open it; null on failure.
RegistryKey *registry_create(const char *subkey);
// Read a value into buffer; *size holds the buffer size on entry and the
// number of bytes delivered on return. The stored type is not reported.
int registry_query(RegistryKey *key, const char *name, void *buffer, uint32_t *size);
// Write a value; true on success.
bool registry_set(RegistryKey *key, const char *name, uint32_t type, const void *data,
                  uint32_t size);
// Write a text value from UTF-16 (chars without a terminator) through the
// wide call, so the stored text loses nothing; narrow readers get it in
// their code page.
bool registry_set_text_wide(RegistryKey *key, const char *name, const uint16_t *text,
                            uint32_t chars);

// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD); returns the bytes
// needed without the terminator, writing at most room - 1 and a terminator
// when room > 0.
uint32_t utf16_to_utf8(const uint16_t *text, uint32_t chars, char *out, uint32_t room);
uint32_t utf16_length(const uint16_t *text);
void registry_close(RegistryKey *key);
