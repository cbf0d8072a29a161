// The window system: the main window with its menu and accelerators, a
// message pump that waits only while nothing is pending, painting, message
// box, modal dialogs, the open-file chooser and synchronous playback of a
// WAV file. Resources are described once by the shell and built by each
// backend from these tables.
#pragma once

#include <cstdint>
#include <string>

#include "platform/surface.h"

namespace platform {

// The messages the system's window procedure handles. For a character,
// wParam holds its code (27 is Escape); for a command, its id; for a button,
// lParam holds the device x in its low and the device y in its high 16 bits.
enum class MessageKind { destroy, size, paint, keyDown, character, command, leftButtonDown, leftButtonUp };

struct WindowMessage {
    MessageKind kind;
    std::uint32_t wParam;
    std::uint32_t lParam;
};

// Returns false for a message it leaves to the platform's default handling.
using WindowProcedure = bool (*)(const WindowMessage& message);

struct MenuCommand {
    const char* text;  // "&" marks the mnemonic
    int command;
};

struct MenuPopup {
    const char* text;
    const MenuCommand* items;
    int count;
};

struct Menu {
    int id;
    const MenuPopup* popups;
    int count;
};

// A typed character (not a virtual key) with Alt held sends the command.
struct Accelerator {
    char character;
    int command;
};

struct AcceleratorTable {
    int id;
    const Accelerator* items;
    int count;
};

// The command the table gives a character typed with Alt held, or 0 when it
// gives none.
inline int acceleratorCommand(const AcceleratorTable& table, std::uint32_t character)
{
    for (int i = 0; i < table.count; ++i)
        if (static_cast<unsigned char>(table.items[i].character) == character) return table.items[i].command;
    return 0;
}

enum class ControlKind { icon, text, button, defaultButton, edit };

// Positions and sizes in dialog units; style holds the Windows style bits
// that the Windows program uses, others read only kind and geometry.
struct DialogControl {
    ControlKind kind;
    const char* text;
    int id;
    int x, y, width, height;
    int iconId;
    std::uint32_t style;
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontFace;
    int pointSize;
    int x, y, width, height;
    std::uint32_t style;
    const DialogControl* controls;
    int count;
};

enum class DialogMessage { init, command };

// The ids of a dialog's OK and Cancel buttons, which also end the dialog
// with their id as its result. Escape and the close box act as Cancel.
constexpr int dialogOk = 1;
constexpr int dialogCancel = 2;

// Returns true when it handled the message; calls endDialog to close.
using DialogProcedure = bool (*)(DialogMessage message, int controlId);

struct MainWindowDescription {
    const char* className;
    const char* title;
    WindowProcedure procedure;
    const Menu* menu;
    int largeIconId;
    int smallIconId;
};

struct FileFilter {
    const char* description;
    const char* pattern;
};

bool registerMainWindowClass(const MainWindowDescription& description);

// False when the window cannot be created.
bool createMainWindow();

// Shows the window maximised and updates it at once: the first paint
// message reaches the window procedure before this returns.
void showMainWindowMaximized();

void loadAccelerators(const AcceleratorTable& table);

// Takes at most one pending message, translates it through the
// accelerators and dispatches it. True when a message was dispatched. With
// none pending, a host whose devices wake the main thread (GTK with JACK)
// may wait a bounded time for a window event or a device's report (a MIDI
// message, a finished block), so that an idle program takes no processor;
// the Windows and headless hosts never wait.
bool pumpMessage();

// Valid only while a paint message is being handled: the erased window's
// context, with a fresh context's defaults. It stays usable for drawing
// after the paint, until the next one replaces it.
DrawingContext* beginPaint();

// The whole window is repainted, background erased first.
void invalidateMainWindow();

void destroyMainWindow();

// Modal, owned by the main window, OK button only, no icon.
void messageBox(const char* text, const char* caption);

// Runs the dialog modally; returns the value the procedure gave endDialog.
int runModalDialog(const DialogTemplate& dialog, DialogProcedure procedure);
void endDialog(int result);

// What the chooser gave: a path, the user's cancel, or a path the dialog
// itself could not hold (Windows: longer than its 260-character buffer).
enum class ChooserResult { cancelled, chosen, tooLong };

// Shows the open-file chooser with the filters (description and pattern
// pairs) and waits for the user; a chosen path is written into path as the
// dialog gave it. The Windows program asks GetOpenFileNameA with the 76-byte
// structure, a 260-character buffer and OFN_EXPLORER | OFN_PATHMUSTEXIST |
// OFN_HIDEREADONLY, nothing else set.
ChooserResult chooseOpenFile(const FileFilter* filters, int filterCount, std::string& path);

// Plays a WAV file and returns when it has played.
void playSoundFile(const char* path);

}  // namespace platform
