// The window system on Windows USER: the main window with its menu and
// accelerators built at run time from the shell's tables, the never-waiting
// message pump, painting on the window's own device context, the message
// box, modal dialogs from in-memory templates, the open-file chooser and
// PlaySoundA. Texts are Windows-1252 bytes and go to the ANSI functions.
#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "platform/win32/dialog_template_win32.h"
#include "platform/window.h"

namespace platform {

namespace {

static_assert(IDOK == dialogOk && IDCANCEL == dialogCancel);

struct WindowSystem {
    HINSTANCE instance = nullptr;
    MainWindowDescription description = {};
    HMENU menu = nullptr;
    HWND mainWindow = nullptr;
    HACCEL accelerators = nullptr;
    HDC paintContext = nullptr;  // set only while a paint is being handled
    HWND dialog = nullptr;
    DialogProcedure dialogProcedure = nullptr;
};

WindowSystem windowSystem;

HMENU buildMenu(const Menu& menu)
{
    HMENU bar = CreateMenu();
    for (int p = 0; p < menu.count; ++p) {
        const MenuPopup& popup = menu.popups[p];
        HMENU items = CreatePopupMenu();
        for (int i = 0; i < popup.count; ++i)
            AppendMenuA(items, MF_STRING, static_cast<UINT_PTR>(popup.items[i].command), popup.items[i].text);
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), popup.text);
    }
    return bar;
}

// What a window context holds when it is fresh, put back at every paint:
// the paint before may have left any brush, pen, font, colour or alignment.
void restoreFreshDefaults(HDC context)
{
    SelectObject(context, GetStockObject(WHITE_BRUSH));
    SelectObject(context, GetStockObject(BLACK_PEN));
    SelectObject(context, GetStockObject(SYSTEM_FONT));
    SetTextColor(context, RGB(0, 0, 0));
    SetTextAlign(context, TA_LEFT | TA_TOP);
    SetBkMode(context, OPAQUE);
    SetBkColor(context, RGB(255, 255, 255));
}

// The class keeps its own context (CS_OWNDC), so the context handed to the
// system stays valid for drawing after EndPaint, until the next paint.
LRESULT paint(HWND window)
{
    PAINTSTRUCT paintInfo;
    HDC context = BeginPaint(window, &paintInfo);
    restoreFreshDefaults(context);
    windowSystem.paintContext = context;
    windowSystem.description.procedure({MessageKind::paint, 0, 0});
    windowSystem.paintContext = nullptr;
    EndPaint(window, &paintInfo);
    return 0;
}

bool toMessageKind(UINT message, MessageKind& kind)
{
    switch (message) {
    case WM_DESTROY: kind = MessageKind::destroy; return true;
    case WM_SIZE: kind = MessageKind::size; return true;
    case WM_KEYDOWN: kind = MessageKind::keyDown; return true;
    case WM_CHAR: kind = MessageKind::character; return true;
    case WM_COMMAND: kind = MessageKind::command; return true;
    case WM_LBUTTONDOWN: kind = MessageKind::leftButtonDown; return true;
    case WM_LBUTTONUP: kind = MessageKind::leftButtonUp; return true;
    default: return false;
    }
}

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) return paint(window);
    MessageKind kind;
    if (toMessageKind(message, kind)) {
        const WindowMessage forwarded = {kind, static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam)};
        if (windowSystem.description.procedure(forwarded)) return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK forwardDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    windowSystem.dialog = dialog;
    switch (message) {
    case WM_INITDIALOG: return windowSystem.dialogProcedure(DialogMessage::init, 0) ? TRUE : FALSE;
    case WM_COMMAND: return windowSystem.dialogProcedure(DialogMessage::command, LOWORD(wParam)) ? TRUE : FALSE;
    default: return FALSE;
    }
}

// Description and pattern pairs, each zero-terminated, and an empty string.
std::string filterList(const FileFilter* filters, int filterCount)
{
    std::string list;
    for (int i = 0; i < filterCount; ++i) {
        list.append(filters[i].description).push_back('\0');
        list.append(filters[i].pattern).push_back('\0');
    }
    list.push_back('\0');
    return list;
}

