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

void createFonts();
void createBrushesAndPens();

void setColor(int index);
void setTextColor(int index);
void setTextAlign(int mode);  // 0 left, 1 centre, 2 right, on the baseline
void selectPen(int index);
void selectFont(int slot);
void textOut(int x, int y, const char* text);
void fillRect(const LogicalRect& rect);
void rectangle(int left, int top, int right, int bottom);
void polygon(int count, const LogicalPoint* points);
void polyline(int count, const LogicalPoint* points);
void moveRect(LogicalRect& rect, int x, int y);
