// The drawing surface on a 1280 x 768 cairo image, drawn without
// anti-aliasing so that every pixel lands where GDI puts it: fills cover the
// pixels whose centres lie inside, lines are stepped pixel by pixel, and each
// line segment leaves out its last pixel.
#include "platform/cairo/surface_cairo.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "platform/cairo/text_cairo.h"

namespace platform {

namespace {

constexpr Color white = 0x00FFFFFF;
constexpr Color black = 0x00000000;

struct Window {
    cairo_surface_t* surface = nullptr;
    DrawingContext context = {};
};

Window window;

std::uint32_t toPixel(Color color)
{
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

Color fromPixel(std::uint32_t pixel)
{
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

// Direct access to the picture's pixels, for lines and bitmaps, within the
// context's clip; cairo's own drawing is flushed before and told about the
// change after.
class PixelAccess {
public:
    explicit PixelAccess(const DrawingContext& context) : surface(cairo::windowSurface()), clip(context.clip)
    {
        cairo_surface_flush(surface);
        data = cairo_image_surface_get_data(surface);
        stride = cairo_image_surface_get_stride(surface);
    }
    ~PixelAccess() { cairo_surface_mark_dirty(surface); }
    PixelAccess(const PixelAccess&) = delete;
    PixelAccess& operator=(const PixelAccess&) = delete;

    static bool inside(long long x, long long y)
    {
        return x >= 0 && y >= 0 && x < cairo::windowSurfaceWidth && y < cairo::windowSurfaceHeight;
    }
    void plot(long long x, long long y, std::uint32_t value)
    {
        if (!inside(x, y)) return;
        const int px = static_cast<int>(x), py = static_cast<int>(y);
        if (clip == nullptr || cairo_region_contains_point(clip, px, py))
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(py) * stride)[px] = value;
    }

private:
    cairo_surface_t* surface;
    const cairo_region_t* clip;
    unsigned char* data;
    int stride;
};

// One pen segment from a towards b, b itself left out, as GDI's LineTo does.
void drawSegment(PixelAccess& pixels, DevicePoint a, DevicePoint b, std::uint32_t value)
{
    const long long dx = std::llabs(static_cast<long long>(b.x) - a.x);
    const long long dy = -std::llabs(static_cast<long long>(b.y) - a.y);
    const int stepX = a.x < b.x ? 1 : -1;
    const int stepY = a.y < b.y ? 1 : -1;
    long long error = dx + dy;
    long long x = a.x;
    long long y = a.y;
    while (x != b.x || y != b.y) {
        pixels.plot(x, y, value);
        const long long twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

void fillDeviceRect(cairo_t* cr, int left, int top, int right, int bottom, Color color)
{
    if (right <= left || bottom <= top) return;
    cairo::setSourceColor(cr, color);
    cairo_rectangle(cr, left, top, static_cast<double>(right) - left, static_cast<double>(bottom) - top);
    cairo_fill(cr);
}

void tracePath(cairo_t* cr, const DevicePoint* points, int count)
{
    cairo_new_path(cr);
    cairo_move_to(cr, points[0].x, points[0].y);
    for (int i = 1; i < count; ++i) cairo_line_to(cr, points[i].x, points[i].y);
    cairo_close_path(cr);
}

// One bitmap pixel as an RGB24 pixel; 16 bits are 5-5-5.
std::uint32_t bitmapPixel(const std::uint8_t* p, int bitsPerPixel)
{
    if (bitsPerPixel == 16) {
        const unsigned value = p[0] | (p[1] << 8);
        const auto widen = [](unsigned five) { return (five << 3) | (five >> 2); };
        return (widen((value >> 10) & 31) << 16) | (widen((value >> 5) & 31) << 8) | widen(value & 31);
    }
    return (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
}

}  // namespace

namespace cairo {

cairo_surface_t* windowSurface()
{
    if (window.surface == nullptr)
        window.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, windowSurfaceWidth, windowSurfaceHeight);
    return window.surface;
}

void setSourceColor(cairo_t* cr, Color color)
{
    cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
}

DrawingContext* beginSurfacePaint(Color erase, const cairo_region_t* region)
{
    static Brush whiteBrush = {white};
    static Pen blackPen = {black};
    DrawingContext& context = window.context;
    if (context.cr == nullptr) {
        context.cr = cairo_create(windowSurface());
        cairo_set_antialias(context.cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_fill_rule(context.cr, CAIRO_FILL_RULE_EVEN_ODD);
    }
    endSurfacePaint();
    if (region != nullptr) {
        context.clip = cairo_region_copy(region);
        for (int i = 0; i < cairo_region_num_rectangles(region); ++i) {
            cairo_rectangle_int_t part;
            cairo_region_get_rectangle(region, i, &part);
            cairo_rectangle(context.cr, part.x, part.y, part.width, part.height);
        }
        cairo_clip(context.cr);
    }
    setSourceColor(context.cr, erase);
    cairo_paint(context.cr);
    context.brush = &whiteBrush;
    context.pen = &blackPen;
    context.font = defaultFont();
    context.textColor = black;
    context.background = white;
    context.align = TextAlign::leftTop;
    return &context;
}

void endSurfacePaint()
{
    DrawingContext& context = window.context;
    if (context.clip == nullptr) return;
    cairo_reset_clip(context.cr);
    cairo_region_destroy(context.clip);
    context.clip = nullptr;
}

bool saveWindowPng(const char* path)
{
    cairo_surface_flush(windowSurface());
    return cairo_surface_write_to_png(windowSurface(), path) == CAIRO_STATUS_SUCCESS;
}

Color windowPixel(int x, int y)
{
    if (!PixelAccess::inside(x, y)) return 0;
    cairo_surface_t* surface = windowSurface();
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) +
                               static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
    return fromPixel(reinterpret_cast<const std::uint32_t*>(row)[x] & 0x00FFFFFF);
}

}  // namespace cairo

Brush* createSolidBrush(Color color) { return new Brush{color}; }

Pen* createSolidPen(Color color) { return new Pen{color}; }

void selectBrush(DrawingContext* context, Brush* brush)
{
    if (context != nullptr && brush != nullptr) context->brush = brush;
}

void selectPen(DrawingContext* context, Pen* pen)
{
    if (context != nullptr && pen != nullptr) context->pen = pen;
}

void selectFont(DrawingContext* context, Font* font)
{
    if (context != nullptr && font != nullptr) context->font = font;
}

void setTextColor(DrawingContext* context, Color color)
{
    if (context != nullptr) context->textColor = color;
}

void setTextAlign(DrawingContext* context, TextAlign align)
{
    if (context != nullptr) context->align = align;
}

void setBackgroundColor(DrawingContext* context, Color color)
{
    if (context != nullptr) context->background = color;
}

void fillRect(DrawingContext* context, int left, int top, int right, int bottom, Brush* brush)
{
    if (context == nullptr || brush == nullptr) return;
    fillDeviceRect(context->cr, left, top, right, bottom, brush->color);
}

void rectangle(DrawingContext* context, int left, int top, int right, int bottom)
{
    if (context == nullptr) return;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (context->brush != nullptr) fillDeviceRect(context->cr, left, top, right, bottom, context->brush->color);
    if (context->pen == nullptr) return;
    const Color pen = context->pen->color;
    fillDeviceRect(context->cr, left, top, right, std::min(top + 1, bottom), pen);
    fillDeviceRect(context->cr, left, std::max(bottom - 1, top), right, bottom, pen);
    fillDeviceRect(context->cr, left, top, std::min(left + 1, right), bottom, pen);
    fillDeviceRect(context->cr, std::max(right - 1, left), top, right, bottom, pen);
}

void polygon(DrawingContext* context, const DevicePoint* points, int count)
{
    if (context == nullptr || points == nullptr || count < 1) return;
    if (context->brush != nullptr) {
        cairo::setSourceColor(context->cr, context->brush->color);
        tracePath(context->cr, points, count);
        cairo_fill(context->cr);
    }
    if (context->pen == nullptr) return;
    PixelAccess pixels(*context);
    const std::uint32_t value = toPixel(context->pen->color);
    for (int i = 0; i < count; ++i) drawSegment(pixels, points[i], points[(i + 1) % count], value);
}

void polyline(DrawingContext* context, const DevicePoint* points, int count)
{
    if (context == nullptr || points == nullptr || context->pen == nullptr) return;
    PixelAccess pixels(*context);
    const std::uint32_t value = toPixel(context->pen->color);
    for (int i = 0; i + 1 < count; ++i) drawSegment(pixels, points[i], points[i + 1], value);
}

void blitBitmap(DrawingContext* context, int x, int y, const DeviceBitmap& bitmap)
{
    const int bits = bitmap.bitsPerPixel;
    if (context == nullptr || bitmap.pixels == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return;
    if (bits != 16 && bits != 24 && bits != 32) return;
    const std::uint64_t rowBytes = bitmap.rowBytes();
    const auto visible = [](long long start, int length, int limit, int& first, int& last) {
        first = static_cast<int>(std::clamp<long long>(-start, 0, length));
        last = static_cast<int>(std::clamp<long long>(limit - start, first, length));
    };
    int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
    visible(y, bitmap.height, cairo::windowSurfaceHeight, firstRow, lastRow);
    visible(x, bitmap.width, cairo::windowSurfaceWidth, firstColumn, lastColumn);
    PixelAccess pixels(*context);
    for (int row = firstRow; row < lastRow; ++row) {
        const std::size_t rowStart = static_cast<std::size_t>(bitmap.height - 1 - row) * rowBytes;
        for (int column = firstColumn; column < lastColumn; ++column) {
            const std::size_t offset = rowStart + static_cast<std::size_t>(column) * (bits / 8);
            if (offset + bits / 8 > bitmap.pixelBytes) break;
            pixels.plot(x + column, y + row, bitmapPixel(bitmap.pixels + offset, bits));
        }
    }
}

}  // namespace platform
