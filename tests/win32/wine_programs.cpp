// Child processes for the Windows tests: fork, change directory, extend the
// environment, exec; standard output read through a pipe.
#include "wine_programs.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace wine {

namespace {

[[noreturn]] void execInChild(const Arguments& arguments, const std::filesystem::path& directory,
                              const Arguments& environment)
{
    if (::chdir(directory.c_str()) != 0) ::_exit(126);
    for (const std::string& entry : environment) ::putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

int statusCode(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1; }

// Waits for pid until the timeout; kills it when the time is up.
int reap(pid_t pid, std::chrono::milliseconds timeout, bool kill)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int waitStatus = 0;
        if (::waitpid(pid, &waitStatus, WNOHANG) == pid) return statusCode(waitStatus);
        if (std::chrono::steady_clock::now() > end) {
            if (!kill) return -2;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &waitStatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
}

}  // namespace

void writeCaptureConfig(const std::filesystem::path& config, const std::filesystem::path& captureFile)
{
    std::ofstream file(config);
    file << "pcm.!default {\n"
         << "  type file\n"
         << "  slave.pcm { type null }\n"
         << "  file \"" << captureFile.string() << "\"\n"
         << "  format \"raw\"\n"
         << "}\n";
}

// Standard output and error go to a temporary file, read once the program
// has ended.
Finished run(const Arguments& arguments, const std::filesystem::path& directory, std::chrono::milliseconds timeout,
             const Arguments& environment)
{
    char outputName[] = "/tmp/velmara-wine-output-XXXXXX";
    const int output = ::mkstemp(outputName);
    if (output < 0) return {-1, ""};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        execInChild(arguments, directory, environment);
    }
    ::close(output);
    const int status = reap(pid, timeout, true);
    std::ifstream file(outputName);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(outputName);
    return {status, text};
}

Process::Process(const Arguments& arguments, const std::filesystem::path& directory, const Arguments& environment,
                 const std::filesystem::path& standardOutput)
    : pid(::fork())
{
    if (pid != 0) return;
    if (!standardOutput.empty()) {
        const int output = ::open(standardOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output < 0) ::_exit(126);
        ::dup2(output, STDOUT_FILENO);
    }
    execInChild(arguments, directory, environment);
}

Process::~Process()
{
    if (!status && pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

std::optional<int> Process::waitForExit(std::chrono::milliseconds timeout)
{
    if (!status) {
        const int code = reap(pid, timeout, false);
        if (code != -2) status = code;
    }
    return status;
}

std::string windowsPath(const std::filesystem::path& path)
{
    std::string text = "Z:" + std::filesystem::absolute(path).lexically_normal().string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}

void pressKeys(const Arguments& keys)
{
    Arguments command = {"xdotool", "key", "--delay", "60"};
    command.insert(command.end(), keys.begin(), keys.end());
    run(command, ".", 10s);
}

void typeText(const std::string& text) { run({"xdotool", "type", "--delay", "30", text}, ".", 20s); }

void clickAt(int x, int y)
{
    run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"}, ".", 10s);
}

}  // namespace wine
