// The menu commands (see commands.h).
#include "shell/commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "bank/organ_bank.h"
#include "shell/resources.h"
#include "sound/voice_mixer.h"
#include "stops/stop_panel.h"

namespace {

void openOrganCommand()
{
    char path[chosenPathCapacity];
    if (!chooseFile(path, organFilter)) return;
    openOrgan(path);
    platform::invalidateMainWindow();
}

void openWavCommand()
{
    char path[chosenPathCapacity];
    if (!chooseFile(path, wavFilter)) return;
    platform::playSoundFile(path);
}

bool endOnOkOrCancel(platform::DialogMessage message, int controlId)
{
    if (message == platform::DialogMessage::init) return true;
    if (controlId != platform::dialogOk && controlId != platform::dialogCancel) return false;
    platform::endDialog(controlId);
    return true;
}

}  // namespace

bool chooseFile(char (&destination)[chosenPathCapacity], const platform::FileFilter (&filters)[2])
{
    destination[0] = '\0';
    std::string chosen;
    const auto result = platform::chooseOpenFile(filters, 2, chosen);
    if (result == platform::ChooserResult::cancelled) return false;
    if (result == platform::ChooserResult::tooLong || chosen.size() >= static_cast<std::size_t>(chosenPathCapacity)) {
        std::fprintf(stderr, "The chosen path is longer than %d characters; nothing was opened.\n",
                     chosenPathCapacity - 1);
        return false;
    }
    std::memcpy(destination, chosen.c_str(), chosen.size() + 1);
    return true;
}

void openOrgan(const char* path)
{
    loadOrgan(path);
    layoutStops();
    prepareMix();
}

bool aboutDialogProcedure(platform::DialogMessage message, int controlId)
{
    return endOnOkOrCancel(message, controlId);
}

bool settingsDialogProcedure(platform::DialogMessage message, int controlId)
{
    const bool handled = endOnOkOrCancel(message, controlId);
    if (message == platform::DialogMessage::command && handled) platform::invalidateMainWindow();
    return handled;
}

bool handleCommand(int command)
{
    switch (command) {
    case resource::commandOpenOrgan:
        openOrganCommand();
        return true;
    case resource::commandOpenWav:
        openWavCommand();
        return true;
    case resource::commandExit:
        platform::destroyMainWindow();
        return true;
    case resource::commandSettings:
        platform::runModalDialog(settingsDialogResource, settingsDialogProcedure);
        return true;
    case resource::commandAbout:
        platform::runModalDialog(aboutDialogResource, aboutDialogProcedure);
        return true;
    default:
        return false;
    }
}
