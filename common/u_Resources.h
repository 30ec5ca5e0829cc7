// Resource editor for 32-bit Windows programs (PE32): reads the resource section of a
// program file into a tree, adds, replaces and deletes resources in the tree and, on
// commit, rebuilds the resource section, moves whatever follows it in the file and
// repairs the headers and the image checksum. A compiled book is the reader program
// with the book written into its resources by these operations.
//
// A commit writes the new program beside the old one and replaces the old one by a
// rename only when the new file is complete, so a failed update leaves the file as it
// was. Files whose headers or resource section are unsound, and PE32+ (64-bit) files,
// are refused with an error that names the file.
#pragma once

#include "u_Exception.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Raised by the resource-writing operations for bad input data ("Icon is corrupted").
class EResourcesError : public Exception {
public:
    using Exception::Exception;
};

// Predefined numeric resource types used by the system.
constexpr uint16_t ResTypeIcon = 3;
constexpr uint16_t ResTypeGroupIcon = 14;

// A resource type or name: a number below 65536 or a text (UTF-16 code units), or none.
class TResName {
public:
    TResName() = default; // none
    TResName(uint16_t number) : FKind(Kind::Number), FNumber(number) {}
    TResName(int number) : TResName(static_cast<uint16_t>(number)) {}
    // A text in the system code page (UTF-8).
    TResName(const std::string& text);
    TResName(const char* text) : TResName(std::string(text)) {}
    TResName(std::u16string text) : FKind(Kind::Text), FText(std::move(text)) {}

    bool IsNone() const noexcept { return FKind == Kind::None; }
    bool IsNumber() const noexcept { return FKind == Kind::Number; }
    bool IsText() const noexcept { return FKind == Kind::Text; }
    uint16_t Number() const noexcept { return FNumber; }
    const std::u16string& Text() const noexcept { return FText; }
    // "RCDATA" for a text, "#14" for a number: for messages.
    std::string Display() const;

private:
    enum class Kind { None, Number, Text };
    Kind FKind = Kind::None;
    uint16_t FNumber = 0;
    std::u16string FText;
};

// ---- Resource editor (the contract of the platform's BeginUpdateResource,
// UpdateResource and EndUpdateResource) ----

struct TResourceUpdate;
using TResourceUpdateHandle = TResourceUpdate*;

// Opens FileName for an update. Returns nullptr when the file cannot be opened, is in use
// by another update, is not a sound PE32 program, or has no resource section (error code
// 2); the reason is then in ResourceLastError. Nothing is left open on failure. With
// DeleteExisting the tree starts empty and all old resources are dropped on commit.
TResourceUpdateHandle BeginResourceUpdate(const std::string& FileName, bool DeleteExisting);

// With Data (Size bytes, Size may be 0) adds or replaces the resource (Type, Name,
// Language). With Data == nullptr deletes: that language; else, when Language is 0, the
// whole name; else, when Language is 0 and Name is none, the whole type. Deleting what
// does not exist succeeds. Returns false on failure (reason in ResourceLastError).
bool UpdateResourceEntry(TResourceUpdateHandle Handle, const TResName& Type, const TResName& Name,
                         uint16_t Language, const void* Data, size_t Size);

// Discard: releases the handle and leaves the file unchanged. Otherwise commits the tree
// into the file, then releases the handle (also on failure). Returns false on failure.
bool EndResourceUpdate(TResourceUpdateHandle Handle, bool Discard);

// The failure of the last operation of this thread that reported one: an errno-style
// code and a description that names the file.
int ResourceLastErrorCode();
const std::string& ResourceLastErrorText();
// Raises the last failure as EOSError ("System Error.  Code: %d.\r\n%s").
[[noreturn]] void RaiseResourceLastError();

// ---- Resource-writing operations: each call is one complete update of the file ----

// Several resources written in one update: the file is rewritten once, at Commit, into
// a new file beside it that replaces it when complete (owner, group and mode kept where
// permitted). Without Commit (an error on the way) the file stays as it was. The data
// given must stay alive until Commit.
class TResourceWriter {
public:
    // Raises EOSError when the file cannot be opened for an update (the reason names it).
    explicit TResourceWriter(const std::string& FileName);
    ~TResourceWriter();
    TResourceWriter(const TResourceWriter&) = delete;
    TResourceWriter& operator=(const TResourceWriter&) = delete;

    void Write(const TResName& ResType, const TResName& ResName, const std::string& Data);
    // The resource of the type named by the text "RCDATA", language 0.
    void WriteRCData(const TResName& ResName, const std::string& Data);
    // As WriteIconGroupResource; EResourcesError "Icon is corrupted" for a bad icon file.
    void WriteIconGroup(const TResName& GroupName, uint16_t FirstIconId, const std::string& IconFileData);
    // Writes the file; raises EOSError naming the file and the reason on failure.
    void Commit();

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

// Stores Data as the resource of the type named by the text "RCDATA" (not the predefined
// numeric type), name ResName, language 0.
void WriteRCDataResource(const std::string& FileName, const TResName& ResName, const std::string& Data);

// Stores Data as the resource (ResType, ResName), language 0.
void WriteResource(const std::string& FileName, const TResName& ResType, const TResName& ResName,
                   const std::string& Data);

// Replaces the icon group GroupName (ResTypeGroupIcon, language 0) with the images of an
// icon file, the images becoming ResTypeIcon FirstIconId, FirstIconId + 1, ... in file order.
// Raises EResourcesError "Icon is corrupted" for data that is not a sound icon file,
// before anything is written.
void WriteIconGroupResource(const std::string& FileName, const TResName& GroupName, uint16_t FirstIconId,
                            const std::string& IconFileData);

// ---- Reading ----

// A program file opened once to read several of its resources from one state of the
// file. Resource bytes are read from the file, so a large one takes its size in memory
// once. Raises EOSError when the file cannot be read or is not a sound PE32 program (a
// FIFO or a device is refused without waiting).
class TResourceFile {
public:
    explicit TResourceFile(const std::string& FileName);
    ~TResourceFile();
    TResourceFile(const TResourceFile&) = delete;
    TResourceFile& operator=(const TResourceFile&) = delete;

    const std::string& FileName() const;
    // As ReadResource and ReadIconGroupResource; Read gives at most MaxBytes of the
    // resource's bytes, Size its whole size (0 when it does not exist).
    std::string Read(const TResName& ResType, const TResName& ResName,
                     size_t MaxBytes = static_cast<size_t>(-1)) const;
    uint64_t Size(const TResName& ResType, const TResName& ResName) const;
    std::string ReadIconGroup(const TResName& GroupName) const;

private:
    TResourceUpdate* FHandle = nullptr;
};

// The bytes of the resource (ResType, ResName) of a program file: the language-neutral
// one when present, else the one of the lowest language. Names are looked up as the
// Windows loader does (exactly, then upper-cased). Empty when the resource does not
// exist; raises EOSError when the file cannot be read or is not a sound PE32 program.
std::string ReadResource(const std::string& FileName, const TResName& ResType, const TResName& ResName);

// The icon group GroupName of a program file as the bytes of an icon file (header,
// 16-byte directory entries, images), ready for a picture loader or for
// WriteIconGroupResource. Empty when the group does not exist or names a missing image.
std::string ReadIconGroupResource(const std::string& FileName, const TResName& GroupName);

// The standard PE image checksum of a whole file image (the CheckSum field itself, at
// CheckSumOffset, counted as 0), as the platform's CheckSumMappedFile computes it.
uint32_t PEImageChecksum(const void* Data, size_t Size, size_t CheckSumOffset);
