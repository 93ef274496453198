// Drives the real kovelt.exe the way a user does (clicks, typing, closing)
// from another process, and checks the shared "ORDER" bytes after each step.
// Needs a display; under Wine, tools/test provides one with Xvfb.
#include "kovelt_files.h"
#include "png_write.h"
#include "test_support.h"
#include "tool/resource.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const wchar_t CAPTION[] = L"特殊SPI設定";
const DWORD START_TIMEOUT_MS = 60000; // the first start in a fresh prefix is slow
const DWORD STEP_TIMEOUT_MS = 10000;

bool under_wine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Every tool process belongs to this job, which kills it when the driver ends
// in any way, so no tool outlives the test.
HANDLE tool_job() {
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

bool tool_launch(RunningTool *tool) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string exe = test_kovelt_exe(), dir = test_kovelt_dir();
    if (!CreateProcessA(exe.c_str(), NULL, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, dir.c_str(),
                        &startup, &tool->process))
        return false;
    AssignProcessToJobObject(tool_job(), tool->process.hProcess);
    ResumeThread(tool->process.hThread);
    return true;
}

bool tool_running(const RunningTool &tool) {
    return tool.process.hProcess && WaitForSingleObject(tool.process.hProcess, 0) == WAIT_TIMEOUT;
}

// Waits up to ms for the process to end; true once it has.
bool tool_wait_exit(const RunningTool &tool, DWORD ms) {
    return WaitForSingleObject(tool.process.hProcess, ms) == WAIT_OBJECT_0;
}

struct WindowSearch {
    DWORD process_id;
    HWND exclude;
    bool want_caption;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
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

std::vector<HWND> visible_dialogs(DWORD process_id, HWND exclude, bool want_caption) {
    WindowSearch search = {process_id, exclude, want_caption, {}};
    EnumWindows(collect_dialog, (LPARAM)&search);
    return search.found;
}

// The settings dialog once it is shown and the tool waits for input; null
// if the process ends or the time runs out first.
HWND tool_wait_dialog(const RunningTool &tool) {
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

void tool_end(RunningTool *tool) {
    if (tool_running(*tool)) {
        TerminateProcess(tool->process.hProcess, 99);
        tool_wait_exit(*tool, STEP_TIMEOUT_MS);
    }
    if (tool->process.hProcess) CloseHandle(tool->process.hProcess);
    if (tool->process.hThread) CloseHandle(tool->process.hThread);
    *tool = RunningTool();
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, STEP_TIMEOUT_MS,
                             &result))
        ADD_FAILURE() << "no answer to message " << message;
    return (LRESULT)result;
}

// Without a window manager Wine draws captions itself only when told to, and
// the dialog's font is found under the Japanese font that Debian ships.
void prepare_wine_desktop() {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS) {
        const wchar_t font[] = L"IPAPGothic";
        RegSetValueExW(key, L"ＭＳ Ｐゴシック", 0, REG_SZ, (const BYTE *)font, sizeof font);
        RegCloseKey(key);
    }
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS) {
        const wchar_t no[] = L"N";
        RegSetValueExW(key, L"Decorated", 0, REG_SZ, (const BYTE *)no, sizeof no);
        RegCloseKey(key);
    }
}

SettingsRecord default_record() {
    SettingsRecord r;
    settings_defaults(&r);
    return r;
}

