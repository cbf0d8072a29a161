// Process exits on POSIX: _Exit for the immediate ones, exit for the normal.
#include "platform/posix/process_posix.h"

#include <cstdlib>

#include "platform/process.h"

namespace platform {

namespace {
posix::ExitObserver exitObserver = nullptr;

void tellObserver(int code)
{
    if (exitObserver != nullptr) exitObserver(code);
}
}  // namespace

void posix::setExitObserver(ExitObserver observer) { exitObserver = observer; }

void exitImmediately(int code)
{
    tellObserver(code);
    std::_Exit(code);
}

void exitNormally(int code)
{
    tellObserver(code);
    std::exit(code);
}

}  // namespace platform
