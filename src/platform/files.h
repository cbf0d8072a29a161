// Paths written for Windows ("..\BRIMWELL\Stop1\037-C#.wav",
// "..//brimwell//boutons//on.bmp") mapped to the host's file system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// On Windows the path is returned unchanged. Elsewhere backslashes become
// separators, doubled separators collapse, "." and ".." keep their meaning,
// and each component that does not exist as written is matched against the
// directory's entries ignoring ASCII letter case.
std::string hostPath(std::string_view windowsPath);

}  // namespace platform
