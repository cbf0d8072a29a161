// Xvfb, jackd, the program, screenshots and X input for the end-to-end
// tests (see desktop_session.h).
#include "desktop_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <fcntl.h>
#include <jack/jack.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace linux_test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> merged(extra);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        const std::string key = variable.substr(0, variable.find('=') + 1);
        bool replaced = false;
        for (const std::string& e : extra) replaced = replaced || e.compare(0, key.size(), key) == 0;
        if (!replaced) merged.push_back(variable);
    }
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (std::string& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::string quoted(const std::string& argument)
{
    std::string result = "'";
    for (char c : argument) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

void ignoreJackMessage(const char*) {}

void printJackMessage(const char* message) { std::fprintf(stderr, "JACK: %s\n", message); }

}  // namespace

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::start(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                         const std::string& directory, const std::string& outputStem, int extraFd)
{
    outputStem_ = outputStem;
    std::vector<std::string> arguments(command);
    std::vector<std::string> variables = mergedEnvironment(environment);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(variables);
    const std::string outPath = outputStem + ".out";
    const std::string errPath = outputStem + ".err";
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || (!directory.empty() && chdir(directory.c_str()) != 0)) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (extraFd >= 0) fcntl(extraFd, F_SETFD, 0);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    status_ = -1;
    return true;
}

bool ChildProcess::running()
{
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return false;
}

int ChildProcess::waitForExit(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (running()) {
        if (Clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

void ChildProcess::stop()
{
    if (!running()) return;
    kill(pid_, SIGTERM);
    if (waitForExit(3000) == -1 && running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

std::string ChildProcess::standardError() const
{
    std::ifstream file(outputStem_ + ".err", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool XServer::start(const std::string& scratch)
{
    int ends[2];
    if (pipe(ends) != 0) return false;
    const bool started = process_.start({"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen", "0", "1600x1000x24",
                                         "-nolisten", "tcp", "-noreset"},
                                        {}, "", scratch + "/xvfb", ends[1]);
    close(ends[1]);
    std::string number;
    pollfd ready{ends[0], POLLIN, 0};
    char c = 0;
    while (started && poll(&ready, 1, 10000) == 1 && read(ends[0], &c, 1) == 1 && c != '\n') number += c;
    close(ends[0]);
    if (number.empty()) return false;
    display_ = ":" + number;
    return true;
}

bool JackServer::start(const std::string& name, int rate, int period, const std::string& scratch)
{
    // The probes below fail until the server is up; that is expected.
    jack_set_error_function(ignoreJackMessage);
    name_ = name;
    if (!process_.start({"jackd", "--realtime", "-P", "70", "-n", name, "-d", "dummy", "-r", std::to_string(rate), "-p",
                         std::to_string(period)},
                        {"JACK_NO_AUDIO_RESERVATION=1"}, "", scratch + "/jackd"))
        return false;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline && process_.running()) {
        jack_status_t status{};
        jack_client_t* probe = jack_client_open("probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                                &status, name.c_str());
        if (probe != nullptr) {
            jack_client_close(probe);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    jack_set_error_function(printJackMessage);
    return process_.running() && Clock::now() < deadline;
}

std::uint32_t Screenshot::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
    return pixels[static_cast<std::size_t>(y) * width + x];
}

bool Screenshot::savePng(const std::string& path) const
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width, width,
                    reinterpret_cast<std::uint32_t*>(data + y * stride));
    cairo_surface_mark_dirty(surface);
    const bool saved = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return saved;
}

Screenshot takeScreenshot(const std::string& display)
{
    Screenshot shot;
    Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr) return shot;
    const Window root = DefaultRootWindow(x);
    XWindowAttributes attributes;
    XGetWindowAttributes(x, root, &attributes);
    XImage* image = XGetImage(x, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image != nullptr) {
        shot.width = attributes.width;
        shot.height = attributes.height;
        shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
        for (int y = 0; y < shot.height; ++y)
            for (int px = 0; px < shot.width; ++px)
                shot.pixels[static_cast<std::size_t>(y) * shot.width + px] = XGetPixel(image, px, y) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(x);
    return shot;
}

int xdotool(const std::string& display, const std::vector<std::string>& arguments, std::string* output)
{
    std::string command = "DISPLAY=" + quoted(display) + " xdotool";
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    const int status = pclose(pipe);
    if (output != nullptr) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool sendCloseRequest(const std::string& display, unsigned long window)
{
    Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(x, window, False, NoEventMask, &event);
    XCloseDisplay(x);
    return sent != 0;
}

bool coverBriefly(const std::string& display, int x, int y, int width, int height)
{
    Display* x11 = XOpenDisplay(display.c_str());
    if (x11 == nullptr) return false;
    const int screen = DefaultScreen(x11);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(x11, screen);
    const Window cover =
        XCreateWindow(x11, RootWindow(x11, screen), x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                      0, CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(x11, cover);
    XSync(x11, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XDestroyWindow(x11, cover);
    XSync(x11, False);
    XCloseDisplay(x11);
    return true;
}

std::string makeScratchDirectory(const std::string& stem)
{
    const std::filesystem::path directory = std::filesystem::path(VELMARA_TEST_ARTEFACTS) / stem;
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    return directory.string();
}

}  // namespace linux_test
