// The headless window system: one main window painted on the cairo surface,
// fed by scripted input; file choosers and dialogs answered from queues;
// every event written to the event log.
#include <deque>
#include <optional>
#include <string>

#include "platform/cairo/surface_cairo.h"
#include "platform/headless/event_log_headless.h"
#include "platform/headless/window_headless.h"
#include "platform/window.h"

namespace platform {

namespace {


struct WindowState {
    MainWindowDescription description = {};
    bool failCreation = false;
    bool created = false;
    bool destroyed = false;
    bool paintPending = false;
    AcceleratorTable accelerators = {};
    headless::InputSource input = nullptr;
    std::deque<std::optional<std::string>> chooserAnswers;
    std::deque<int> dialogAnswers;
    bool dialogEnded = false;
    int dialogResult = 0;
};

WindowState window;

void dispatch(const WindowMessage& message)
{
    if (message.kind == MessageKind::paint) headless::logEvent("paint");
    if (window.description.procedure != nullptr) window.description.procedure(message);
}

// A character typed with Alt becomes the command of its accelerator; without
// one it goes to default handling, which does nothing here.
void translateAccelerator(char character)
{
    const int command = acceleratorCommand(window.accelerators, static_cast<unsigned char>(character));
    if (command != 0) dispatch({MessageKind::command, static_cast<std::uint32_t>(command), 0});
}

void deliver(const headless::InputEvent& event)
{
    switch (event.kind) {
    case headless::InputEvent::Kind::message:
        dispatch(event.message);
        break;
    case headless::InputEvent::Kind::altCharacter:
        translateAccelerator(event.character);
        break;
    case headless::InputEvent::Kind::closeBox:
        destroyMainWindow();
        break;
    }
}

std::string joinDescriptions(const FileFilter* filters, int count)
{
    std::string joined;
    for (int i = 0; i < count; ++i) {
        if (i > 0) joined += '|';
        joined += filters[i].description;
    }
    return joined;
}

}  // namespace

bool registerMainWindowClass(const MainWindowDescription& description)
{
    window.description = description;
    return true;
}

bool createMainWindow()
{
    if (window.failCreation) return false;
    window.created = true;
    headless::logEvent(std::string("title ") + (window.description.title ? window.description.title : ""));
    return true;
}

void showMainWindowMaximized()
{
    window.paintPending = false;
    dispatch({MessageKind::paint, 0, 0});
}

void loadAccelerators(const AcceleratorTable& table) { window.accelerators = table; }

bool pumpMessage()
{
    if (!window.created || window.destroyed) return false;
    if (window.paintPending) {
        window.paintPending = false;
        dispatch({MessageKind::paint, 0, 0});
        return true;
    }
    headless::InputEvent event;
    if (window.input == nullptr || !window.input(event)) return false;
    deliver(event);
    return true;
}

DrawingContext* beginPaint() { return cairo::beginSurfacePaint(cairo::windowBackground); }

void invalidateMainWindow()
{
    if (window.created) window.paintPending = true;
}

void destroyMainWindow()
{
    if (!window.created || window.destroyed) return;
    window.destroyed = true;
    dispatch({MessageKind::destroy, 0, 0});
}

int runModalDialog(const DialogTemplate& dialog, DialogProcedure procedure)
{
    headless::logEvent("dialog " + std::to_string(dialog.id));
    int answer = dialogOk;
    if (!window.dialogAnswers.empty()) {
        answer = window.dialogAnswers.front();
        window.dialogAnswers.pop_front();
    }
    window.dialogEnded = false;
    procedure(DialogMessage::init, 0);
    procedure(DialogMessage::command, answer);
    return window.dialogEnded ? window.dialogResult : answer;
}

void endDialog(int result)
{
    window.dialogEnded = true;
    window.dialogResult = result;
}

ChooserResult chooseOpenFile(const FileFilter* filters, int filterCount, std::string& path)
{
    headless::logEvent("chooser " + joinDescriptions(filters, filterCount));
    std::optional<std::string> answer;
    if (!window.chooserAnswers.empty()) {
        answer = window.chooserAnswers.front();
        window.chooserAnswers.pop_front();
    }
    if (!answer) return ChooserResult::cancelled;
    path = *answer;
    return ChooserResult::chosen;
}

void playSoundFile(const char* path) { headless::logEvent(std::string("playsound ") + path); }

namespace headless {

void setInputSource(InputSource source) { window.input = source; }

void queueChooserPath(const std::string& path) { window.chooserAnswers.emplace_back(path); }

void queueChooserCancel() { window.chooserAnswers.emplace_back(std::nullopt); }

void queueDialogAnswer(int controlId) { window.dialogAnswers.push_back(controlId); }

void failWindowCreation() { window.failCreation = true; }

void resetWindowSystem() { window = WindowState{}; }

}  // namespace headless

}  // namespace platform
