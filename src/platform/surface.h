// The drawing surface: GDI-like primitives on a fixed 1280 x 768 device
// surface, in device pixels. Every operation on a null context does nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Colours are laid out 0x00BBGGRR, red in the lowest byte.
using Color = std::uint32_t;

struct DrawingContext;
struct Font;
struct Brush;
struct Pen;

struct DevicePoint {
    int x;
    int y;
};

// Where the reference point of drawn text lies. A fresh context starts with
// leftTop; the others take the point on the text's baseline.
enum class TextAlign { leftTop, leftBaseline, centreBaseline, rightBaseline };

// An uncompressed device-independent bitmap, rows stored bottom-up.
struct DeviceBitmap {
    int width;
    int height;
    int bitsPerPixel;              // 16, 24 or 32
    const std::uint8_t* pixels;
    std::size_t pixelBytes;        // nothing past this is ever read

    // Bytes of one stored row of a bitmap this wide: rows are padded to a
    // multiple of four bytes.
    static constexpr std::uint64_t rowBytes(std::int64_t width, int bitsPerPixel)
    {
        return static_cast<std::uint64_t>((width * bitsPerPixel + 31) / 32 * 4);
    }
    std::uint64_t rowBytes() const { return rowBytes(width, bitsPerPixel); }
};

// Height and width in device pixels, escapement in tenths of a degree,
// weight 400 normal, 700 bold; face as the font mapper is asked for it.
Font* createFont(int height, int width, int escapement, int weight, const char* face);
Brush* createSolidBrush(Color color);
Pen* createSolidPen(Color color);  // one device pixel wide

void selectBrush(DrawingContext* context, Brush* brush);
void selectPen(DrawingContext* context, Pen* pen);
void selectFont(DrawingContext* context, Font* font);
void setTextColor(DrawingContext* context, Color color);
void setTextAlign(DrawingContext* context, TextAlign align);
void setBackgroundColor(DrawingContext* context, Color color);

// Draws count bytes of text in an opaque cell of the background colour.
void textOut(DrawingContext* context, int x, int y, const char* text, int count);

// Left and top included, right and bottom excluded.
void fillRect(DrawingContext* context, int left, int top, int right, int bottom, Brush* brush);

// Outlined with the selected pen, filled with the selected brush.
void rectangle(DrawingContext* context, int left, int top, int right, int bottom);
void polygon(DrawingContext* context, const DevicePoint* points, int count);
void polyline(DrawingContext* context, const DevicePoint* points, int count);

// Unscaled: one bitmap pixel per device pixel, top-left at (x, y).
void blitBitmap(DrawingContext* context, int x, int y, const DeviceBitmap& bitmap);

}  // namespace platform
