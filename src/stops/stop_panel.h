// The row of stop buttons across the top of the window: layout, painting,
// and the left-button press that switches a stop or lights a key.
#pragma once

#include "display/logical_rect.h"

constexpr const char* onImagePath = "..//brimwell//boutons//on.bmp";
constexpr const char* offImagePath = "..//brimwell//boutons//of.bmp";

void layoutStops();
void paintStops();
void clickStops();
int pointInRect(const LogicalRect& rect, int x, int y);
