// Drives the real kovelt.exe from another process the way a user does:
// starting it in a kill-on-close job, finding its windows, clicking, typing,
// reading "ORDER" back and keeping pictures of the screen. Needs a display
// (Xvfb under Wine).
#pragma once

#include "tests/settings_tool/kovelt_files.h"
#include "tests/settings_tool/png_write.h"
#include "tests/support/test_support.h"
#include "settings_tool/resource.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

const wchar_t CAPTION[] = L"特殊SPI設定";

// Where 32-bit programs run only under qemu-user one start takes about a
// minute; the smoke set there sets GRIDGLYPH_WAIT_SCALE to stretch every wait.
inline DWORD scaled_wait(DWORD ms) {
    const char *scale = getenv("GRIDGLYPH_WAIT_SCALE");
    int factor = scale ? atoi(scale) : 1;
    return factor > 1 && factor <= 100 ? ms * (DWORD)factor : ms;
}
const DWORD START_TIMEOUT_MS = scaled_wait(60000); // the first start in a fresh prefix is slow
const DWORD STEP_TIMEOUT_MS = scaled_wait(10000);

inline bool under_wine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Every tool process belongs to this job, which kills it when the driver ends
// in any way, so no tool outlives the test.
inline HANDLE tool_job() {
    static HANDLE job = [] {
        HANDLE created = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

struct RunningTool {
    PROCESS_INFORMATION process = {};
    HWND dialog = NULL;
};

// The built tool, or a copy of it elsewhere (exe, started in its folder).
inline bool tool_launch(RunningTool *tool, const std::wstring &copy = L"") {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::string built = test_kovelt_exe();
    std::wstring exe = copy.empty() ? std::wstring(built.begin(), built.end()) : copy;
    std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
    // Once in a CI run Wine refused to start a copy made a moment before; try
    // again for a few seconds and say why each try failed.
    DWORD begin = GetTickCount();
    while (!CreateProcessW(exe.c_str(), NULL, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL,
                           dir.c_str(), &startup, &tool->process)) {
        fprintf(stderr, "starting the tool failed with error %lu\n", GetLastError());
        if (GetTickCount() - begin >= STEP_TIMEOUT_MS) return false;
        Sleep(500);
    }
    AssignProcessToJobObject(tool_job(), tool->process.hProcess);
    ResumeThread(tool->process.hThread);
    return true;
}

inline bool tool_running(const RunningTool &tool) {
    return tool.process.hProcess && WaitForSingleObject(tool.process.hProcess, 0) == WAIT_TIMEOUT;
}

// Waits up to ms for the process to end; true once it has.
inline bool tool_wait_exit(const RunningTool &tool, DWORD ms) {
    return WaitForSingleObject(tool.process.hProcess, ms) == WAIT_OBJECT_0;
}

struct WindowSearch {
    DWORD process_id;
    HWND exclude;
    bool want_caption;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
    WindowSearch *search = (WindowSearch *)data;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t type[16] = L"", title[64] = L"";
    GetClassNameW(window, type, 16);
    GetWindowTextW(window, title, 64);
    if ((search->process_id == 0 || owner == search->process_id) && window != search->exclude &&
        IsWindowVisible(window) && wcscmp(type, L"#32770") == 0 &&
        (!search->want_caption || wcscmp(title, CAPTION) == 0))
        search->found.push_back(window);
    return TRUE;
}

inline std::vector<HWND> visible_dialogs(DWORD process_id, HWND exclude, bool want_caption) {
    WindowSearch search = {process_id, exclude, want_caption, {}};
    EnumWindows(collect_dialog, (LPARAM)&search);
    return search.found;
}

// The settings dialog once it is shown and the tool waits for input; null
// if the process ends or the time runs out first.
inline HWND tool_wait_dialog(const RunningTool &tool) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < START_TIMEOUT_MS) {
        std::vector<HWND> shown = visible_dialogs(tool.process.dwProcessId, NULL, true);
        if (!shown.empty()) {
            WaitForInputIdle(tool.process.hProcess, STEP_TIMEOUT_MS);
            return shown[0];
        }
        if (tool_wait_exit(tool, 20)) return NULL;
    }
    return NULL;
}

inline void tool_end(RunningTool *tool) {
    if (tool_running(*tool)) {
        TerminateProcess(tool->process.hProcess, 99);
        tool_wait_exit(*tool, STEP_TIMEOUT_MS);
    }
    if (tool->process.hProcess) CloseHandle(tool->process.hProcess);
    if (tool->process.hThread) CloseHandle(tool->process.hThread);
    *tool = RunningTool();
}

inline LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, STEP_TIMEOUT_MS,
                             &result))
        ADD_FAILURE() << "no answer to message " << message;
    return (LRESULT)result;
}

// Without a window manager Wine draws captions itself only when told to. (The
// test prefix's template maps the dialog's font to Debian's Japanese font.)
inline void prepare_wine_desktop() {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS) {
        const wchar_t no[] = L"N";
        RegSetValueExW(key, L"Decorated", 0, REG_SZ, (const BYTE *)no, sizeof no);
        RegCloseKey(key);
    }
}

