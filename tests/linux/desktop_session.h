// What an end-to-end test runs around the program: a private X server
// (Xvfb), a private JACK server (the dummy driver), the velmara process
// started from the demo organ's working directory, screenshots, and input
// through xdotool and the X server.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace linux_test {

// A child process with its output kept in files; killed when still running
// at destruction.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::vector<std::string>& command, const std::vector<std::string>& environment,
               const std::string& directory, const std::string& outputStem, int extraFd = -1);
    bool running();
    // The exit status (0 to 255), or -1 when it did not end in time or was
    // ended by a signal.
    int waitForExit(int timeoutMs);
    void stop();
    std::string standardError() const;

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string outputStem_;
};

class XServer {
public:
    bool start(const std::string& scratch);
    const std::string& display() const { return display_; }

private:
    ChildProcess process_;
    std::string display_;
};

class JackServer {
public:
    bool start(const std::string& name, int rate, int period, const std::string& scratch);
    const std::string& name() const { return name_; }
    void stop() { process_.stop(); }

private:
    ChildProcess process_;
    std::string name_;
};

// A picture of the whole screen, pixels as 0xRRGGBB.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const;
    bool savePng(const std::string& path) const;
};

Screenshot takeScreenshot(const std::string& display);

// Runs xdotool with the arguments; its exit status.
int xdotool(const std::string& display, const std::vector<std::string>& arguments, std::string* output = nullptr);

// Asks the window to close, as a window manager's close button does.
bool sendCloseRequest(const std::string& display, unsigned long window);

// Shows a window over the screen rectangle for a moment and takes it away,
// as a menu closing does: what lay under it is exposed.
bool coverBriefly(const std::string& display, int x, int y, int width, int height);

std::string makeScratchDirectory(const std::string& stem);

}  // namespace linux_test
