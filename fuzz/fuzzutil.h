// Helpers shared by the fuzz targets: a private scratch folder (in memory
// where the system has one) and whole-file writes, so parsers that read files
// get real files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace fuzz {

inline void Check(bool condition) {
    if (!condition)
        std::abort();
}

inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/qlmfuzz.XXXXXX";
        Check(mkdtemp(pattern.data()) != nullptr);
        // Removed at exit; libFuzzer ends the process with exit() on every path
        // that does not crash.
        static std::string owned = pattern;
        std::atexit([] { std::system(("rm -rf '" + owned + "'").c_str()); });
        return pattern;
    }();
    return folder;
}

inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

inline std::string ReadFile(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.append(block, got);
    std::fclose(f);
    return bytes;
}

inline long FileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

}  // namespace fuzz
