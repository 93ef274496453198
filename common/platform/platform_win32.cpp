// Win32 platform layer: the real local heap, files and registry.
#include "common/platform/platform.h"

#include <windows.h>

// ---- Local heap -------------------------------------------------------------

void *heap_alloc(uint64_t size) {
    if (size > (uint64_t)(SIZE_T)-1 / 2) return nullptr; // beyond the address space
    return (void *)LocalAlloc(LMEM_FIXED, (SIZE_T)size);
}

void heap_free(void *block) {
    if (block) LocalFree((HLOCAL)block);
}

// ---- Files ------------------------------------------------------------------

struct PlatformFile {
    HANDLE handle;
};

// Takes ownership of an open handle; closes it when no record can be made.
static PlatformFile *file_wrap(HANDLE h, int *failure) {
    int why = FILE_OPEN_FAILED;
    PlatformFile *file = nullptr;
    if (h != INVALID_HANDLE_VALUE) {
        file = (PlatformFile *)HeapAlloc(GetProcessHeap(), 0, sizeof(PlatformFile));
        if (file) {
            file->handle = h;
            return file;
        }
        CloseHandle(h);
        why = FILE_OPEN_NO_MEMORY;
    }
    if (failure) *failure = why;
    return nullptr;
}

PlatformFile *file_open_read(const char *name, int *failure) {
    if (!name) return file_wrap(INVALID_HANDLE_VALUE, failure);
    return file_wrap(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr),
                     failure);
}

PlatformFile *file_open_read_wide(const uint16_t *name, int *failure) {
    if (!name) return file_wrap(INVALID_HANDLE_VALUE, failure);
    return file_wrap(CreateFileW((const wchar_t *)name, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                     failure);
}

PlatformFile *file_from_handle(uintptr_t handle) {
    PlatformFile *file = (PlatformFile *)HeapAlloc(GetProcessHeap(), 0, sizeof(PlatformFile));
    if (file) file->handle = (HANDLE)handle;
    return file;
}

bool file_size(PlatformFile *file, uint64_t *size) {
    LARGE_INTEGER li;
    if (!file || !GetFileSizeEx(file->handle, &li)) return false;
    *size = (uint64_t)li.QuadPart;
    return true;
}

bool file_seek(PlatformFile *file, uint64_t offset) {
    LARGE_INTEGER li;
    li.QuadPart = (LONGLONG)offset;
    return file && SetFilePointerEx(file->handle, li, nullptr, FILE_BEGIN);
}

bool file_read(PlatformFile *file, void *buffer, uint32_t count, uint32_t *got) {
    DWORD n = 0;
    *got = 0;
    if (!file) return false;
    BOOL ok = ReadFile(file->handle, buffer, count, &n, nullptr);
    *got = n;
    return ok != 0;
}

void file_close(PlatformFile *file) {
    if (!file) return;
    CloseHandle(file->handle);
    HeapFree(GetProcessHeap(), 0, file);
}

void file_close_borrowed(PlatformFile *file) {
    if (file) HeapFree(GetProcessHeap(), 0, file);
}

// ---- Registry -----------------------------------------------------------------

RegistryKey *registry_open(const char *subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return (RegistryKey *)key;
}

RegistryKey *registry_create(const char *subkey) {
    HKEY key = nullptr;
    char no_class[1] = "";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey, 0, no_class, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return (RegistryKey *)key;
}

int registry_query(RegistryKey *key, const char *name, void *buffer, uint32_t *size) {
    DWORD count = *size;
    LONG rc = RegQueryValueExA((HKEY)key, name, nullptr, nullptr, (BYTE *)buffer, &count);
    *size = count;
    if (rc == ERROR_SUCCESS) return REGISTRY_READ;
    if (rc == ERROR_MORE_DATA) return REGISTRY_MORE_DATA;
    return REGISTRY_FAILED;
}

bool registry_set(RegistryKey *key, const char *name, uint32_t type, const void *data,
                  uint32_t size) {
    return RegSetValueExA((HKEY)key, name, 0, type, (const BYTE *)data, size) == ERROR_SUCCESS;
}

bool registry_set_text_wide(RegistryKey *key, const char *name, const uint16_t *text,
                            uint32_t chars) {
    wchar_t wide_name[64];
    int n = MultiByteToWideChar(CP_ACP, 0, name, -1, wide_name, 64);
    if (n <= 0) return false;
    return RegSetValueExW((HKEY)key, wide_name, 0, REG_SZ, (const BYTE *)text, chars * 2) ==
           ERROR_SUCCESS;
}

void registry_close(RegistryKey *key) {
    if (key) RegCloseKey((HKEY)key);
}
