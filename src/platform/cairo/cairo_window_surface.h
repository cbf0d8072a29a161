// The 1280 x 768 window picture behind the drawing surface, for the hosts
// that show it (the headless host saves it, the GTK window paints it).
#pragma once

#include <cairo.h>

#include "platform/surface.h"

namespace platform::cairo {

constexpr int windowSurfaceWidth = 1280;
constexpr int windowSurfaceHeight = 768;

// The window's picture, an RGB24 image created on first use.
cairo_surface_t* windowSurface();

// Erases the whole picture to the colour and returns the paint's context with
// a fresh context's defaults: white brush, black pen, black text, left/top
// alignment, opaque white text background. An earlier context is reused.
DrawingContext* beginSurfacePaint(Color erase);

bool saveWindowPng(const char* path);

// The colour of one pixel of the picture, 0x00BBGGRR; 0 outside it.
Color windowPixel(int x, int y);

}  // namespace platform::cairo
