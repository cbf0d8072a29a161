// Controls of the headless window system: where its input comes from, the
// answers of the next file choosers and dialogs, and a window that cannot
// be created.
#pragma once

#include <string>

#include "platform/window.h"

namespace platform::headless {

// One piece of scripted input: a message for the window procedure, a
// character typed with Alt held (the accelerators translate it), or a click
// on the close box.
struct InputEvent {
    enum class Kind { message, altCharacter, closeBox };
    Kind kind = Kind::message;
    WindowMessage message = {};
    char character = 0;
};

// Asked by every pump that finds none of the window system's own messages
// (a pending paint); returns true when it hands over an event to dispatch.
using InputSource = bool (*)(InputEvent& event);
void setInputSource(InputSource source);

// The next file chooser answers with path; one with no answer queued is
// cancelled.
void queueChooserPath(const std::string& path);
void queueChooserCancel();

// The next modal dialog is closed with this control id (1 OK, 2 Cancel); one
// with no answer queued is closed with OK.
void queueDialogAnswer(int controlId);

void failWindowCreation();

// Back to a window system with no window, no queued answers and no input.
void resetWindowSystem();

}  // namespace platform::headless
