// Programs the Windows tests run: Windows programs under Wine, in the prefix,
// display and virtual desktop that scripts/test-windows prepared, with ALSA's
// default device written to a capture file; and the X tools that type, click
// and photograph the screen.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace wine {

using Arguments = std::vector<std::string>;
using namespace std::chrono_literals;

// ALSA configuration whose default PCM appends everything played, as raw
// interleaved samples in the format the program opened, to captureFile.
void writeCaptureConfig(const std::filesystem::path& config, const std::filesystem::path& captureFile);

struct Finished {
    int status;  // the exit code's low 8 bits, -1 when stopped by a signal or the timeout
    std::string output;  // standard output and error
};

// Runs a program to its end, killing it after the timeout; extra environment
// entries are NAME=value.
Finished run(const Arguments& arguments, const std::filesystem::path& directory, std::chrono::milliseconds timeout,
             const Arguments& environment = {});

// A program left running; killed on destruction if it has not ended. Its
// standard output goes to the file when one is named.
class Process {
public:
    Process(const Arguments& arguments, const std::filesystem::path& directory, const Arguments& environment,
            const std::filesystem::path& standardOutput = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The exit code's low 8 bits, or nothing while it still runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

private:
    pid_t pid;
    std::optional<int> status;
};

// The path as Wine's programs see it: drive Z: is the root directory.
std::string windowsPath(const std::filesystem::path& path);

// Keys as xdotool names them ("alt+f", "Return"), sent to the focused window.
void pressKeys(const Arguments& keys);
void typeText(const std::string& text);
void clickAt(int x, int y);

// Polls condition every 200 ms until it holds or the time is up.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(200ms);
    }
}

}  // namespace wine