inline SettingsRecord default_record() {
    SettingsRecord r;
    settings_defaults(&r);
    return r;
}

inline bool same_record(const SettingsRecord &a, const SettingsRecord &b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

inline std::string record_hex(const SettingsRecord &r) {
    std::string out;
    char two[4];
    for (size_t i = 0; i < sizeof r; ++i) {
        snprintf(two, sizeof two, "%02x", ((const unsigned char *)&r)[i]);
        out += two;
    }
    return out;
}

struct KoveltGui : ::testing::Test {
    RunningTool tool;

    void SetUp() override {
        if (under_wine() && !getenv("DISPLAY"))
            GTEST_SKIP() << "DISPLAY is not set: the dialog cannot be shown (tools/test runs "
                            "these tests on Xvfb)";
        test_registry_clear();
        if (under_wine()) prepare_wine_desktop();
    }
    void TearDown() override {
        tool_end(&tool);
        test_registry_clear();
    }

    void start(const std::wstring &copy = L"") {
        ASSERT_TRUE(tool_launch(&tool, copy)) << test_kovelt_exe();
        tool.dialog = tool_wait_dialog(tool);
        ASSERT_TRUE(tool.dialog) << "the dialog did not appear";
    }
    void close_tool() {
        ASSERT_TRUE(PostMessageA(tool.dialog, WM_CLOSE, 0, 0));
        ASSERT_TRUE(tool_wait_exit(tool, STEP_TIMEOUT_MS)) << "the tool did not end";
        DWORD code = 1234;
        GetExitCodeProcess(tool.process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        tool_end(&tool);
    }

    SettingsRecord stored() {
        SettingsRecord r = {};
        std::vector<unsigned char> value;
        if (!test_read_value(SETTINGS_VALUE, &value) || value.size() != sizeof r) {
            ADD_FAILURE() << "ORDER is missing or not 64 bytes";
            return r;
        }
        memcpy(&r, value.data(), sizeof r);
        return r;
    }
    // Polls "ORDER" until it satisfies check; for steps that finish after the
    // message that started them has returned.
    template <typename Check> bool wait_stored(Check check) {
        DWORD start = GetTickCount();
        do {
            std::vector<unsigned char> value;
            SettingsRecord r;
            if (test_read_value(SETTINGS_VALUE, &value) && value.size() == sizeof r) {
                memcpy(&r, value.data(), sizeof r);
                if (check(r)) return true;
            }
        } while (!tool_wait_exit(tool, 10) && GetTickCount() - start < STEP_TIMEOUT_MS);
        return false;
    }

    HWND item(int id) { return GetDlgItem(tool.dialog, id); }
    void click(int id) { send(item(id), BM_CLICK, 0, 0); }
    void type(int id, const char *text) { send(item(id), WM_SETTEXT, 0, (LPARAM)text); }
    int tick(int id) { return (int)send(item(id), BM_GETCHECK, 0, 0); }
    std::string text_of(int id) {
        char text[256] = "";
        send(item(id), WM_GETTEXT, sizeof text, (LPARAM)text);
        return text;
    }

    // A top-level dialog of the tool other than the settings dialog.
    HWND wait_other_dialog() {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < STEP_TIMEOUT_MS) {
            std::vector<HWND> shown = visible_dialogs(tool.process.dwProcessId, tool.dialog, false);
            if (!shown.empty()) return shown[0];
            if (tool_wait_exit(tool, 20)) break;
        }
        return NULL;
    }
    bool wait_window_gone(HWND window) {
        DWORD start = GetTickCount();
        while (IsWindow(window) && IsWindowVisible(window)) {
            if (tool_wait_exit(tool, 20) || GetTickCount() - start > STEP_TIMEOUT_MS) return false;
        }
        return true;
    }
};

// A part of the screen, kept as a PNG for people to look at; colours counts
// the distinct colours seen (up to 64), to tell a blank picture.
inline bool save_screen_picture(RECT r, const std::string &path, int *colours) {
    int margin = 8;
    int left = r.left > margin ? r.left - margin : 0, top = r.top > margin ? r.top - margin : 0;
    int width = r.right + margin - left, height = r.bottom + margin - top;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    bool copied = BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    std::vector<uint32_t> seen;
    for (int i = 0; copied && i < width * height; ++i) {
        uint32_t pixel = ((const uint32_t *)bits)[i];
        rgb[i * 3] = (uint8_t)(pixel >> 16);
        rgb[i * 3 + 1] = (uint8_t)(pixel >> 8);
        rgb[i * 3 + 2] = (uint8_t)pixel;
        if (seen.size() < 64 && std::find(seen.begin(), seen.end(), pixel) == seen.end())
            seen.push_back(pixel);
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    *colours = (int)seen.size();
    return copied && png_write(path.c_str(), width, height, rgb);
}

// The window as it is on screen.
inline bool save_window_picture(HWND window, const std::string &path, int *colours) {
    RECT r;
    GetWindowRect(window, &r);
    return save_screen_picture(r, path, colours);
}
