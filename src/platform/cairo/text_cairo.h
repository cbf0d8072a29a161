// Fonts and text on the cairo drawing surface.
#pragma once

#include "platform/surface.h"

namespace platform::cairo {

// The default face of a fresh context, created on first use.
Font* defaultFont();

}  // namespace platform::cairo