// The description has the size of its first form, without the later
// extension fields; the path buffer holds MAX_PATH bytes. A path longer
// than that makes the dialog fail with FNERR_BUFFERTOOSMALL.
ChooserResult showOpenDialog(const FileFilter* filters, int filterCount, std::string& path)
{
    const std::string filterText = filterList(filters, filterCount);
    char chosen[MAX_PATH] = "";
    OPENFILENAMEA description = {};
    description.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    description.hwndOwner = windowSystem.mainWindow;
    description.lpstrFilter = filterText.c_str();
    description.lpstrFile = chosen;
    description.nMaxFile = MAX_PATH;
    description.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&description))
        return CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? ChooserResult::tooLong : ChooserResult::cancelled;
    path = chosen;
    return ChooserResult::chosen;
}

}  // namespace

bool registerMainWindowClass(const MainWindowDescription& description)
{
    windowSystem.instance = GetModuleHandleA(nullptr);
    windowSystem.description = description;
    windowSystem.menu = buildMenu(*description.menu);

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProcedure;
    windowClass.hInstance = windowSystem.instance;
    windowClass.hIcon = LoadIconA(windowSystem.instance, MAKEINTRESOURCEA(description.largeIconId));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(windowSystem.instance, MAKEINTRESOURCEA(description.smallIconId),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = description.className;
    return RegisterClassExA(&windowClass) != 0;
}

bool createMainWindow()
{
    windowSystem.mainWindow = CreateWindowExA(0, windowSystem.description.className, windowSystem.description.title,
                                              WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                                              windowSystem.menu, windowSystem.instance, nullptr);
    return windowSystem.mainWindow != nullptr;
}

void showMainWindowMaximized()
{
    ShowWindow(windowSystem.mainWindow, SW_SHOWMAXIMIZED);
    UpdateWindow(windowSystem.mainWindow);
}

// Character accelerators: no FVIRTKEY, so the key is the typed character
// and Alt makes it match the WM_SYSCHAR that TranslateMessage produces.
void loadAccelerators(const AcceleratorTable& table)
{
    std::vector<ACCEL> entries;
    for (int i = 0; i < table.count; ++i)
        entries.push_back({FALT, static_cast<unsigned char>(table.items[i].character),
                           static_cast<WORD>(table.items[i].command)});
    windowSystem.accelerators = CreateAcceleratorTableA(entries.data(), table.count);
}

bool pumpMessage()
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (!TranslateAcceleratorA(message.hwnd, windowSystem.accelerators, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

DrawingContext* beginPaint() { return reinterpret_cast<DrawingContext*>(windowSystem.paintContext); }

void invalidateMainWindow() { InvalidateRect(windowSystem.mainWindow, nullptr, TRUE); }

void destroyMainWindow() { DestroyWindow(windowSystem.mainWindow); }

void messageBox(const char* text, const char* caption) { MessageBoxA(windowSystem.mainWindow, text, caption, MB_OK); }

int runModalDialog(const DialogTemplate& dialog, DialogProcedure procedure)
{
    const DialogProcedure outer = windowSystem.dialogProcedure;
    const HWND outerDialog = windowSystem.dialog;
    windowSystem.dialogProcedure = procedure;
    const std::vector<WORD> memoryTemplate = win32::buildDialogTemplate(dialog);
    const INT_PTR result = DialogBoxIndirectParamA(windowSystem.instance,
                                                   reinterpret_cast<LPCDLGTEMPLATEA>(memoryTemplate.data()),
                                                   windowSystem.mainWindow, forwardDialogMessage, 0);
    windowSystem.dialogProcedure = outer;
    windowSystem.dialog = outerDialog;
    return static_cast<int>(result);
}

void endDialog(int result) { EndDialog(windowSystem.dialog, result); }

// The dialog moves the process's current directory to the folders it shows;
// the system's paths are relative to the directory the program was started
// in, so that directory is put back.
ChooserResult chooseOpenFile(const FileFilter* filters, int filterCount, std::string& path)
{
    char workingDirectory[MAX_PATH];
    const DWORD workingDirectoryLength = GetCurrentDirectoryA(MAX_PATH, workingDirectory);
    const ChooserResult result = showOpenDialog(filters, filterCount, path);
    if (workingDirectoryLength > 0 && workingDirectoryLength < MAX_PATH) SetCurrentDirectoryA(workingDirectory);
    return result;
}

void playSoundFile(const char* path) { PlaySoundA(path, nullptr, 0); }

}  // namespace platform
