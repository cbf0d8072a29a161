// The system's texts are Windows-1252 bytes; cairo and GTK want UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform::cairo {

// Bytes that already form valid UTF-8 (stop names taken from a UTF-8 file
// system) are kept as they are; any other text is read as Windows-1252.
std::string textToUtf8(std::string_view text);

}  // namespace platform::cairo
