// Paths as UTF-8 text whatever the host keeps them in (UTF-16 on Windows):
// the importer's messages, its command line and what it hands the libraries
// and the platform seam are UTF-8.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace organ_import {

std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8Of(const std::filesystem::path& path);
// With forward slashes on every host.
std::string genericUtf8Of(const std::filesystem::path& path);

// A name as the organ's definition holds it (Windows-1252 bytes) as the
// organ's file calls name it: on Windows through the code page the organ
// runs in; elsewhere the bytes themselves, which platform::hostPath maps.
std::filesystem::path pathFromWindows1252(std::string_view name);

// The file opened for binary reads, or null.
std::FILE* openToRead(const std::filesystem::path& path);

}  // namespace organ_import
