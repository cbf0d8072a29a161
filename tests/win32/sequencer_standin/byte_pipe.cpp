// Reading the test's hexadecimal text from a non-blocking pipe descriptor.
#include "byte_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace standin {

namespace {

int hexDigit(int c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

BytePipe::BytePipe(const std::string& path)
{
    if (!path.empty()) fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

int BytePipe::readChar(bool wait)
{
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got == 1) return static_cast<unsigned char>(c);
        if (got < 0 && errno == EINTR) continue;
        if (got == 0 || errno != EAGAIN) return -1;
        if (!wait) return -2;
        pollfd readable = {fd, POLLIN, 0};
        ::poll(&readable, 1, -1);
    }
}

int BytePipe::next()
{
    int value = 0;
    int digits = 0;
    for (;;) {
        int c = lookahead;
        lookahead = -1;
        if (c < 0) c = readChar(true);
        if (c < 0) return -1;
        const int digit = hexDigit(c);
        if (digit < 0) {
            if (digits > 0) return value;
            continue;
        }
        value = value * 16 + digit;
        if (++digits == 2) return value;
    }
}

bool BytePipe::hasMore()
{
    if (lookahead >= 0) return true;
    for (;;) {
        const int c = readChar(false);
        if (c < 0) return false;
        if (std::isspace(c) == 0) {
            lookahead = c;
            return true;
        }
    }
}

}  // namespace standin
