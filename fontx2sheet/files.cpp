// Reading inputs and fonts from files and writing outputs whole or not at all.
#include "fontx2sheet/files.h"

#include "fontx2sheet/fontx2sheet.h"

#include <errno.h>
#include <fcntl.h>
#include <new>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

void report(const std::string &where, const std::string &what) {
    fprintf(stderr, "fontx2sheet: %s: %s\n", where.c_str(), what.c_str());
}

int usage_error(const std::string &what) {
    fprintf(stderr, "fontx2sheet: %s\nRun 'fontx2sheet --help' for the options.\n", what.c_str());
    return EXIT_USAGE;
}

std::string count_text(uint64_t n) {
    std::string digits = std::to_string(n), text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string code_text(uint32_t code, bool double_byte) {
    char text[16];
    snprintf(text, sizeof text, double_byte ? "0x%04X" : "0x%02X", code);
    return text;
}

// The first bytes of a file that is not FONTX2, as hex and as text.
static std::string first_bytes(const std::vector<uint8_t> &bytes) {
    if (bytes.empty()) return "not a FONTX2 font: the file is empty";
    std::string hex, text;
    for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
        char h[4];
        snprintf(h, sizeof h, "%s%02X", i ? " " : "", bytes[i]);
        hex += h;
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? (char)bytes[i] : '.';
    }
    return "not a FONTX2 font: it begins " + hex + " (\"" + text + "\"), not \"FONTX2\"";
}

// Reads to the end: a regular file's size is only a first guess, since it
// may grow or shrink meanwhile, and a pipe has none.
static bool read_all(int fd, uint64_t size_guess, std::vector<uint8_t> *bytes) {
    bytes->clear();
    bytes->reserve((size_t)size_guess);
    uint8_t chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
}

bool read_input(const std::string &path, std::vector<uint8_t> *bytes, std::string *error) {
    int fd = path == "-" ? STDIN_FILENO : open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        *error = strerror(errno);
        return false;
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    int cause = errno;
    if (ok && S_ISDIR(st.st_mode)) {
        if (fd != STDIN_FILENO) close(fd);
        *error = "is a folder, not a file";
        return false;
    }
    try {
        ok = ok && read_all(fd, S_ISREG(st.st_mode) ? (uint64_t)st.st_size : 0, bytes);
        cause = errno;
    } catch (const std::bad_alloc &) {
        ok = false;
        cause = ENOMEM;
    }
    if (fd != STDIN_FILENO) close(fd);
    if (!ok) *error = strerror(cause);
    return ok;
}

bool begins_fontx2(const std::string &path, std::string *error) {
    error->clear();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        *error = strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        *error = "is a folder, not a font";
        return false;
    }
    uint8_t head[FONTX2_SIGNATURE_BYTES];
    ssize_t got;
    do got = read(fd, head, sizeof head);
    while (got < 0 && errno == EINTR);
    if (got < 0) *error = strerror(errno);
    close(fd);
    return got == (ssize_t)sizeof head && fontx2_has_signature(head, sizeof head);
}

bool parse_font(LoadedFont *loaded) {
    const std::vector<uint8_t> &b = loaded->bytes;
    if (fontx2_read(&loaded->font, b.data(), b.size(), b.size()) != FONTX2_OK) return false;
    loaded->layout.reset(new Fontx2Layout);
    fontx2_lay_out(loaded->layout.get(), &loaded->font, FONTX2_ORDER_AUTO, FONTX2_GRID);
    return true;
}

int load_font(const std::string &path, LoadedFont *loaded) {
    loaded->path = path;
    if (!read_input(path, &loaded->bytes, &loaded->error)) {
        if (loaded->error == "is a folder, not a file") loaded->error = "is a folder, not a font";
        return EXIT_NOT_A_FONT;
    }
    if (parse_font(loaded)) return EXIT_FINE;
    loaded->error = first_bytes(loaded->bytes);
    return EXIT_NOT_A_FONT;
}

int load_font_or_report(const std::string &path, LoadedFont *loaded) {
    int status = load_font(path, loaded);
    if (status != EXIT_FINE) report(path, loaded->error);
    return status;
}

static bool write_all(int fd, const std::vector<uint8_t> &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += (size_t)put;
    }
    return true;
}

static int cannot_write(const std::string &path, int error) {
    report(path, std::string("cannot be written: ") + strerror(error));
    return EXIT_NO_OUTPUT;
}

