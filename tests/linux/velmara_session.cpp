// One run of the Linux program for a test (see velmara_session.h).
#include "velmara_session.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace linux_test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t bannerGreen = 0x00FF00;
constexpr int period = 256;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

bool VelmaraSession::startServers(int rate)
{
    if (!x_.start(scratch_)) return false;
    return rate == 0 || startJack(rate);
}

void VelmaraSession::stopJack()
{
    jackClient_.reset();
    jackd_.stop();
}

bool VelmaraSession::startJack(int rate)
{
    const std::string server = "velmara-test-" + std::to_string(getpid());
    if (!jackd_.start(server, rate, period, scratch_)) return false;
    jackClient_ = std::make_unique<JackTestClient>(server);
    return jackClient_->open(90.0);
}

std::vector<std::string> VelmaraSession::environment() const
{
    const std::string server = jackClient_ ? jackd_.name() : "velmara-test-no-server";
    return {"DISPLAY=" + x_.display(), "JACK_DEFAULT_SERVER=" + server, "VELMARA_JACK_TIMING=" + timingFile(),
            "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1"};
}

bool VelmaraSession::startVelmara(const std::string& workingDirectory)
{
    return velmara_.start({VELMARA_BINARY}, environment(), workingDirectory, scratch_ + "/velmara");
}

bool VelmaraSession::startInstalled(const std::vector<std::string>& command,
                                    const std::vector<std::string>& extraEnvironment)
{
    // A name given twice is not left to the shell to choose: dash keeps the
    // last, the program's getenv the first.
    std::vector<std::string> variables = extraEnvironment;
    for (const std::string& variable : environment()) {
        const std::string name = variable.substr(0, variable.find('=') + 1);
        if (std::ranges::none_of(extraEnvironment, [&](const std::string& extra) { return extra.starts_with(name); }))
            variables.push_back(variable);
    }
    return velmara_.start(command, variables, "", scratch_ + "/velmara");
}

bool VelmaraSession::waitForWindowNamed(const std::string& pattern, unsigned long& window, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        std::string found;
        if (xdotool(display(), {"search", "--onlyvisible", "--name", pattern}, &found) == 0 && !found.empty()) {
            window = std::stoul(found);
            return true;
        }
        pause(50);
    }
    return false;
}

bool VelmaraSession::windowExists(const std::string& pattern)
{
    std::string found;
    return xdotool(display(), {"search", "--onlyvisible", "--name", pattern}, &found) == 0 && !found.empty();
}

bool VelmaraSession::waitForWindow(unsigned long& window, int timeoutMs)
{
    if (!waitForWindowNamed("^Velmara 2013$", window_, timeoutMs)) return false;
    window = window_;
    return true;
}

bool VelmaraSession::velmaraListensTo(const std::string& port)
{
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (jackClient_->isConnected(port, "velmara:midi_in")) return true;
        pause(20);
    }
    return false;
}

// The banner's outline starts at device (200, 480); its green fill at (201, 481).
bool VelmaraSession::findOrigin(const Screenshot& shot)
{
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            if (shot.at(x, y) != bannerGreen) continue;
            origin_ = {x - 201, y - 481};
            return true;
        }
    }
    return false;
}

std::uint32_t VelmaraSession::pixel(const Screenshot& shot, int deviceX, int deviceY) const
{
    return shot.at(origin_.x + deviceX, origin_.y + deviceY);
}

bool VelmaraSession::waitForPixel(int deviceX, int deviceY, std::uint32_t colour, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (pixel(takeScreenshot(display()), deviceX, deviceY) == colour) return true;
        pause(30);
    } while (Clock::now() < deadline);
    return false;
}

void VelmaraSession::typeKeys(const std::vector<std::string>& keys)
{
    xdotool(display(), {"windowfocus", "--sync", std::to_string(window_)});
    std::vector<std::string> arguments = {"key", "--delay", "100"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    xdotool(display(), arguments);
}

bool VelmaraSession::chooseFromFileMenu(int item, const std::string& path)
{
    std::vector<std::string> keys = {"alt+f"};
    for (int i = 0; i < item; ++i) keys.push_back("Down");
    keys.push_back("Return");
    typeKeys(keys);
    unsigned long chooser = 0;
    if (!waitForWindowNamed("^Open$", chooser)) return false;
    xdotool(display(), {"windowfocus", "--sync", std::to_string(chooser)});
    pause(300);
    xdotool(display(), {"key", "ctrl+l"});
    pause(200);
    xdotool(display(), {"type", "--delay", "10", path});
    pause(200);
    xdotool(display(), {"key", "Return"});
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (windowExists("^Open$") && Clock::now() < deadline) pause(50);
    return !windowExists("^Open$");
}

void VelmaraSession::click(int deviceX, int deviceY)
{
    xdotool(display(), {"mousemove", "--sync", std::to_string(origin_.x + deviceX), std::to_string(origin_.y + deviceY),
                        "click", "1"});
}

bool VelmaraSession::clickAndSeeItChange(int deviceX, int deviceY)
{
    const std::uint32_t before = pixel(takeScreenshot(display()), deviceX, deviceY);
    click(deviceX, deviceY);
    for (int tries = 0; tries < 60; ++tries, pause(50))
        if (pixel(takeScreenshot(display()), deviceX, deviceY) != before) return true;
    return false;
}

bool VelmaraSession::coverBriefly(int deviceX, int deviceY, int width, int height)
{
    return linux_test::coverBriefly(display(), origin_.x + deviceX, origin_.y + deviceY, width, height);
}

}  // namespace linux_test
