// The logical-screen graphics layer and the drawn keyboard, checked pixel by
// pixel on the headless window surface.
#include <gtest/gtest.h>

#include <vector>

#include "display/graphics.h"
#include "display/keyboard.h"
#include "midi/midi_input.h"
#include "window_pixels.h"

namespace {

using window_pixels::Box;
using window_pixels::boxOf;
using window_pixels::countOf;
using window_pixels::freshPaint;
using window_pixels::isColor;
using window_pixels::unite;

constexpr int black = 0, blue = 1, green = 2, red = 4, grey = 7, white = 15;

// Every pixel of each axis-aligned edge between the logical points, ends
// included, has the palette colour.
void expectOutline(const std::vector<LogicalPoint>& points, int color)
{
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const int x0 = toDeviceX(points[i].x), y0 = toDeviceY(points[i].y);
        const int x1 = toDeviceX(points[i + 1].x), y1 = toDeviceY(points[i + 1].y);
        ASSERT_TRUE(x0 == x1 || y0 == y1);
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int s = 0; s <= steps; ++s) {
            const int x = x0 + (x1 - x0) * s / steps, y = y0 + (y1 - y0) * s / steps;
            EXPECT_TRUE(isColor(x, y, color)) << "edge " << i << " at device (" << x << ", " << y << ")";
        }
    }
}

// The opaque cell of a text drawn on a green background, with its glyphs.
Box textCell(Box area) { return unite(boxOf(green, area), boxOf(red, area)); }

constexpr Box aboveKeys = {0, 400, screenWidth, 480};

TEST(LogicalScreen, PointsConvertByMultiplyingFirstAndTruncating)
{
    EXPECT_EQ(toDeviceX(640), 1280);
    EXPECT_EQ(toDeviceY(480), 768);
    EXPECT_EQ(toDeviceX(140), 280);
    EXPECT_EQ(toDeviceY(300), 480);
    EXPECT_EQ(toDeviceY(1), 1);
    EXPECT_EQ(toDeviceY(5), 8);
    EXPECT_EQ(toDeviceY(285), 456);
    EXPECT_EQ(toDeviceY(-1), -1);
}

TEST(Graphics, ColourIndicesUseTheirLowFourBits)
{
    freshPaint(grey);
    setColor(20);
    EXPECT_EQ(currentColor, red);
    fillRect({10, 20, 10, 20});
    EXPECT_EQ(boxOf(red), (Box{20, 16, 40, 32}));

    platform::setBackgroundColor(drawingContext, palette[blue]);
    selectFont(0);
    setTextColor(31);
    textOut(100, 100, "WWW");
    EXPECT_GT(countOf(white, {200, 160, 300, 180}), 20);
}

TEST(Graphics, RectangleOutlinesInsideWithThePenAndFillsWithTheBrush)
{
    freshPaint(grey);
    setColor(red);
    selectPen(blue);
    selectPen(16);
    rectangle(10, 10, 20, 20);
    EXPECT_EQ(boxOf(blue), (Box{20, 16, 40, 32}));
    EXPECT_EQ(boxOf(red), (Box{21, 17, 39, 31}));
    EXPECT_TRUE(isColor(39, 31, blue));
    EXPECT_TRUE(isColor(40, 20, grey));
    EXPECT_TRUE(isColor(30, 32, grey));
}

TEST(Graphics, ANewContextKeepsTheCurrentColourButNotItsBrush)
{
    freshPaint(grey);
    setColor(green);
    freshPaint(grey);
    fillRect({0, 10, 0, 10});
    EXPECT_EQ(boxOf(green), (Box{0, 0, 20, 16}));

    rectangle(50, 50, 60, 60);
    EXPECT_TRUE(isColor(110, 90, white));
    EXPECT_TRUE(isColor(100, 90, black));

    const LogicalPoint triangle[3] = {{100, 100}, {120, 100}, {100, 120}};
    polygon(3, triangle);
    EXPECT_TRUE(isColor(205, 165, white));
}

TEST(Graphics, PolylineClosesOnlyWhenTheLastPointRepeatsTheFirst)
{
    const std::vector<LogicalPoint> shape = {{100, 100}, {100, 135}, {109, 135}, {109, 121},
                                             {106, 121}, {106, 100}, {100, 100}};
    freshPaint(grey);
    selectPen(black);
    polyline(7, shape.data());
    expectOutline(shape, black);
    EXPECT_TRUE(isColor(205, 200, grey));

    freshPaint(grey);
    selectPen(black);
    polyline(6, shape.data());
    EXPECT_TRUE(isColor(205, 160, grey)) << "the edge back to the first point";

    freshPaint(grey);
    setColor(red);
    selectPen(black);
    polygon(6, shape.data());
    expectOutline(shape, black);
    EXPECT_TRUE(isColor(205, 200, red));
    EXPECT_TRUE(isColor(215, 170, grey));
}

