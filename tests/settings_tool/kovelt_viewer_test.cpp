// The palette viewer of the real kovelt.exe: opened and closed from the
// dialog, fed by a decode through the plug-in DLL, read back from the screen.
#include "common/settings/info.h"
#include "tests/support/synthetic_fonts.h"
#include "tests/settings_tool/kovelt_driver.h"

#include <functional>

namespace {

const int IMAGE = 232;
const DWORD LIVE_MS = 1000; // a decode shows within this

typedef int(__stdcall *PictureFn)(const char *, intptr_t, uint32_t, void **, void **, void *,
                                  intptr_t);

// The status bar that carries the text: the visible one.
BOOL CALLBACK find_status(HWND window, LPARAM data) {
    char type[32] = "";
    GetClassNameA(window, type, sizeof type);
    if (!strcmp(type, "msctls_statusbar32") && IsWindowVisible(window)) *(HWND *)data = window;
    return TRUE;
}

struct KoveltViewer : KoveltGui {
    // Polls until check holds; false when the time runs out or the tool ends.
    bool wait_for(const std::function<bool()> &check, DWORD ms = STEP_TIMEOUT_MS) {
        DWORD start = GetTickCount();
        while (!check()) {
            if (tool_wait_exit(tool, 10) || GetTickCount() - start > ms) return check();
        }
        return true;
    }
    // Only one tool runs, so its viewer is found by class and caption.
    static HWND viewer() {
        HWND window = FindWindowA("KOVELT", "KOVELT clut");
        return IsWindowVisible(window) ? window : NULL;
    }
    static HWND status_bar_of(HWND window) {
        HWND bar = NULL;
        EnumChildWindows(window, find_status, (LPARAM)&bar);
        return bar;
    }
    // The viewer once its status line exists too: the window is shown
    // before that bar is made.
    HWND open_viewer() {
        click(CONTROL_VIEWER);
        HWND shown = NULL;
        wait_for([&] { return (shown = viewer()) != NULL && status_bar_of(shown) != NULL; });
        return shown && status_bar_of(shown) ? shown : NULL;
    }
    std::wstring status_text(HWND window) {
        HWND bar = status_bar_of(window);
        wchar_t text[300] = L"";
        DWORD_PTR length = 0;
        if (bar)
            SendMessageTimeoutW(bar, WM_GETTEXT, 300, (LPARAM)text, SMTO_NORMAL, 1000, &length);
        return text;
    }
    // The 232 x 232 image as the screen shows it, top row first, 0x00RRGGBB.
    std::vector<uint32_t> image(HWND window) {
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, IMAGE, -IMAGE, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        HGDIOBJ old = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, IMAGE, IMAGE, screen, origin.x, origin.y, SRCCOPY);
        std::vector<uint32_t> out((const uint32_t *)bits, (const uint32_t *)bits + IMAGE * IMAGE);
        for (uint32_t &pixel : out) pixel &= 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(copy);
        DeleteDC(memory);
        ReleaseDC(NULL, screen);
        return out;
    }
    // Every pixel of the rectangle has this colour.
    static bool area_is(const std::vector<uint32_t> &pixels, int x, int y, int w, int h,
                        uint32_t colour) {
        for (int row = y; row < y + h; ++row)
            for (int column = x; column < x + w; ++column)
                if (pixels[row * IMAGE + column] != colour) return false;
        return true;
    }
    // Publishes a picture as the plug-in does, without decoding one.
    void publish(uint16_t depth, const std::vector<uint32_t> &palette, const char *name) {
        ImageInfoRecord info = {};
        info.bit_depth = depth;
        info.colour_count = (uint16_t)palette.size();
        info.picture_width = 40 + depth;
        info.picture_height = 30;
        std::vector<uint32_t> clut(256);
        std::copy(palette.begin(), palette.end(), clut.begin());
        test_store_value(INFO_VALUE, REGISTRY_TYPE_BINARY, &info, sizeof info);
        test_store_value(INFO_PALETTE_VALUE, REGISTRY_TYPE_BINARY, clut.data(), 1024);
        test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, name, (uint32_t)strlen(name));
    }
};

