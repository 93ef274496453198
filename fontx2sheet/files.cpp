// Reading fonts from files and writing outputs whole or not at all.
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inputs.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

void report(const std::string &where, const std::string &what) {
    fprintf(stderr, "fontx2sheet: %s: %s\n", where.c_str(), what.c_str());
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

static bool read_all(int fd, std::vector<uint8_t> *bytes, uint64_t size) {
    bytes->resize((size_t)size);
    uint64_t done = 0;
    while (done < size) {
        ssize_t got = read(fd, bytes->data() + done, (size_t)(size - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break; // the file shrank meanwhile
        done += (uint64_t)got;
    }
    bytes->resize((size_t)done);
    return true;
}

bool parse_font(LoadedFont *loaded) {
    const std::vector<uint8_t> &b = loaded->bytes;
    if (fontx2_read(&loaded->font, b.data(), b.size(), b.size()) != FONTX2_OK) return false;
    loaded->layout.reset(new Fontx2Layout);
    fontx2_lay_out(loaded->layout.get(), &loaded->font, FONTX2_ORDER_AUTO, FONTX2_GRID);
    return true;
}

// The bytes read, parsed: EXIT_NOT_A_FONT without the signature.
static int parsed(LoadedFont *loaded) {
    if (parse_font(loaded)) return EXIT_FINE;
    loaded->error = first_bytes(loaded->bytes);
    return EXIT_NOT_A_FONT;
}

int load_font(const std::string &path, LoadedFont *loaded) {
    loaded->path = path;
    if (path == "-")
        return read_standard_input(&loaded->bytes, &loaded->error) ? parsed(loaded)
                                                                   : EXIT_NOT_A_FONT;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        loaded->error = strerror(errno);
        return EXIT_NOT_A_FONT;
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (ok && S_ISDIR(st.st_mode)) {
        close(fd);
        loaded->error = "is a folder, not a font";
        return EXIT_NOT_A_FONT;
    }
    ok = ok && read_all(fd, &loaded->bytes, (uint64_t)st.st_size);
    int error = errno;
    close(fd);
    if (!ok) {
        loaded->error = strerror(error);
        return EXIT_NOT_A_FONT;
    }
    return parsed(loaded);
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

// The new file gets the permissions any new file would (mkstemp gives 0600).
static void usual_permissions(int fd) {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

int write_output(const std::string &path, const std::vector<uint8_t> &bytes) {
    if (path == "-") {
        if (write_all(STDOUT_FILENO, bytes)) return EXIT_FINE;
        report("standard output", strerror(errno));
        return EXIT_NO_OUTPUT;
    }
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string temp = folder + ".fontx2sheet-XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        report(path, std::string("cannot be written: ") + strerror(errno));
        return EXIT_NO_OUTPUT;
    }
    usual_permissions(fd);
    bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    int error = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        report(path, std::string("cannot be written: ") + strerror(error));
        return EXIT_NO_OUTPUT;
    }
    return EXIT_FINE;
}
