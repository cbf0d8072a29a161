// The row of stop buttons across the top of the window: layout, painting,
// and the left-button press that switches a stop or lights a key.
#pragma once

#include "display/logical_rect.h"

constexpr const char* onImagePath = "..//brimwell//boutons//on.bmp";
constexpr const char* offImagePath = "..//brimwell//boutons//of.bmp";

// The row starts here and runs right, one button after another, past the
// window's right edge when there are more than fit.
constexpr int firstButtonX = 10;
constexpr int firstButtonY = 30;

// Loads onImage and offImage again (a missing file ends the process with
// exitButtonImageMissing) and places one button per stop in a row, all off.
void layoutStops();

// How many buttons of the row, each buttonWidth logical units wide, have a
// point inside them that a click in the window can reach; the others lie
// past the window's right edge.
int reachableStops(int buttonWidth);

// Draws every stop's button, on or off, labelled with its name.
void paintStops();

// For the press at mousePoint: switches the stop whose button it hits
// (switching on makes it currentStop) and redraws that button; a press on no
// button lights the key under it.
void clickStops();

// 1 when the point lies strictly inside the rectangle, else 0.
int pointInRect(const LogicalRect& rect, int x, int y);
