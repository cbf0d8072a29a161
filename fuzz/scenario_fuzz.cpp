// libFuzzer target: arbitrary bytes as a scenario file of the headless host.
// The parser either refuses them with "scenario:LINE: message" or gives steps
// holding only values the runner can act on.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window.h"
#include "programs/headless/scenario.h"

namespace {

using headless_host::Step;
using headless_host::StepKind;

bool isConfiguration(StepKind kind) { return kind <= StepKind::log; }

bool within(long long value, long long minimum, long long maximum) { return value >= minimum && value <= maximum; }

bool runnable(const Step& step, int lines)
{
    if (step.line < 1 || step.line > lines) return false;
    switch (step.kind) {
    case StepKind::midi:
        return within(step.values[0], 0, 255) && within(step.values[1], 0, 255) && within(step.values[2], 0, 255);
    case StepKind::press:
    case StepKind::release:
        return within(step.values[0], 0, 65535) && within(step.values[1], 0, 65535);
    case StepKind::accel:
        return step.text.size() == 1;
    case StepKind::dialog:
        return step.values[0] == platform::dialogOk || step.values[0] == platform::dialogCancel;
    case StepKind::audioFail:
        return step.text == "open" || step.text == "prepare" || step.text == "write";
    case StepKind::passes:
        return step.values[0] >= 0;
    default:
        return true;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto scenario = headless_host::parseScenario(text, error);
    if (!scenario) {
        if (error.rfind("scenario:", 0) != 0) __builtin_trap();
        return 0;
    }
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    double clock = 0;
    for (const Step& step : scenario->configuration)
        if (!isConfiguration(step.kind) || !runnable(step, lines)) __builtin_trap();
    for (const Step& step : scenario->steps) {
        clock += step.milliseconds;
        if (isConfiguration(step.kind) || !runnable(step, lines) || !(step.milliseconds >= 0)) __builtin_trap();
    }
    if (clock > headless_host::longestAudioClock) __builtin_trap();
    return 0;
}
