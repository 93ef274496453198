// The built kovelt.exe as a file: its dialog template, icon group, imports
// and the help page beside it.
#include "tests/settings_tool/kovelt_files.h"
#include "settings_tool/resource.h"

#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct ControlRow {
    int id;
    uint16_t kind; // class atom: 0x80 button, 0x81 edit, 0x82 static
    uint32_t style;
    int16_t x, y, cx, cy;
    const wchar_t *label;
};

const uint32_t CHECK = 0x50010003, RADIO = 0x50034009, PUSH = 0x50010000, EDIT = 0x50810082,
               LABEL = 0x50020000, GROUP = 0x50000007;
const uint16_t BUTTON = 0x80, EDIT_CLASS = 0x81, STATIC_CLASS = 0x82;
const int NONE = -1;

// The dialog as the user sees it, in tab order.
const ControlRow LAYOUT[38] = {
    {CONTROL_ALL_OFF, BUTTON, CHECK, 0, 0, 32, 9, L"全無効"},
    {CONTROL_STAY_ENABLED, BUTTON, 0x50010103, 0, 12, 37, 9, L"終後有効"},
    {CONTROL_DIB32_PALETTE, BUTTON, CHECK, 40, 2, 44, 9, L"dib32(clut)"},
    {CONTROL_DIB32_DIRECT, BUTTON, CHECK, 40, 12, 44, 9, L"dib32(多色)"},
    {CONTROL_HELP, BUTTON, PUSH, 85, 1, 10, 10, L"?"},
    {CONTROL_VIEWER, BUTTON, PUSH, 85, 12, 10, 10, L"ex"},
    {CONTROL_DEFAULTS, BUTTON, PUSH, 8, 22, 14, 9, L"dflt"},
    {NONE, STATIC_CLASS, LABEL, 10, 33, 16, 9, L"輝度"},
    {CONTROL_BRIGHTNESS, EDIT_CLASS, EDIT, 25, 31, 20, 11, L""},
    {NONE, STATIC_CLASS, LABEL, 2, 44, 22, 9, L"ClutOfs"},
    {CONTROL_CLUT_OFFSET, EDIT_CLASS, EDIT, 25, 42, 20, 11, L""},
    {CONTROL_ALPHA_INVERT, BUTTON, CHECK, 52, 25, 30, 9, L"α反転"},
    {CONTROL_ALPHA_128, BUTTON, CHECK, 52, 35, 30, 9, L"α128"},
    {CONTROL_ALPHA_ZERO_OPAQUE, BUTTON, CHECK, 52, 45, 44, 9, L"α0不透明"},
    {NONE, BUTTON, GROUP, 1, 55, 56, 48, L"透明色"},
    {CONTROL_KEY_NONE, BUTTON, RADIO, 2, 66, 28, 10, L"無し"},
    {CONTROL_KEY_BY_COLOUR, BUTTON, RADIO, 2, 77, 23, 10, L"有り"},
    {CONTROL_KEY_COLOUR, EDIT_CLASS, EDIT, 28, 74, 26, 12, L""},
    {CONTROL_KEY_BY_INDEX, BUTTON, RADIO, 2, 88, 34, 10, L"CLUT別"},
    {CONTROL_KEY_INDEX, EDIT_CLASS, EDIT, 36, 87, 18, 12, L""},
    {NONE, BUTTON, GROUP, 57, 55, 38, 48, L"α演算"},
    {CONTROL_ALPHA_IGNORE, BUTTON, RADIO, 60, 65, 30, 9, L"無視"},
    {CONTROL_ALPHA_BLEND, BUTTON, RADIO, 60, 74, 34, 9, L"ブレンド"},
    {CONTROL_ALPHA_ADD, BUTTON, RADIO, 60, 83, 27, 9, L"加算"},
    {CONTROL_ALPHA_SUBTRACT, BUTTON, RADIO, 60, 92, 25, 9, L"減算"},
    {NONE, BUTTON, GROUP, 1, 100, 94, 44, L""},
    {CONTROL_BACKGROUND, BUTTON, CHECK, 3, 105, 40, 9, L"BG/Grid"},
    {NONE, STATIC_CLASS, LABEL, 3, 120, 11, 8, L"WH"},
    {CONTROL_CELL_WIDTH, EDIT_CLASS, EDIT, 13, 118, 15, 10, L""},
    {CONTROL_CELL_HEIGHT, EDIT_CLASS, EDIT, 28, 118, 16, 10, L""},
    {CONTROL_SINGLE_COLUMN, BUTTON, CHECK, 3, 132, 27, 8, L"予備"},
    {CONTROL_PICK_BG1, BUTTON, PUSH, 45, 107, 21, 10, L"BG色1"},
    {CONTROL_BG_COLOUR1, EDIT_CLASS, EDIT, 67, 107, 26, 10, L""},
    {CONTROL_PICK_BG2, BUTTON, PUSH, 45, 119, 21, 10, L"BG色2"},
    {CONTROL_BG_COLOUR2, EDIT_CLASS, EDIT, 67, 119, 26, 10, L""},
    {CONTROL_GRID_LINES, BUTTON, CHECK, 37, 131, 10, 10, L""},
    {CONTROL_PICK_GRID, BUTTON, PUSH, 45, 131, 21, 10, L"grid線"},
    {CONTROL_GRID_COLOUR, EDIT_CLASS, EDIT, 67, 131, 26, 10, L""},
};