static std::string folder_of(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The path a chain of symbolic links ends at (which need not exist); false
// with errno on a loop or an unreadable link.
static bool final_target(std::string path, std::string *target) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = path;
            return true;
        }
        std::vector<char> link((size_t)st.st_size + 256);
        ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n < 0) return false;
        std::string to(link.data(), (size_t)n);
        path = to[0] == '/' ? to : folder_of(path) + to;
    }
    errno = ELOOP;
    return false;
}

// A FIFO, device or socket is written where it is, as a shell's '>' would:
// replacing it would destroy the node.
static int write_in_place(const std::string &path, const std::vector<uint8_t> &bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY);
    if (fd < 0) return cannot_write(path, errno);
    bool ok = write_all(fd, bytes);
    int error = errno;
    ok = close(fd) == 0 && ok;
    if (!ok) return cannot_write(path, error ? error : EIO);
    return EXIT_FINE;
}

// The new file takes the permission bits (and, where allowed, the owner) of
// the file it replaces; a new name gets what any new file would (mkstemp
// gives 0600).
static void take_mode(int fd, const struct stat *old) {
    if (old) {
        if (fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Another user's file: the writer owns the new one.
        }
        fchmod(fd, old->st_mode & 07777);
        return;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

// While a temporary file exists, signals that would end the run wait (so it
// is never left behind), and a file size limit fails the write instead of
// ending the run.
struct QuietSignals {
    sigset_t before;
    struct sigaction size_limit;
    QuietSignals() {
        sigset_t ending;
        sigemptyset(&ending);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, s);
        sigprocmask(SIG_BLOCK, &ending, &before);
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &size_limit);
    }
    ~QuietSignals() {
        sigaction(SIGXFSZ, &size_limit, nullptr);
        sigprocmask(SIG_SETMASK, &before, nullptr);
    }
};

// A regular file or a new name: a temporary file in the same folder, renamed
// over the target only when it is complete.
static int replace_file(const std::string &path, const struct stat *old,
                        const std::vector<uint8_t> &bytes) {
    if (old) { // open(2) decides whether this user may write it
        int probe = open(path.c_str(), O_WRONLY | O_NOCTTY);
        if (probe < 0) return cannot_write(path, errno);
        close(probe);
    }
    QuietSignals quiet;
    std::string temp = folder_of(path) + ".fontx2sheet-XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) return cannot_write(path, errno);
    take_mode(fd, old);
    bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    int error = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return cannot_write(path, error ? error : EIO);
    }
    return EXIT_FINE;
}

int refuse_terminal(const std::string &out) {
    if (out != "-" || !isatty(STDOUT_FILENO)) return EXIT_FINE;
    report("standard output", "is a terminal: a picture is binary; redirect it to a file or "
                              "a pipe, or name a file with -o");
    return EXIT_USAGE;
}

int refuse_output_over_input(const std::string &out, const std::vector<std::string> &inputs) {
    struct stat o;
    if (out == "-" || stat(out.c_str(), &o) != 0) return EXIT_FINE; // a new name is no input
    for (const std::string &in : inputs) {
        struct stat i;
        bool got = in == "-" ? fstat(STDIN_FILENO, &i) == 0 : stat(in.c_str(), &i) == 0;
        if (got && i.st_dev == o.st_dev && i.st_ino == o.st_ino) {
            report(out, "is the same file as the input " + in + ": refused, so it is not lost");
            return EXIT_USAGE;
        }
    }
    return EXIT_FINE;
}

int refuse_json_with_standard_output(bool json, const std::string &out) {
    if (!json || out != "-") return EXIT_FINE;
    report("--json", "writes to standard output, and so would -o -: write the output to a file");
    return EXIT_USAGE;
}

int write_output(const std::string &path, const std::vector<uint8_t> &bytes) {
    if (path == "-") {
        if (int refused = refuse_terminal(path)) return refused;
        if (write_all(STDOUT_FILENO, bytes)) return EXIT_FINE;
        return cannot_write("standard output", errno);
    }
    std::string target;
    if (!final_target(path, &target)) return cannot_write(path, errno);
    struct stat st;
    if (stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) return cannot_write(path, errno);
        return replace_file(target, nullptr, bytes);
    }
    if (S_ISDIR(st.st_mode)) return cannot_write(path, EISDIR);
    if (!S_ISREG(st.st_mode)) return write_in_place(target, bytes);
    return replace_file(target, &st, bytes);
}
