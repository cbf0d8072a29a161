// Ending the process: at once (no exit handlers, no flushing) or through the
// runtime's normal exit (exit handlers run, streams are flushed); and the
// system's exit codes, one for each fatal cause.
#pragma once

namespace platform {

// On POSIX a process status keeps only the low 8 bits (800 is seen as 32,
// -1 as 255); the codes stay distinct there.
enum ExitCode : int {
    exitWindowFailed = 0,           // the main window cannot be created: the entry function returns
    exitNoWaveDevice = 1,           // the wave output cannot be opened (immediate)
    exitSampleMissing = 11,         // a sample file is missing, empty or too large to hold (immediate)
    exitEscape = 330,               // Escape typed in the window (immediate)
    exitWavePrepareFailed = 401,    // the wave header cannot be prepared (immediate)
    exitWaveWriteFailed = 402,      // the wave block cannot be written (immediate)
    exitDefinitionUnreadable = 444, // the organ definition cannot be opened or read (normal)
    exitWindowDestroyed = 800,      // the main window is destroyed: close box, File > Exit (immediate)
    exitSampleRefused = 801,        // a sample file is not one the organ can play (normal)
    exitButtonImageMissing = 988,   // a button image cannot be opened (normal, after a message box)
    exitNullStream = -1,            // the text scanner is asked to close a null stream (normal)
};

[[noreturn]] void exitImmediately(int code);
[[noreturn]] void exitNormally(int code);

}  // namespace platform
