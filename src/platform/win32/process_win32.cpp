// Process exits on Windows: ExitProcess for the immediate ones, the C
// runtime's exit (exit handlers, flushed streams) for the normal one.
#include <windows.h>

#include <cstdlib>

#include "platform/process.h"

namespace platform {

void exitImmediately(int code)
{
    ExitProcess(static_cast<UINT>(code));
}

void exitNormally(int code) { std::exit(code); }

}  // namespace platform
