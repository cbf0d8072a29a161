// Making an organ's names into Velmara's (see organ_names.h).
#include "programs/import/sources/organ_names.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "bank/organ_bank.h"
#include "bank/text_scanner.h"
#include "platform/ascii_case.h"
#include "platform/windows1252.h"
#include "programs/import/sources/stop_name.h"

namespace organ_import {

namespace {

constexpr std::size_t longestName = stopNameCapacity - 1;

// Š Œ Ž š œ ž Ÿ ª µ º and À to ÿ without × and ÷.
bool isWindows1252Letter(unsigned char byte)
{
    static constexpr std::string_view lettersBelowC0 = "\x8A\x8C\x8E\x9A\x9C\x9E\x9F\xAA\xB5\xBA";
    if (byte >= 0xC0) return byte != 0xD7 && byte != 0xF7;
    return lettersBelowC0.find(static_cast<char>(byte)) != std::string_view::npos;
}

bool isKept(unsigned char byte) { return byte < 0x80 ? isTokenCharacter(byte) : isWindows1252Letter(byte); }

bool isLetterOrDigit(unsigned char byte) { return byte >= 0x80 || std::isalnum(byte) != 0; }

std::size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return lead >= 0xC0 ? 2 : 1;
}

// Without spaces at either end and dots at its end.
std::string tidied(std::string name)
{
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    name.erase(0, std::min(name.find_first_not_of(' '), name.size()));
    return name;
}

constexpr std::size_t keptStart = longestName / 2;  // of a name a long tail is cut to make room for

// The name with the tail after it, within the name length: the name cut to
// make room, yet keeping its start (up to half the length), and the tail cut
// when even that does not leave it room.
std::string withTail(const std::string& name, const std::string& tail)
{
    const std::size_t room = longestName - std::min(longestName, tail.size());
    const std::string base = tidied(name.substr(0, std::max(room, std::min(name.size(), keptStart))));
    return tidied(base + tail.substr(0, longestName - base.size()));
}

bool isUsable(const std::string& name)
{
    std::string reason;
    return !name.empty() && definitionName(platform::windows1252ToUtf8(name), reason).has_value();
}

// Numbers every name that an earlier one already has, ignoring letter case.
void numberRepeats(std::vector<StopNaming>& stops)
{
    std::map<std::string, int> taken;
    for (const StopNaming& stop : stops) ++taken[platform::lowerAscii(stop.name)];
    std::map<std::string, int> seen;
    for (StopNaming& stop : stops) {
        if (taken[platform::lowerAscii(stop.name)] < 2 || seen[platform::lowerAscii(stop.name)]++ == 0) continue;
        const std::string base = stop.name;
        for (int number = 2; taken.contains(platform::lowerAscii(stop.name)); ++number)
            stop.name = withTail(base, " " + std::to_string(number));
        ++taken[platform::lowerAscii(stop.name)];
    }
}

}  // namespace

std::string stopNameFrom(std::string_view utf8)
{
    std::string name;
    bool gap = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = std::min(utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        const std::optional<std::string> byte = platform::utf8ToWindows1252(utf8.substr(i, length));
        i += length;
        const auto c = byte && byte->size() == 1 ? static_cast<unsigned char>(byte->front()) : 0;
        if (c == 0 || !isKept(c)) {
            gap = true;
            continue;
        }
        if (gap && !name.empty() && isLetterOrDigit(static_cast<unsigned char>(name.back())) && isLetterOrDigit(c))
            name += ' ';
        gap = false;
        if (c != ' ' || (!name.empty() && name.back() != ' ')) name += static_cast<char>(c);
    }
    return tidied(tidied(name).substr(0, longestName));
}

std::string manualSuffix(std::string_view manualName)
{
    const std::string name = stopNameFrom(manualName);
    if (name.find(' ') == std::string::npos) return platform::windows1252ToUtf8(name);
    std::string initials;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (name[i] != ' ' && (i == 0 || name[i - 1] == ' '))
            initials += static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    return platform::windows1252ToUtf8(initials);
}

void nameStops(std::vector<StopNaming>& stops)
{
    std::map<std::string, int> uses;
    for (StopNaming& stop : stops) {
        stop.name = stopNameFrom(stop.organName);
        if (!isUsable(stop.name)) stop.name = stopNameFrom(stop.fallback);
        ++uses[platform::lowerAscii(stop.name)];
    }
    for (StopNaming& stop : stops) {
        const std::string suffix = stopNameFrom(manualSuffix(stop.manual));
        if (uses[platform::lowerAscii(stop.name)] > 1 && !suffix.empty()) stop.name = withTail(stop.name, " " + suffix);
    }
    numberRepeats(stops);
}

std::string definitionFileNameFor(std::string_view churchName)
{
    const std::string name = stopNameFrom(churchName);
    return (isUsable(name) ? platform::windows1252ToUtf8(name) : std::string("Imported")) + ".org";
}

}  // namespace organ_import
