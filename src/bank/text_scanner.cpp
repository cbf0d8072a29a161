// The text scanner: one read of the whole file, then tokens and line skips
// taken by index from that buffer.
#include "bank/text_scanner.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>

#include "platform/files.h"
#include "platform/process.h"

namespace {

bool isAsciiLetterOrDigit(unsigned char byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// The length of the open stream, or -1 when it cannot be measured or does
// not fit a signed 32-bit size.
long measure(std::FILE* stream)
{
    if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
    const long length = std::ftell(stream);
    if (length < 0 || length > std::numeric_limits<std::int32_t>::max()) return -1;
    if (std::fseek(stream, 0, SEEK_SET) != 0) return -1;
    return length;
}

}  // namespace

bool isTokenCharacter(unsigned char byte)
{
    switch (byte) {
    case '-':
    case '_':
    case '.':
    case '%':
    case ',':
    case ' ':
        return true;
    default:
        return byte >= 0x80 || isAsciiLetterOrDigit(byte);
    }
}

int TextScanner::open(const char* fileName, const char* mode, std::int32_t& outSize)
{
    if (fileName == nullptr) {
        std::fputs("***erreur fopen: nom de fichier NULL", stdout);
        return -1;
    }
    file = std::fopen(platform::hostPath(fileName).c_str(), mode);
    const long length = file != nullptr ? measure(file) : -1;
    if (length < 0) {
        if (file != nullptr) std::fclose(file);
        file = nullptr;
        std::fputs("***erreur Ouverture fopen", stdout);
        return -1;
    }
    outSize = static_cast<std::int32_t>(length);
    return 0;
}

void TextScanner::close(std::FILE* stream)
{
    if (stream == nullptr) platform::exitNormally(platform::exitNullStream);
    std::fclose(stream);
}

int TextScanner::load(const char* fileName)
{
    if (open(fileName, "rb", size) != 0) platform::exitNormally(platform::exitDefinitionUnreadable);
    text.reset(new (std::nothrow) char[static_cast<std::size_t>(size)]());
    if (text == nullptr) {
        std::fputs("Not enough memory to read the organ definition\n", stderr);
        platform::exitNormally(platform::exitDefinitionUnreadable);
    }
    std::fread(text.get(), static_cast<std::size_t>(size), 1, file);
    close(file);
    file = nullptr;
    return 0;
}

void TextScanner::readToken(char (&destination)[tokenCapacity])
{
    int i = 0;
    while (pos < size && isTokenCharacter(static_cast<unsigned char>(text[pos]))) {
        if (i < tokenCapacity - 1) destination[i++] = text[pos];
        ++pos;
    }
    destination[i] = '\0';
}

void TextScanner::skipLine()
{
    while (pos < size && text[pos] != '\n') ++pos;
    if (pos < size) ++pos;
}
