// The settings dialog of the real kovelt.exe, driven from another process;
// checks the shared "ORDER" bytes after each step.
#include "tests/settings_tool/kovelt_driver.h"

namespace {

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

// A key without a usable record (another program made it, or the value was
// removed) must not give a record of zeros: every picture would be black.
TEST_F(KoveltGui, AKeyWithoutTheRecordStartsFromTheDefaults) {
    test_store_value("GINFO", REGISTRY_TYPE_BINARY, "x", 1);
    start();
    EXPECT_EQ(record_hex(stored()), record_hex(default_record()));
    EXPECT_EQ(text_of(CONTROL_BRIGHTNESS), "1000");
    close_tool();
}

// "?" opens the page beside the program also from a folder whose name the
// narrow code page cannot spell. The test's own association for .htm
// copies whatever page the shell was asked to open.
TEST_F(KoveltGui, HelpPageOpensFromAFolderOutsideTheCodePage) {
    if (!under_wine()) GTEST_SKIP() << "changes the .htm association: only in a test prefix";
    wchar_t here[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, here);
    const std::wstring folder = std::wstring(here) + L"\\\u00dcber \u0416",
                       opened = std::wstring(here) + L"\\help-opened.htm";
    CreateDirectoryW(folder.c_str(), NULL);
    std::string built = test_kovelt_dir();
    std::wstring from(built.begin(), built.end());
    ASSERT_TRUE(
        CopyFileW((from + L"kovelt.exe").c_str(), (folder + L"\\kovelt.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileW((from + L"kovelt.htm").c_str(), (folder + L"\\kovelt.htm").c_str(), FALSE));
    DeleteFileW(opened.c_str());

    wchar_t old_type[64] = L"htmlfile";
    LONG old_size = sizeof old_type;
    RegQueryValueW(HKEY_CLASSES_ROOT, L".htm", old_type, &old_size);
    const std::wstring command = L"cmd.exe /c copy \"%1\" \"" + opened + L"\"";
    RegSetValueW(HKEY_CLASSES_ROOT, L".htm", REG_SZ, L"gridglyph.testpage", 0);
    RegSetValueW(HKEY_CLASSES_ROOT, L"gridglyph.testpage\\shell\\open\\command", REG_SZ,
                 command.c_str(), 0);

    start(folder + L"\\kovelt.exe");
    PostMessageA(item(CONTROL_HELP), BM_CLICK, 0, 0);
    DWORD begin = GetTickCount();
    while (GetFileAttributesW(opened.c_str()) == INVALID_FILE_ATTRIBUTES &&
           GetTickCount() - begin < START_TIMEOUT_MS)
        Sleep(50);
    RegSetValueW(HKEY_CLASSES_ROOT, L".htm", REG_SZ, old_type, 0);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"gridglyph.testpage");
    EXPECT_NE(GetFileAttributesW(opened.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the shell was not asked to open the page beside the program";
    close_tool();
    DeleteFileW(opened.c_str());
    DeleteFileW((folder + L"\\kovelt.exe").c_str());
    DeleteFileW((folder + L"\\kovelt.htm").c_str());
    RemoveDirectoryW(folder.c_str());
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
