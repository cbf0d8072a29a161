// The progress of an import on standard error, drawn only when it is a
// terminal: files done of files to do. Warnings go through it so they do not
// break the bar.
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
