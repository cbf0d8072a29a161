// Durable file work on Windows (see durable_files.h): UTF-8 paths made wide
// at each call, FlushFileBuffers, MoveFileExW written through, LockFileEx
// on a handle the run holds, OVERLAPPED offsets for positioned reads and
// writes. A file takes its folder's permissions, as Windows files do.
#include <windows.h>

#include <algorithm>

#include "platform/durable_files.h"
#include "platform/random_name.h"

namespace platform {

struct RunLock {
    HANDLE handle;
};

struct OpenFile {
    HANDLE handle;
    std::string path;
};

namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int namingAttempts = 100;
constexpr DWORD largestMove = 1u << 30;

std::wstring wide(const std::string& utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

std::string utf8(const wchar_t* text, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The system's words for its last error, after what failed.
bool failed(const std::string& what, std::string& error)
{
    wchar_t* message = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string reason =
        length > 0 ? utf8(message, static_cast<int>(length)) : "error " + std::to_string(GetLastError());
    LocalFree(message);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    error = what + ": " + reason;
    return false;
}

HANDLE openHandle(const std::string& path, DWORD access, DWORD creation, DWORD flags)
{
    return CreateFileW(wide(path).c_str(), access, shareAll, nullptr, creation, flags, nullptr);
}

bool writeAll(HANDLE handle, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD moved = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, largestMove));
        if (!WriteFile(handle, bytes.data() + done, chunk, &moved, nullptr) || moved == 0) return false;
        done += moved;
    }
    return true;
}

// ReadFile or WriteFile of exactly size bytes at offset, in pieces a call takes.
template <typename Bytes, typename Move>
bool moveAt(const OpenFile* file, std::uint64_t offset, Bytes* bytes, std::size_t size, Move move, std::string& error)
{
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD moved = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, largestMove));
        if (!move(file->handle, bytes + done, chunk, &moved, &at) && GetLastError() != ERROR_HANDLE_EOF)
            return failed(file->path, error);
        if (moved == 0) {
            error = file->path + ": the file is cut short";
            return false;
        }
        done += moved;
    }
    return true;
}

}  // namespace

bool writeNewFileDurably(const std::string& path, std::string_view bytes, const std::string&, std::string& error)
{
    const HANDLE handle = openHandle(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return failed(path, error);
    const bool written = writeAll(handle, bytes) && FlushFileBuffers(handle);
    if (!written) failed(path, error);
    CloseHandle(handle);
    return written;
}

bool flushFile(const std::string& path, std::string& error)
{
    const HANDLE handle = openHandle(path, GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return failed(path, error);
    const bool flushed = FlushFileBuffers(handle);
    if (!flushed) failed(path, error);
    CloseHandle(handle);
    return flushed;
}

// A folder's entries reach the disk with each move written through; what is
// left is to be sure the folder is there.
bool flushFolder(const std::string& path, std::string& error)
{
    const HANDLE handle = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) return failed(path, error);
    CloseHandle(handle);
    return true;
}

bool moveReplacing(const std::string& from, const std::string& to, std::string& error)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    return failed(from + " to " + to, error);
}

Exchange exchangeFolders(const std::string& first, const std::string& second, std::string& error)
{
    error = first + " with " + second + ": Windows cannot exchange folders in one step";
    return Exchange::notSupported;
}

std::string makePrivateFolder(const std::string& parent, std::string_view prefix, std::string& error)
{
    for (int attempt = 0; attempt < namingAttempts; ++attempt) {
        const std::string path = parent + "\\" + std::string(prefix) + platform::randomLetters();
        if (CreateDirectoryW(wide(path).c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    failed(parent, error);
    return {};
}

Entry entryAt(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Entry::missing;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        const HANDLE target = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
        if (target == INVALID_HANDLE_VALUE) return Entry::danglingLink;
        CloseHandle(target);
        return Entry::link;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Entry::folder : Entry::file;
}

Identity identityOf(const std::string& path)
{
    const HANDLE handle = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (!known) return {};
    return {information.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

bool removeEntry(const std::string& path, std::string& error)
{
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return (folder ? RemoveDirectoryW(name.c_str()) : DeleteFileW(name.c_str())) || failed(path, error);
}

RunLock* takeRunLock(const std::string& path, bool& held, std::string& error)
{
    held = false;
    const HANDLE handle = openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) {
        failed(path, error);
        return nullptr;
    }
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        held = GetLastError() == ERROR_LOCK_VIOLATION;
        failed(path, error);
        CloseHandle(handle);
        return nullptr;
    }
    return new RunLock{handle};
}

void releaseRunLock(RunLock* lock)
{
    if (lock == nullptr) return;
    CloseHandle(lock->handle);
    delete lock;
}

OpenFile* openPositioned(const std::string& path, bool writable, std::string& error)
{
    const HANDLE handle = openHandle(path, writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                     writable ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (handle != INVALID_HANDLE_VALUE) return new OpenFile{handle, path};
    failed(path, error);
    return nullptr;
}

bool writeAt(OpenFile* file, std::uint64_t offset, const void* bytes, std::size_t size, std::string& error)
{
    return moveAt(file, offset, static_cast<const char*>(bytes), size, WriteFile, error);
}

bool readAt(OpenFile* file, std::uint64_t offset, void* bytes, std::size_t size, std::string& error)
{
    return moveAt(file, offset, static_cast<char*>(bytes), size, ReadFile, error);
}

bool closeFile(OpenFile* file, std::string& error)
{
    const bool closed = CloseHandle(file->handle);
    if (!closed) failed(file->path, error);
    delete file;
    return closed;
}

}  // namespace platform
