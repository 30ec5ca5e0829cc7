// The host seam on POSIX hosts (Linux): descriptors, *at() calls that never follow a
// link, mmap, flock, copy_file_range.
#ifndef _WIN32

#include "u_HostPlatform.h"

#include "u_MFS.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Errno() {
    return errno != 0 ? errno : EIO;
}

THostKind KindOf(mode_t mode) {
    if (S_ISLNK(mode))
        return THostKind::Link;
    if (S_ISDIR(mode))
        return THostKind::Folder;
    return S_ISREG(mode) ? THostKind::File : THostKind::Other;
}

void Fill(const struct stat& st, const std::string& name, THostStatus& status) {
    status.Kind = KindOf(st.st_mode);
    status.Size = static_cast<uint64_t>(st.st_size);
    status.Modified = static_cast<int64_t>(st.st_mtime);
    status.Attributes = 0;
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR))
        status.Attributes |= faReadOnly;
    // The host's hidden files are the ones whose name starts with a point.
    const size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!base.empty() && base[0] == '.' && base != "." && base != "..")
        status.Attributes |= faHidden;
    status.Device = static_cast<uint64_t>(st.st_dev);
    status.Node = static_cast<uint64_t>(st.st_ino);
    status.Owner = st.st_uid;
    status.Group = st.st_gid;
    status.Mode = st.st_mode & 07777;
}

int Fd(THostHandle handle) {
    return static_cast<int>(handle);
}

} // namespace

int HostStatusOf(const std::string& Path, bool FollowLinks, THostStatus& Status) {
    struct stat st {};
    if ((FollowLinks ? ::stat(Path.c_str(), &st) : ::lstat(Path.c_str(), &st)) != 0) {
        Status = THostStatus();
        return Errno();
    }
    Fill(st, Path, Status);
    return 0;
}

