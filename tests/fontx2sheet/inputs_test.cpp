// Fonts from folders and standard input, many at a time into a folder.
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

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
        ASSERT_EQ(system("rm -rf gg_walk && mkdir -p gg_walk/in/b gg_walk/in/c "
                         "gg_walk/elsewhere gg_walk/out"),
                  0);
        const std::vector<uint8_t> font = synthetic_font_single(8, 8);
        for (const char *f : {"in/a.fnt", "in/b/x.fnt", "in/c/A.fnt", "elsewhere/y.fnt"})
            write_bytes(std::string("gg_walk/") + f, font);
        write_bytes("gg_walk/in/notes.txt", {'n', 'o', 't', 'e', 's'});
        ASSERT_EQ(symlink("../elsewhere", "gg_walk/in/link"), 0);
    }
    void TearDown() override { EXPECT_EQ(system("rm -rf gg_walk"), 0); }
    static bool exists(const char *path) { return access(path, F_OK) == 0; }
};

TEST_F(Folders, AWalkTakesFontsOnlyInByteOrder) {
    std::vector<std::string> fonts;
    EXPECT_EQ(expand_inputs({"gg_walk/in", "gg_walk/in/notes.txt"}, true, &fonts), EXIT_FINE);
    EXPECT_EQ(fonts, (std::vector<std::string>{"gg_walk/in/a.fnt", "gg_walk/in/b/x.fnt",
                                               "gg_walk/in/c/A.fnt", "gg_walk/in/notes.txt"}));
    EXPECT_EQ(output_name("gg_walk/in/b/x.y.fnt"), "x.y");
    // Two fonts named a and A: nothing is written.
    EXPECT_EQ(run_sheet({"render", "-r", "gg_walk/in", "--out-dir", "gg_walk/out"}), 64);
    EXPECT_FALSE(exists("gg_walk/out/x.png"));
    ASSERT_EQ(unlink("gg_walk/in/c/A.fnt"), 0);
    EXPECT_EQ(run_sheet({"render", "-r", "gg_walk/in", "--out-dir", "gg_walk/no"}), 3);
    EXPECT_EQ(run_sheet({"render", "-r", "gg_walk/in", "-o", "gg_walk/out/one.png"}), 64);
    EXPECT_EQ(run_sheet({"render", "-r", "gg_walk/in", "--out-dir", "gg_walk/out"}), 0);
    EXPECT_TRUE(exists("gg_walk/out/a.png"));
    EXPECT_TRUE(exists("gg_walk/out/x.png"));
    EXPECT_FALSE(exists("gg_walk/out/y.png")); // behind the link
    EXPECT_FALSE(exists("gg_walk/out/notes.png"));
    // A non-font named, a folder without -r: still reported, the rest drawn.
    EXPECT_EQ(run_sheet({"render", "gg_walk/in/notes.txt", "gg_walk/in/b/x.fnt", "--out-dir",
                         "gg_walk/out"}),
              2);
    EXPECT_EQ(run_sheet({"inspect", "gg_walk/in"}), 2);
    EXPECT_EQ(run_sheet({"inspect", "-r", "gg_walk/in"}), 0);
}

TEST_F(Folders, StandardInput) {
    const int saved = dup(STDIN_FILENO);
    auto from = [&](const char *path) {
        int fd = open(path, O_RDONLY);
        dup2(fd, STDIN_FILENO);
        close(fd);
    };
    from("gg_walk/in/a.fnt");
    EXPECT_EQ(run_sheet({"render", "-", "-o", "gg_walk/out/in.png"}), 0);
    EXPECT_TRUE(exists("gg_walk/out/in.png"));
    from("gg_walk/in/notes.txt");
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"lookup", "-", "0x41"}), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("fontx2sheet: -: not a FONTX2 font", 0),
              0u);
    EXPECT_EQ(run_sheet({"render", "-", "--out-dir", "gg_walk/out"}), 64);
    dup2(saved, STDIN_FILENO);
    close(saved);
}

TEST(ViewerLimit, TallOwnOrderSheetsSuggestARowLength) {
    // 20,992 codes of 8 x 16: 1,312 rows, 20,999 pixels with the labels; 32
    // a row halve that.
    write_bytes("gg_tall.fnt", synthetic_font_blocks(8, 16, {{0x4E00, 0x9FFF}}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"render", "gg_tall.fnt", "--labels", "-o", "gg_tall.png"}), 0);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("is 152 x 20,999 pixels"), std::string::npos) << said;
    EXPECT_NE(said.find("--per-row 32 fits"), std::string::npos) << said;
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"render", "gg_tall.fnt", "--per-row", "32", "-o", "gg_tall.png"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unlink("gg_tall.fnt");
    unlink("gg_tall.png");
}

} // namespace
