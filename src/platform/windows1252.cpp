// Windows-1252 and UTF-8 (see windows1252.h).
#include "platform/windows1252.h"

#include <cstdint>

namespace platform {

namespace {

// The characters of bytes 0x80 to 0x9F; every other byte is the character
// of its own number.
constexpr char32_t highCharacters[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t characterOf(std::uint8_t byte)
{
    return byte >= 0x80 && byte <= 0x9F ? highCharacters[byte - 0x80] : char32_t{byte};
}

std::optional<char> byteOf(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (highCharacters[i] == c) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

// Decodes the well-formed UTF-8 sequence at text[i] and moves i past it;
// nothing, with i unchanged, when the bytes there are not one.
std::optional<char32_t> decode(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t j) { return static_cast<std::uint8_t>(text[j]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return char32_t{lead};
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return std::nullopt;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) return std::nullopt;
    for (std::size_t j = 1; j < length; ++j) {
        if ((byte(i + j) & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (byte(i + j) & 0x3F);
    }
    i += length;
    return c;
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
        if (!decode(text, i)) return false;
    return true;
}

}  // namespace

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) appendUtf8(out, characterOf(static_cast<std::uint8_t>(c)));
    return out;
}

std::optional<std::string> utf8ToWindows1252(std::string_view utf8)
{
    std::string converted;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> c = decode(utf8, i);
        const std::optional<char> byte = c ? byteOf(*c) : std::nullopt;
        if (!byte) return std::nullopt;
        converted.push_back(*byte);
    }
    return converted;
}

std::string textToUtf8(std::string_view text)
{
    return isUtf8(text) ? std::string(text) : windows1252ToUtf8(text);
}

std::string toWindows1252(std::string_view utf8) { return utf8ToWindows1252(utf8).value_or(std::string(utf8)); }

}  // namespace platform
