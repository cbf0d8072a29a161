// The named pipe a test writes a port's MIDI bytes to, as text: each byte
// two hexadecimal digits, bytes and messages separated by white space
// ("90 3C 64\n").
#pragma once

#include <string>

namespace standin {

class BytePipe {
public:
    // Opened for reading and writing, so the pipe never reports an end when
    // the test closes its side; no pipe when path is empty.
    explicit BytePipe(const std::string& path);

    int descriptor() const { return fd; }

    // The next byte, waiting for it; -1 when the pipe fails.
    int next();

    // Reads past white space without waiting; false when nothing but white
    // space was there, so no byte is waiting now.
    bool hasMore();

private:
    // A character, or -1 on failure, or -2 when none is there and wait is false.
    int readChar(bool wait);

    int fd = -1;
    int lookahead = -1;  // a character hasMore read that begins the next byte
};

}  // namespace standin
