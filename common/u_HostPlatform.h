// The seam between the core and the host's file system: everything the core does with
// host files and folders goes through these declarations, implemented once for POSIX
// hosts (u_HostPlatform_posix.cpp) and once for Windows (u_HostPlatform_win32.cpp).
// Host paths are 8-bit text in UTF-8 on both. Failures are errno values on both (the
// Windows errors are mapped to the nearest one), described by SysErrorMessage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The characters that separate the parts of a host path.
#ifdef _WIN32
constexpr const char* HostPathSeparators = "\\/";
#else
constexpr const char* HostPathSeparators = "/";
#endif

// A host path for the standard library's file system functions (UTF-8 on every host).
std::filesystem::path HostFsPath(const std::string& Path);
// And back: the UTF-8 text of a standard library path.
std::string HostFsText(const std::filesystem::path& Path);
// The absolute form of a host path with every symbolic link resolved; a part that does
// not exist (yet) is appended as written.
std::string CanonicalHostPath(const std::string& path);

// ---- What stands at a path ----

enum class THostKind { Missing, File, Folder, Link, Other };

struct THostStatus {
    THostKind Kind = THostKind::Missing;
    uint64_t Size = 0;
    int64_t Modified = 0;    // last write, seconds since 1970 (UTC)
    uint32_t Attributes = 0; // faReadOnly, faHidden, faSysFile as the host has them
    uint64_t Device = 0, Node = 0; // the file's identity on the host
    // POSIX owner, group and permission bits (0 where the host has none).
    uint32_t Owner = 0, Group = 0, Mode = 0;
};

// The status of Path; with FollowLinks false a symbolic link (or other reparse point)
// is reported as a Link. 0, or the errno value (ENOENT for nothing there).
int HostStatusOf(const std::string& Path, bool FollowLinks, THostStatus& Status);

// ---- Open files ----

// An open host file: a POSIX descriptor or a Windows handle.
using THostHandle = intptr_t;
constexpr THostHandle NoHostHandle = -1;

enum class THostOpen {
    Read,       // an existing file
    Write,      // an existing file
    ReadWrite,  // an existing file
    Create,     // created, or emptied when it exists
    CreateNew,  // created; EEXIST when something is there
};

// What HostOpenFile gives for something that is no regular file (a folder, a FIFO, a
// device): it is refused without waiting on it.
constexpr int HostNotRegular = -2;

// Opens Path when it is a regular file; others may go on reading and writing it. 0 and
// the handle and the file's status; HostNotRegular (Status telling what it is); or the
// errno value.
int HostOpenFile(const std::string& Path, THostOpen Mode, THostHandle& Handle, THostStatus* Status = nullptr);
void HostCloseFile(THostHandle Handle);
// The status of an open file.
int HostFileStatus(THostHandle Handle, THostStatus& Status);
// Sequential reading and writing at the file's position: the number of bytes moved
// (0 at the end), or -1 with Error set.
int64_t HostRead(THostHandle Handle, void* Buffer, size_t Count, int& Error);
int64_t HostWrite(THostHandle Handle, const void* Buffer, size_t Count, int& Error);
// All Count bytes at a position: 0, the errno value, or EIO when the file ends first.
int HostReadAt(THostHandle Handle, void* Buffer, size_t Count, uint64_t Position);
int HostWriteAt(THostHandle Handle, const void* Buffer, size_t Count, uint64_t Position);
// Origin as the streams count it (0 beginning, 1 current, 2 end); -1 on failure.
int64_t HostSeek(THostHandle Handle, int64_t Offset, int Origin);
int HostSetFileSize(THostHandle Handle, uint64_t Size);
// Writes the file's data through to the disk.
int HostSyncFile(THostHandle Handle);
// Takes the file for this process alone while the handle is open; EBUSY when another
// update has it.
int HostLockFile(THostHandle Handle);
// Copies up to Count bytes from Source at From to Target at To in the kernel; Done
// tells how many. ENOSYS when the host offers no such copy here (then copy through a
// buffer); any other error is a real failure.
int HostCopyRange(THostHandle Source, uint64_t From, THostHandle Target, uint64_t To, uint64_t Count,
                  uint64_t& Done);

