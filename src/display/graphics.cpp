// The logical-screen graphics layer (see graphics.h): every coordinate is
// converted to device pixels on the way to drawingContext.
#include "display/graphics.h"

#include <cstring>

const platform::Color palette[paletteSize] = {
    0x00000000, 0x00FF0000, 0x0000FF00, 0x00FFFF00, 0x000000FF, 0x00FF00FF, 0x002A2AA5, 0x00D3D3D3,
    0x004F4F2F, 0x00E6D8AD, 0x00AAB220, 0x00FFFFE0, 0x008080F0, 0x009370DB, 0x0000FFFF, 0x00FFFFFF,
};

platform::Brush* colorBrush[paletteSize] = {};
platform::Pen* colorPen[paletteSize] = {};
platform::Font* fontTable[fontSlotCount] = {};

int currentColor = 0;
int currentFontSlot = 0;

platform::DrawingContext* drawingContext = nullptr;

namespace {

struct FontSpec {
    int height;
    int width;
    int escapement;
    int weight;
    const char* face;
};

constexpr FontSpec fontSpecs[fontSlotCount] = {
    {20, 7, 0, 800, "times"},   {30, 7, 0, 800, "times"},   {40, 14, 0, 800, "times"},
    {60, 20, 0, 800, "times"},  {90, 40, 0, 700, "times"},  {90, 60, 0, 400, "times"},
    {40, 20, 0, 400, "times"},  {15, 6, 0, 800, "times"},   {15, 6, 0, 400, "times"},
    {30, 10, 0, 400, "times"},  {20, 7, 900, 400, "times"}, {40, 14, 900, 400, "times"},
    {15, 6, 0, 400, "COUR"},    {15, 6, 0, 800, "COUR"},    {12, 6, 0, 400, "times"},
};

constexpr platform::TextAlign alignModes[] = {
    platform::TextAlign::leftBaseline,
    platform::TextAlign::centreBaseline,
    platform::TextAlign::rightBaseline,
};

// The points in device pixels, or 0 when the count is outside 1 to 150.
int toDevicePoints(int count, const LogicalPoint* points, platform::DevicePoint (&device)[maxPolygonPoints])
{
    if (points == nullptr || count < 1 || count > maxPolygonPoints) return 0;
    for (int i = 0; i < count; ++i) device[i] = {toDeviceX(points[i].x), toDeviceY(points[i].y)};
    return count;
}

}  // namespace

void createFonts()
{
    for (int slot = 0; slot < fontSlotCount; ++slot) {
        const FontSpec& font = fontSpecs[slot];
        fontTable[slot] = platform::createFont(font.height, font.width, font.escapement, font.weight, font.face);
    }
}

void createBrushesAndPens()
{
    for (int index = 0; index < paletteSize; ++index) {
        colorBrush[index] = platform::createSolidBrush(palette[index]);
        colorPen[index] = platform::createSolidPen(palette[index]);
    }
}

void setColor(int index)
{
    currentColor = index & 15;
    platform::selectBrush(drawingContext, colorBrush[currentColor]);
}

void setTextColor(int index) { platform::setTextColor(drawingContext, palette[index & 15]); }

void setTextAlign(int mode)
{
    if (mode >= 0 && mode <= 2) platform::setTextAlign(drawingContext, alignModes[mode]);
}

void selectPen(int index)
{
    if (index >= 0 && index < paletteSize) platform::selectPen(drawingContext, colorPen[index]);
}

void selectFont(int slot)
{
    if (slot < 0 || slot >= fontSlotCount) return;
    currentFontSlot = slot;
    platform::selectFont(drawingContext, fontTable[slot]);
}

void textOut(int x, int y, const char* text)
{
    if (text == nullptr) return;
    platform::selectFont(drawingContext, fontTable[currentFontSlot]);
    platform::textOut(drawingContext, toDeviceX(x), toDeviceY(y), text, static_cast<int>(std::strlen(text)));
}

void fillRect(const LogicalRect& rect)
{
    platform::fillRect(drawingContext, toDeviceX(rect.left), toDeviceY(rect.top), toDeviceX(rect.right),
                       toDeviceY(rect.bottom), colorBrush[currentColor]);
}

void rectangle(int left, int top, int right, int bottom)
{
    platform::rectangle(drawingContext, toDeviceX(left), toDeviceY(top), toDeviceX(right), toDeviceY(bottom));
}

void polygon(int count, const LogicalPoint* points)
{
    platform::DevicePoint device[maxPolygonPoints];
    const int converted = toDevicePoints(count, points, device);
    if (converted > 0) platform::polygon(drawingContext, device, converted);
}

void polyline(int count, const LogicalPoint* points)
{
    platform::DevicePoint device[maxPolygonPoints];
    const int converted = toDevicePoints(count, points, device);
    if (converted > 0) platform::polyline(drawingContext, device, converted);
}

void moveRect(LogicalRect& rect, int x, int y)
{
    rect.right = x + (rect.right - rect.left);
    rect.bottom = y + (rect.bottom - rect.top);
    rect.left = x;
    rect.top = y;
}
