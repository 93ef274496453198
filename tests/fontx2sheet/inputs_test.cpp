// Fonts from folders and standard input, many at a time into a folder.
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/inputs.h"
#include "tests/support/synthetic_fonts.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Folders : ::testing::Test {
    // in/: a.fnt, b/x.fnt, c/A.fnt (a second NAME a, as macOS sees it), notes.txt,
    // link -> elsewhere/
    void SetUp() override {
        ASSERT_EQ(system(("mkdir -p " + w("in/b") + " " + w("in/c") + " " + w("elsewhere") + " " +
                          w("out"))
                             .c_str()),
                  0);
        const std::vector<uint8_t> font = synthetic_font_single(8, 8);
        for (const char *f : {"in/a.fnt", "in/b/x.fnt", "in/c/A.fnt", "elsewhere/y.fnt"})
            write_bytes(w(f), font);
        write_bytes(w("in/notes.txt"), {'n', 'o', 't', 'e', 's'});
        ASSERT_EQ(symlink("../elsewhere", w("in/link").c_str()), 0);
    }
    void TearDown() override { EXPECT_EQ(system(("rm -rf " + w("")).c_str()), 0); }
    static bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }
    // A path in the test's own folder.
    static std::string w(const char *path) { return tmp("gg_walk/") + path; }
};

TEST_F(Folders, AWalkTakesFontsOnlyInByteOrder) {
    std::vector<std::string> fonts;
    EXPECT_EQ(expand_inputs({w("in"), w("in/notes.txt")}, true, &fonts), EXIT_FINE);
    EXPECT_EQ(fonts, (std::vector<std::string>{w("in/a.fnt"), w("in/b/x.fnt"), w("in/c/A.fnt"),
                                               w("in/notes.txt")}));
    EXPECT_EQ(output_name(w("in/b/x.y.fnt")), "x.y");
    // Two fonts named a and A: nothing is written.
    EXPECT_EQ(run_sheet({"render", "-r", w("in"), "--out-dir", w("out")}), 64);
    EXPECT_FALSE(exists(w("out/x.png")));
    ASSERT_EQ(unlink(w("in/c/A.fnt").c_str()), 0);
    EXPECT_EQ(run_sheet({"render", "-r", w("in"), "--out-dir", w("no")}), 3);
    EXPECT_EQ(run_sheet({"render", "-r", w("in"), "-o", w("out/one.png")}), 64);
    EXPECT_EQ(run_sheet({"render", "-r", w("in"), "--out-dir", w("out")}), 0);
    EXPECT_TRUE(exists(w("out/a.png")));
    EXPECT_TRUE(exists(w("out/x.png")));
    EXPECT_FALSE(exists(w("out/y.png"))); // behind the link
    EXPECT_FALSE(exists(w("out/notes.png")));
    // A non-font named, a folder without -r: still reported, the rest drawn.
    EXPECT_EQ(run_sheet({"render", w("in/notes.txt"), w("in/b/x.fnt"), "--out-dir", w("out")}), 2);
    // A sheet that would land on a font given: refused, the font kept.
    write_bytes(w("out/k.png"), synthetic_font_single(8, 8));
    ASSERT_EQ(unlink(w("out/a.png").c_str()), 0);
    EXPECT_EQ(run_sheet({"render", w("in/a.fnt"), w("out/k.png"), "--out-dir", w("out")}), 64);
    EXPECT_FALSE(exists(w("out/a.png")));
    LoadedFont kept;
    EXPECT_EQ(load_font(w("out/k.png"), &kept), EXIT_FINE);
    EXPECT_EQ(run_sheet({"inspect", w("in")}), 2);
    EXPECT_EQ(run_sheet({"inspect", "-r", w("in")}), 0);
}

TEST_F(Folders, StandardInput) {
    const int saved = dup(STDIN_FILENO);
    auto from = [&](const std::string &path) {
        int fd = open(path.c_str(), O_RDONLY);
        dup2(fd, STDIN_FILENO);
        close(fd);
    };
    from(w("in/a.fnt"));
    EXPECT_EQ(run_sheet({"render", "-", "-o", w("out/in.png")}), 0);
    EXPECT_TRUE(exists(w("out/in.png")));
    from(w("in/notes.txt"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"lookup", "-", "0x41"}), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("fontx2sheet: -: not a FONTX2 font", 0),
              0u);
    EXPECT_EQ(run_sheet({"render", "-", "--out-dir", w("out")}), 64);
    dup2(saved, STDIN_FILENO);
    close(saved);
}

TEST(ViewerLimit, TallOwnOrderSheetsSuggestARowLength) {
    // 20,992 codes of 8 x 16: 1,312 rows, 20,999 pixels with the labels; 32
    // a row halve that.
    write_bytes(tmp("gg_tall.fnt"), synthetic_font_blocks(8, 16, {{0x4E00, 0x9FFF}}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"render", tmp("gg_tall.fnt"), "--labels", "-o", tmp("gg_tall.png")}), 0);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("is 152 x 20,999 pixels"), std::string::npos) << said;
    EXPECT_NE(said.find("--per-row 32 fits"), std::string::npos) << said;
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        run_sheet({"render", tmp("gg_tall.fnt"), "--per-row", "32", "-o", tmp("gg_tall.png")}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // A column has no row length to suggest, and at scale 1 no smaller scale.
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"render", tmp("gg_tall.fnt"), "--column", "-o", tmp("gg_tall.png")}), 0);
    said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("on a side\n"), std::string::npos) << said;
    unlink(tmp("gg_tall.fnt").c_str());
    unlink(tmp("gg_tall.png").c_str());
}

} // namespace
