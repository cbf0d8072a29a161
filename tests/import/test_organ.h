// The small organ the importer's suites import, written at run time: its
// definition in Windows-1252 with CR LF, its recordings (one WavPack behind
// a .wav name).
#pragma once

#include <filesystem>
#include <string>

namespace testorgan {

constexpr int recordedNotes[] = {36, 48, 60, 72, 84, 96};
constexpr int wavpackNote = 60;           // written as WavPack behind its .wav name
constexpr double recordedPeak = 0.3;      // of each recording's tone
constexpr double fundamentalShare = 0.6;  // of the peak, in the tone's fundamental
constexpr double runGainDecibels = -10;
constexpr int dummyPipe = 5;        // the Principal's, on MIDI note 40
constexpr int cornetFirstKey = 24;  // MIDI note 60
constexpr int pedalKeys = 32;
constexpr double mixtureTwelfthDecibels = -6;
// UTF-8, as the pedal's Principal and its folder are called ("\xA9" "d" keeps the d out of the escape)
inline constexpr const char* pedalPrincipal = "Principal 8 P\xC3\xA9"
                                              "dale";

double recordedFrequency(int midiNote);
std::string testOrganDefinition();
void writeTestOrgan(const std::filesystem::path& folder, const std::string& definition);

}  // namespace testorgan