TEST_F(KoveltViewer, ExOpensItBelowTheDialogAndEitherWayClosesIt) {
    start();
    HWND shown = open_viewer();
    ASSERT_TRUE(shown) << "the viewer did not open";
    RECT dialog, frame, client, bar_rect;
    GetWindowRect(tool.dialog, &dialog);
    GetWindowRect(shown, &frame);
    EXPECT_EQ(frame.left, dialog.left);
    EXPECT_EQ(frame.top, dialog.bottom + 4);
    HWND bar = status_bar_of(shown);
    GetClientRect(shown, &client);
    GetWindowRect(bar, &bar_rect);
    EXPECT_EQ(client.right, IMAGE);
    EXPECT_EQ(client.bottom, IMAGE + (bar_rect.bottom - bar_rect.top));
    POINT bar_top = {bar_rect.left, bar_rect.top};
    ScreenToClient(shown, &bar_top);
    EXPECT_EQ(bar_top.y, IMAGE) << "the status line must sit below the image";

    // The colour chooser would stop the loop that feeds the viewer: refused,
    // so the click returns at once and nothing opens.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(
        SendMessageTimeoutA(item(CONTROL_PICK_BG1), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored));
    EXPECT_TRUE(visible_dialogs(tool.process.dwProcessId, tool.dialog, false).empty());

    click(CONTROL_VIEWER);
    EXPECT_TRUE(wait_for([&] { return !IsWindow(shown); })) << "ex did not close it";
    shown = open_viewer();
    ASSERT_TRUE(shown) << "the viewer did not open again";
    PostMessageA(shown, WM_SYSCOMMAND, SC_CLOSE, 0); // what its close box sends
    EXPECT_TRUE(wait_for([&] { return !IsWindow(shown); })) << "the close box did not close it";
    // Its destruction reset the requests: one click opens it again.
    ASSERT_TRUE(open_viewer()) << "the viewer did not open after its close box";
    EXPECT_TRUE(tool_running(tool));
}

TEST_F(KoveltViewer, ADecodeShowsItsPaletteAndStatusWithinASecond) {
    start();
    ASSERT_EQ(stored().flags, SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO);
    HWND shown = open_viewer();
    ASSERT_TRUE(shown) << "the viewer did not open";

    std::string folder = test_windows_path(KOVELT_ARTIFACTS);
    CreateDirectoryA(folder.c_str(), NULL);
    std::string font_path = folder + "\\x.fnt";
    std::vector<uint8_t> font = synthetic_font_single(8, 16);
    FILE *f = fopen(font_path.c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(font.data(), 1, font.size(), f);
    fclose(f);
    HMODULE plugin = LoadLibraryA(GRIDGLYPH_DLL);
    ASSERT_TRUE(plugin) << GRIDGLYPH_DLL;
    PictureFn get_picture = (PictureFn)(void *)GetProcAddress(plugin, "GetPicture");
    void *header = nullptr, *pixels = nullptr;
    ASSERT_EQ(get_picture(font_path.c_str(), 0, 0, &header, &pixels, nullptr, 0), 0);
    const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)header;
    char size[32];
    snprintf(size, sizeof size, "%4d*%-4d x.fnt", (int)dib->biWidth, (int)dib->biHeight);
    std::wstring expected = L"  1bit色 " + std::wstring(size, size + strlen(size));
    LocalFree(header);
    LocalFree(pixels);
    FreeLibrary(plugin);

    // Entry 1 white, its strip white; entry 0 and its strip black.
    std::vector<uint32_t> seen;
    bool live = wait_for(
        [&] {
            seen = image(shown);
            return area_is(seen, 19, 5, 12, 8, 0xFFFFFF) && status_text(shown) == expected;
        },
        LIVE_MS);
    EXPECT_TRUE(live) << "not shown within a second; status: "
                      << testing::PrintToString(status_text(shown));
    EXPECT_TRUE(area_is(seen, 19, 13, 12, 1, 0)) << "gap above the strip";
    EXPECT_TRUE(area_is(seen, 19, 14, 12, 3, 0xFFFFFF)) << "alpha strip of entry 1";
    EXPECT_TRUE(area_is(seen, 5, 5, 12, 12, 0)) << "entry 0 and its strip";
    EXPECT_TRUE(area_is(seen, 33, 5, 199, 227, 0)) << "the other entries are black";
    EXPECT_TRUE(area_is(seen, 0, 0, IMAGE, 5, 0)) << "top margin";

    // Dialog and viewer together, for people to look at.
    RECT dialog, frame, both;
    GetWindowRect(tool.dialog, &dialog);
    GetWindowRect(shown, &frame);
    UnionRect(&both, &dialog, &frame);
    int colours = 0;
    EXPECT_TRUE(save_screen_picture(both, folder + "\\kovelt-viewer.png", &colours));
    EXPECT_GT(colours, 3);
    DeleteFileA(font_path.c_str());
}

