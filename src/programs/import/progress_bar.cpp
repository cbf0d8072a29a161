// The progress bar of velmara-import (see progress_bar.h).
#include "programs/import/progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace organ_import {

namespace {

constexpr int barWidth = 40;
constexpr int logSteps = 10;  // lines a log gets for the whole way

struct Progress {
    bool onTerminal = false;
    bool drawn = false;
    int done = 0;
    int toDo = 0;
};

std::mutex progressLock;
Progress progress;

void drawBar()
{
    const int filled = progress.toDo > 0 ? barWidth * progress.done / progress.toDo : barWidth;
    const std::string bar = std::string(filled, '#') + std::string(barWidth - filled, ' ');
    std::fprintf(stderr, "\r[%s] %d of %d files", bar.c_str(), progress.done, progress.toDo);
    std::fflush(stderr);
}

// The tenth of the way `done` files reach, from 0 to logSteps.
int tenthOf(int done) { return progress.toDo > 0 ? logSteps * done / progress.toDo : logSteps; }

void logLine()
{
    std::fprintf(stderr, "velmara-import: %d%% done, %d of %d files\n", 100 * progress.done / progress.toDo,
                 progress.done, progress.toDo);
    std::fflush(stderr);
}

}  // namespace

void startProgress(int filesToDo)
{
    const std::lock_guard hold(progressLock);
    const bool onTerminal = ::isatty(STDERR_FILENO) == 1;
    progress = {onTerminal, onTerminal, 0, filesToDo};
    if (progress.drawn) drawBar();
}

void advanceProgress()
{
    const std::lock_guard hold(progressLock);
    ++progress.done;
    if (progress.drawn)
        drawBar();
    else if (!progress.onTerminal && progress.toDo > 0 && tenthOf(progress.done) > tenthOf(progress.done - 1))
        logLine();
}

void finishProgress()
{
    const std::lock_guard hold(progressLock);
    if (progress.drawn) std::fputc('\n', stderr);
    progress = {};
}

void warn(const std::string& line)
{
    const std::lock_guard hold(progressLock);
    if (progress.drawn) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "velmara-import: %s\n", line.c_str());
    if (progress.drawn) drawBar();
}

}  // namespace organ_import
