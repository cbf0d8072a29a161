// Ending the process: at once (no exit handlers, no flushing) or through the
// runtime's normal exit (exit handlers run, streams are flushed).
#pragma once

namespace platform {

[[noreturn]] void exitImmediately(int code);
[[noreturn]] void exitNormally(int code);

}  // namespace platform
