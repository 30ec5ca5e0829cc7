// Byte streams: the abstract stream that readers and writers take, a stream over a
// string in memory and a stream over a host file.
#pragma once

#include "u_Exception.h"

#include <cstdint>
#include <string>
#include <string_view>

// Seek origins.
constexpr int soBeginning = 0;
constexpr int soCurrent = 1;
constexpr int soEnd = 2;

class EStreamError : public Exception {
public:
    using Exception::Exception;
};
// "Stream read error": fewer bytes than required could be read.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// "Stream write error": fewer bytes than given could be written.
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// "Cannot open file \"%s\". %s"
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// "Cannot create file \"%s\". %s"
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

extern const char* const SReadError;
extern const char* const SWriteError;
extern const char* const SFOpenError;
extern const char* const SFCreateError;
extern const char* const SFReadError;    // "Cannot read file \"%s\". %s"
extern const char* const SFWriteError;   // "Cannot write file \"%s\". %s"
extern const char* const SNotRegularFile; // "Not a regular file", the reason of a refused open

class TStream {
public:
    virtual ~TStream() = default;

    // Read and Write move up to Count bytes and return how many moved.
    virtual std::int32_t Read(void* Buffer, std::int32_t Count) = 0;
    virtual std::int32_t Write(const void* Buffer, std::int32_t Count) = 0;
    // The new position.
    virtual std::int64_t Seek(std::int64_t Offset, int Origin) = 0;
    virtual void SetSize(std::int64_t NewSize) = 0;
    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Position() const = 0;
    void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }

    // All Count bytes or EReadError / EWriteError.
    void ReadBuffer(void* Buffer, std::int32_t Count);
    void WriteBuffer(const void* Buffer, std::int32_t Count);
    void WriteString(std::string_view Text);
    // Everything from the current position to the end.
    std::string ReadRest();
    // Copies Count bytes from Source at its position (the whole of Source from its
    // start when Count is 0); returns the number copied.
    std::int64_t CopyFrom(TStream& Source, std::int64_t Count);

protected:
    // The message of a failed ReadBuffer or WriteBuffer when the stream can say more
    // than "Stream read error" / "Stream write error" (which file, and why); empty
    // otherwise.
    virtual std::string FailureText(bool /*Writing*/) const { return std::string(); }
};

// A stream over a byte string that it holds.
class TStringStream : public TStream {
public:
    TStringStream() = default;
    explicit TStringStream(std::string Data) : FData(std::move(Data)) {}

    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    std::int64_t Seek(std::int64_t Offset, int Origin) override;
    void SetSize(std::int64_t NewSize) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(FData.size()); }
    std::int64_t Position() const override { return FPosition; }

    const std::string& DataString() const noexcept { return FData; }
    std::string& DataString() noexcept { return FData; }

private:
    std::string FData;
    std::int64_t FPosition = 0;
};

// How THostFileStream opens its file. Others may always read and write the file.
enum class THostFileMode { OpenRead, OpenWrite, OpenReadWrite, Create };

// A stream over a regular file of the host file system. A failed ReadBuffer or
// WriteBuffer names the file and the platform's reason ("Cannot write file \"%s\".
// No space left on device").
class THostFileStream : public TStream {
public:
    // Raises EFOpenError (or EFCreateError for Create) with the platform's reason; a
    // FIFO, a device or a folder is refused without waiting for it.
    THostFileStream(const std::string& FileName, THostFileMode Mode);
    ~THostFileStream() override;
    THostFileStream(const THostFileStream&) = delete;
    THostFileStream& operator=(const THostFileStream&) = delete;

    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    std::int64_t Seek(std::int64_t Offset, int Origin) override;
    // Raises EOSError when the platform refuses.
    void SetSize(std::int64_t NewSize) override;
    std::int64_t Size() const override;
    std::int64_t Position() const override;

    const std::string& FileName() const noexcept { return FFileName; }

protected:
    std::string FailureText(bool Writing) const override;

private:
    std::string FFileName;
    intptr_t FHandle = -1; // the host seam's handle
    int FLastError = 0;    // errno of the last failed read or write, 0 after a success
};
