// Windows-1252 text, the system's own bytes, and UTF-8, what GTK, cairo,
// JACK and Linux file names use: one code page table, both directions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Every byte as its character in UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the
// same number, as Windows maps them.
std::string windows1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of well-formed UTF-8 whose every character the code
// page holds; nothing for any other text.
std::optional<std::string> utf8ToWindows1252(std::string_view utf8);

// For showing a system text: bytes that already form valid UTF-8 (a stop
// name read from a UTF-8 file) are kept; any other text is read as
// Windows-1252.
std::string textToUtf8(std::string_view text);

// For comparing a UTF-8 name with the system's names: its Windows-1252 bytes
// where it has them, else the text unchanged.
std::string toWindows1252(std::string_view utf8);

}  // namespace platform