// A read-only view of a whole file, unmapped when the object goes.
class THostMapping {
public:
    THostMapping() = default;
    ~THostMapping() { Unmap(); }
    THostMapping(const THostMapping&) = delete;
    THostMapping& operator=(const THostMapping&) = delete;
    // Maps the Size bytes of an open file; 0 or the errno value.
    int Map(THostHandle Handle, size_t Size);
    void Unmap();
    const uint8_t* Data() const noexcept { return FData; }
    size_t Size() const noexcept { return FSize; }

private:
    const uint8_t* FData = nullptr;
    size_t FSize = 0;
#ifdef _WIN32
    intptr_t FMapping = 0; // the Windows mapping object
#endif
};

// ---- Replacing a file by a new one beside it ----

// Creates a new file with a name of its own in Target's folder; 0, its path and handle,
// or the errno value.
int HostCreateBeside(const std::string& Target, std::string& Path, THostHandle& Handle);
// Gives an open file the owner, group and permission bits of Status where the process
// may (a change of owner that is not permitted is left out); 0 or the errno value.
int HostCopyOwnerAndMode(THostHandle Handle, const THostStatus& Status);
// Whether a file that is open (and mapped) can be replaced while it is so.
#ifdef _WIN32
constexpr bool HostReplacesOpenFiles = false;
#else
constexpr bool HostReplacesOpenFiles = true;
#endif
// Puts the file From in the place of To (To is replaced); 0 or the errno value.
int HostReplaceFile(const std::string& From, const std::string& To);
int HostRemoveFile(const std::string& Path);
// The absolute path of an existing file with every symbolic link resolved; 0 or the
// errno value.
int HostRealPath(const std::string& Path, std::string& Real);

// ---- Folders ----

// Creates one folder; 0 or the errno value (EEXIST when something is there).
int HostMakeFolder(const std::string& Path);
int HostRemoveFolder(const std::string& Path);
// Makes a file or folder writable (clears faReadOnly); links are left alone.
int HostMakeWritable(const std::string& Path);
// The names in a folder ("" is the current folder) without "." and "..", in the order
// the host gives them; 0 or the errno value.
int HostListFolder(const std::string& Path, std::vector<std::string>& Names);

// A host folder opened for an export that never follows a link below it: entries are
// looked at, made and replaced by name inside the folder itself.
class THostFolder {
public:
    THostFolder() = default;
    ~THostFolder();
    THostFolder(THostFolder&& Other) noexcept;
    THostFolder& operator=(THostFolder&&) = delete;
    THostFolder(const THostFolder&) = delete;
    THostFolder& operator=(const THostFolder&) = delete;

    // Opens the folder Path as given (links on the way to it are followed); 0 or the
    // errno value.
    int Open(const std::string& Path);
    // What stands at Name, never following a link; Error is set when it cannot be told.
    THostKind Entry(const std::string& Name, int& Error) const;
    // Opens the folder Name without following a link; 0 or the errno value.
    int OpenFolder(const std::string& Name, THostFolder& Folder) const;
    int MakeFolder(const std::string& Name) const;
    // Removes the file, link or other entry Name (never what a link points to).
    int Remove(const std::string& Name) const;
    // Writes Content as the file Name: replacing an existing file with Overwrite, else
    // refusing anything there (EEXIST); never through a link. Opened tells whether the
    // file was made, so that a failure after it is a failure to write.
    int WriteFile(const std::string& Name, std::string_view Content, bool Overwrite, bool& Opened) const;

private:
    intptr_t FHandle = -1; // POSIX: the folder's descriptor
    std::string FPath;     // Windows: the folder's path
};

// Whether a name of the in-memory file system can be a file name on this host as it
// stands (Windows refuses ":", "*", "?", device names and the like; POSIX only the
// separator, which the file system never has in a name anyway).
bool HostIsPlainName(const std::string& Name);

// ---- The program, the time, the errors ----

// The host's description of an errno value.
std::string HostErrorText(int Error);

// The full path of the running program; empty when it cannot be told.
std::string HostProgramPath();
// The home folder of the account the program runs as (not the environment's HOME);
// empty when it cannot be told.
std::string HostAccountHome();
// The local date and time of a moment, and the moment of a local date and time (-1
// when it is none).
bool HostLocalTime(int64_t Time, struct tm& Local);
int64_t HostMakeTime(struct tm& Local);
