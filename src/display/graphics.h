// The logical-screen graphics layer: 640 x 480 logical units drawn at a fixed
// 1280 x 768 device size through drawingContext, with a 16-colour palette,
// one brush and one pen per colour, a table of 15 fonts and stateful
// primitives whose attributes stay in force for what is drawn next.
#pragma once

#include <cstdint>

#include "display/logical_rect.h"
#include "platform/surface.h"

constexpr int logicalWidth = 640;
constexpr int logicalHeight = 480;
constexpr int screenWidth = 1280;
constexpr int screenHeight = 768;

constexpr int paletteSize = 16;
constexpr int fontSlotCount = 15;
constexpr int maxPolygonPoints = 150;

constexpr int toDeviceX(int x) { return x * screenWidth / logicalWidth; }
constexpr int toDeviceY(int y) { return y * screenHeight / logicalHeight; }

extern const platform::Color palette[paletteSize];
extern platform::Brush* colorBrush[paletteSize];
extern platform::Pen* colorPen[paletteSize];
extern platform::Font* fontTable[fontSlotCount];

extern int currentColor;
extern int currentFontSlot;

// The one context all drawing goes through: null until the first paint,
// then the context of the latest paint. The shell sets it.
extern platform::DrawingContext* drawingContext;

struct LogicalPoint {
    int x;
    int y;
};

// Nothing here ends the process; every operation on a null drawingContext
// draws nothing.

// Creates the 15 fonts of fontTable, and the brush and pen of each colour.
void createFonts();
void createBrushesAndPens();

// Makes colour index AND 15 current and selects its brush.
void setColor(int index);
// Text colour palette[index AND 15].
void setTextColor(int index);
// Text alignment on the baseline: 0 left, 1 centre, 2 right; others ignored.
void setTextAlign(int mode);
// Selects the pen of a colour 0 to 15; others ignored.
void selectPen(int index);
// Makes font slot 0 to 14 current and selects it; others ignored.
void selectFont(int slot);
// Draws the text in the current font slot at the point.
void textOut(int x, int y, const char* text);
// Fills the rectangle with the brush of currentColor, whatever is selected.
void fillRect(const LogicalRect& rect);
// Outlined with the selected pen, filled with the selected brush.
void rectangle(int left, int top, int right, int bottom);
// 1 to 150 points; polygon closes the shape and fills it, polyline only
// draws the line through them.
void polygon(int count, const LogicalPoint* points);
void polyline(int count, const LogicalPoint* points);
// Moves the rectangle's left-top to (x, y), keeping its size; draws nothing.
void moveRect(LogicalRect& rect, int x, int y);
