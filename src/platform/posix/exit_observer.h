// Lets a host see the code of every exit the system takes, just before the
// process ends (the headless host logs it).
#pragma once

namespace platform {

using ExitObserver = void (*)(int code);
void setExitObserver(ExitObserver observer);

}  // namespace platform
