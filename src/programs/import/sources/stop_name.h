// Whether a stop name can stand in an organ definition and name a folder on
// Windows and on Linux.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace organ_import {

// The name's Windows-1252 bytes, as the definition will hold them; nothing,
// with reason set to why, when the name is not UTF-8 text Windows-1252 can
// write, is empty or longer than 31 bytes there, holds a byte the definition
// reader does not take into a name, has leading or trailing spaces or a
// trailing dot, or is "END", "boutons" or a Windows device name.
std::optional<std::string> definitionName(std::string_view utf8, std::string& reason);

}  // namespace organ_import