TEST(Graphics, PolygonsTakeAtMost150Points)
{
    std::vector<LogicalPoint> points(151, LogicalPoint{10, 10});
    points[1] = {30, 10};
    points[2] = {30, 30};
    points[3] = {10, 30};
    freshPaint(grey);
    setColor(red);
    polygon(151, points.data());
    polyline(151, points.data());
    EXPECT_EQ(countOf(grey), screenWidth * screenHeight);
    polygon(150, points.data());
    EXPECT_TRUE(isColor(40, 32, red));
}

TEST(Graphics, MoveRectKeepsWidthAndHeight)
{
    LogicalRect rect = {0, 25, 0, 18};
    moveRect(rect, 10, 30);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.right, 35);
    EXPECT_EQ(rect.top, 30);
    EXPECT_EQ(rect.bottom, 48);
}

TEST(Graphics, NothingIsDrawnWithoutAContext)
{
    freshPaint(grey);
    drawingContext = nullptr;
    setColor(red);
    fillRect({0, 100, 0, 100});
    rectangle(0, 0, 100, 100);
    textOut(10, 10, "Montre");
    drawKeyboard(keyboardOriginX, keyboardOriginY, 0);
    EXPECT_EQ(countOf(grey), screenWidth * screenHeight);
}

TEST(Text, ANewContextDrawsInTheCurrentSlotWithLeftTopBlackText)
{
    freshPaint(grey);
    selectFont(0);
    setTextColor(red);
    setTextAlign(1);
    freshPaint(grey);
    textOut(100, 100, "Montre");
    const Box cell = boxOf(white);
    EXPECT_EQ(cell.left, 200);
    EXPECT_EQ(cell.top, 160);
    EXPECT_EQ(cell.bottom - cell.top, 20);
    EXPECT_GT(countOf(black, cell), 20);
    EXPECT_EQ(countOf(red), 0);
}

TEST(Text, CellsHaveTheSlotsHeightAndAlignOnTheBaseline)
{
    const int slotHeights[][2] = {{0, 20}, {3, 60}, {9, 30}, {12, 15}, {14, 12}};
    for (const auto& [slot, height] : slotHeights) {
        freshPaint(grey);
        platform::setBackgroundColor(drawingContext, palette[green]);
        selectFont(slot);
        textOut(100, 100, "Hg");
        const Box cell = boxOf(green);
        EXPECT_EQ(cell.bottom - cell.top, height) << "slot " << slot;
    }

    freshPaint(grey);
    platform::setBackgroundColor(drawingContext, palette[green]);
    selectFont(0);
    setTextAlign(1);
    textOut(100, 100, "Montre");
    const Box centred = boxOf(green);
    EXPECT_NEAR((centred.left + centred.right) / 2.0, 200, 1);
    EXPECT_LT(centred.top, 160);
    EXPECT_GT(centred.bottom, 160);

    setTextAlign(2);
    textOut(100, 200, "Montre");
    EXPECT_EQ(boxOf(green, {0, 300, screenWidth, screenHeight}).right, 200);
}

TEST(Text, CourierIsFixedPitchAtTheGivenWidth)
{
    for (const char* text : {"iiiii", "MMMMM"}) {
        freshPaint(grey);
        platform::setBackgroundColor(drawingContext, palette[green]);
        selectFont(12);
        textOut(100, 100, text);
        const Box cell = boxOf(green);
        EXPECT_EQ(cell.right - cell.left, 30) << text;
    }
}

TEST(Text, EscapementNineHundredRunsUpward)
{
    freshPaint(grey);
    platform::setBackgroundColor(drawingContext, palette[green]);
    selectFont(10);
    textOut(100, 300, "Montre");
    const Box cell = boxOf(green);
    EXPECT_EQ(cell.left, 200);
    EXPECT_EQ(cell.right, 220);
    EXPECT_EQ(cell.bottom, 480);
    EXPECT_GT(cell.bottom - cell.top, 30);
}

