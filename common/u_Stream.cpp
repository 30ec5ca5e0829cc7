#include "u_Stream.h"

#include "u_HostPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

const char* const SReadError = "Stream read error";
const char* const SWriteError = "Stream write error";
const char* const SFOpenError = "Cannot open file \"%s\". %s";
const char* const SFCreateError = "Cannot create file \"%s\". %s";
const char* const SFReadError = "Cannot read file \"%s\". %s";
const char* const SFWriteError = "Cannot write file \"%s\". %s";
const char* const SNotRegularFile = "Not a regular file";

// ---------------------------------------------------------------------------
// TStream

void TStream::ReadBuffer(void* Buffer, std::int32_t Count) {
    auto* p = static_cast<char*>(Buffer);
    while (Count > 0) {
        const std::int32_t n = Read(p, Count);
        if (n <= 0) {
            const std::string detail = FailureText(false);
            throw EReadError(detail.empty() ? std::string(SReadError) : detail);
        }
        p += n;
        Count -= n;
    }
}

void TStream::WriteBuffer(const void* Buffer, std::int32_t Count) {
    const auto* p = static_cast<const char*>(Buffer);
    while (Count > 0) {
        const std::int32_t n = Write(p, Count);
        if (n <= 0) {
            const std::string detail = FailureText(true);
            throw EWriteError(detail.empty() ? std::string(SWriteError) : detail);
        }
        p += n;
        Count -= n;
    }
}

void TStream::WriteString(std::string_view Text) {
    while (!Text.empty()) {
        const auto n = static_cast<std::int32_t>(std::min<size_t>(Text.size(), 1 << 30));
        WriteBuffer(Text.data(), n);
        Text.remove_prefix(static_cast<size_t>(n));
    }
}

std::string TStream::ReadRest() {
    std::string result;
    char chunk[65536];
    for (;;) {
        const std::int32_t n = Read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        result.append(chunk, static_cast<size_t>(n));
    }
    return result;
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    std::int64_t done = 0;
    char chunk[65536];
    while (done < Count) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(Count - done, sizeof chunk));
        Source.ReadBuffer(chunk, n);
        WriteBuffer(chunk, n);
        done += n;
    }
    return done;
}

// ---------------------------------------------------------------------------
// TStringStream

std::int32_t TStringStream::Read(void* Buffer, std::int32_t Count) {
    const auto size = static_cast<std::int64_t>(FData.size());
    if (Count <= 0 || FPosition >= size)
        return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(Count, size - FPosition));
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

std::int32_t TStringStream::Write(const void* Buffer, std::int32_t Count) {
    if (Count <= 0)
        return 0;
    const auto end = static_cast<size_t>(FPosition) + static_cast<size_t>(Count);
    if (end > FData.size())
        FData.resize(end);
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition += Count;
    return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, int Origin) {
    std::int64_t pos;
    switch (Origin) {
    case soBeginning:
        pos = Offset;
        break;
    case soCurrent:
        pos = FPosition + Offset;
        break;
    default:
        pos = static_cast<std::int64_t>(FData.size()) + Offset;
    }
    // Reads past the end give nothing; writes there fill the gap with zeros.
    FPosition = std::max<std::int64_t>(pos, 0);
    return FPosition;
}

void TStringStream::SetSize(std::int64_t NewSize) {
    FData.resize(static_cast<size_t>(std::max<std::int64_t>(NewSize, 0)));
    FPosition = std::min<std::int64_t>(FPosition, static_cast<std::int64_t>(FData.size()));
}

// ---------------------------------------------------------------------------
// THostFileStream

THostFileStream::THostFileStream(const std::string& FileName, THostFileMode Mode) : FFileName(FileName) {
    THostOpen open = THostOpen::Read;
    switch (Mode) {
    case THostFileMode::OpenRead:
        break;
    case THostFileMode::OpenWrite:
        open = THostOpen::Write;
        break;
    case THostFileMode::OpenReadWrite:
        open = THostOpen::ReadWrite;
        break;
    case THostFileMode::Create:
        open = THostOpen::Create;
        break;
    }
    THostStatus status;
    THostHandle handle = NoHostHandle;
    const int result = HostOpenFile(FileName, open, handle, &status);
    if (result == 0) {
        FHandle = handle;
        return;
    }
    // A folder is refused with the platform's reason for it, anything else not regular
    // with SNotRegularFile.
    const std::string why = result != HostNotRegular               ? SysErrorMessage(result)
                            : status.Kind == THostKind::Folder ? SysErrorMessage(EISDIR)
                                                               : std::string(SNotRegularFile);
    if (Mode == THostFileMode::Create)
        throw EFCreateError(Format(SFCreateError, FileName, why));
    throw EFOpenError(Format(SFOpenError, FileName, why));
}

THostFileStream::~THostFileStream() {
    HostCloseFile(FHandle);
}

std::int32_t THostFileStream::Read(void* Buffer, std::int32_t Count) {
    if (Count <= 0)
        return 0;
    const int64_t n = HostRead(FHandle, Buffer, static_cast<size_t>(Count), FLastError);
    return n < 0 ? 0 : static_cast<std::int32_t>(n);
}

std::int32_t THostFileStream::Write(const void* Buffer, std::int32_t Count) {
    if (Count <= 0)
        return 0;
    const int64_t n = HostWrite(FHandle, Buffer, static_cast<size_t>(Count), FLastError);
    return n < 0 ? 0 : static_cast<std::int32_t>(n);
}

std::string THostFileStream::FailureText(bool Writing) const {
    if (FLastError != 0)
        return Format(Writing ? SFWriteError : SFReadError, FFileName, SysErrorMessage(FLastError));
    // The file ended before the bytes that were needed.
    return Format(Writing ? SFWriteError : SFReadError, FFileName, Writing ? SWriteError : SReadError);
}

std::int64_t THostFileStream::Seek(std::int64_t Offset, int Origin) {
    return HostSeek(FHandle, Offset, Origin == soBeginning ? 0 : (Origin == soCurrent ? 1 : 2));
}

void THostFileStream::SetSize(std::int64_t NewSize) {
    if (const int error = HostSetFileSize(FHandle, static_cast<uint64_t>(std::max<std::int64_t>(NewSize, 0))))
        RaiseOSError(error, FFileName);
    if (Position() > NewSize)
        Seek(NewSize, soBeginning);
}

std::int64_t THostFileStream::Size() const {
    THostStatus status;
    if (HostFileStatus(FHandle, status) != 0)
        return -1;
    return static_cast<std::int64_t>(status.Size);
}

std::int64_t THostFileStream::Position() const {
    return HostSeek(FHandle, 0, 1);
}
