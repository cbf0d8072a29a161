// The main thread's wake on a non-blocking pipe (see wake_posix.h).
#include "platform/posix/wake_posix.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform::posix {

namespace {

// Made before main, so that the first wake, from whatever thread, finds it.
struct WakePipe {
    int ends[2] = {-1, -1};
    WakePipe()
    {
        if (::pipe(ends) != 0) return;
        for (const int end : ends) {
            ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        }
    }
};

WakePipe wakePipe;

}  // namespace

// A full pipe already holds a pending wake: the byte that does not fit is
// not needed.
void wakeMainThread()
{
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe.ends[1], &wake, 1);
}

int mainThreadWakeDescriptor() { return wakePipe.ends[0]; }

void clearMainThreadWake()
{
    char pending[64];
    while (::read(wakePipe.ends[0], pending, sizeof pending) > 0) {
    }
}

}  // namespace platform::posix
