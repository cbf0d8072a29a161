// The progress of an import on standard error: files done of files to do,
// as a bar redrawn in place on a terminal, as a line at every tenth of the
// way anywhere else (a log, a pipe). Warnings go through it so they do not
// break the bar. Any thread may advance it.
#pragma once

#include <string>

namespace organ_import {

void startProgress(int filesToDo);
void advanceProgress();
// Ends the bar's line.
void finishProgress();

// One line on standard error, above the bar when one is drawn.
void warn(const std::string& line);

}  // namespace organ_import
