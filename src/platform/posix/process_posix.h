// Process exits on POSIX, seen by a host: the code of every exit the system
// takes, just before the process ends (the headless host logs it).
#pragma once

namespace platform::posix {

using ExitObserver = void (*)(int code);
void setExitObserver(ExitObserver observer);

}  // namespace platform::posix
