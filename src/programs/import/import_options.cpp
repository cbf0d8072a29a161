// Reading velmara-import's command line (see import_options.h).
#include "programs/import/import_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace organ_import {

const char* const importHelp =
    "usage: velmara-import --into BRIMWELL_DIR [--organ FILE.org] [--stop NAME]...\n"
    "                      [--name STOP] [--replace] [--gain DB]\n"
    "                      [--registration NAME=STOP+STOP+...]... [SOURCE...]\n"
    "\n"
    "Turns recorded organs and recordings of organ pipes into stops Velmara plays. A SOURCE\n"
    "is an organ (a file: a GrandOrgue organ definition, .organ, beside its recordings, or an\n"
    "organ package, .orgue, the zip holding the definition and its recordings) or a folder\n"
    "holding the recordings of one stop; both may be mixed. Each stop's 61 keys are written\n"
    "to BRIMWELL_DIR/<stop>/036-C.wav ... 096-C.wav, 44,100 Hz 16-bit stereo, 100,000 bytes\n"
    "each.\n"
    "\n"
    "An organ brings every stop its manuals list, the pedal's included, that sounds on at\n"
    "least two of the 61 keys; --stop NAME (the organ's own name of a stop, or the name it\n"
    "gets; once per stop) brings only those. Key k plays the manual's key for MIDI note\n"
    "36 + k and sums the pipe each rank of the stop has there (a mixture sounds several; a\n"
    "REF:manual:stop:pipe sounds the pipe it borrows): its first attack recording, shifted\n"
    "by the PitchTuning of the organ, the rank and the pipe and by its PitchCorrection, at\n"
    "the product of their AmplitudeLevels and their summed Gains. A key without a pipe (a\n"
    "DUMMY, or outside the manual's or the stop's compass) is silent; the silent keys of\n"
    "each stop are counted. A stop's name is made one Velmara holds (characters other than\n"
    "letters, digits, spaces and -_.%, dropped, cut to 31 bytes; stops named alike get their\n"
    "manual's name or initials), and every changed name is listed, as is what is left out\n"
    "(stops sounding on fewer than two keys, couplers, tremulants, enclosures, switches,\n"
    "further attack and release recordings). More than 100 stops are refused: choose with\n"
    "--stop. A recording the definition names that is missing or cannot be read fails the\n"
    "run with the definition's line. The definition is read as Windows-1252 unless it starts\n"
    "with a UTF-8 byte-order mark; its paths are relative to its folder.\n"
    "\n"
    "A folder's stop is named after the folder, or STOP (--name, only with one folder).\n"
    "Recordings are read by their content: WAV (16/24/32-bit integer, 32-bit float,\n"
    "WAVE_FORMAT_EXTENSIBLE), FLAC, AIFF and whatever else libsndfile reads, and WavPack\n"
    "behind any extension; any sample rate; mono goes to both sides, of more channels the\n"
    "first two are used. A file's key comes from its name: a leading MIDI note number\n"
    "(067-G.wav, 67.wav, 067.flac) or a note name with octave, MIDI 60 = C4 (C4.wav,\n"
    "c#3.wav, Gb5.aif); for a name that gives none, from the file's smpl chunk (in WAV or in\n"
    "WavPack's wrapper): the note nearest its pitch, the unity note or the one above when the\n"
    "pitch fraction is 50 cents or more. The chunk never retunes: a recorded key sounds\n"
    "exactly as recorded, and other keys move it by whole semitones. Files with no note,\n"
    "and side files that editors keep beside recordings (C4.wav.asd, 060.wav.reapeaks: a\n"
    "second extension after the audio one), are listed and left out; a WavPack correction\n"
    "file (.wvc) is read with its .wv. A file that names a note but cannot be read as sound,\n"
    "or holds a sample that is not a number or is infinite (its time is given), fails the\n"
    "run. Notes outside 36 to 96 may serve as sources.\n"
    "\n"
    "A key without a recording is made from the nearest recorded note (the lower one when\n"
    "two are as near), resampled to 44,100 Hz and shifted by the equal-tempered ratio in one\n"
    "pass; the farthest shift is reported. Leading silence is trimmed so that the pipe speaks\n"
    "1.5 ms into what the organ plays (byte 160 of each file); the last 15 ms before byte\n"
    "100,000 fade to zero, and a recording too short for that is faded and padded with\n"
    "silence, with a warning. One gain serves every stop of the run, chosen so that every\n"
    "chord of one to eight notes of the loudest stop stays below the 16-bit limit after the\n"
    "organ's mixing (seven notes, which the organ halves, are the loudest); --gain DB sets it\n"
    "instead. The gain is reported.\n"
    "\n"
    "Velmara sounds one stop at a time; --registration NAME=STOP+STOP+... (repeatable) makes\n"
    "one more stop, NAME, that sounds the listed stops together (a plenum, a cornet, a pedal's\n"
    "16' with its 8'), so that the one stop played can be a whole registration: each of its\n"
    "keys is the sum of the members' same key. A member is named as the summary lists the\n"
    "stops of this run, by the organ's own name where only one stop has it, or as a stop\n"
    "folder already in BRIMWELL_DIR (letter case and Windows-1252 spelling matched as the\n"
    "organ matches them); a name that matches no stop or several is refused with the\n"
    "candidates. Members of this run are summed before the one rounding, and the registration\n"
    "counts in the run's gain like any stop. Stops already in BRIMWELL_DIR are summed from\n"
    "their files as they are, with a gain of the registration's own (reported) only where\n"
    "its chords would pass the 16-bit limit. A run may make registrations alone.\n"
    "\n"
    "The organ definition (--organ; by default BRIMWELL_DIR/<the organ's ChurchName>.org,\n"
    "or Imported.org when no SOURCE is an organ) lists the stops in the order given, one per\n"
    "line with CR LF, then END; an existing definition keeps its stops and the new ones go\n"
    "before its END. A stop name must be 1 to 31 bytes in Windows-1252, made of letters,\n"
    "digits, spaces, -_.%, and accented letters, without leading or trailing spaces or a\n"
    "trailing dot, and not END, boutons or a Windows device name. When BRIMWELL_DIR/boutons\n"
    "has no on.bmp or of.bmp, the demo organ's pictures are written. The window shows the\n"
    "stops in one row of buttons as wide as on.bmp; when the definition lists more than a\n"
    "click there reaches, the summary names the stops out of reach.\n"
    "\n"
    "Nothing is half done: every stop is written into a temporary folder inside BRIMWELL_DIR,\n"
    "each file flushed to the disk, and moved into place only when all are complete; an\n"
    "existing stop folder (named in UTF-8, or in Windows-1252 bytes as a zip made on Windows\n"
    "unpacks it) is replaced only with --replace, and only when it was made from the same\n"
    "source: the same organ (its definition's name), folder of recordings or registration, as\n"
    "the .velmara-source file velmara-import keeps in each stop folder records. A stop folder\n"
    "of another source, or without that record (the demo organ's, one made by hand or by an\n"
    "older velmara-import), is never replaced: a stop named after its organ or folder takes a\n"
    "name of its own beside it, the initials of the organ's name (of the folder holding the\n"
    "recordings for a folder) after its own, and the summary lists it as renamed; a name given\n"
    "with --name or --registration is refused. On any failure BRIMWELL_DIR and the definition\n"
    "stay as they were. A definition that is a symbolic link stays one: the file it leads to\n"
    "gets the stops. One run at a time writes into a BRIMWELL_DIR; the temporary folder of a\n"
    "run that was killed is removed by the next run or, when it holds stops that run had moved\n"
    "aside, renamed velmara-import-kept-XXXXXX and named.\n"
    "\n"
    "Exit status: 0 when every stop was written; 2 for a command line that cannot be\n"
    "understood; 3 when anything was refused, with the file and the reason on standard\n"
    "error; 4 when moving into place failed and could not all be undone: what could not be\n"
    "put back is kept in a folder whose name is printed. A progress bar (files done of files\n"
    "to do) is drawn when standard error is a terminal.\n"
    "\n"
    "Velmara is free software under the GNU General Public License, version 3 or later.\n";

