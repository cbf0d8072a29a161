// The main window's procedure: paint, Escape, menu commands and the left
// mouse button, everything else left to the window system.
#pragma once

#include "platform/window.h"

constexpr std::uint32_t escapeCharacter = 27;

// Handles one message; false for one left to the window system's default
// handling. Destroy ends the process with exitWindowDestroyed and Escape
// with exitEscape, both at once; commands may end it as handleCommand does.
bool windowProcedure(const platform::WindowMessage& message);