// A little reader over a resource's bytes.
struct Cursor {
    const uint8_t *base;
    size_t size, at;
    bool ok = true;
    uint16_t word() {
        if (at + 2 > size) return ok = false, 0;
        uint16_t v = (uint16_t)(base[at] | base[at + 1] << 8);
        at += 2;
        return v;
    }
    uint32_t dword() {
        uint32_t low = word();
        return low | (uint32_t)word() << 16;
    }
    std::wstring text() {
        std::wstring s;
        for (uint16_t c = word(); ok && c; c = word()) s += (wchar_t)c;
        return s;
    }
    // A name or ordinal field: 0 (none), 0xFFFF and an ordinal, or a text.
    std::wstring name_or_ordinal(uint16_t *ordinal) {
        *ordinal = 0;
        uint16_t first = word();
        if (first == 0) return L"";
        if (first == 0xFFFF) return *ordinal = word(), L"";
        at -= 2;
        return text();
    }
    void align4() { at = (at + 3) & ~(size_t)3; }
};

struct Module {
    HMODULE handle;
    Module() { handle = LoadLibraryExA(test_kovelt_exe().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE); }
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
    bool resource(const char *type, int id, WORD language, Cursor *out) {
        HRSRC found = FindResourceExA(handle, type, MAKEINTRESOURCEA(id), language);
        if (!found) return false;
        HGLOBAL loaded = LoadResource(handle, found);
        out->base = (const uint8_t *)LockResource(loaded);
        out->size = SizeofResource(handle, found);
        out->at = 0;
        return out->base != nullptr;
    }
};

const WORD JAPANESE = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

TEST(KoveltResources, DialogTemplateIsLaidOutControlByControl) {
    Module module;
    ASSERT_TRUE(module.handle) << test_kovelt_exe();
    Cursor c;
    ASSERT_TRUE(module.resource((const char *)RT_DIALOG, TOOL_DIALOG_ID, JAPANESE, &c))
        << "no Japanese dialog 101";
    EXPECT_EQ(c.word(), 1);      // extended template
    EXPECT_EQ(c.word(), 0xFFFF); // its signature
    EXPECT_EQ(c.dword(), 0u);    // help id
    EXPECT_EQ(c.dword(), 0x4u);  // WS_EX_NOPARENTNOTIFY
    EXPECT_EQ(c.dword(), 0x90CA0044u);
    uint16_t count = c.word();
    EXPECT_EQ(count, 38);
    EXPECT_EQ(c.word(), 0);
    EXPECT_EQ(c.word(), 0);
    EXPECT_EQ(c.word(), 96);
    EXPECT_EQ(c.word(), 144);
    uint16_t ordinal;
    EXPECT_EQ(c.name_or_ordinal(&ordinal), L""); // no menu
    EXPECT_EQ(ordinal, 0);
    EXPECT_EQ(c.name_or_ordinal(&ordinal), L""); // the system's dialog class
    EXPECT_EQ(ordinal, 0);
    EXPECT_EQ(c.text(), L"特殊SPI設定");
    EXPECT_EQ(c.word(), 9); // point size
    c.word();               // weight
    c.word();               // italic and charset bytes
    EXPECT_EQ(c.text(), L"ＭＳ Ｐゴシック");
    ASSERT_TRUE(c.ok);

    for (int i = 0; i < count && i < 38; ++i) {
        const ControlRow &want = LAYOUT[i];
        c.align4();
        EXPECT_EQ(c.dword(), 0u) << i; // help id
        EXPECT_EQ(c.dword(), 0u) << i; // extended style
        EXPECT_EQ(c.dword(), want.style) << i;
        EXPECT_EQ((int16_t)c.word(), want.x) << i;
        EXPECT_EQ((int16_t)c.word(), want.y) << i;
        EXPECT_EQ((int16_t)c.word(), want.cx) << i;
        EXPECT_EQ((int16_t)c.word(), want.cy) << i;
        uint32_t id = c.dword();
        if (want.id == NONE)
            EXPECT_TRUE(id == 0xFFFFu || id == 0xFFFFFFFFu) << i << " id " << id;
        else
            EXPECT_EQ(id, (uint32_t)want.id) << i;
        std::wstring type = c.name_or_ordinal(&ordinal);
        EXPECT_EQ(ordinal, want.kind) << i << " class";
        std::wstring label = c.name_or_ordinal(&ordinal);
        EXPECT_EQ(label, want.label) << i;
        uint16_t extra = c.word();
        c.at += extra;
        ASSERT_TRUE(c.ok) << "template ends inside control " << i;
    }
}

