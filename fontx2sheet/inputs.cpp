// Fonts from folders and from standard input.
#include "fontx2sheet/inputs.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/fontx2sheet.h"

#include <algorithm>
#include <dirent.h>
#include <errno.h>
#include <string.h>
#include <sys/stat.h>

namespace {

// Whether a file begins with the signature; unreadable files are reported.
bool font_file(const std::string &path, int *status) {
    std::string error;
    if (begins_fontx2(path, &error)) return true;
    if (!error.empty()) {
        report(path, error);
        *status = std::max(*status, (int)EXIT_NOT_A_FONT);
    }
    return false;
}

// Adds the fonts under folder to *found; subfolders are walked, links to
// them are not (stat follows a link to a file, lstat sees the link itself).
void walk(const std::string &folder, std::vector<std::string> *found, int *status) {
    DIR *dir = opendir(folder.c_str());
    if (!dir) {
        report(folder, std::string("cannot be walked: ") + strerror(errno));
        *status = std::max(*status, (int)EXIT_NOT_A_FONT);
        return;
    }
    std::vector<std::string> names;
    while (const dirent *entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    closedir(dir);
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    for (const std::string &name : names) {
        const std::string path = prefix + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) continue; // gone meanwhile
        if (S_ISDIR(st.st_mode)) {
            walk(path, found, status);
            continue;
        }
        if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0) continue; // dangling
        if (S_ISREG(st.st_mode) && font_file(path, status)) found->push_back(path);
    }
}

bool is_folder(const std::string &path) {
    struct stat st;
    return path != "-" && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int expand_inputs(const std::vector<std::string> &arguments, bool recursive,
                  std::vector<std::string> *fonts) {
    int status = EXIT_FINE;
    for (const std::string &argument : arguments) {
        if (!recursive || !is_folder(argument)) {
            fonts->push_back(argument); // load_font says what is wrong with it
            continue;
        }
        std::vector<std::string> found;
        walk(argument, &found, &status);
        if (found.empty()) {
            report(argument, "holds no FONTX2 font");
            status = std::max(status, (int)EXIT_NOT_A_FONT);
        }
        // std::string compares as unsigned bytes: byte order of path.
        std::sort(found.begin(), found.end());
        fonts->insert(fonts->end(), found.begin(), found.end());
    }
    return status;
}

std::string output_name(const std::string &path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    // A name that is all extension (".fnt") keeps it.
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}