TEST_F(KoveltViewer, ColoursAlphaAndDeepPicturesAsPublished) {
    start();
    HWND shown = open_viewer();
    ASSERT_TRUE(shown) << "the viewer did not open";
    // Red, green, blue: the channel order reaches the screen unchanged; the
    // mixed alphas bring strips whose grey is the alpha.
    publish(8, {0x00FF0000, 0x8000FF00, 0xFF0000FF, 0x40123456}, "D:\\p\\rgb.bmp");
    std::vector<uint32_t> seen;
    EXPECT_TRUE(wait_for([&] {
        seen = image(shown);
        return area_is(seen, 5, 5, 12, 8, 0xFF0000);
    }));
    EXPECT_TRUE(area_is(seen, 19, 5, 12, 8, 0x00FF00));
    EXPECT_TRUE(area_is(seen, 33, 5, 12, 8, 0x0000FF));
    EXPECT_TRUE(area_is(seen, 47, 5, 12, 8, 0x123456));
    EXPECT_TRUE(area_is(seen, 5, 14, 12, 3, 0x000000));
    EXPECT_TRUE(area_is(seen, 19, 14, 12, 3, 0x808080));
    EXPECT_TRUE(area_is(seen, 33, 14, 12, 3, 0xFFFFFF));
    EXPECT_TRUE(area_is(seen, 47, 14, 12, 3, 0x404040));
    EXPECT_EQ(status_text(shown), L"  8bit色   48*30   rgb.bmp");

    // A 24-bit picture has no palette: black, with its status line.
    publish(24, {0xFFFFFFFF}, "deep.bmp");
    EXPECT_TRUE(wait_for([&] { return status_text(shown) == L" 24bit色   64*30   deep.bmp"; }));
    EXPECT_TRUE(wait_for([&] { return area_is(image(shown), 0, 0, IMAGE, IMAGE, 0); }));

    // What was held survives closing. The name changed only in letter case
    // counts as nothing new, so the reopened viewer shows the held name.
    click(CONTROL_VIEWER);
    ASSERT_TRUE(wait_for([&] { return !IsWindow(shown); }));
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, "DEEP.BMP", 8);
    shown = open_viewer();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(wait_for([&] { return status_text(shown) == L" 24bit色   64*30   deep.bmp"; }))
        << testing::PrintToString(status_text(shown));
}

TEST_F(KoveltViewer, MovingOrResizingKeepsItsSize) {
    start();
    HWND shown = open_viewer();
    ASSERT_TRUE(shown) << "the viewer did not open";
    RECT before;
    GetWindowRect(shown, &before);
    int width = before.right - before.left, height = before.bottom - before.top;
    SetWindowPos(shown, NULL, before.left + 37, before.top + 11, width + 50, height + 30,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT now = {};
    auto settled = [&](int x, int y) {
        GetWindowRect(shown, &now);
        return now.left == x && now.top == y && now.right - now.left == width &&
               now.bottom - now.top == height;
    };
    EXPECT_TRUE(wait_for([&] { return settled(before.left + 37, before.top + 11); }))
        << now.left << "," << now.top << " " << now.right - now.left << "x" << now.bottom - now.top;

    // A size change alone (no move) is undone too.
    SetWindowPos(shown, NULL, 0, 0, width - 40, height + 60,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(wait_for([&] { return settled(before.left + 37, before.top + 11); }))
        << now.right - now.left << "x" << now.bottom - now.top;

    ShowWindowAsync(shown, SW_MINIMIZE);
    EXPECT_TRUE(wait_for([&] { return IsIconic(shown) != 0; }));
    ShowWindowAsync(shown, SW_RESTORE);
    EXPECT_TRUE(wait_for([&] {
        return !IsIconic(shown) && settled(before.left + 37, before.top + 11);
    })) << now.left
        << "," << now.top << " " << now.right - now.left << "x" << now.bottom - now.top;
    EXPECT_TRUE(tool_running(tool));
}

} // namespace