TEST(KoveltResources, IconGroupHasTheTwoImages) {
    Module module;
    ASSERT_TRUE(module.handle);
    Cursor c;
    ASSERT_TRUE(module.resource((const char *)RT_GROUP_ICON, TOOL_ICON_ID, JAPANESE, &c));
    EXPECT_EQ(c.word(), 0);
    EXPECT_EQ(c.word(), 1);
    uint16_t count = c.word();
    ASSERT_EQ(count, 2);
    std::set<std::string> images;
    for (int i = 0; i < count; ++i) {
        uint16_t size = c.word(); // width and height bytes
        uint16_t colours = c.word() & 0xFF;
        c.word(); // planes
        uint16_t bits = c.word();
        c.dword();
        c.word(); // image id
        images.insert(std::to_string(size & 0xFF) + "x" + std::to_string(size >> 8) + "/" +
                      std::to_string(colours) + "/" + std::to_string(bits));
    }
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(images, (std::set<std::string>{"32x32/0/8", "16x16/16/4"}));
    // Both load as icons of their size.
    for (int size : {32, 16}) {
        HICON icon = (HICON)LoadImageA(module.handle, MAKEINTRESOURCEA(TOOL_ICON_ID), IMAGE_ICON,
                                       size, size, 0);
        ASSERT_TRUE(icon) << size;
        ICONINFO info;
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap;
        GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
}

bool read_whole(const std::string &path, std::vector<uint8_t> *out) {
    HANDLE f =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(f, NULL), got = 0;
    out->resize(size);
    bool ok = ReadFile(f, out->data(), size, &got, NULL) && got == size;
    CloseHandle(f);
    return ok;
}

uint32_t le32(const std::vector<uint8_t> &b, size_t at) {
    return at + 4 <= b.size() ? b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24
                              : 0;
}

TEST(KoveltResources, ImportsOnlySystemLibraries) {
    std::vector<uint8_t> exe;
    ASSERT_TRUE(read_whole(test_kovelt_exe(), &exe));
    uint32_t pe = le32(exe, 0x3C);
    ASSERT_EQ(le32(exe, pe), 0x4550u); // "PE\0\0"
    uint16_t sections = (uint16_t)le32(exe, pe + 6);
    uint16_t optional_size = (uint16_t)le32(exe, pe + 20);
    size_t optional = pe + 24;
    uint32_t magic = le32(exe, optional) & 0xFFFF; // PE32 or PE32+
    ASSERT_TRUE(magic == 0x10B || magic == 0x20B) << magic;
    uint32_t import_rva = le32(exe, optional + (magic == 0x10B ? 104 : 120));
    ASSERT_NE(import_rva, 0u);
    auto file_offset = [&](uint32_t rva) -> size_t {
        size_t table = optional + optional_size;
        for (int s = 0; s < sections; ++s) {
            size_t h = table + 40 * s;
            uint32_t va = le32(exe, h + 12), vsize = le32(exe, h + 8), raw = le32(exe, h + 20);
            if (rva >= va && rva < va + vsize) return raw + (rva - va);
        }
        return 0;
    };
    const std::set<std::string> system = {"ADVAPI32.DLL", "COMCTL32.DLL", "COMDLG32.DLL",
                                          "GDI32.DLL",    "KERNEL32.DLL", "MSVCRT.DLL",
                                          "SHELL32.DLL",  "USER32.DLL"};
    std::set<std::string> imported;
    for (size_t d = file_offset(import_rva); d && le32(exe, d + 12); d += 20) {
        size_t name = file_offset(le32(exe, d + 12));
        ASSERT_NE(name, 0u);
        std::string dll;
        while (name < exe.size() && exe[name]) dll += (char)toupper(exe[name++]);
        imported.insert(dll);
        EXPECT_TRUE(system.count(dll)) << dll << " is not a system library";
    }
    EXPECT_TRUE(imported.count("USER32.DLL"));
    EXPECT_TRUE(imported.count("ADVAPI32.DLL"));
}

TEST(KoveltResources, HelpPageBesideTheProgramExplainsEveryLabel) {
    std::vector<uint8_t> page;
    ASSERT_TRUE(read_whole(test_kovelt_dir() + "kovelt.htm", &page));
    std::string text(page.begin(), page.end());
    EXPECT_NE(text.find("charset=\"utf-8\""), std::string::npos);
    for (const ControlRow &row : LAYOUT) {
        if (!row.label[0]) continue;
        char utf8[64];
        ASSERT_GT(WideCharToMultiByte(CP_UTF8, 0, row.label, -1, utf8, sizeof utf8, NULL, NULL), 0);
        EXPECT_NE(text.find(utf8), std::string::npos) << "no word on control " << row.id;
    }
    EXPECT_NE(text.find("KOVELT clut"), std::string::npos) << "no word on the palette viewer";
}

} // namespace
