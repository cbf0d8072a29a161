// Reading an organ definition (.organ): its [sections] of Key=Value lines,
// each value kept with the line that gave it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace organ_import {

struct IniEntry {
    std::string value;  // UTF-8, without the spaces around it
    int line;           // 1 for the first line of the file
};

using IniSection = std::map<std::string, IniEntry, std::less<>>;

struct OrganIni {
    std::string fileName;  // how citations name the definition
    std::map<std::string, IniSection, std::less<>> sections;
};

// The definition's text, Windows-1252 (which includes ISO-8859-1's letters)
// unless it starts with a UTF-8 byte-order mark. Lines end with LF or CR LF;
// empty lines and lines starting with ';' are skipped; "[Name]" starts a
// section; "Key=Value" belongs to the section above it. Names are matched
// with their letter case; a key given twice keeps its first value. Any other
// line is skipped.
OrganIni parseOrganIni(std::string_view bytes, std::string fileName);

// The entry, or nullptr when the section or the key is not there.
const IniEntry* findEntry(const OrganIni& ini, std::string_view section, std::string_view key);

// "demo.organ:583: Pipe001=Montre8\042-F#.wav": what names a value, for errors.
std::string citation(const OrganIni& ini, const IniEntry& entry, std::string_view key);

constexpr double largestNumber = 1e9;  // beyond any count, key or level an organ gives

// The value of a key as a whole number or as a number with decimals
// ("-600", "001", "98.5"). An absent key gives `fallback`; nothing, with
// error set, when it is absent without a fallback, is not such a number, or
// lies outside its range (+-largestNumber, or low to high).
std::optional<long> integerValue(const OrganIni& ini, std::string_view section, std::string_view key,
                                 std::optional<long> fallback, std::string& error,
                                 long low = -static_cast<long>(largestNumber),
                                 long high = static_cast<long>(largestNumber));
std::optional<double> decimalValue(const OrganIni& ini, std::string_view section, std::string_view key,
                                   std::optional<double> fallback, std::string& error, double low = -largestNumber,
                                   double high = largestNumber);

// The value of a key as text; empty when absent.
std::string textValue(const OrganIni& ini, std::string_view section, std::string_view key);

}  // namespace organ_import
