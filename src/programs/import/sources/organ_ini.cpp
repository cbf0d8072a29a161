// Reading an organ definition's sections and values (see organ_ini.h).
#include "programs/import/sources/organ_ini.h"

#include <charconv>
#include <cstdio>

#include "platform/windows1252.h"

namespace organ_import {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string missing(const OrganIni& ini, std::string_view section, std::string_view key)
{
    return ini.fileName + ": [" + std::string(section) + "] has no " + std::string(key);
}

std::string shown(double bound)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", bound);
    return text;
}

template <typename Number>
std::optional<Number> numberValue(const OrganIni& ini, std::string_view section, std::string_view key,
                                  std::optional<Number> fallback, double low, double high, std::string& error)
{
    const IniEntry* entry = findEntry(ini, section, key);
    if (!entry) {
        if (!fallback) error = missing(ini, section, key);
        return fallback;
    }
    std::string_view text = entry->value;
    if (text.starts_with('+')) text.remove_prefix(1);
    Number value{};
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || text.empty()) {
        error = citation(ini, *entry, key) + ": not a number";
        return std::nullopt;
    }
    if (!(static_cast<double>(value) >= low && static_cast<double>(value) <= high)) {
        error = citation(ini, *entry, key) + ": not within " + shown(low) + " to " + shown(high);
        return std::nullopt;
    }
    return value;
}

}  // namespace

OrganIni parseOrganIni(std::string_view bytes, std::string fileName)
{
    const bool utf8 = bytes.starts_with(byteOrderMark);
    const std::string text =
        utf8 ? std::string(bytes.substr(byteOrderMark.size())) : platform::windows1252ToUtf8(bytes);
    OrganIni ini{std::move(fileName), {}};
    IniSection* section = nullptr;
    int lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = trimmed(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = &ini.sections[std::string(line.substr(1, line.size() - 2))];
            continue;
        }
        const std::size_t equals = line.find('=');
        if (section == nullptr || equals == std::string_view::npos) continue;
        section->try_emplace(std::string(trimmed(line.substr(0, equals))),
                             IniEntry{std::string(trimmed(line.substr(equals + 1))), lineNumber});
    }
    return ini;
}

const IniEntry* findEntry(const OrganIni& ini, std::string_view section, std::string_view key)
{
    const auto found = ini.sections.find(section);
    if (found == ini.sections.end()) return nullptr;
    const auto entry = found->second.find(key);
    return entry == found->second.end() ? nullptr : &entry->second;
}

std::string citation(const OrganIni& ini, const IniEntry& entry, std::string_view key)
{
    return ini.fileName + ":" + std::to_string(entry.line) + ": " + std::string(key) + "=" + entry.value;
}

std::optional<long> integerValue(const OrganIni& ini, std::string_view section, std::string_view key,
                                 std::optional<long> fallback, std::string& error, long low, long high)
{
    return numberValue<long>(ini, section, key, fallback, static_cast<double>(low), static_cast<double>(high), error);
}

std::optional<double> decimalValue(const OrganIni& ini, std::string_view section, std::string_view key,
                                   std::optional<double> fallback, std::string& error, double low, double high)
{
    return numberValue<double>(ini, section, key, fallback, low, high, error);
}

std::string textValue(const OrganIni& ini, std::string_view section, std::string_view key)
{
    const IniEntry* entry = findEntry(ini, section, key);
    return entry ? entry->value : std::string();
}

}  // namespace organ_import
