// The drawn 61-key manual: the whole keyboard, one key in any colour with
// its number, and the key under a logical point.
#pragma once

#include "bank/key_numbering.h"

constexpr int keyboardOriginX = 140;
constexpr int keyboardOriginY = 300;

constexpr int keyUnitX = 3;
constexpr int keyUnitY = 7;
constexpr int blackKeyShift = 4;
constexpr int pressedColor = 4;

extern const int pitchColumn[12];
extern const int restColor[12];
extern const int whiteHit[7];
extern const int blackHit[7];

// Draws keys 0 to 60 of manual 0 at the origin, red where keyState is 1;
// any other manual draws nothing.
void drawKeyboard(int x0, int y0, int manual);

// Draws one key in a palette colour with its number above it; keys outside
// 0 to 60 draw nothing.
void drawKey(int x0, int y0, int key, int color);

// The key under (x, y) for a keyboard drawn at (x0, y0), or -1 for none.
int keyAt(int x, int y, int x0, int y0);
