// run_command_line COMMAND: starts COMMAND as the shell starts a verb's
// command line, one string handed to CreateProcess, and ends with its exit
// code once it has ended; 255 when it cannot be started.
#include <windows.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: run_command_line COMMAND\n");
        return 2;
    }
    std::vector<wchar_t> command(argv[1], argv[1] + wcslen(argv[1]) + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
