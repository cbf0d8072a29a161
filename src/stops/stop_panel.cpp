// The stop panel (see stop_panel.h): one button per stop in a single row,
// drawn with onImage or offImage and labelled with the stop's name.
#include "stops/stop_panel.h"

#include <algorithm>
#include <cstring>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "display/keyboard.h"
#include "shell/app_state.h"
#include "stops/button_image.h"

namespace {

int stopsInBank() { return std::clamp(organBank.stopCount, 0, maxStops); }

// Puts the image on the stop's button with the stop's name as its label.
void placeOnStop(ButtonImage& image, const StopRecord& stop)
{
    image.rect = stop.rect;
    const std::size_t length = strnlen(stop.name, buttonLabelCapacity - 1);
    std::memcpy(image.label, stop.name, length);
    image.label[length] = '\0';
}

}  // namespace

void layoutStops()
{
    onImage.load(onImagePath);
    offImage.load(offImagePath);
    int x = firstButtonX;
    for (int j = 0; j < stopsInBank(); ++j) {
        StopRecord& stop = organBank.stops[j];
        stop.rect = onImage.rect;
        stop.on = 0;
        moveRect(stop.rect, x, firstButtonY);
        x += onImage.width;
    }
}

int reachableStops(int buttonWidth)
{
    // A click reaches a button when some x strictly inside it (pointInRect)
    // is less than logicalWidth.
    if (buttonWidth < 2) return 0;
    const int span = logicalWidth - 1 - firstButtonX;
    return span <= 0 ? 0 : (span + buttonWidth - 1) / buttonWidth;
}

void paintStops()
{
    for (int j = 0; j < stopsInBank(); ++j) {
        const StopRecord& stop = organBank.stops[j];
        placeOnStop(onImage, stop);
        placeOnStop(offImage, stop);
        if (stop.on == 1)
            onImage.draw();
        else
            offImage.draw();
    }
}

void clickStops()
{
    for (int j = 0; j < stopsInBank(); ++j) {
        StopRecord& stop = organBank.stops[j];
        if (!pointInRect(stop.rect, mousePoint.x, mousePoint.y)) continue;
        if (stop.on == 0) {
            stop.on = 1;
            placeOnStop(onImage, stop);
            onImage.draw();
            organBank.currentStop = j;
        } else {
            stop.on = 0;
            placeOnStop(offImage, stop);
            offImage.draw();
        }
        return;
    }
    if (mouseDown != 1) return;
    const int key = keyAt(mousePoint.x, mousePoint.y, keyboardOriginX, keyboardOriginY);
    if (key >= 0) drawKey(keyboardOriginX, keyboardOriginY, key, pressedColor);
}

int pointInRect(const LogicalRect& rect, int x, int y)
{
    return rect.left < x && x < rect.right && rect.top < y && y < rect.bottom ? 1 : 0;
}
