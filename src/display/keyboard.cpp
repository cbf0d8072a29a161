// The drawn 61-key manual (see keyboard.h): white keys are outlined shapes in
// shape units of keyUnitX by keyUnitY, black keys plain filled rectangles,
// and every key shows its number above the keyboard.
#include "display/keyboard.h"

#include <cstdio>
#include <cstring>

#include "display/graphics.h"
#include "midi/midi_input.h"

const int pitchColumn[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
const int restColor[12] = {15, 0, 15, 0, 15, 15, 0, 15, 0, 15, 0, 15};
const int whiteHit[7] = {0, 2, 4, 5, 7, 9, 11};
const int blackHit[7] = {0, 1, 3, 6, 6, 8, 10};

namespace {

constexpr int octaveUnits = 21;  // 7 columns of 3 shape units
constexpr int columnUnits = 3;
constexpr int keyboardColumns = 36;
constexpr int blackKeyWidth = 17 / keyUnitX;
constexpr int blackKeyLength = 3 * keyUnitY;
constexpr int numberRise = 15;
constexpr int numberColor = 4;
constexpr int numberFontSlot = 14;

// Black-key numbers stand one row above the white keys' numbers, centred on
// their key; a digit of font slot 14 is about 4 logical units wide.
constexpr int blackNumberRise = numberRise + 8;
constexpr int numberDigitWidth = 4;

struct KeyShape {
    int count;
    LogicalPoint points[9];
    int shiftLeft;
};

constexpr KeyShape cfShape = {7, {{0, 0}, {0, 5}, {3, 5}, {3, 3}, {2, 3}, {2, 0}, {0, 0}}, 0};
constexpr KeyShape dgaShape = {9, {{0, 3}, {0, 5}, {3, 5}, {3, 3}, {2, 3}, {2, 0}, {1, 0}, {1, 3}, {0, 3}}, 0};
constexpr KeyShape ebShape = {7, {{0, 3}, {0, 5}, {3, 5}, {3, 0}, {1, 0}, {1, 3}, {0, 3}}, 2};

bool isBlack(int pitchClass)
{
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

const KeyShape& whiteShape(int pitchClass)
{
    if (pitchClass == 0 || pitchClass == 5) return cfShape;
    if (pitchClass == 4 || pitchClass == 11) return ebShape;
    return dgaShape;
}

// Fills the black key and returns where its number goes.
LogicalPoint drawBlackKey(int x0, int y0, int units, const char* number)
{
    LogicalRect key;
    key.left = x0 - blackKeyShift + units * keyUnitX;
    key.right = key.left + blackKeyWidth;
    key.top = y0;
    key.bottom = y0 + blackKeyLength;
    fillRect(key);
    const int digits = static_cast<int>(std::strlen(number));
    return {key.left + (blackKeyWidth - digits * numberDigitWidth + 1) / 2, y0 - blackNumberRise};
}

// Fills and outlines the white key and returns where its number goes.
LogicalPoint drawWhiteKey(int x0, int y0, int units, int pitchClass)
{
    const KeyShape& shape = whiteShape(pitchClass);
    LogicalPoint points[9];
    for (int i = 0; i < shape.count; ++i) {
        points[i].x = x0 + (units + shape.points[i].x) * keyUnitX - shape.shiftLeft;
        points[i].y = y0 + shape.points[i].y * keyUnitY;
    }
    polygon(shape.count, points);
    selectPen(0);
    setColor(0);
    polyline(shape.count, points);
    return {points[0].x + keyUnitX / 2, y0 - numberRise};
}

}  // namespace

void drawKeyboard(int x0, int y0, int manual)
{
    if (manual != 0) return;
    for (int key = 0; key < keyCount; ++key) {
        const int color = keyState[key].load(std::memory_order_relaxed) == 1 ? pressedColor : restColor[key % 12];
        drawKey(x0, y0, key, color);
    }
}

void drawKey(int x0, int y0, int key, int color)
{
    if (key < 0 || key >= keyCount) return;
    const int pitchClass = key % 12;
    const int units = (key / 12) * octaveUnits + pitchColumn[pitchClass] * columnUnits;
    char number[4];
    std::snprintf(number, sizeof number, "%d", key + 1);

    setColor(color);
    const LogicalPoint numberAt =
        isBlack(pitchClass) ? drawBlackKey(x0, y0, units, number) : drawWhiteKey(x0, y0, units, pitchClass);
    setTextColor(numberColor);
    selectFont(numberFontSlot);
    textOut(numberAt.x, numberAt.y, number);
}

int keyAt(int x, int y, int x0, int y0)
{
    const int column = (x - x0) / (keyUnitX * columnUnits);
    if (column < 0 || column >= keyboardColumns) return -1;
    const int octaveBase = (column / 7) * 12;
    const bool blackBand = y0 < y && y < y0 + blackKeyLength;
    return octaveBase + (blackBand ? blackHit[column % 7] : whiteHit[column % 7]);
}