namespace {

// The number in text, or nothing when text is not one finite number.
std::optional<double> decibels(const char* text)
{
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool needsValue(std::string_view option)
{
    return option == "--into" || option == "--organ" || option == "--name" || option == "--gain" ||
           option == "--stop" || option == "--registration";
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// NAME=STOP+STOP+...: the name and the members, spaces around each cut.
std::optional<RegistrationOption> registrationOf(std::string_view text, std::string& error)
{
    const std::size_t equals = text.find('=');
    RegistrationOption registration{trimmed(text.substr(0, equals)), {}};
    for (std::size_t start = equals + 1; equals != std::string_view::npos && start <= text.size();) {
        const std::size_t plus = std::min(text.find('+', start), text.size());
        registration.members.push_back(trimmed(text.substr(start, plus - start)));
        start = plus + 1;
    }
    const bool complete = !registration.name.empty() && !registration.members.empty() &&
                          std::none_of(registration.members.begin(), registration.members.end(),
                                       [](const std::string& member) { return member.empty(); });
    if (!complete) {
        error = "--registration wants NAME=STOP+STOP+..., not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    return registration;
}

bool takeValue(ImportOptions& options, std::string_view option, const char* value, std::string& error)
{
    if (option == "--into") options.into = value;
    if (option == "--organ") options.organ = value;
    if (option == "--name") options.name = value;
    if (option == "--stop") options.stops.emplace_back(value);
    if (option == "--registration") {
        std::optional<RegistrationOption> registration = registrationOf(value, error);
        if (registration) options.registrations.push_back(std::move(*registration));
    }
    if (option == "--gain") {
        options.gainDecibels = decibels(value);
        if (!options.gainDecibels) error = std::string("--gain wants a number of decibels, not \"") + value + "\"";
    }
    return error.empty();
}

bool checkComplete(ImportOptions& options, std::string& error)
{
    if (options.into.empty())
        error = "--into BRIMWELL_DIR is missing";
    else if (options.sources.empty() && options.registrations.empty())
        error = "no SOURCE or --registration given";
    else if (!options.name.empty() && options.sources.size() > 1)
        error = "--name names one stop: give one SOURCE";
    return error.empty();
}

}  // namespace

std::optional<ImportOptions> parseImportOptions(int argc, const char* const* argv, std::string& error)
{
    ImportOptions options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnded || !argument.starts_with("--")) {
            options.sources.emplace_back(argv[i]);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            options.help = true;
            return options;
        } else if (argument == "--replace") {
            options.replace = true;
        } else if (!needsValue(argument)) {
            error = "unknown option " + std::string(argument);
            return std::nullopt;
        } else if (i + 1 == argc) {
            error = std::string(argument) + " wants a value";
            return std::nullopt;
        } else if (!takeValue(options, argument, argv[++i], error)) {
            return std::nullopt;
        }
    }
    if (!checkComplete(options, error)) return std::nullopt;
    return options;
}

}  // namespace organ_import
