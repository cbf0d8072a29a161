// The entry function (see velmara_main.h).
#include "shell/velmara_main.h"

#include "display/graphics.h"
#include "midi/midi_input.h"
#include "platform/process.h"
#include "shell/key_scan.h"
#include "shell/resources.h"
#include "shell/window_procedure.h"
#include "sound/wave_output.h"

char windowTitle[resourceTextCapacity];
char windowClassName[resourceTextCapacity];

namespace {

void registerWindowClass()
{
    loadString(resource::titleString, windowTitle, resourceTextCapacity);
    loadString(resource::classNameString, windowClassName, resourceTextCapacity);
    const platform::MainWindowDescription description = {
        windowClassName, windowTitle, windowProcedure, &menuResource, resource::largeIcon, resource::smallIcon,
    };
    platform::registerMainWindowClass(description);
}

void drawStartBanner()
{
    setColor(2);
    rectangle(100, 300, 500, 360);
    setTextColor(1);
    selectFont(0);
    platform::setBackgroundColor(drawingContext, palette[2]);
    textOut(110, 310, "Pour d\xE9marrer faire : File/Open Orgue");
}

}  // namespace

int velmaraMain()
{
    registerWindowClass();
    createFonts();
    createBrushesAndPens();
    openMidiInput();
    openWaveOutput();
    if (!platform::createMainWindow()) return platform::exitWindowFailed;
    platform::showMainWindowMaximized();
    platform::loadAccelerators(acceleratorResource);
    drawStartBanner();
    for (;;) {
        keyScan();
        platform::pumpMessage();
    }
}
