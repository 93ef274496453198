// Where the Windows tests find the built tool: the build passes Unix paths,
// which Wine maps under drive Z:.
#pragma once

#include <windows.h>

#include <string>

inline std::string test_windows_path(const char *path) {
    std::string out = path;
    if (!out.empty() && out[0] == '/') out = "Z:" + out;
    for (char &c : out)
        if (c == '/') c = '\\';
    return out;
}

inline std::string test_kovelt_exe() {
    return test_windows_path(KOVELT_EXE);
}

inline std::string test_kovelt_dir() {
    std::string exe = test_kovelt_exe();
    return exe.substr(0, exe.find_last_of('\\') + 1);
}
