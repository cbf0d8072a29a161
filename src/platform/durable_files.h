// What the importer needs from the host's file system to put an import in
// place so that neither a failure nor a kill nor a power cut leaves it half
// there: files written and flushed, moves that replace in one step, folders
// exchanged where the host can, a lock held for the run, and positioned
// reads and writes. Paths are UTF-8; on failure error gets the host's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Writes bytes into a new file at path (failing when something is there
// already), flushed to the disk. Where files have permissions of their
// own it gets likeFile's, or a user's file's usual ones when there is none.
bool writeNewFileDurably(const std::string& path, std::string_view bytes, const std::string& likeFile,
                         std::string& error);

// Flushes a file's bytes, or a folder's entries, to the disk.
bool flushFile(const std::string& path, std::string& error);
bool flushFolder(const std::string& path, std::string& error);

// Moves from onto to in one step, replacing a file at to; the move itself
// reaches the disk where the host lets a move say so.
bool moveReplacing(const std::string& from, const std::string& to, std::string& error);

enum class Exchange { exchanged, notSupported, failed };

// Swaps two folders in one step: each path then names the other's folder.
// notSupported where the host or its file system cannot, so that the
// caller does it another way.
Exchange exchangeFolders(const std::string& first, const std::string& second, std::string& error);

// Makes a folder only this user may enter, named prefix and six random
// letters or digits, in parent; its path, or empty with error set.
std::string makePrivateFolder(const std::string& parent, std::string_view prefix, std::string& error);

enum class Entry { missing, file, folder, link, danglingLink };

// What is at path, a symbolic link told apart from what it leads to.
Entry entryAt(const std::string& path);

// Which file or folder a path names, to tell whether two paths name the
// same one (a link names itself). Both zero when there is none.
struct Identity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const Identity&) const = default;
};
Identity identityOf(const std::string& path);

// Removes a file, a symbolic link (never what it leads to) or an empty folder.
bool removeEntry(const std::string& path, std::string& error);

// A lock on a file that the run holds until releaseRunLock or its end;
// the file stays, so that every run locks the same one.
struct RunLock;

// The lock, or null: held says whether another process holds it (error is
// set either way).
RunLock* takeRunLock(const std::string& path, bool& held, std::string& error);
void releaseRunLock(RunLock* lock);

// A file open for reads and writes at given offsets.
struct OpenFile;

// Opens path (made when writable and missing); null with error set.
OpenFile* openPositioned(const std::string& path, bool writable, std::string& error);
// Moves exactly size bytes; false when the file ends first or the host fails.
bool writeAt(OpenFile* file, std::uint64_t offset, const void* bytes, std::size_t size, std::string& error);
bool readAt(OpenFile* file, std::uint64_t offset, void* bytes, std::size_t size, std::string& error);
// Closes the file; false when the host reports a write that failed late.
bool closeFile(OpenFile* file, std::string& error);

}  // namespace platform
