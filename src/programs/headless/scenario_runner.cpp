// The scenario runner (see scenario_runner.h). Each pump that finds no
// message of the window system's own asks for input: the runner performs the
// steps that are not messages at once, counts the passes of a "passes" step,
// and hands over the next message step, one per pump.
#include "programs/headless/scenario_runner.h"

#include <cstdio>
#include <cstdlib>

#include "bank/wave_file.h"

#include "platform/cairo/surface_cairo.h"
#include "platform/headless/audio_headless.h"
#include "platform/headless/event_log_headless.h"
#include "platform/headless/midi_headless.h"
#include "platform/headless/window_headless.h"

namespace headless_host {

namespace {

constexpr int statusScenarioError = 2;

struct RunState {
    Scenario scenario;
    std::size_t next = 0;
    long long passesLeft = -1;  // -1 until the current passes step starts counting
};

RunState run;

using platform::MessageKind;
using platform::headless::InputEvent;

[[noreturn]] void finish(int status, const char* stdoutLine)
{
    if (stdoutLine != nullptr) std::puts(stdoutLine);
    std::fflush(nullptr);
    std::_Exit(status);
}

[[noreturn]] void failStep(const Step& step, const std::string& message)
{
    std::fprintf(stderr, "scenario:%d: %s\n", step.line, message.c_str());
    finish(statusScenarioError, nullptr);
}

std::uint32_t devicePoint(const Step& step)
{
    return static_cast<std::uint32_t>(step.values[0]) | static_cast<std::uint32_t>(step.values[1]) << 16;
}

InputEvent messageEvent(MessageKind kind, std::uint32_t wParam, std::uint32_t lParam)
{
    InputEvent event;
    event.message = {kind, wParam, lParam};
    return event;
}

// The event of a step that is one message, or false for the other steps.
bool stepEvent(const Step& step, InputEvent& event)
{
    switch (step.kind) {
    case StepKind::press:
        event = messageEvent(MessageKind::leftButtonDown, 0, devicePoint(step));
        return true;
    case StepKind::release:
        event = messageEvent(MessageKind::leftButtonUp, 0, devicePoint(step));
        return true;
    case StepKind::character:
        event = messageEvent(MessageKind::character, static_cast<std::uint32_t>(step.values[0]), 0);
        return true;
    case StepKind::command:
        event = messageEvent(MessageKind::command, static_cast<std::uint32_t>(step.values[0]), 0);
        return true;
    case StepKind::repaint:
        event = messageEvent(MessageKind::paint, 0, 0);
        return true;
    case StepKind::accel:
        event.kind = InputEvent::Kind::altCharacter;
        event.character = step.text[0];
        return true;
    case StepKind::close:
        event.kind = InputEvent::Kind::closeBox;
        return true;
    default:
        return false;
    }
}

void performStep(const Step& step)
{
    namespace host = platform::headless;
    switch (step.kind) {
    case StepKind::midi:
        host::sendMidiMessage(host::packMidiMessage(static_cast<std::uint8_t>(step.values[0]),
                                                    static_cast<std::uint8_t>(step.values[1]),
                                                    static_cast<std::uint8_t>(step.values[2])));
        break;
    case StepKind::advance:
        host::advanceAudioClock(step.milliseconds);
        break;
    case StepKind::chooserPath:
        host::queueChooserPath(step.text);
        break;
    case StepKind::chooserCancel:
        host::queueChooserCancel();
        break;
    case StepKind::dialog:
        host::queueDialogAnswer(static_cast<int>(step.values[0]));
        break;
    case StepKind::savePng:
        if (!platform::cairo::saveWindowPng(step.text.c_str())) failStep(step, "cannot write " + step.text);
        break;
    case StepKind::saveWav:
        if (!writeWaveFile(step.text, host::recordedAudio())) failStep(step, "cannot write " + step.text);
        break;
    default:
        break;
    }
}

// True while the current passes step still has passes to let run.
bool countingPasses(const Step& step)
{
    if (run.passesLeft < 0) run.passesLeft = step.values[0];
    else --run.passesLeft;
    if (run.passesLeft > 0) return true;
    run.passesLeft = -1;
    return false;
}

bool nextInput(InputEvent& event)
{
    for (;;) {
        if (run.next == run.scenario.steps.size()) finish(0, "scenario complete");
        const Step& step = run.scenario.steps[run.next];
        if (step.kind == StepKind::passes && countingPasses(step)) return false;
        ++run.next;
        if (stepEvent(step, event)) return true;
        performStep(step);
    }
}

bool applyStep(const Step& step, std::string& error)
{
    namespace host = platform::headless;
    switch (step.kind) {
    case StepKind::midiDevice:
        host::addMidiDevice(step.text);
        return true;
    case StepKind::midiOpenResult:
        host::setMidiOpenResult(static_cast<int>(step.values[0]), static_cast<int>(step.values[1]));
        return true;
    case StepKind::audioFail:
        host::failAudio(step.text == "open"      ? host::AudioFailure::open
                        : step.text == "prepare" ? host::AudioFailure::prepare
                                                 : host::AudioFailure::write);
        return true;
    case StepKind::windowFail:
        host::failWindowCreation();
        return true;
    case StepKind::log:
        if (host::openEventLog(step.text.c_str())) return true;
        error = "scenario:" + std::to_string(step.line) + ": cannot write the log " + step.text;
        return false;
    default:
        return true;
    }
}

}  // namespace

bool applyConfiguration(const Scenario& scenario, std::string& error)
{
    for (const Step& step : scenario.configuration)
        if (!applyStep(step, error)) return false;
    return true;
}

void startSteps(Scenario scenario)
{
    run.scenario = std::move(scenario);
    run.next = 0;
    run.passesLeft = -1;
    platform::headless::setInputSource(nextInput);
}

}  // namespace headless_host
