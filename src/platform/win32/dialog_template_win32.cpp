// Builds a DLGTEMPLATE: the dialog's header (style, control count, geometry,
// no menu, the default class, caption, point size and face), then one
// DLGITEMTEMPLATE per control, each starting on a DWORD boundary. Texts are
// Windows-1252 bytes and are stored as UTF-16, as the template requires.
#include "platform/win32/dialog_template_win32.h"

#include <string>

namespace platform::win32 {

namespace {

constexpr WORD ordinalMarker = 0xFFFF;
constexpr WORD buttonClass = 0x0080;
constexpr WORD editClass = 0x0081;
constexpr WORD staticClass = 0x0082;
constexpr UINT windows1252 = 1252;

void appendDword(std::vector<WORD>& words, DWORD value)
{
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

void appendText(std::vector<WORD>& words, const char* text)
{
    const int length = MultiByteToWideChar(windows1252, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(windows1252, 0, text, -1, wide.data(), length);
    words.insert(words.end(), wide.begin(), wide.end());  // ends with the zero
}

// The window class and the class-specific style of each kind of control.
struct ControlClass {
    WORD atom;
    DWORD style;
};

ControlClass controlClass(ControlKind kind)
{
    switch (kind) {
    case ControlKind::icon: return {staticClass, SS_ICON};
    case ControlKind::text: return {staticClass, SS_LEFT | WS_GROUP};
    case ControlKind::button: return {buttonClass, BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::defaultButton: return {buttonClass, BS_DEFPUSHBUTTON | WS_TABSTOP};
    case ControlKind::edit: return {editClass, ES_LEFT};
    }
    return {staticClass, SS_LEFT};
}

void appendControl(std::vector<WORD>& words, const DialogControl& control)
{
    if (words.size() % 2 != 0) words.push_back(0);
    const ControlClass windowClass = controlClass(control.kind);
    appendDword(words, WS_CHILD | WS_VISIBLE | windowClass.style | control.style);
    appendDword(words, 0);
    for (int value : {control.x, control.y, control.width, control.height}) words.push_back(static_cast<WORD>(value));
    words.push_back(static_cast<WORD>(control.id));
    words.push_back(ordinalMarker);
    words.push_back(windowClass.atom);
    if (control.kind == ControlKind::icon) {
        words.push_back(ordinalMarker);  // the icon resource of the program
        words.push_back(static_cast<WORD>(control.iconId));
    } else {
        appendText(words, control.text != nullptr ? control.text : "");
    }
    words.push_back(0);  // no creation data
}

}  // namespace

std::vector<WORD> buildDialogTemplate(const DialogTemplate& dialog)
{
    std::vector<WORD> words;
    appendDword(words, dialog.style | DS_SETFONT);
    appendDword(words, 0);
    words.push_back(static_cast<WORD>(dialog.count));
    for (int value : {dialog.x, dialog.y, dialog.width, dialog.height}) words.push_back(static_cast<WORD>(value));
    words.push_back(0);  // no menu
    words.push_back(0);  // the predefined dialog class
    appendText(words, dialog.caption);
    words.push_back(static_cast<WORD>(dialog.pointSize));
    appendText(words, dialog.fontFace);
    for (int i = 0; i < dialog.count; ++i) appendControl(words, dialog.controls[i]);
    return words;
}

}  // namespace platform::win32
