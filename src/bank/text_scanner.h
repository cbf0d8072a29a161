// TextScanner reads a whole text file into memory and walks it with one
// forward-moving position: the run of name characters at the position, and
// the start of the next line. Both stop at the end of the text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

constexpr int tokenCapacity = 256;  // a token is cut at 255 bytes

class TextScanner {
public:
    std::FILE* file = nullptr;
    std::int32_t size = 0;
    std::unique_ptr<char[]> text;
    std::int32_t pos = 0;

    // Opens the file and measures it: 0 on success, -1 (with a message on
    // standard output) on failure.
    int open(const char* fileName, const char* mode, std::int32_t& outSize);
    // Closes the stream; a null stream ends the process with exitNullStream.
    void close(std::FILE* stream);
    // Reads the whole file into text; returns 0. A file that cannot be opened
    // or held in memory ends the process with exitDefinitionUnreadable.
    int load(const char* fileName);
    // Copies the run of token characters at pos (cut at 255 bytes) and moves
    // pos past it, to the byte that ended it.
    void readToken(char (&destination)[tokenCapacity]);
    // Moves pos past the next line feed, or to the end of the text.
    void skipLine();
    bool atEnd() const { return pos >= size; }
};

// ASCII letters and digits, "-_.%," and the space, and every byte from 0x80
// up (accented names in Windows-1252 or UTF-8).
bool isTokenCharacter(unsigned char byte);