TEST(Keyboard, KeysAreOutlinedAtTheirShapesPoints)
{
    freshPaint(grey);
    drawKey(140, 300, 0, white);
    expectOutline({{140, 300}, {140, 335}, {149, 335}, {149, 321}, {146, 321}, {146, 300}, {140, 300}}, black);
    EXPECT_TRUE(isColor(285, 520, white));
    EXPECT_TRUE(isColor(295, 490, grey));

    drawKey(140, 300, 2, white);
    expectOutline({{149, 321}, {149, 335}, {158, 335}, {158, 321}, {155, 321}, {155, 300}, {152, 300}, {152, 321},
                   {149, 321}},
                  black);

    drawKey(140, 300, 4, red);
    expectOutline({{156, 321}, {156, 335}, {165, 335}, {165, 300}, {159, 300}, {159, 321}, {156, 321}}, black);
    EXPECT_TRUE(isColor(325, 500, red));
    EXPECT_TRUE(isColor(315, 500, grey));

    freshPaint(grey);
    drawKey(140, 300, 1, black);
    EXPECT_EQ(boxOf(black), (Box{290, 480, 300, 513}));
}

TEST(Keyboard, HeldKeysAreRedAndTheTopKeyEndsAtX464)
{
    keyState[12] = 1;
    freshPaint(grey);
    drawKeyboard(keyboardOriginX, keyboardOriginY, 0);
    keyState[12] = 0;
    EXPECT_TRUE(isColor(285, 525, white));
    EXPECT_TRUE(isColor(295, 490, black));
    EXPECT_TRUE(isColor(410, 525, red));
    EXPECT_TRUE(isColor(436, 525, white));
    EXPECT_EQ(boxOf(black, {908, 470, 960, 560}), (Box{910, 480, 929, 537}));
    EXPECT_TRUE(isColor(940, 520, grey));
}

TEST(Keyboard, WhiteKeyNumbersStandAtTheKeysLeftEdgePlusOne)
{
    freshPaint(grey);
    platform::setBackgroundColor(drawingContext, palette[green]);
    for (const auto& [key, x] : {std::pair{0, 282}, {4, 314}, {60, 912}}) {
        drawKey(140, 300, key, restColor[key % 12]);
        const Box cell = textCell({x - 6, 400, x + 30, 480});
        EXPECT_EQ(cell.left, x) << "key " << key;
        EXPECT_EQ(cell.top, 456) << "key " << key;
        EXPECT_EQ(cell.bottom, 468) << "key " << key;
    }

    freshPaint(grey);
    platform::setBackgroundColor(drawingContext, palette[green]);
    setTextAlign(1);
    drawKey(140, 300, 0, white);
    const Box centred = textCell(aboveKeys);
    EXPECT_NEAR((centred.left + centred.right) / 2.0, 282, 1);
    EXPECT_LT(centred.top, 456);
    EXPECT_GT(centred.bottom, 456);
}

TEST(Keyboard, BlackKeyNumbersAreCentredOverTheirKeyAboveTheWhiteRow)
{
    for (const auto& [key, centre] : {std::pair{1, 295}, {10, 385}, {58, 889}}) {
        freshPaint(grey);
        platform::setBackgroundColor(drawingContext, palette[green]);
        drawKey(140, 300, key, black);
        const Box cell = textCell(aboveKeys);
        EXPECT_NEAR((cell.left + cell.right) / 2.0, centre, 2) << "key " << key;
        EXPECT_LE(cell.bottom, 456) << "key " << key;
    }
}

TEST(Keyboard, KeysOutsideTheManualDrawNothing)
{
    freshPaint(grey);
    drawKey(140, 300, -1, red);
    drawKey(140, 300, 61, red);
    EXPECT_EQ(countOf(grey), screenWidth * screenHeight);
}

TEST(Keyboard, KeyAtFindsTheKeyUnderAPoint)
{
    EXPECT_EQ(keyAt(145, 310, 140, 300), 0);
    EXPECT_EQ(keyAt(150, 310, 140, 300), 1);
    EXPECT_EQ(keyAt(150, 330, 140, 300), 2);
    EXPECT_EQ(keyAt(150, 300, 140, 300), 2);
    EXPECT_EQ(keyAt(150, 321, 140, 300), 2);
    EXPECT_EQ(keyAt(150, 320, 140, 300), 1);
    EXPECT_EQ(keyAt(135, 330, 140, 300), 0);
    EXPECT_LT(keyAt(130, 330, 140, 300), 0);
    EXPECT_EQ(keyAt(463, 330, 140, 300), 60);
    EXPECT_EQ(keyAt(463, 310, 140, 300), 60);
    EXPECT_LT(keyAt(464, 330, 140, 300), 0);
    EXPECT_EQ(keyAt(150, 400, 140, 300), 2);
    EXPECT_EQ(keyAt(140 + 3 * 9 + 1, 310, 140, 300), 6);
    EXPECT_EQ(keyAt(140 + 7 * 9 + 1, 330, 140, 300), 12);
}

}  // namespace
