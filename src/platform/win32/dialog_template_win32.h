// The shell's dialog descriptions turned into the in-memory DLGTEMPLATE that
// DialogBoxIndirectParam runs, so the dialogs need no resource script.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/window.h"

namespace platform::win32 {

// The template in 16-bit words; its data is DWORD-aligned as Windows needs.
std::vector<WORD> buildDialogTemplate(const DialogTemplate& dialog);

}  // namespace platform::win32
