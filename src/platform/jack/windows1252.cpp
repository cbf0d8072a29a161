// UTF-8 to Windows-1252 for JACK port names (see windows1252.h).
#include "platform/jack/windows1252.h"

#include <cstdint>
#include <optional>

namespace platform::jack {

namespace {

// The characters of bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr char32_t upperControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<char> byteOf(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (upperControls[i] == c) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

// Decodes the character at text[i], moving i past it; nullopt when the
// bytes there are not well-formed UTF-8.
std::optional<char32_t> decode(std::string_view text, std::size_t& i)
{
    const auto lead = static_cast<std::uint8_t>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) { extra = 1; c = lead & 0x1F; }
    else if (lead >= 0xE0 && lead <= 0xEF) { extra = 2; c = lead & 0x0F; }
    else if (lead >= 0xF0 && lead <= 0xF4) { extra = 3; c = lead & 0x07; }
    else return std::nullopt;
    for (; extra > 0; --extra, ++i) {
        if (i >= text.size() || (static_cast<std::uint8_t>(text[i]) & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (static_cast<std::uint8_t>(text[i]) & 0x3F);
    }
    const bool overlong = (c < 0x800 && lead >= 0xE0) || (c < 0x10000 && lead >= 0xF0);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    return c;
}

}  // namespace

std::string toWindows1252(std::string_view utf8)
{
    std::string converted;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> c = decode(utf8, i);
        const std::optional<char> byte = c ? byteOf(*c) : std::nullopt;
        if (!byte) return std::string(utf8);
        converted.push_back(*byte);
    }
    return converted;
}

}  // namespace platform::jack