bool same_record(const SettingsRecord &a, const SettingsRecord &b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

std::string record_hex(const SettingsRecord &r) {
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

    void start() {
        ASSERT_TRUE(tool_launch(&tool)) << test_kovelt_exe();
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

// The window as it is on screen, kept as a PNG for people to look at.
bool save_window_picture(HWND window, const std::string &path, int *colours) {
    RECT r;
    GetWindowRect(window, &r);
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

TEST_F(KoveltGui, FirstStartShowsDefaultsAndClosingSwitchesOff) {
    start();
    SettingsRecord expected = default_record();
    EXPECT_EQ(record_hex(stored()), record_hex(expected));
    EXPECT_EQ(tick(CONTROL_ALL_OFF), 0);
    EXPECT_EQ(tick(CONTROL_STAY_ENABLED), 0);
    EXPECT_EQ(tick(CONTROL_BACKGROUND), 1);
    EXPECT_EQ(tick(CONTROL_KEY_NONE), 1);
    EXPECT_EQ(tick(CONTROL_ALPHA_BLEND), 1);
    EXPECT_EQ(tick(CONTROL_ALPHA_IGNORE), 0);
    EXPECT_EQ(text_of(CONTROL_BRIGHTNESS), "1000");
    EXPECT_EQ(text_of(CONTROL_CELL_WIDTH), "16");
    EXPECT_EQ(text_of(CONTROL_KEY_COLOUR), "000000");
    EXPECT_EQ(text_of(CONTROL_BG_COLOUR1), "808080");
    EXPECT_EQ(text_of(CONTROL_GRID_COLOUR), "ffffff");

    // Have every control painted, then keep a picture of the dialog.
    RedrawWindow(tool.dialog, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::string folder = test_windows_path(KOVELT_ARTIFACTS);
    CreateDirectoryA(folder.c_str(), NULL);
    int colours = 0;
    EXPECT_TRUE(save_window_picture(tool.dialog, folder + "\\kovelt-dialog.png", &colours));
    EXPECT_GT(colours, 3) << "the dialog's picture is blank";

    close_tool();
    expected.flags = 0;
    EXPECT_EQ(record_hex(stored()), record_hex(expected));
}

TEST_F(KoveltGui, StoredFlagsZeroAreSwitchedOnWhileTheToolRuns) {
    SettingsRecord r = default_record();
    r.flags = 0;
    r.brightness = 1234;
    r.alpha_scale = 99; // no control edits it: it stays as loaded
    r.reserved43 = 1;
    test_store_settings(r);
    start();
    EXPECT_EQ(tick(CONTROL_ALL_OFF), 0);
    r.flags = 3;
    EXPECT_EQ(record_hex(stored()), record_hex(r));
    close_tool();
    r.flags = 0;
    EXPECT_EQ(record_hex(stored()), record_hex(r));
}

TEST_F(KoveltGui, StayEnabledKeepsTheFlagsAtClose) {
    start();
    click(CONTROL_STAY_ENABLED);
    EXPECT_EQ(stored().flags, 7);
    close_tool();
    EXPECT_EQ(stored().flags, 7);

    start();
    EXPECT_EQ(tick(CONTROL_STAY_ENABLED), 1);
    click(CONTROL_ALL_OFF);
    EXPECT_EQ(tick(CONTROL_ALL_OFF), 1);
    EXPECT_EQ(stored().flags, 4);
    close_tool();
    EXPECT_EQ(stored().flags, 4);

    // Ticked "all off" is undone at start; unticking "stay" clears all at close.
    start();
    EXPECT_EQ(tick(CONTROL_ALL_OFF), 0);
    EXPECT_EQ(stored().flags, 7);
    click(CONTROL_STAY_ENABLED);
    EXPECT_EQ(stored().flags, 3);
    close_tool();
    EXPECT_EQ(stored().flags, 0);
}

TEST_F(KoveltGui, SecondInstanceEndsAtOnceTouchingNothing) {
    start();
    SettingsRecord sentinel = default_record();
    sentinel.flags = 0;
    sentinel.brightness = 4321;
    test_store_settings(sentinel);

    RunningTool second;
    ASSERT_TRUE(tool_launch(&second));
    bool ended = tool_wait_exit(second, START_TIMEOUT_MS);
    DWORD code = 1234;
    GetExitCodeProcess(second.process.hProcess, &code);
    tool_end(&second);
    ASSERT_TRUE(ended) << "the second instance kept running";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(record_hex(stored()), record_hex(sentinel));
    EXPECT_EQ(visible_dialogs(0, NULL, true).size(), 1u);
    EXPECT_TRUE(tool_running(tool));
}

TEST_F(KoveltGui, TypedNumbersAreClampedButShownAsTyped) {
    start();
    const struct {
        int id;
        const char *text;
        int16_t SettingsRecord::*field;
        int16_t stored;
    } decimals[] = {
        {CONTROL_BRIGHTNESS, "-5", &SettingsRecord::brightness, 0},
        {CONTROL_BRIGHTNESS, "40000", &SettingsRecord::brightness, 32767},
        {CONTROL_BRIGHTNESS, "70000", &SettingsRecord::brightness, 32767},
        {CONTROL_BRIGHTNESS, "1500", &SettingsRecord::brightness, 1500},
        {CONTROL_BRIGHTNESS, "abc", &SettingsRecord::brightness, 0},
        {CONTROL_KEY_INDEX, "300", &SettingsRecord::transparent_index, 255},
        {CONTROL_KEY_INDEX, "-4", &SettingsRecord::transparent_index, 0},
        {CONTROL_CELL_WIDTH, "2000", &SettingsRecord::cell_width, 1024},
        {CONTROL_CELL_HEIGHT, "-1", &SettingsRecord::cell_height, 0},
        {CONTROL_CELL_HEIGHT, "33", &SettingsRecord::cell_height, 33},
        {CONTROL_CLUT_OFFSET, "-3", &SettingsRecord::clut_offset, -3},
        {CONTROL_CLUT_OFFSET, "70000", &SettingsRecord::clut_offset, 4464},
    };
    for (const auto &c : decimals) {
        type(c.id, c.text);
        EXPECT_EQ(stored().*c.field, c.stored) << c.id << " " << c.text;
        EXPECT_EQ(text_of(c.id), c.text) << c.id;
    }
    const struct {
        int id;
        const char *text;
        uint32_t SettingsRecord::*field;
        uint32_t stored;
    } hexes[] = {
        {CONTROL_KEY_COLOUR, "0x1f", &SettingsRecord::transparent_colour, 0x1F},
        {CONTROL_BG_COLOUR1, "80000000", &SettingsRecord::bg_colour1, 0x80000000u},
        {CONTROL_BG_COLOUR2, "-1", &SettingsRecord::bg_colour2, 0xFFFFFFFFu},
        {CONTROL_GRID_COLOUR, "zz", &SettingsRecord::grid_colour, 0},
    };
    for (const auto &c : hexes) {
        type(c.id, c.text);
        EXPECT_EQ(stored().*c.field, c.stored) << c.id << " " << c.text;
        EXPECT_EQ(text_of(c.id), c.text) << c.id;
    }
}

TEST_F(KoveltGui, LoadedValuesOutOfRangeAreShownThenClamped) {
    SettingsRecord r = default_record();
    r.brightness = -5;
    r.cell_width = 2000;
    r.cell_height = -9;
    r.transparent_index = 999;
    r.bg_colour2 = 0x80000000u;
    r.transparent_mode = 7; // no button of the set
    test_store_settings(r);
    start();
    EXPECT_EQ(text_of(CONTROL_BRIGHTNESS), "-5");
    EXPECT_EQ(text_of(CONTROL_CELL_WIDTH), "2000");
    EXPECT_EQ(text_of(CONTROL_CELL_HEIGHT), "-9");
    EXPECT_EQ(text_of(CONTROL_KEY_INDEX), "999");
    EXPECT_EQ(text_of(CONTROL_BG_COLOUR2), "80000000");
    EXPECT_EQ(tick(CONTROL_KEY_NONE) + tick(CONTROL_KEY_BY_COLOUR) + tick(CONTROL_KEY_BY_INDEX), 0);
    SettingsRecord now = stored();
    EXPECT_EQ(now.brightness, 0);
    EXPECT_EQ(now.cell_width, 1024);
    EXPECT_EQ(now.cell_height, 0);
    EXPECT_EQ(now.transparent_index, 255);
    EXPECT_EQ(now.bg_colour2, 0x80000000u); // a colour word survives being shown
    EXPECT_EQ(now.transparent_mode, 7);
}

TEST_F(KoveltGui, RadioButtonsOfASetExcludeEachOther) {
    start();
    click(CONTROL_KEY_BY_COLOUR);
    EXPECT_EQ(stored().transparent_mode, 1);
    EXPECT_EQ(tick(CONTROL_KEY_BY_COLOUR), 1);
    EXPECT_EQ(tick(CONTROL_KEY_NONE), 0);
    click(CONTROL_KEY_BY_INDEX);
    EXPECT_EQ(stored().transparent_mode, 2);
    EXPECT_EQ(tick(CONTROL_KEY_BY_COLOUR), 0);
    click(CONTROL_KEY_NONE);
    EXPECT_EQ(stored().transparent_mode, 0);
    EXPECT_EQ(tick(CONTROL_KEY_NONE) + tick(CONTROL_KEY_BY_COLOUR) + tick(CONTROL_KEY_BY_INDEX), 1);

    const int alpha[] = {CONTROL_ALPHA_IGNORE, CONTROL_ALPHA_BLEND, CONTROL_ALPHA_ADD,
                         CONTROL_ALPHA_SUBTRACT};
    for (int mode : {3, 0, 2, 1}) {
        click(alpha[mode]);
        EXPECT_EQ(stored().alpha_mode, mode);
        for (int other = 0; other < 4; ++other)
            EXPECT_EQ(tick(alpha[other]), other == mode) << mode << " " << other;
    }
    EXPECT_EQ(stored().transparent_mode, 0);
}

TEST_F(KoveltGui, CheckBoxesWriteTheirFields) {
    start();
    const struct {
        int id;
        size_t offset;
        uint8_t after_click;
    } boxes[] = {{CONTROL_ALPHA_INVERT, 7, 1},      {CONTROL_ALPHA_128, 8, 1},
                 {CONTROL_ALPHA_ZERO_OPAQUE, 6, 1}, {CONTROL_BACKGROUND, 41, 0},
                 {CONTROL_GRID_LINES, 42, 1},       {CONTROL_SINGLE_COLUMN, 44, 1},
                 {CONTROL_DIB32_DIRECT, 11, 1},     {CONTROL_DIB32_PALETTE, 11, 3}};
    for (const auto &box : boxes) {
        SettingsRecord before = stored();
        click(box.id);
        SettingsRecord after = stored();
        EXPECT_EQ(((unsigned char *)&after)[box.offset], box.after_click) << box.id;
        ((unsigned char *)&after)[box.offset] = ((unsigned char *)&before)[box.offset];
        EXPECT_EQ(record_hex(after), record_hex(before)) << box.id << " changed another field";
    }
    EXPECT_EQ(tick(CONTROL_DIB32_DIRECT), 1);
    EXPECT_EQ(tick(CONTROL_BACKGROUND), 0);
}

TEST_F(KoveltGui, DefaultsButtonRestoresEverything) {
    start();
    click(CONTROL_STAY_ENABLED);
    click(CONTROL_ALL_OFF);
    click(CONTROL_ALPHA_ADD);
    click(CONTROL_GRID_LINES);
    type(CONTROL_CELL_WIDTH, "3");
    type(CONTROL_BG_COLOUR1, "123456");
    ASSERT_FALSE(same_record(stored(), default_record()));
    click(CONTROL_DEFAULTS);
    EXPECT_EQ(record_hex(stored()), record_hex(default_record()));
    EXPECT_EQ(tick(CONTROL_STAY_ENABLED), 0);
    EXPECT_EQ(tick(CONTROL_ALL_OFF), 0);
    EXPECT_EQ(tick(CONTROL_ALPHA_ADD), 0);
    EXPECT_EQ(tick(CONTROL_ALPHA_BLEND), 1);
    EXPECT_EQ(text_of(CONTROL_CELL_WIDTH), "16");
    EXPECT_EQ(text_of(CONTROL_BG_COLOUR1), "808080");
}

TEST_F(KoveltGui, EscapeAndEnterNeitherCloseNorWrite) {
    start();
    SettingsRecord sentinel = stored();
    sentinel.reserved45[15] = 0x5A; // a byte the tool's copy does not have
    test_store_settings(sentinel);
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageA(tool.dialog, WM_KEYDOWN, key, 0x00010001);
        PostMessageA(tool.dialog, WM_KEYUP, key, 0xC0010001);
    }
    // A posted marker behind the keys: once it has arrived, they have too.
    PostMessageA(item(CONTROL_BRIGHTNESS), EM_SETSEL, 1, 3);
    DWORD start_time = GetTickCount();
    while (send(item(CONTROL_BRIGHTNESS), EM_GETSEL, 0, 0) != MAKELONG(1, 3) &&
           GetTickCount() - start_time < STEP_TIMEOUT_MS)
        tool_wait_exit(tool, 10);
    EXPECT_EQ(send(item(CONTROL_BRIGHTNESS), EM_GETSEL, 0, 0), MAKELONG(1, 3));
    EXPECT_TRUE(tool_running(tool));
    EXPECT_TRUE(IsWindowVisible(tool.dialog));
    EXPECT_EQ(record_hex(stored()), record_hex(sentinel));
}

TEST_F(KoveltGui, ViewerButtonWritesTheRecordAndKeepsRunning) {
    start();
    SettingsRecord held = stored();
    SettingsRecord sentinel = held;
    sentinel.reserved45[15] = 0x5A;
    for (int press = 0; press < 3; ++press) {
        test_store_settings(sentinel);
        click(CONTROL_VIEWER);
        EXPECT_EQ(record_hex(stored()), record_hex(held)) << press;
    }
    EXPECT_TRUE(tool_running(tool));
}

TEST_F(KoveltGui, ColourChooserEditsTheFieldInItsOwnOrder) {
    start();
    type(CONTROL_BG_COLOUR1, "123456");
    PostMessageA(item(CONTROL_PICK_BG1), BM_CLICK, 0, 0);
    HWND chooser = wait_other_dialog();
    ASSERT_TRUE(chooser) << "the colour chooser did not open";
    const int RED = 706, GREEN = 707, BLUE = 708; // the chooser's own edit boxes
    auto chooser_text = [&](int id) {
        char text[16] = "";
        send(GetDlgItem(chooser, id), WM_GETTEXT, sizeof text, (LPARAM)text);
        return std::string(text);
    };
    EXPECT_EQ(chooser_text(RED), "18");
    EXPECT_EQ(chooser_text(GREEN), "52");
    EXPECT_EQ(chooser_text(BLUE), "86");
    send(GetDlgItem(chooser, RED), WM_SETTEXT, 0, (LPARAM) "0");
    send(GetDlgItem(chooser, GREEN), WM_SETTEXT, 0, (LPARAM) "0");
    send(GetDlgItem(chooser, BLUE), WM_SETTEXT, 0, (LPARAM) "255");
    send(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(wait_stored([](const SettingsRecord &r) { return r.bg_colour1 == 0x0000FFu; }))
        << std::hex << stored().bg_colour1;
    EXPECT_EQ(text_of(CONTROL_BG_COLOUR1), "ff");
    click(CONTROL_KEY_NONE); // a refill shows it in full
    EXPECT_EQ(text_of(CONTROL_BG_COLOUR1), "0000ff");

    // Cancelling changes nothing.
    PostMessageA(item(CONTROL_PICK_GRID), BM_CLICK, 0, 0);
    chooser = wait_other_dialog();
    ASSERT_TRUE(chooser) << "the colour chooser did not open again";
    send(GetDlgItem(chooser, RED), WM_SETTEXT, 0, (LPARAM) "1");
    send(GetDlgItem(chooser, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(wait_window_gone(chooser));
    EXPECT_EQ(send(tool.dialog, WM_NULL, 0, 0), 0);
    EXPECT_EQ(stored().grid_colour, 0xFFFFFFu);
    EXPECT_EQ(text_of(CONTROL_GRID_COLOUR), "ffffff");
    close_tool();
}

} // namespace