int HostOpenFile(const std::string& Path, THostOpen Mode, THostHandle& Handle, THostStatus* Status) {
    Handle = NoHostHandle;
    int flags = 0;
    switch (Mode) {
    case THostOpen::Read:
        flags = O_RDONLY;
        break;
    case THostOpen::Write:
        flags = O_WRONLY;
        break;
    case THostOpen::ReadWrite:
        flags = O_RDWR;
        break;
    case THostOpen::Create:
        flags = O_RDWR | O_CREAT | O_TRUNC;
        break;
    case THostOpen::CreateNew:
        flags = O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    THostStatus local;
    THostStatus& status = Status ? *Status : local;
    // The type is checked before the open (opening some devices does something) and
    // again on the open file; O_NONBLOCK keeps a FIFO that appears in between from
    // blocking the open itself. O_TRUNC waits until the file is known to be regular.
    struct stat st {};
    if (::stat(Path.c_str(), &st) == 0) {
        Fill(st, Path, status);
        if (!S_ISREG(st.st_mode))
            return HostNotRegular;
    }
    int fd;
    do {
        fd = ::open(Path.c_str(), (flags & ~O_TRUNC) | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Errno();
    if (::fstat(fd, &st) != 0) {
        const int code = Errno();
        ::close(fd);
        return code;
    }
    Fill(st, Path, status);
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return HostNotRegular;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if ((flags & O_TRUNC) && st.st_size != 0) {
        if (::ftruncate(fd, 0) != 0) {
            const int code = Errno();
            ::close(fd);
            return code;
        }
        status.Size = 0;
    }
    Handle = fd;
    return 0;
}

void HostCloseFile(THostHandle Handle) {
    if (Handle != NoHostHandle)
        ::close(Fd(Handle));
}

int HostFileStatus(THostHandle Handle, THostStatus& Status) {
    struct stat st {};
    if (::fstat(Fd(Handle), &st) != 0)
        return Errno();
    Fill(st, std::string(), Status);
    return 0;
}

int64_t HostRead(THostHandle Handle, void* Buffer, size_t Count, int& Error) {
    ssize_t n;
    do {
        n = ::read(Fd(Handle), Buffer, Count);
    } while (n < 0 && errno == EINTR);
    Error = n < 0 ? Errno() : 0;
    return n;
}

int64_t HostWrite(THostHandle Handle, const void* Buffer, size_t Count, int& Error) {
    ssize_t n;
    do {
        n = ::write(Fd(Handle), Buffer, Count);
    } while (n < 0 && errno == EINTR);
    Error = n < 0 ? Errno() : 0;
    return n;
}

int HostReadAt(THostHandle Handle, void* Buffer, size_t Count, uint64_t Position) {
    auto* p = static_cast<uint8_t*>(Buffer);
    for (size_t done = 0; done < Count;) {
        const ssize_t got = ::pread(Fd(Handle), p + done, Count - done, static_cast<off_t>(Position + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? Errno() : EIO;
        done += static_cast<size_t>(got);
    }
    return 0;
}

int HostWriteAt(THostHandle Handle, const void* Buffer, size_t Count, uint64_t Position) {
    const auto* p = static_cast<const uint8_t*>(Buffer);
    while (Count) {
        const ssize_t w = ::pwrite(Fd(Handle), p, Count, static_cast<off_t>(Position));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return w < 0 ? Errno() : EIO;
        p += w;
        Count -= static_cast<size_t>(w);
        Position += static_cast<uint64_t>(w);
    }
    return 0;
}

int64_t HostSeek(THostHandle Handle, int64_t Offset, int Origin) {
    const int whence = Origin == 0 ? SEEK_SET : (Origin == 1 ? SEEK_CUR : SEEK_END);
    const off_t pos = ::lseek(Fd(Handle), static_cast<off_t>(Offset), whence);
    return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

int HostSetFileSize(THostHandle Handle, uint64_t Size) {
    return ::ftruncate(Fd(Handle), static_cast<off_t>(Size)) == 0 ? 0 : Errno();
}

int HostSyncFile(THostHandle Handle) {
    return ::fsync(Fd(Handle)) == 0 ? 0 : Errno();
}

int HostLockFile(THostHandle Handle) {
    if (::flock(Fd(Handle), LOCK_EX | LOCK_NB) == 0)
        return 0;
    return errno == EWOULDBLOCK ? EBUSY : Errno();
}

int HostCopyRange(THostHandle Source, uint64_t From, THostHandle Target, uint64_t To, uint64_t Count,
                  uint64_t& Done) {
    loff_t in = static_cast<loff_t>(From), out = static_cast<loff_t>(To);
    Done = 0;
    while (Done < Count) {
        const ssize_t w = ::copy_file_range(Fd(Source), &in, Fd(Target), &out,
                                            std::min<uint64_t>(Count - Done, 1u << 30), 0);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOSPC || errno == EDQUOT || errno == EIO || errno == EFBIG)
                return errno;
            return ENOSYS; // not offered here: the rest through a buffer
        }
        if (w == 0)
            return EIO;
        Done += static_cast<uint64_t>(w);
    }
    return 0;
}

void THostMapping::Unmap() {
    if (FData)
        ::munmap(const_cast<uint8_t*>(FData), FSize);
    FData = nullptr;
    FSize = 0;
}

int THostMapping::Map(THostHandle Handle, size_t Size) {
    void* p = ::mmap(nullptr, Size, PROT_READ, MAP_PRIVATE, Fd(Handle), 0);
    if (p == MAP_FAILED)
        return Errno();
    FData = static_cast<const uint8_t*>(p);
    FSize = Size;
    return 0;
}

int HostCreateBeside(const std::string& Target, std::string& Path, THostHandle& Handle) {
    const size_t slash = Target.rfind('/');
    Path = Target.substr(0, slash + 1) + "." + Target.substr(slash + 1) + ".XXXXXX";
    const int fd = ::mkstemp(Path.data());
    if (fd < 0) {
        Handle = NoHostHandle;
        return Errno();
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    Handle = fd;
    return 0;
}

int HostCopyOwnerAndMode(THostHandle Handle, const THostStatus& Status) {
    // Owner and group go first: a change of owner clears the set-user-ID and set-group-ID
    // bits, which the mode then puts back. Another user's owner is not ours to give.
    if (::fchown(Fd(Handle), Status.Owner, Status.Group) != 0) {
    }
    return ::fchmod(Fd(Handle), Status.Mode & 07777) == 0 ? 0 : Errno();
}

int HostReplaceFile(const std::string& From, const std::string& To) {
    return ::rename(From.c_str(), To.c_str()) == 0 ? 0 : Errno();
}

int HostRemoveFile(const std::string& Path) {
    return ::unlink(Path.c_str()) == 0 ? 0 : Errno();
}

int HostRealPath(const std::string& Path, std::string& Real) {
    char* resolved = ::realpath(Path.c_str(), nullptr);
    if (!resolved)
        return Errno();
    Real = resolved;
    std::free(resolved);
    return 0;
}

int HostMakeFolder(const std::string& Path) {
    return ::mkdir(Path.c_str(), 0777) == 0 ? 0 : Errno();
}

int HostRemoveFolder(const std::string& Path) {
    return ::rmdir(Path.c_str()) == 0 ? 0 : Errno();
}

int HostMakeWritable(const std::string& Path) {
    struct stat st {};
    if (::lstat(Path.c_str(), &st) != 0)
        return Errno();
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR))
        return 0;
    return ::chmod(Path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0 ? 0 : Errno();
}

int HostListFolder(const std::string& Path, std::vector<std::string>& Names) {
    Names.clear();
    DIR* dir = ::opendir(Path.empty() ? "." : Path.c_str());
    if (!dir)
        return Errno();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            Names.push_back(name);
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

// ---- THostFolder ----

THostFolder::~THostFolder() {
    if (FHandle >= 0)
        ::close(static_cast<int>(FHandle));
}

THostFolder::THostFolder(THostFolder&& Other) noexcept
    : FHandle(Other.FHandle), FPath(std::move(Other.FPath)) {
    Other.FHandle = -1;
}

int THostFolder::Open(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Errno();
    FHandle = fd;
    FPath = Path;
    return 0;
}

THostKind THostFolder::Entry(const std::string& Name, int& Error) const {
    struct stat st {};
    Error = 0;
    if (::fstatat(static_cast<int>(FHandle), Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return THostKind::Missing;
        Error = Errno();
        return THostKind::Other;
    }
    return KindOf(st.st_mode);
}

int THostFolder::OpenFolder(const std::string& Name, THostFolder& Folder) const {
    const int fd =
        ::openat(static_cast<int>(FHandle), Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return Errno();
    Folder.FHandle = fd;
    Folder.FPath = FPath + "/" + Name;
    return 0;
}

int THostFolder::MakeFolder(const std::string& Name) const {
    return ::mkdirat(static_cast<int>(FHandle), Name.c_str(), 0777) == 0 ? 0 : Errno();
}

int THostFolder::Remove(const std::string& Name) const {
    return ::unlinkat(static_cast<int>(FHandle), Name.c_str(), 0) == 0 ? 0 : Errno();
}

int THostFolder::WriteFile(const std::string& Name, std::string_view Content, bool Overwrite,
                           bool& Opened) const {
    const int fd =
        ::openat(static_cast<int>(FHandle), Name.c_str(),
                 O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (Overwrite ? O_TRUNC : O_EXCL), 0666);
    Opened = fd >= 0;
    if (fd < 0)
        return Errno();
    int error = 0;
    for (size_t done = 0; done < Content.size() && error == 0;) {
        const ssize_t n =
            ::write(fd, Content.data() + done, std::min<size_t>(Content.size() - done, 1 << 30));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? Errno() : EIO;
        else
            done += static_cast<size_t>(n);
    }
    ::close(fd);
    return error;
}

bool HostIsPlainName(const std::string&) {
    return true;
}

// ---- The program, the time, the errors ----

std::string HostProgramPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string HostAccountHome() {
    const passwd* account = ::getpwuid(::getuid());
    return account && account->pw_dir ? std::string(account->pw_dir) : std::string();
}

bool HostLocalTime(int64_t Time, struct tm& Local) {
    const time_t t = static_cast<time_t>(Time);
    return ::localtime_r(&t, &Local) != nullptr;
}

int64_t HostMakeTime(struct tm& Local) {
    return static_cast<int64_t>(std::mktime(&Local));
}

std::string HostErrorText(int Error) {
    char buf[256];
    // GNU strerror_r returns the message pointer (possibly not buf).
    const char* text = ::strerror_r(Error, buf, sizeof buf);
    return text ? std::string(text) : std::string("Unknown error");
}

#endif

std::string CanonicalHostPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(HostFsPath(path), ec);
    if (!ec)
        return HostFsText(canonical);
    return HostFsText(std::filesystem::absolute(HostFsPath(path), ec).lexically_normal());
}
