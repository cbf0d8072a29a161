// Paths written for Windows ("..\BRIMWELL\Stop1\037-C#.wav",
// "..//brimwell//boutons//on.bmp") mapped to the host's file system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// On Windows the path is returned unchanged. Elsewhere a path that exists as
// given is native and returned unchanged; otherwise backslashes become
// separators, doubled separators collapse, "." and ".." keep their meaning,
// and each component that does not exist as written is looked up with its
// Windows-1252 bytes in UTF-8, then matched against the directory's entries
// ignoring ASCII letter case, in either spelling.
std::string hostPath(std::string_view windowsPath);

}  // namespace platform
