// JACK names are UTF-8; the system compares names as Windows-1252 bytes.
#pragma once

#include <string>
#include <string_view>

namespace platform::jack {

// The Windows-1252 bytes of a UTF-8 text whose every character exists in
// that code page; any other text (not UTF-8, or with a character the code
// page lacks) is returned unchanged.
std::string toWindows1252(std::string_view utf8);

}  // namespace platform::jack
