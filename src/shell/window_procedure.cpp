// The main window's procedure (see window_procedure.h).
#include "shell/window_procedure.h"

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "display/keyboard.h"
#include "platform/process.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "sound/wave_output.h"
#include "stops/stop_panel.h"

namespace {

// The paint's context becomes the one all drawing goes through, also between
// paints, until the next paint replaces it.
void paint()
{
    drawingContext = platform::beginPaint();
    if (organBank.stopCount > 0) {
        drawKeyboard(keyboardOriginX, keyboardOriginY, 0);
        paintStops();
    }
}

void leftButtonDown(std::uint32_t lParam)
{
    const auto x = static_cast<int>(lParam & 0xFFFF);
    const auto y = static_cast<int>((lParam >> 16) & 0xFFFF);
    mouseDown = 1;
    mousePoint = {x * logicalWidth / screenWidth, y * logicalHeight / screenHeight};
    clickStops();
}

void leftButtonUp()
{
    mouseDown = 0;
    stopWaveOutput();
}

}  // namespace

bool windowProcedure(const platform::WindowMessage& message)
{
    using platform::MessageKind;
    switch (message.kind) {
    case MessageKind::destroy:
        platform::exitImmediately(platform::exitWindowDestroyed);
    case MessageKind::size:
    case MessageKind::keyDown:
        return true;
    case MessageKind::paint:
        paint();
        return true;
    case MessageKind::character:
        if ((message.wParam & 0xFFFF) == escapeCharacter) platform::exitImmediately(platform::exitEscape);
        return true;
    case MessageKind::command:
        return handleCommand(static_cast<int>(message.wParam & 0xFFFF));
    case MessageKind::leftButtonDown:
        leftButtonDown(message.lParam);
        return true;
    case MessageKind::leftButtonUp:
        leftButtonUp();
        return true;
    }
    return false;
}
