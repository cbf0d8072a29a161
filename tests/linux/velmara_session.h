// One run of the Linux program for a test: its own X server and JACK server,
// the JACK test client, velmara started from the demo organ's working
// directory, and the steps a user takes (menus, the file chooser, clicks).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop_session.h"
#include "jack_test_client.h"

namespace linux_test {

// Where the window's device pixel (0, 0) lies on the screen, found from the
// start banner.
struct ScreenOrigin {
    int x = 0;
    int y = 0;
};

class VelmaraSession {
public:
    explicit VelmaraSession(std::string name) : scratch_(makeScratchDirectory(name)) {}

    // Starts the X server and, when rate is not 0, a JACK server at that rate
    // with 256-frame periods and the test client.
    bool startServers(int rate);
    bool startVelmara(const std::string& workingDirectory);
    // Starts the command in place of the built program, as a user starts an
    // installed launcher: the same display, JACK server and timing file, and
    // the extra variables, which take precedence.
    bool startInstalled(const std::vector<std::string>& command, const std::vector<std::string>& extraEnvironment);

    // The test client closes and the JACK server stops, as when a user
    // stops it; started again, it gets the same name and a new test client.
    void stopJack();
    bool startJack(int rate = 44100);

    // Waits until the main window is shown; its X window id.
    bool waitForWindow(unsigned long& window, int timeoutMs = 10000);
    // Waits for a window whose name matches the pattern; its id.
    bool waitForWindowNamed(const std::string& pattern, unsigned long& window, int timeoutMs = 10000);
    bool windowExists(const std::string& pattern);

    bool velmaraListensTo(const std::string& port);

    // Finds the banner on the screen and with it the window's origin.
    bool findOrigin(const Screenshot& shot);
    std::uint32_t pixel(const Screenshot& shot, int deviceX, int deviceY) const;
    // Polls the screen until the pixel at the device point has the colour.
    bool waitForPixel(int deviceX, int deviceY, std::uint32_t colour, int timeoutMs = 3000);

    // Keys typed into the main window.
    void typeKeys(const std::vector<std::string>& keys);
    // File > Open Organ (item 0) or File > Open Wav (item 1), then the path
    // typed into GTK's file chooser.
    bool chooseFromFileMenu(int item, const std::string& path);
    void click(int deviceX, int deviceY);
    // Clicks the device point and waits until its pixel changes, as a stop
    // button does when it switches; false when it does not within 3 s.
    bool clickAndSeeItChange(int deviceX, int deviceY);
    // Covers the rectangle of the window's picture for a moment, then
    // uncovers it.
    bool coverBriefly(int deviceX, int deviceY, int width, int height);

    JackTestClient& jack() { return *jackClient_; }
    ChildProcess& velmara() { return velmara_; }
    const std::string& display() const { return x_.display(); }
    const std::string& scratch() const { return scratch_; }
    std::string timingFile() const { return scratch_ + "/timing.txt"; }
    unsigned long window() const { return window_; }

private:
    std::vector<std::string> environment() const;

    std::string scratch_;
    XServer x_;
    JackServer jackd_;
    std::unique_ptr<JackTestClient> jackClient_;
    ChildProcess velmara_;
    unsigned long window_ = 0;
    ScreenOrigin origin_;
};

}  // namespace linux_test
