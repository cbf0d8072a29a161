// Which stops of the definition the window's single row of stop buttons lets
// the user click: the row runs past the window's right edge when it holds
// more buttons than fit.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace organ_import {

// The summary's line when the definition's stops (Windows-1252 bytes, in its
// order) have more buttons than a click in the window reaches, each button
// as wide as the organ draws `picture` (its boutons/on.bmp): how many it
// reaches, the names out of reach, and how to choose what to reach. Empty
// when every stop can be clicked.
std::string stopRowLine(const std::filesystem::path& picture, const std::vector<std::string>& stops);

}  // namespace organ_import
