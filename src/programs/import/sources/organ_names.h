// The names an imported organ's stops and definition get: the organ's own
// names made into names Velmara's definition and folders can hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace organ_import {

// The name (UTF-8) as Windows-1252 bytes a stop can be called: characters
// outside the definition reader's token set dropped (a space stands in where
// they separated two letters or digits: "Nasard 2 2/3'" is "Nasard 2 2 3"),
// letters Windows-1252 has kept, runs of spaces made one, cut to 31 bytes,
// without spaces around it or a dot at its end. Empty when nothing is left.
std::string stopNameFrom(std::string_view utf8);

// What tells apart two stops of the same name by their manual's name: a
// one-word name itself ("Pedal"), else the initials of its words ("Second
// Manual" is "SM").
std::string manualSuffix(std::string_view manualName);

struct StopNaming {
    std::string organName;  // Name= of the stop (UTF-8)
    std::string manual;     // Name= of its manual (UTF-8)
    std::string fallback;   // when nothing usable is left of the name ("Stop 101")
    std::string name;       // the Windows-1252 name it gets
};

// Gives every stop its name: stopNameFrom of its own, its fallback when that
// is empty or a name the organ refuses; stops whose names are equal apart
// from ASCII letter case each get their manual's suffix, and a number after
// it while that is not enough.
void nameStops(std::vector<StopNaming>& stops);

// The file name of the definition for an organ (ChurchName, UTF-8):
// "GrandOrgue demo V1.org", or "Imported.org" when the name leaves nothing.
std::string definitionFileNameFor(std::string_view churchName);

}  // namespace organ_import
