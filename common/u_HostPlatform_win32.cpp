// The host seam on Windows: wide-character file functions, byte-range locks, file
// mappings. Links (reparse points) are looked at as themselves and never followed below
// a folder that is exported into.
#ifdef _WIN32

#include "u_HostPlatform.h"

#include "u_MFS.h"
#include "u_Utf8.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>

namespace {

// The nearest errno value of a Windows error.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_CALL_NOT_IMPLEMENTED:
    case ERROR_NOT_SUPPORTED:
        return ENOSYS;
    default:
        return EIO;
    }
}

int LastErrno() {
    const int code = ErrnoOf(GetLastError());
    return code != 0 ? code : EIO;
}

std::wstring Wide(const std::string& path) {
    const std::u16string text = Utf8ToUtf16(path);
    return std::wstring(text.begin(), text.end());
}

std::string Narrow(const wchar_t* text, size_t size) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), size));
}

HANDLE Handle(THostHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

int64_t UnixTime(const FILETIME& ft) {
    const uint64_t ticks = uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000) - 11644473600LL;
}

void Fill(const BY_HANDLE_FILE_INFORMATION& info, bool link, THostStatus& status) {
    const DWORD a = info.dwFileAttributes;
    status.Kind = link                             ? THostKind::Link
                  : (a & FILE_ATTRIBUTE_DIRECTORY) ? THostKind::Folder
                                                   : THostKind::File;
    status.Size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    status.Modified = UnixTime(info.ftLastWriteTime);
    status.Attributes = ((a & FILE_ATTRIBUTE_READONLY) ? faReadOnly : 0) |
                        ((a & FILE_ATTRIBUTE_HIDDEN) ? faHidden : 0) |
                        ((a & FILE_ATTRIBUTE_SYSTEM) ? faSysFile : 0);
    status.Device = info.dwVolumeSerialNumber;
    status.Node = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    status.Owner = status.Group = 0;
    status.Mode = (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
}

// The status of an open handle: a disk file or folder, or something else.
int StatusOfHandle(HANDLE h, bool link, THostStatus& status) {
    if (GetFileType(h) != FILE_TYPE_DISK) {
        status = THostStatus();
        status.Kind = THostKind::Other;
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info))
        return LastErrno();
    Fill(info, link, status);
    return 0;
}

DWORD AttributesOf(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str());
}

} // namespace

