// The row of stop buttons across the top of the window: layout, painting,
// and the left-button press that switches a stop or lights a key.
#pragma once

#include "display/logical_rect.h"

constexpr const char* onImagePath = "..//brimwell//boutons//on.bmp";
constexpr const char* offImagePath = "..//brimwell//boutons//of.bmp";

// Loads onImage and offImage again (a missing file ends the process with
// exitButtonImageMissing) and places one button per stop in a row, all off.
void layoutStops();

// Draws every stop's button, on or off, labelled with its name.
void paintStops();

// For the press at mousePoint: switches the stop whose button it hits
// (switching on makes it currentStop) and redraws that button; a press on no
// button lights the key under it.
void clickStops();

// 1 when the point lies strictly inside the rectangle, else 0.
int pointInRect(const LogicalRect& rect, int x, int y);
