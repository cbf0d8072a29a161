// The drawing surface on GDI: the seam's contexts, fonts, brushes and pens
// are the HDC, HFONT, HBRUSH and HPEN themselves. GDI refuses every call on a
// null context, so nothing is drawn before the first paint.
#include <windows.h>

#include <algorithm>

#include "platform/surface.h"

namespace platform {

namespace {

HDC toHdc(DrawingContext* context) { return reinterpret_cast<HDC>(context); }

UINT textAlignFlags(TextAlign align)
{
    switch (align) {
    case TextAlign::leftTop: return TA_LEFT | TA_TOP;
    case TextAlign::leftBaseline: return TA_LEFT | TA_BASELINE;
    case TextAlign::centreBaseline: return TA_CENTER | TA_BASELINE;
    case TextAlign::rightBaseline: return TA_RIGHT | TA_BASELINE;
    }
    return TA_LEFT | TA_TOP;
}

}  // namespace

Font* createFont(int height, int width, int escapement, int weight, const char* face)
{
    HFONT font = CreateFontA(height, width, escapement, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, 0, face);
    return reinterpret_cast<Font*>(font);
}

Brush* createSolidBrush(Color color) { return reinterpret_cast<Brush*>(CreateSolidBrush(color)); }

Pen* createSolidPen(Color color) { return reinterpret_cast<Pen*>(CreatePen(PS_SOLID, 1, color)); }

void selectBrush(DrawingContext* context, Brush* brush)
{
    SelectObject(toHdc(context), reinterpret_cast<HBRUSH>(brush));
}

void selectPen(DrawingContext* context, Pen* pen) { SelectObject(toHdc(context), reinterpret_cast<HPEN>(pen)); }

void selectFont(DrawingContext* context, Font* font)
{
    SelectObject(toHdc(context), reinterpret_cast<HFONT>(font));
}

void setTextColor(DrawingContext* context, Color color) { SetTextColor(toHdc(context), color); }

void setTextAlign(DrawingContext* context, TextAlign align) { SetTextAlign(toHdc(context), textAlignFlags(align)); }

void setBackgroundColor(DrawingContext* context, Color color) { SetBkColor(toHdc(context), color); }

void textOut(DrawingContext* context, int x, int y, const char* text, int count)
{
    TextOutA(toHdc(context), x, y, text, count);
}

void fillRect(DrawingContext* context, int left, int top, int right, int bottom, Brush* brush)
{
    const RECT area = {left, top, right, bottom};
    FillRect(toHdc(context), &area, reinterpret_cast<HBRUSH>(brush));
}

void rectangle(DrawingContext* context, int left, int top, int right, int bottom)
{
    Rectangle(toHdc(context), left, top, right, bottom);
}

// DevicePoint has POINT's layout: two ints, x first.
static_assert(sizeof(DevicePoint) == sizeof(POINT));

void polygon(DrawingContext* context, const DevicePoint* points, int count)
{
    Polygon(toHdc(context), reinterpret_cast<const POINT*>(points), count);
}

void polyline(DrawingContext* context, const DevicePoint* points, int count)
{
    Polyline(toHdc(context), reinterpret_cast<const POINT*>(points), count);
}

// Hands GDI only the rows that lie wholly inside pixelBytes. Rows are stored
// bottom-up, so a short pixel block draws the bottom of the picture.
void blitBitmap(DrawingContext* context, int x, int y, const DeviceBitmap& bitmap)
{
    if (bitmap.pixels == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return;
    if (bitmap.bitsPerPixel != 16 && bitmap.bitsPerPixel != 24 && bitmap.bitsPerPixel != 32) return;
    const long rows = std::min<long>(bitmap.height, static_cast<long>(bitmap.pixelBytes / bitmap.rowBytes()));
    if (rows == 0) return;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bitmap.width;
    info.bmiHeader.biHeight = bitmap.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitmap.bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(bitmap.pixelBytes);
    SetDIBitsToDevice(toHdc(context), x, y, static_cast<DWORD>(bitmap.width), static_cast<DWORD>(bitmap.height), 0, 0, 0,
                      static_cast<UINT>(rows), bitmap.pixels, &info, DIB_RGB_COLORS);
}

}  // namespace platform
