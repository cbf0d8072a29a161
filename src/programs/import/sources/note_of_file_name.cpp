// Reading a note from a file name (see note_of_file_name.h).
#include "programs/import/sources/note_of_file_name.h"

#include <cctype>

namespace organ_import {

namespace {

constexpr int highestMidiNote = 127;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool endsTheNote(std::string_view stem, std::size_t at)
{
    return at == stem.size() || !std::isalnum(static_cast<unsigned char>(stem[at]));
}

std::optional<int> leadingNumber(std::string_view stem)
{
    std::size_t at = 0;
    int value = 0;
    while (at < stem.size() && at < 3 && isDigit(stem[at])) value = 10 * value + (stem[at++] - '0');
    if (at == 0 || !endsTheNote(stem, at) || value > highestMidiNote) return std::nullopt;
    return value;
}

std::optional<int> leadingNoteName(std::string_view stem)
{
    static constexpr int pitchClasses[7] = {9, 11, 0, 2, 4, 5, 7};  // A to G
    if (stem.empty()) return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(stem[0])));
    if (letter < 'A' || letter > 'G') return std::nullopt;
    int note = pitchClasses[letter - 'A'];
    std::size_t at = 1;
    if (at < stem.size() && (stem[at] == '#' || stem[at] == 'b')) note += stem[at++] == '#' ? 1 : -1;
    const bool negative = at < stem.size() && stem[at] == '-';
    if (negative) ++at;
    if (at == stem.size() || !isDigit(stem[at])) return std::nullopt;
    const int octave = stem[at++] - '0';
    if (!endsTheNote(stem, at)) return std::nullopt;
    note += 12 * ((negative ? -octave : octave) + 1);
    if (note < 0 || note > highestMidiNote) return std::nullopt;
    return note;
}

}  // namespace

std::optional<int> midiNoteOfFileName(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    const std::string_view stem = dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    if (const std::optional<int> number = leadingNumber(stem)) return number;
    return leadingNoteName(stem);
}

}  // namespace organ_import
