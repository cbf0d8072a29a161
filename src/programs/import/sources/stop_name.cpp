// Checking a stop name (see stop_name.h).
#include "programs/import/sources/stop_name.h"

#include <algorithm>
#include <array>

#include "bank/organ_bank.h"
#include "bank/text_scanner.h"
#include "platform/ascii_case.h"
#include "platform/windows1252.h"

namespace organ_import {

namespace {

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 name devices on
// Windows, with any extension after them.
bool isWindowsDeviceName(std::string_view name)
{
    const std::string base = platform::lowerAscii(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 4> devices = {"con", "prn", "aux", "nul"};
    if (std::find(devices.begin(), devices.end(), base) != devices.end()) return true;
    return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '1' && base[3] <= '9';
}

// Why the definition or a folder cannot carry these Windows-1252 bytes, or
// nothing when they can.
std::string refusalOf(const std::string& bytes)
{
    if (bytes.empty()) return "it is empty";
    if (bytes.size() >= static_cast<std::size_t>(stopNameCapacity))
        return "it is " + std::to_string(bytes.size()) + " bytes in Windows-1252; a stop name holds at most " +
               std::to_string(stopNameCapacity - 1);
    for (char c : bytes)
        if (!isTokenCharacter(static_cast<unsigned char>(c)))
            return std::string("it holds '") + c + "'; a name is made of letters, digits, spaces and -_.%,";
    if (bytes.front() == ' ' || bytes.back() == ' ') return "it begins or ends with a space, which folders lose";
    if (bytes.back() == '.') return "it ends with a dot, which Windows drops from folder names";
    if (bytes == "END") return "END ends the organ definition";
    if (platform::equalIgnoringCase(bytes, "boutons")) return "boutons is the folder of the button pictures";
    if (isWindowsDeviceName(bytes)) return "it names a device on Windows";
    return {};
}

}  // namespace

std::optional<std::string> definitionName(std::string_view utf8, std::string& reason)
{
    std::optional<std::string> bytes = platform::utf8ToWindows1252(utf8);
    reason = bytes ? refusalOf(*bytes) : "it is not UTF-8 text that Windows-1252 can write";
    if (!reason.empty()) return std::nullopt;
    return bytes;
}

}  // namespace organ_import
