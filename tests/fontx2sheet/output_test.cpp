// Where fontx2sheet writes: nothing is lost, whatever the output names.
#include "fontx2sheet/files.h"
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "tests/support/synthetic_fonts.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

std::vector<uint8_t> read_bytes(const std::string &path) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}

bool is_png(const std::vector<uint8_t> &bytes) {
    return bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N';
}

// The exit status of body run in a child process (for what must not touch
// this one: another user, a file size limit, a terminal).
int in_child(const std::function<int()> &body) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct Output : ::testing::Test {
    std::string dir, font;
    std::vector<uint8_t> font_bytes = synthetic_font_single(8, 16);
    void SetUp() override {
        char name[] = "/tmp/fontx2sheet-out-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        font = dir + "/font.fnt";
        write_bytes(font, font_bytes);
    }
    void TearDown() override { EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0); }
    int render(const std::string &out) { return run_sheet({"render", font, "-o", out}); }
    // What the folder holds besides what the test made: left-over temporary files.
    size_t temporary_files() {
        size_t n = 0;
        DIR *d = opendir(dir.c_str());
        while (dirent *e = d ? readdir(d) : nullptr)
            n += strncmp(e->d_name, ".fontx2sheet-", 13) == 0;
        if (d) closedir(d);
        return n;
    }
};

TEST_F(Output, TheInputByAnyPathIsRefusedAndKept) {
    EXPECT_EQ(render(dir + "/../" + dir.substr(5) + "/./font.fnt"), 64);
    ASSERT_EQ(link(font.c_str(), (dir + "/hard.png").c_str()), 0);
    EXPECT_EQ(render(dir + "/hard.png"), 64);
    ASSERT_EQ(symlink("font.fnt", (dir + "/soft.png").c_str()), 0);
    EXPECT_EQ(render(dir + "/soft.png"), 64);
    EXPECT_EQ(read_bytes(font), font_bytes);
}

TEST_F(Output, ALinkIsFollowedAndStays) {
    std::string target = dir + "/target.png", link = dir + "/link.png";
    write_bytes(target, {'o', 'l', 'd'});
    chmod(target.c_str(), 0640);
    ASSERT_EQ(symlink("target.png", link.c_str()), 0);
    EXPECT_EQ(render(link), 0);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u); // the replaced file's mode
    EXPECT_TRUE(is_png(read_bytes(target)));
    // A dangling link creates its target, through a link to a link.
    ASSERT_EQ(symlink("new.png", (dir + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink("dangling", (dir + "/chain").c_str()), 0);
    EXPECT_EQ(render(dir + "/chain"), 0);
    EXPECT_TRUE(is_png(read_bytes(dir + "/new.png")));
    EXPECT_EQ(temporary_files(), 0u);
}

TEST_F(Output, AReadOnlyFileIsWrittenOnlyByThoseOpenLets) {
    std::string out = dir + "/readonly.png";
    write_bytes(out, {'o', 'l', 'd'});
    chmod(out.c_str(), 0444);
    if (geteuid() == 0) {
        // Another user may not write it; root may, and the mode stays.
        struct passwd *nobody = getpwnam("nobody");
        if (!nobody) GTEST_SKIP() << "no user nobody to drop to";
        chmod(dir.c_str(), 0777); // so only the file's own mode says no
        int status = in_child([&] {
            if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) return 99;
            return write_output(out, {1, 2, 3});
        });
        EXPECT_EQ(status, 3);
        EXPECT_EQ(read_bytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(render(out), 0);
        struct stat st;
        ASSERT_EQ(stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        EXPECT_TRUE(is_png(read_bytes(out)));
    } else {
        EXPECT_EQ(render(out), 3);
        EXPECT_EQ(read_bytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
    EXPECT_EQ(temporary_files(), 0u);
}

TEST_F(Output, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    std::string out = dir + "/old.png";
    write_bytes(out, {'o', 'l', 'd'});
    // A file size limit makes the write fail after the temporary file exists
    // (its signal would end the run there).
    int status = in_child([&] {
        struct rlimit limit = {10, 10};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 99;
        return render(out);
    });
    EXPECT_EQ(status, 3);
    EXPECT_EQ(read_bytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(temporary_files(), 0u);
}

TEST_F(Output, ANewFileTakesTheUmasksMode) {
    mode_t before = umask(022);
    EXPECT_EQ(render(dir + "/new.png"), 0);
    umask(before);
    struct stat st;
    ASSERT_EQ(stat((dir + "/new.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// fix's write failure is a write failure, not a font that reads back wrong.
TEST_F(Output, AFixThatCannotBeWrittenSaysSo) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"fix", font, "--force", "-o", "/dev/full"}), 3);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/dev/full: cannot be written"),
              std::string::npos);
}

TEST_F(Output, AFifoIsWrittenInPlace) {
    std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The reader is open first, so the writer does not wait; the alarm ends a hang.
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    alarm(20);
    EXPECT_EQ(render(fifo), 0); // a small PNG: less than the pipe holds
    alarm(0);
    std::vector<uint8_t> got(65536);
    ssize_t n = read(reader, got.data(), got.size());
    close(reader);
    ASSERT_GT(n, 0);
    got.resize((size_t)n);
    EXPECT_TRUE(is_png(got));
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(Output, ADeviceNodeIsWrittenInPlaceAndStays) {
    std::string null_node = dir + "/null", full_node = dir + "/full";
    if (mknod(null_node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        mknod(full_node.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod is not allowed here: " << strerror(errno);
    EXPECT_EQ(render(null_node), 0);
    EXPECT_EQ(render(full_node), 3); // no space left on the device
    for (const std::string &node : {null_node, full_node}) {
        struct stat st;
        ASSERT_EQ(lstat(node.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << node;
    }
    EXPECT_EQ(temporary_files(), 0u);
}

TEST_F(Output, StandardOutputIsNoTerminal) {
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
        GTEST_SKIP() << "no pseudo-terminal here";
    std::string side = ptsname(terminal);
    int status = in_child([&] {
        int fd = open(side.c_str(), O_WRONLY | O_NOCTTY);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) return 99;
        return run_sheet({"render", font, "-o", "-"});
    });
    close(terminal);
    EXPECT_EQ(status, 64);
}

} // namespace
