// Comparing what two importers wrote (see imported_files.h).
#include "imported_files.h"

#include <algorithm>
#include <cstdlib>

#include "../import/import_support.h"

namespace wine {

namespace {

// Whether two files are the same but for 16-bit samples one apart: the rate
// converter as Debian builds it and as it is built from the same source for
// Windows round a converted sample the other way now and then (a 44-byte
// header, then the samples).
bool withinOneStep(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second)
{
    constexpr std::size_t header = 44;
    if (first == second) return true;
    if (first.size() != second.size() || first.size() < header ||
        !std::equal(first.begin(), first.begin() + header, second.begin()))
        return false;
    for (std::size_t at = header; at + 1 < first.size(); at += 2) {
        const auto sample = [at](const std::vector<std::uint8_t>& bytes) {
            return static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8);
        };
        if (std::abs(sample(first) - sample(second)) > 1) return false;
    }
    return true;
}

}  // namespace

Files filesUnder(const std::filesystem::path& root)
{
    Files files;
    for (auto& [path, bytes] : importtest::snapshot(root))
        files[std::filesystem::path(path).lexically_relative(root).string()] = bytes;
    return files;
}

std::string differing(const Files& onLinux, const Files& onWindows)
{
    std::string names;
    for (const auto& [name, bytes] : onLinux)
        if (!onWindows.contains(name) || !withinOneStep(onWindows.at(name), bytes)) names += name + "\n";
    for (const auto& [name, bytes] : onWindows)
        if (!onLinux.contains(name)) names += name + " (on Windows only)\n";
    return names;
}

}  // namespace wine
