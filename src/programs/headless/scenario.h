// A scenario of the headless host: configuration applied before start-up and
// the steps run in order once the main loop runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace headless_host {

// The audio device records everything it plays from clock 0 on: the advances
// of a scenario add up to at most one hour, in milliseconds.
constexpr double longestAudioClock = 3600000;

enum class StepKind {
    // configuration
    midiDevice, midiOpenResult, audioFail, windowFail, log,
    // steps
    passes, midi, advance, press, release, character, command, accel, close, repaint,
    chooserPath, chooserCancel, dialog, savePng, saveWav,
};

struct Step {
    StepKind kind;
    int line;
    long long values[3] = {};   // numbers in the order written
    double milliseconds = 0;    // advance
    std::string text;           // name, path, audio operation, accelerator character
};

struct Scenario {
    std::vector<Step> configuration;
    std::vector<Step> steps;
};

// The scenario in text, or nothing with error set to "scenario:LINE: message".
std::optional<Scenario> parseScenario(std::string_view text, std::string& error);

}  // namespace headless_host
