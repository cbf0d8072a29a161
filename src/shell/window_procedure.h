// The main window's procedure: paint, Escape, menu commands and the left
// mouse button, everything else left to the window system.
#pragma once

#include "platform/window.h"

constexpr int exitWindowDestroyed = 800;
constexpr int exitEscape = 330;
constexpr std::uint32_t escapeCharacter = 27;

// False for a message left to the window system's default handling.
bool windowProcedure(const platform::WindowMessage& message);