int HostStatusOf(const std::string& Path, bool FollowLinks, THostStatus& Status) {
    Status = THostStatus();
    const DWORD attributes = AttributesOf(Path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastErrno();
    const bool link = !FollowLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    const HANDLE h = CreateFileW(
        Wide(Path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (link ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastErrno();
    const int result = StatusOfHandle(h, link, Status);
    CloseHandle(h);
    return result;
}

int HostOpenFile(const std::string& Path, THostOpen Mode, THostHandle& Handle, THostStatus* Status) {
    Handle = NoHostHandle;
    THostStatus local;
    THostStatus& status = Status ? *Status : local;
    status = THostStatus();
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    switch (Mode) {
    case THostOpen::Read:
        break;
    case THostOpen::Write:
        access = GENERIC_WRITE;
        break;
    case THostOpen::ReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    case THostOpen::Create:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS; // emptied below, once it is known to be a file
        break;
    case THostOpen::CreateNew:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    }
    const DWORD attributes = AttributesOf(Path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        status.Kind = THostKind::Folder;
        return HostNotRegular;
    }
    const HANDLE h =
        CreateFileW(Wide(Path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastErrno();
    if (const int error = StatusOfHandle(h, false, status)) {
        CloseHandle(h);
        return error;
    }
    if (status.Kind != THostKind::File) {
        CloseHandle(h);
        return HostNotRegular;
    }
    if (Mode == THostOpen::Create && status.Size != 0) {
        if (!SetEndOfFile(h)) {
            const int error = LastErrno();
            CloseHandle(h);
            return error;
        }
        status.Size = 0;
    }
    Handle = reinterpret_cast<THostHandle>(h);
    return 0;
}

void HostCloseFile(THostHandle Handle) {
    if (Handle != NoHostHandle)
        CloseHandle(::Handle(Handle));
}

int HostFileStatus(THostHandle Handle, THostStatus& Status) {
    return StatusOfHandle(::Handle(Handle), false, Status);
}

int64_t HostRead(THostHandle Handle, void* Buffer, size_t Count, int& Error) {
    DWORD done = 0;
    if (!ReadFile(::Handle(Handle), Buffer, static_cast<DWORD>(std::min<size_t>(Count, 1u << 30)), &done,
                  nullptr)) {
        Error = LastErrno();
        return -1;
    }
    Error = 0;
    return done;
}

int64_t HostWrite(THostHandle Handle, const void* Buffer, size_t Count, int& Error) {
    DWORD done = 0;
    if (!WriteFile(::Handle(Handle), Buffer, static_cast<DWORD>(std::min<size_t>(Count, 1u << 30)), &done,
                   nullptr)) {
        Error = LastErrno();
        return -1;
    }
    Error = 0;
    return done;
}

namespace {

// Moves all Count bytes at Position through Transfer (ReadFile or WriteFile, which take
// the position in an OVERLAPPED on a handle opened for synchronous use).
template <typename TByte, typename F>
int TransferAt(TByte* p, size_t Count, uint64_t Position, F&& Transfer) {
    while (Count) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(Position);
        at.OffsetHigh = static_cast<DWORD>(Position >> 32);
        DWORD done = 0;
        if (!Transfer(p, static_cast<DWORD>(std::min<size_t>(Count, 1u << 30)), &done, &at))
            return GetLastError() == ERROR_HANDLE_EOF ? EIO : LastErrno();
        if (done == 0)
            return EIO; // the file ends before
        p += done;
        Count -= done;
        Position += done;
    }
    return 0;
}

} // namespace

int HostReadAt(THostHandle Handle, void* Buffer, size_t Count, uint64_t Position) {
    return TransferAt(static_cast<uint8_t*>(Buffer), Count, Position,
                      [&](uint8_t* p, DWORD n, DWORD* done, OVERLAPPED* at) {
                          return ReadFile(::Handle(Handle), p, n, done, at);
                      });
}

int HostWriteAt(THostHandle Handle, const void* Buffer, size_t Count, uint64_t Position) {
    return TransferAt(static_cast<const uint8_t*>(Buffer), Count, Position,
                      [&](const uint8_t* p, DWORD n, DWORD* done, OVERLAPPED* at) {
                          return WriteFile(::Handle(Handle), p, n, done, at);
                      });
}

int64_t HostSeek(THostHandle Handle, int64_t Offset, int Origin) {
    LARGE_INTEGER distance, position;
    distance.QuadPart = Offset;
    const DWORD method = Origin == 0 ? FILE_BEGIN : (Origin == 1 ? FILE_CURRENT : FILE_END);
    if (!SetFilePointerEx(::Handle(Handle), distance, &position, method))
        return -1;
    return position.QuadPart;
}

int HostSetFileSize(THostHandle Handle, uint64_t Size) {
    const int64_t position = HostSeek(Handle, 0, 1);
    if (HostSeek(Handle, static_cast<int64_t>(Size), 0) < 0)
        return LastErrno();
    const bool set = SetEndOfFile(::Handle(Handle));
    const int error = set ? 0 : LastErrno();
    HostSeek(Handle, position, 0);
    return error;
}

int HostSyncFile(THostHandle Handle) {
    return FlushFileBuffers(::Handle(Handle)) ? 0 : LastErrno();
}

int HostLockFile(THostHandle Handle) {
    OVERLAPPED whole{};
    if (LockFileEx(::Handle(Handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                   MAXDWORD, &whole))
        return 0;
    return GetLastError() == ERROR_LOCK_VIOLATION ? EBUSY : LastErrno();
}

int HostCopyRange(THostHandle, uint64_t, THostHandle, uint64_t, uint64_t, uint64_t& Done) {
    Done = 0;
    return ENOSYS; // the copy goes through a buffer
}

void THostMapping::Unmap() {
    if (FData)
        UnmapViewOfFile(FData);
    if (FMapping)
        CloseHandle(reinterpret_cast<HANDLE>(FMapping));
    FData = nullptr;
    FSize = 0;
    FMapping = 0;
}

int THostMapping::Map(THostHandle Handle, size_t Size) {
    const HANDLE mapping = CreateFileMappingW(::Handle(Handle), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return LastErrno();
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, Size);
    if (!view) {
        const int error = LastErrno();
        CloseHandle(mapping);
        return error;
    }
    FMapping = reinterpret_cast<intptr_t>(mapping);
    FData = static_cast<const uint8_t*>(view);
    FSize = Size;
    return 0;
}

int HostCreateBeside(const std::string& Target, std::string& Path, THostHandle& Handle) {
    const size_t slash = Target.find_last_of("/\\");
    const std::string folder = Target.substr(0, slash == std::string::npos ? 0 : slash + 1);
    const std::string name = Target.substr(slash == std::string::npos ? 0 : slash + 1);
    std::random_device device;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        Path = folder + "." + name + ".";
        for (int i = 0; i < 6; ++i)
            Path += digits[device() % 36];
        const HANDLE h = CreateFileW(Wide(Path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            Handle = reinterpret_cast<THostHandle>(h);
            return 0;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    Handle = NoHostHandle;
    return LastErrno();
}

int HostCopyOwnerAndMode(THostHandle, const THostStatus&) {
    // A new file in the folder has the folder's permissions already; there is no owner
    // or mode of the old file to give it.
    return 0;
}

int HostReplaceFile(const std::string& From, const std::string& To) {
    if (MoveFileExW(Wide(From).c_str(), Wide(To).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return LastErrno();
}

int HostRemoveFile(const std::string& Path) {
    return DeleteFileW(Wide(Path).c_str()) ? 0 : LastErrno();
}

int HostRealPath(const std::string& Path, std::string& Real) {
    const HANDLE h =
        CreateFileW(Wide(Path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastErrno();
    std::wstring text(MAX_PATH, L'\0');
    DWORD n =
        GetFinalPathNameByHandleW(h, text.data(), static_cast<DWORD>(text.size()), FILE_NAME_NORMALIZED);
    if (n >= text.size()) {
        text.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, text.data(), static_cast<DWORD>(text.size()), FILE_NAME_NORMALIZED);
    }
    CloseHandle(h);
    if (n == 0 || n >= text.size()) {
        // Without the final name: the full path as given.
        std::wstring full(MAX_PATH * 4, L'\0');
        const DWORD m =
            GetFullPathNameW(Wide(Path).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (m == 0 || m >= full.size())
            return LastErrno();
        Real = Narrow(full.data(), m);
        return 0;
    }
    text.resize(n);
    if (text.rfind(L"\\\\?\\UNC\\", 0) == 0)
        text = L"\\\\" + text.substr(8);
    else if (text.rfind(L"\\\\?\\", 0) == 0)
        text = text.substr(4);
    Real = Narrow(text.data(), text.size());
    return 0;
}

int HostMakeFolder(const std::string& Path) {
    return CreateDirectoryW(Wide(Path).c_str(), nullptr) ? 0 : LastErrno();
}

int HostRemoveFolder(const std::string& Path) {
    return RemoveDirectoryW(Wide(Path).c_str()) ? 0 : LastErrno();
}

int HostMakeWritable(const std::string& Path) {
    const DWORD attributes = AttributesOf(Path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastErrno();
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_READONLY))
        return 0;
    return SetFileAttributesW(Wide(Path).c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) ? 0
                                                                                                : LastErrno();
}

int HostListFolder(const std::string& Path, std::vector<std::string>& Names) {
    Names.clear();
    const std::string pattern = (Path.empty() ? std::string(".") : Path) + "\\*";
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(Wide(pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : LastErrno();
    do {
        const std::string name = Narrow(entry.cFileName, wcslen(entry.cFileName));
        if (name != "." && name != "..")
            Names.push_back(name);
    } while (FindNextFileW(find, &entry));
    const DWORD error = GetLastError();
    FindClose(find);
    return error == ERROR_NO_MORE_FILES ? 0 : ErrnoOf(error);
}

// ---- THostFolder ----

THostFolder::~THostFolder() = default;

THostFolder::THostFolder(THostFolder&& Other) noexcept
    : FHandle(Other.FHandle), FPath(std::move(Other.FPath)) {
    Other.FHandle = -1;
}

int THostFolder::Open(const std::string& Path) {
    const DWORD attributes = AttributesOf(Path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastErrno();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ENOTDIR;
    FPath = Path;
    return 0;
}

THostKind THostFolder::Entry(const std::string& Name, int& Error) const {
    Error = 0;
    const DWORD attributes = AttributesOf(FPath + "\\" + Name);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return THostKind::Missing;
        Error = ErrnoOf(error);
        return THostKind::Other;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return THostKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? THostKind::Folder : THostKind::File;
}

int THostFolder::OpenFolder(const std::string& Name, THostFolder& Folder) const {
    int error = 0;
    switch (Entry(Name, error)) {
    case THostKind::Folder:
        Folder.FPath = FPath + "\\" + Name;
        return 0;
    case THostKind::Missing:
        return ENOENT;
    case THostKind::Link:
        return ELOOP;
    default:
        return error ? error : ENOTDIR;
    }
}

int THostFolder::MakeFolder(const std::string& Name) const {
    return HostMakeFolder(FPath + "\\" + Name);
}

int THostFolder::Remove(const std::string& Name) const {
    const std::string path = FPath + "\\" + Name;
    const DWORD attributes = AttributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return HostRemoveFolder(path); // a link to a folder goes, never what it points to
    return HostRemoveFile(path);
}

int THostFolder::WriteFile(const std::string& Name, std::string_view Content, bool Overwrite,
                           bool& Opened) const {
    int error = 0;
    Opened = false;
    if (Entry(Name, error) == THostKind::Link)
        return ELOOP;
    const HANDLE h = CreateFileW(Wide(FPath + "\\" + Name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 Overwrite ? CREATE_ALWAYS : CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastErrno();
    Opened = true;
    for (size_t done = 0; done < Content.size() && error == 0;) {
        DWORD n = 0;
        if (!::WriteFile(h, Content.data() + done,
                         static_cast<DWORD>(std::min<size_t>(Content.size() - done, 1u << 30)), &n, nullptr))
            error = LastErrno();
        else if (n == 0)
            error = EIO;
        done += n;
    }
    CloseHandle(h);
    return error;
}

bool HostIsPlainName(const std::string& Name) {
    if (Name.find_first_of(":*?\"<>|") != std::string::npos || Name.back() == '.' || Name.back() == ' ')
        return false;
    for (const char c : Name)
        if (static_cast<unsigned char>(c) < 32)
            return false;
    // The device names, also with an extension ("NUL.txt").
    std::string stem = Name.substr(0, Name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices)
        if (stem == device)
            return false;
    return !((stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem.size() == 4 && stem[3] >= '0' &&
             stem[3] <= '9');
}

// ---- The program, the time, the errors ----

std::string HostProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::string();
        if (n < path.size())
            return Narrow(path.data(), n);
        path.resize(path.size() * 2);
    }
}

std::string HostAccountHome() {
    const wchar_t* profile = _wgetenv(L"USERPROFILE");
    return profile ? Narrow(profile, wcslen(profile)) : std::string();
}

bool HostLocalTime(int64_t Time, struct tm& Local) {
    const time_t t = static_cast<time_t>(Time);
    return localtime_s(&Local, &t) == 0;
}

int64_t HostMakeTime(struct tm& Local) {
    return static_cast<int64_t>(std::mktime(&Local));
}

std::string HostErrorText(int Error) {
    char buf[256];
    if (strerror_s(buf, sizeof buf, Error) != 0)
        return "Unknown error";
    return buf;
}

#endif

// Without the standard library's paths, which would bring their streams and locales
// into the reader program: the full path, its longest existing part resolved by the
// system, the rest appended as written.
std::string CanonicalHostPath(const std::string& path) {
    const std::wstring wide = Wide(path);
    std::wstring full(MAX_PATH * 4, L'\0');
    const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return path;
    const std::string absolute = Narrow(full.data(), n);
    std::string head = absolute, rest;
    for (;;) {
        std::string real;
        if (HostRealPath(head, real) == 0)
            return real + rest;
        const size_t cut = head.find_last_of("\\/");
        // Stop at the drive or share: nothing of the path exists.
        if (cut == std::string::npos || cut < 3)
            return absolute;
        rest = head.substr(cut) + rest;
        head.erase(cut);
    }
}
