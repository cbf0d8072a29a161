// The program's resources, described once for every window system: string
// table, menu, accelerators, the About and Settings dialogs, icon ids and the
// file chooser's filters.
#pragma once

#include "platform/window.h"

namespace resource {

constexpr int titleString = 103;
constexpr int classNameString = 109;
// The string table defines these too; nothing loads them.
constexpr int helloString = 106;
constexpr int openOrganString = 32771;
constexpr int openWavString = 32772;

constexpr int mainMenu = 109;
constexpr int acceleratorTable = 109;
constexpr int aboutDialog = 103;
constexpr int settingsDialog = 130;
constexpr int largeIcon = 107;
constexpr int smallIcon = 108;

constexpr int commandExit = 105;
constexpr int commandAbout = 104;
constexpr int commandOpenOrgan = 32771;
constexpr int commandOpenWav = 32772;
constexpr int commandSettings = 32773;
constexpr int commandStop = 32774;
constexpr int commandMemorySet = 32775;

constexpr int controlOutputsNumber = 1000;

}  // namespace resource

struct StringResource {
    int id;
    const char* text;
};

extern const StringResource stringTable[5];
extern const platform::Menu menuResource;
extern const platform::AcceleratorTable acceleratorResource;
extern const platform::DialogTemplate aboutDialogResource;
extern const platform::DialogTemplate settingsDialogResource;

extern const platform::FileFilter organFilter[2];
extern const platform::FileFilter wavFilter[2];

// Copies string id into buffer, cut to capacity - 1 bytes and a zero, and
// returns the bytes copied; an unknown id gives the empty string and 0.
int loadString(int id, char* buffer, int capacity);
