// The progress bar of velmara-import (see progress_bar.h).
#include "programs/import/progress_bar.h"

#include <unistd.h>

#include <cstdio>

namespace organ_import {

namespace {

constexpr int barWidth = 40;

struct Progress {
    bool drawn = false;
    int done = 0;
    int toDo = 0;
};

Progress progress;

void drawBar()
{
    const int filled = progress.toDo > 0 ? barWidth * progress.done / progress.toDo : barWidth;
    const std::string bar = std::string(filled, '#') + std::string(barWidth - filled, ' ');
    std::fprintf(stderr, "\r[%s] %d of %d files", bar.c_str(), progress.done, progress.toDo);
    std::fflush(stderr);
}

}  // namespace

void startProgress(int filesToDo)
{
    progress = {::isatty(STDERR_FILENO) == 1, 0, filesToDo};
    if (progress.drawn) drawBar();
}

void advanceProgress()
{
    ++progress.done;
    if (progress.drawn) drawBar();
}

void finishProgress()
{
    if (progress.drawn) std::fputc('\n', stderr);
    progress.drawn = false;
}

void warn(const std::string& line)
{
    if (progress.drawn) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "velmara-import: %s\n", line.c_str());
    if (progress.drawn) drawBar();
}

}  // namespace organ_import
