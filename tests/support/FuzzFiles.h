#pragma once
// Files for the fuzz targets whose readers take a path: one private folder per target, removed
// when the program ends.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace qbtest {

// "/tmp/<name>_XXXXXX", made on first use; a program runs one target, so it has one folder.
inline const std::string& FuzzTempFolder(const char* name)
{
    // Never destroyed: the removal at exit still needs the name.
    static const std::string& folder = *[name] {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/" + name + "_XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        auto* made = new std::string(pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzTempFolder(""), ignored);
        });
        return made;
    }();
    return folder;
}

inline void WriteFuzzFile(const std::string& path, std::string_view bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace qbtest
