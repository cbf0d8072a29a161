// The drawing surface on cairo: what its handles and its one context hold,
// and the 1280 x 768 window picture behind it, for the hosts that show it
// (the headless host saves it, the GTK window paints it).
#pragma once

#include <cairo.h>

#include "platform/surface.h"

namespace platform {

struct Brush {
    Color color;
};

struct Pen {
    Color color;
};

// A scaled face whose cell (ascent + descent) has the height asked for and
// whose average character is as wide as asked, turned by the escapement.
struct Font {
    cairo_scaled_font_t* scaled;
    double angle;  // radians, counter-clockwise on the screen
    int ascent;
    int descent;
};

struct DrawingContext {
    cairo_t* cr;
    Brush* brush;
    Pen* pen;
    Font* font;
    Color textColor;
    Color background;
    TextAlign align;
    cairo_region_t* clip;  // the region a paint repaints, while it runs; else null
};

namespace cairo {

constexpr int windowSurfaceWidth = 1280;
constexpr int windowSurfaceHeight = 768;

// The colour a window system's paint erases to: the window class's
// background.
constexpr Color windowBackground = 0x00FFFFFF;

void setSourceColor(cairo_t* cr, Color color);

// The window's picture, an RGB24 image created on first use.
cairo_surface_t* windowSurface();

// Erases the picture to the colour and returns the paint's context with a
// fresh context's defaults: white brush, black pen, black text, left/top
// alignment, opaque white text background. An earlier context is reused.
// With a region (device pixels), as a window system's update region, only
// the region is erased and all drawing stays inside it until
// endSurfacePaint; without one the whole picture is.
DrawingContext* beginSurfacePaint(Color erase, const cairo_region_t* region = nullptr);

// Ends a paint's clip: later drawing reaches the whole picture again.
void endSurfacePaint();

bool saveWindowPng(const char* path);

// The colour of one pixel of the picture, 0x00BBGGRR; 0 outside it.
Color windowPixel(int x, int y);

}  // namespace cairo

}  // namespace platform
