// lock_holder FILE SECONDS: takes the importer's run lock on FILE as a run
// does, says "held" and keeps it for SECONDS, so that a test can start an
// import while another run holds the lock.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/durable_files.h"

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    bool held = false;
    std::string error;
    platform::RunLock* lock = platform::takeRunLock(argv[1], held, error);
    if (lock == nullptr) {
        std::fprintf(stderr, "lock_holder: %s\n", error.c_str());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
    platform::releaseRunLock(lock);
    return 0;
}
