// The program's resources (see resources.h). Style bits are the Windows ones,
// which the Windows program hands to the system; other hosts read only the
// kinds, texts and geometry.
#include "shell/resources.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

using platform::ControlKind;
using platform::DialogControl;

constexpr std::uint32_t wsPopup = 0x80000000;
constexpr std::uint32_t wsCaption = 0x00C00000;
constexpr std::uint32_t wsBorder = 0x00800000;
constexpr std::uint32_t wsSysMenu = 0x00080000;
constexpr std::uint32_t wsGroup = 0x00020000;
constexpr std::uint32_t wsTabStop = 0x00010000;
constexpr std::uint32_t dsModalFrame = 0x80;
constexpr std::uint32_t dsSetFont = 0x40;
constexpr std::uint32_t ssIcon = 0x3;
constexpr std::uint32_t ssNoPrefix = 0x80;
constexpr std::uint32_t bsDefPushButton = 0x1;
constexpr std::uint32_t esAutoHScroll = 0x80;

constexpr platform::MenuCommand fileItems[] = {
    {"Open Organ", resource::commandOpenOrgan},
    {"Open Wav", resource::commandOpenWav},
    {"E&xit", resource::commandExit},
};

constexpr platform::MenuCommand audioItems[] = {
    {"Memory Set", resource::commandMemorySet},
    {"Stop", resource::commandStop},
    {"Settings", resource::commandSettings},
};

constexpr platform::MenuCommand helpItems[] = {
    {"&About ...", resource::commandAbout},
};

constexpr platform::MenuPopup menuPopups[] = {
    {"&File", fileItems, static_cast<int>(std::size(fileItems))},
    {"Audio", audioItems, static_cast<int>(std::size(audioItems))},
    {"&Help", helpItems, static_cast<int>(std::size(helpItems))},
};

constexpr platform::Accelerator accelerators[] = {
    {'?', resource::commandAbout},
    {'/', resource::commandAbout},
};

constexpr DialogControl aboutControls[] = {
    {ControlKind::icon, nullptr, 2, 14, 9, 20, 20, resource::largeIcon, ssIcon},
    {ControlKind::text, "Velmara, version 2.0", -1, 49, 10, 119, 8, 0, ssNoPrefix},
    {ControlKind::text, "Copyright (C) 2013", -1, 49, 20, 119, 8, 0, 0},
    {ControlKind::defaultButton, "OK", platform::dialogOk, 195, 6, 30, 11, 0, bsDefPushButton | wsGroup},
};

constexpr DialogControl settingsControls[] = {
    {ControlKind::defaultButton, "OK", platform::dialogOk, 48, 72, 50, 14, 0, bsDefPushButton},
    {ControlKind::button, "Cancel", platform::dialogCancel, 121, 72, 50, 14, 0, 0},
    {ControlKind::text, "Outputs Number", -1, 7, 7, 61, 13, 0, 0},
    {ControlKind::edit, "", resource::controlOutputsNumber, 88, 7, 28, 14, 0, esAutoHScroll | wsBorder | wsTabStop},
};

}  // namespace

const StringResource stringTable[5] = {
    {resource::titleString, "Velmara 2013"},
    {resource::helloString, "Hello World!"},
    {resource::classNameString, "VELMARA"},
    {resource::openOrganString, "open Organ"},
    {resource::openWavString, "Open Wav"},
};

const platform::Menu menuResource = {resource::mainMenu, menuPopups, static_cast<int>(std::size(menuPopups))};

const platform::AcceleratorTable acceleratorResource = {resource::acceleratorTable, accelerators,
                                                         static_cast<int>(std::size(accelerators))};

const platform::DialogTemplate aboutDialogResource = {
    resource::aboutDialog, "About", "System", 8, 22, 17, 230, 75,
    dsModalFrame | wsCaption | wsSysMenu | dsSetFont,
    aboutControls, static_cast<int>(std::size(aboutControls)),
};

const platform::DialogTemplate settingsDialogResource = {
    resource::settingsDialog, "Dialog", "MS Sans Serif", 8, 0, 0, 186, 93,
    dsModalFrame | wsPopup | wsCaption | wsSysMenu | dsSetFont,
    settingsControls, static_cast<int>(std::size(settingsControls)),
};

const platform::FileFilter organFilter[2] = {{"Fichier org", "*.org"}, {"Fichier ORG", "*.ORG"}};
const platform::FileFilter wavFilter[2] = {{"Fichier wav", "*.wav"}, {"Fichier WAV", "*.WAV"}};

int loadString(int id, char* buffer, int capacity)
{
    if (capacity <= 0) return 0;
    buffer[0] = '\0';
    for (const StringResource& entry : stringTable) {
        if (entry.id != id) continue;
        const int length = std::min(static_cast<int>(std::strlen(entry.text)), capacity - 1);
        std::memcpy(buffer, entry.text, static_cast<std::size_t>(length));
        buffer[length] = '\0';
        return length;
    }
    return 0;
}
