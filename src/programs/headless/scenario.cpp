// The scenario parser (see scenario.h): one step per line, words split at
// spaces, double-quoted words with spaces and \xNN escapes, numbers decimal
// or 0x hexadecimal.
#include "programs/headless/scenario.h"

#include <cerrno>
#include <cstdlib>
#include <map>

#include "platform/window.h"

namespace headless_host {

namespace {

struct Word {
    std::string text;
    bool quoted = false;
};

struct StepShape {
    StepKind kind;
    int arguments;
    bool configuration;
};

const std::map<std::string, StepShape, std::less<>> stepShapes = {
    {"midi-device", {StepKind::midiDevice, 1, true}},
    {"midi-open-result", {StepKind::midiOpenResult, 2, true}},
    {"audio-fail", {StepKind::audioFail, 1, true}},
    {"window-fail", {StepKind::windowFail, 0, true}},
    {"log", {StepKind::log, 1, true}},
    {"passes", {StepKind::passes, 1, false}},
    {"midi", {StepKind::midi, 3, false}},
    {"advance", {StepKind::advance, 1, false}},
    {"press", {StepKind::press, 2, false}},
    {"release", {StepKind::release, 2, false}},
    {"char", {StepKind::character, 1, false}},
    {"command", {StepKind::command, 1, false}},
    {"accel", {StepKind::accel, 1, false}},
    {"close", {StepKind::close, 0, false}},
    {"repaint", {StepKind::repaint, 0, false}},
    {"chooser", {StepKind::chooserPath, 1, false}},
    {"dialog", {StepKind::dialog, 1, false}},
    {"save-png", {StepKind::savePng, 1, false}},
    {"save-wav", {StepKind::saveWav, 1, false}},
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads the quoted word starting after the opening quote at position.
bool readQuoted(std::string_view line, std::size_t& position, Word& word, std::string& problem)
{
    word.quoted = true;
    while (position < line.size()) {
        const char c = line[position++];
        if (c == '"') return true;
        if (c != '\\') {
            word.text += c;
            continue;
        }
        if (position < line.size() && (line[position] == '\\' || line[position] == '"')) {
            word.text += line[position++];
            continue;
        }
        if (position + 2 < line.size() && line[position] == 'x' && hexDigit(line[position + 1]) >= 0 &&
            hexDigit(line[position + 2]) >= 0) {
            word.text += static_cast<char>(hexDigit(line[position + 1]) * 16 + hexDigit(line[position + 2]));
            position += 3;
            continue;
        }
        problem = "bad escape in quoted word (use \\xNN, \\\\ or \\\")";
        return false;
    }
    problem = "unterminated quoted word";
    return false;
}

bool splitWords(std::string_view line, std::vector<Word>& words, std::string& problem)
{
    std::size_t position = 0;
    for (;;) {
        while (position < line.size() && (line[position] == ' ' || line[position] == '\t')) ++position;
        if (position == line.size()) return true;
        Word word;
        if (line[position] == '"') {
            ++position;
            if (!readQuoted(line, position, word, problem)) return false;
            if (position < line.size() && line[position] != ' ' && line[position] != '\t') {
                problem = "a quoted word must end at a space";
                return false;
            }
        } else {
            while (position < line.size() && line[position] != ' ' && line[position] != '\t')
                word.text += line[position++];
        }
        words.push_back(std::move(word));
    }
}

bool parseInteger(const Word& word, long long minimum, long long maximum, long long& value)
{
    const std::string& text = word.text;
    if (text.empty()) return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const bool negative = !hex && text[0] == '-';
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (*digits == '+' || (*digits == '-' && hex)) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || end == digits + (negative ? 1 : 0)) return false;
    return value >= minimum && value <= maximum;
}

bool parseMilliseconds(const Word& word, double& value)
{
    const std::string& text = word.text;
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && end != text.c_str();
}

struct NumberRule {
    long long minimum;
    long long maximum;
    const char* what;
};

bool parseNumber(const Word& word, const NumberRule& rule, long long& value, std::string& problem)
{
    if (parseInteger(word, rule.minimum, rule.maximum, value)) return true;
    problem = "'" + word.text + "' is not " + rule.what;
    return false;
}

bool parseNumbers(const std::vector<Word>& arguments, const NumberRule& rule, Step& step, std::string& problem)
{
    for (std::size_t i = 0; i < arguments.size(); ++i)
        if (!parseNumber(arguments[i], rule, step.values[i], problem)) return false;
    return true;
}

bool parseAccelerator(const std::string& keys, Step& step, std::string& problem)
{
    if (keys.size() != 5 || keys.compare(0, 4, "alt+") != 0) {
        problem = "accel expects alt+CHARACTER, as alt+? or alt+/";
        return false;
    }
    step.text = keys.substr(4);
    return true;
}

bool parseChoice(const Word& word, std::initializer_list<const char*> choices, std::string& problem)
{
    for (const char* choice : choices)
        if (!word.quoted && word.text == choice) return true;
    problem = "'" + word.text + "' is not one of";
    for (const char* choice : choices) problem += std::string(" ") + choice;
    return false;
}

bool parseArguments(const std::vector<Word>& arguments, Step& step, std::string& problem)
{
    constexpr NumberRule byteRule = {0, 255, "a byte (0 to 255)"};
    constexpr NumberRule coordinateRule = {0, 65535, "a coordinate (0 to 65535)"};
    constexpr NumberRule codeRule = {0, 65535, "a code (0 to 65535)"};
    constexpr NumberRule countRule = {0, 1000000000, "a count (0 to 1000000000)"};
    constexpr NumberRule intRule = {-2147483648LL, 2147483647LL, "an integer"};
    switch (step.kind) {
    case StepKind::midiDevice:
    case StepKind::log:
    case StepKind::savePng:
    case StepKind::saveWav:
        step.text = arguments[0].text;
        return true;
    case StepKind::midiOpenResult:
        return parseNumber(arguments[0], countRule, step.values[0], problem) &&
               parseNumber(arguments[1], intRule, step.values[1], problem);
    case StepKind::audioFail:
        step.text = arguments[0].text;
        return parseChoice(arguments[0], {"open", "prepare", "write"}, problem);
    case StepKind::passes:
        return parseNumbers(arguments, countRule, step, problem);
    case StepKind::midi:
        return parseNumbers(arguments, byteRule, step, problem);
    case StepKind::advance:
        if (parseMilliseconds(arguments[0], step.milliseconds)) return true;
        problem = "'" + arguments[0].text + "' is not a number of milliseconds";
        return false;
    case StepKind::press:
    case StepKind::release:
        return parseNumbers(arguments, coordinateRule, step, problem);
    case StepKind::character:
    case StepKind::command:
        return parseNumbers(arguments, codeRule, step, problem);
    case StepKind::accel:
        return parseAccelerator(arguments[0].text, step, problem);
    case StepKind::chooserPath:
        if (!arguments[0].quoted && arguments[0].text == "cancel") step.kind = StepKind::chooserCancel;
        step.text = arguments[0].text;
        return true;
    case StepKind::dialog:
        step.values[0] = arguments[0].text == "ok" ? platform::dialogOk : platform::dialogCancel;
        return parseChoice(arguments[0], {"ok", "cancel"}, problem);
    default:
        return true;
    }
}

std::string errorAt(int line, const std::string& message)
{
    return "scenario:" + std::to_string(line) + ": " + message;
}

// One non-blank, non-comment line; false with problem set when malformed.
bool parseLine(std::string_view line, Step& step, bool& configuration, std::string& problem)
{
    std::vector<Word> words;
    if (!splitWords(line, words, problem)) return false;
    const auto shape = stepShapes.find(words[0].text);
    if (words[0].quoted || shape == stepShapes.end()) {
        problem = "unknown step '" + words[0].text + "'";
        return false;
    }
    const int given = static_cast<int>(words.size()) - 1;
    if (given != shape->second.arguments) {
        problem = words[0].text + " expects " + std::to_string(shape->second.arguments) + " argument" +
                  (shape->second.arguments == 1 ? "" : "s") + ", not " + std::to_string(given);
        return false;
    }
    step.kind = shape->second.kind;
    configuration = shape->second.configuration;
    return parseArguments({words.begin() + 1, words.end()}, step, problem);
}

std::string_view trimmed(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    return line;
}

}  // namespace

std::optional<Scenario> parseScenario(std::string_view text, std::string& error)
{
    Scenario scenario;
    int lineNumber = 0;
    double clock = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        Step step{StepKind::close, lineNumber, {}, 0, {}};
        bool configuration = false;
        std::string problem;
        if (!parseLine(line, step, configuration, problem)) {
            error = errorAt(lineNumber, problem);
            return std::nullopt;
        }
        if (configuration && !scenario.steps.empty()) {
            error = errorAt(lineNumber, "configuration step after the first other step");
            return std::nullopt;
        }
        clock += step.milliseconds;
        if (clock > longestAudioClock) {
            error = errorAt(lineNumber, "advance runs the audio clock past one hour, longer than the recording keeps");
            return std::nullopt;
        }
        (configuration ? scenario.configuration : scenario.steps).push_back(std::move(step));
    }
    return scenario;
}

}  // namespace headless_host
