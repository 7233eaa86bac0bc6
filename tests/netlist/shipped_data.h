#pragma once
// The program folder of the build, where the shipped data files lie: $OB7_DATA_DIR, else
// the bin folder beside the tests folder of the test program.

#include <unistd.h>

#include <cstdlib>
#include <string>

inline std::string ShippedDataDir() {
    if (const char* dir = std::getenv("OB7_DATA_DIR")) return dir;
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string exe = n > 0 ? std::string(path, n) : std::string();
    exe.erase(exe.find_last_of('/') == std::string::npos ? 0 : exe.find_last_of('/'));
    return exe + "/../bin";
}
