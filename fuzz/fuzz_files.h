// The files through which fuzz targets hand their inputs to the code that
// reads files.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// A file of this process's own in the temporary folder, with the extension;
// every such file is removed when the process ends.
inline std::string temporaryFuzzFile(const std::string& extension)
{
    static std::vector<std::string>& made = *new std::vector<std::string>;
    if (made.empty()) std::atexit([] {
            for (const std::string& path : made) std::remove(path.c_str());
        });
    const std::string name = "velmara-fuzz-" + std::to_string(::getpid()) + extension;
    made.push_back((std::filesystem::temp_directory_path() / name).string());
    return made.back();
}
