// What two importers wrote, compared file by file: the same bytes, but for
// converted 16-bit samples one step apart.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace wine {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Every file and folder under root by its path from root, with its bytes.
Files filesUnder(const std::filesystem::path& root);

// The files only one side has or whose bytes differ by more than one step
// of a sample, one a line; empty when the two wrote alike.
std::string differing(const Files& onLinux, const Files& onWindows);

}  // namespace wine
