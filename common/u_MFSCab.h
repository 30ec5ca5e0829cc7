// Cabinet packing inside an in-memory file system. The cabinet, the files stored in
// it and the files extracted from it are items of a TMFS reached through a session.
// Files are compressed with MSZIP in the published cabinet format. Writing is
// u_CabWriter.cpp (zlib, the blocks deflated on every core); reading is
// u_CabReader.cpp (zlib), on every platform.
//
// The store convention on top: a store is packed as a cabinet holding exactly one
// file, "info.mfs", whose content is the store's image; unpacking extracts it and
// loads the image.
#pragma once

#include "u_CabReader.h"
#include "u_CabWriter.h"
#include "u_Exception.h"
#include "u_MFS.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest file a cabinet member may claim to hold (1 GB): far above any real book,
// and what keeps a crafted cabinet from making the reader produce gigabytes.
constexpr uint32_t MaxCabinetMemberSize = 1u << 30;

// Error codes of the compressor.
enum : int32_t {
    FCIERR_NONE = 0,
    FCIERR_OPEN_SRC = 1,
    FCIERR_READ_SRC = 2,
    FCIERR_ALLOC_FAIL = 3,
    FCIERR_TEMP_FILE = 4,
    FCIERR_BAD_COMPR_TYPE = 5,
    FCIERR_CAB_FILE = 6,
    FCIERR_USER_ABORT = 7,
    FCIERR_MCI_FAIL = 8,
};

// Error codes of the decompressor.
enum : int32_t {
    FDIERROR_NONE = 0,
    FDIERROR_CABINET_NOT_FOUND = 1,
    FDIERROR_NOT_A_CABINET = 2,
    FDIERROR_UNKNOWN_CABINET_VERSION = 3,
    FDIERROR_CORRUPT_CABINET = 4,
    FDIERROR_ALLOC_FAIL = 5,
    FDIERROR_BAD_COMPR_TYPE = 6,
    FDIERROR_MDI_FAIL = 7,
    FDIERROR_TARGET_FILE = 8,
    FDIERROR_RESERVE_MISMATCH = 9,
    FDIERROR_WRONG_CABINET = 10,
    FDIERROR_USER_ABORT = 11,
};

// The texts of the two tables ("FCI error" / "FDI error" outside them).
std::string FCIErrorText(int32_t code);
std::string FDIErrorText(int32_t code);

class EMFSCabError : public Exception {
public:
    using Exception::Exception;
};

// "Temporary file name is too big (\"%s\")".
class EMFSCabWriterError : public EMFSCabError {
public:
    using EMFSCabError::EMFSCabError;
};

// "File \"%s\" is not a cabinet", "Spanned cabinets are unsupported now".
class EMFSCabReaderError : public EMFSCabError {
public:
    using EMFSCabError::EMFSCabError;
};

// A failure reported by the cabinet library.
class EMFSCabSystemError : public EMFSCabError {
public:
    EMFSCabSystemError(int32_t errorCode, int32_t errorType, bool errorPresent, bool isWriter,
                       const std::string& lastCallbackError);
    int32_t ErrorCode;
    int32_t ErrorType; // the secondary error; -1 when a callback of ours failed
    bool ErrorPresent;
    bool IsWriter;
};

class TMFSCabBase {
public:
    TMFSCabBase(TMFSSession* session, const std::string& cabinetPath);
    virtual ~TMFSCabBase() = default;
    TMFSCabBase(const TMFSCabBase&) = delete;
    TMFSCabBase& operator=(const TMFSCabBase&) = delete;

    TMFSSession* Session() const noexcept { return FSession; }
    const std::string& CabinetPath() const noexcept { return FCabinetPath; }
    // The error record of the last failed operation.
    int32_t ErrorCode() const noexcept { return FErrorCode; }
    int32_t ErrorType() const noexcept { return FErrorType; }
    bool ErrorPresent() const noexcept { return FErrorPresent; }
    std::string LastCallbackError;

protected:
    // Records a failure (with a callback's message when one failed) and raises it.
    [[noreturn]] void RaiseSystemError(int32_t code, bool isWriter,
                                       const std::string* callbackError = nullptr);
    TMFSSession* FSession;
    int32_t FErrorCode = 0;
    int32_t FErrorType = 0;
    bool FErrorPresent = false;
    std::string FCabinetPath;
};

class TMFSCabWriter : public TMFSCabBase {
public:
    // CabinetPath and TempFolder are expanded through the session (an empty TempFolder
    // is the session's current folder). Fails with EMFSCabSystemError when no scratch
    // file can be made in TempFolder.
    TMFSCabWriter(TMFSSession* session, const std::string& tempFolder, const std::string& cabinetPath);
    ~TMFSCabWriter() override;

    const std::string& TempFolder() const noexcept { return FTempFolder; }
    // Stores the file Path under its name part, compressed with MSZIP; its date, time
    // and attributes (masked with 0x27) go with it.
    void AddFile(const std::string& path);
    // Writes the cabinet; afterwards it exists at CabinetPath in the file system.
    void Flush();

private:
    struct TEntry {
        std::string Name;
        std::string Content;
        uint32_t Time;
        uint32_t Attributes;
    };
    std::string FTempFolder;
    std::vector<TEntry> FEntries;
};

class TMFSCabReader : public TMFSCabBase {
public:
    // Opens the cabinet file through the session and checks it: EMFSCabReaderError
    // "File \"%s\" is not a cabinet" when it is none.
    TMFSCabReader(TMFSSession* session, const std::string& cabinetPath);
    ~TMFSCabReader() override;

    // Extracts the file stored under FileName (case-blind) to TargetPath, creating
    // missing folders; the other files are skipped.
    void Extract(const std::string& fileName, const std::string& targetPath);

    const std::string& FileToExtract() const noexcept { return FFileToExtract; }
    const std::string& ExtractTo() const noexcept { return FExtractTo; }
    int32_t CallbackErrorCode() const noexcept { return FCallbackErrorCode; }
    // As the cabinet's header gives them.
    uint32_t CabinetSize() const noexcept { return FCabinetSize; }
    uint32_t FileCount() const noexcept { return FFileCount; }

    // The reader whose decompressor is running, or none (under the process-wide lock).
    static TMFSCabReader* CurrentReader() noexcept;

private:
    struct TState;
    friend void UnpackStore(TMFS& store, std::string_view cabinetBytes);
    friend void UnpackStore(TMFS& store, std::string&& cabinetBytes);
    // A reader on cabinet bytes that stay where they are for the reader's life.
    TMFSCabReader(TMFSSession* session, const std::string& cabinetPath, std::string_view borrowed);
    void Load(std::string_view bytes, const std::string& cabinetPath);
    // Decodes the first member named FileToExtract into Content; none when the cabinet
    // has no such member. Raises the decompressor's errors.
    const TCabEntry* Decode(TCabContent& content);
    // The store convention's unpacking; Owned (the cabinet's own string, or none) is
    // emptied as soon as the image is out of it.
    static void UnpackStore(TMFS& store, std::string_view cabinetBytes, std::string* owned);
    std::string FFileToExtract;
    std::string FExtractTo;
    int32_t FCallbackErrorCode = 0;
    uint32_t FCabinetSize = 0;
    uint32_t FFileCount = 0;
    std::unique_ptr<TState> FState;
};

// The store convention. PackStore returns the bytes of a cabinet holding "info.mfs"
// with the store's image ("\Files.cab" and "System.cab" are the compiler's names).
// The member is stamped with the current time, or with MemberTime (packed date-time)
// when given, so that the same store always packs to the same bytes.
std::string PackStore(const TMFS& store, const std::string& cabinetName,
                      std::optional<uint32_t> memberTime = std::nullopt);
// The same, with the image going from the tree into the cabinet piece by piece (never held
// whole) and the blocks deflated as Pack says. EMFSCabWriterError when the image is larger
// than a book's file may be.
struct TStorePackOptions {
    std::optional<uint32_t> MemberTime;
    TCabPackOptions Pack;
};
std::string PackStore(const TMFS& store, const TStorePackOptions& options);
// Replaces the store's tree by the image in the cabinet's "info.mfs". The cabinet is read
// in place; given as a temporary (moved) string it is freed before the tree is built, so
// that a big store needs about twice its size in memory, not more.
void UnpackStore(TMFS& store, std::string_view cabinetBytes);
void UnpackStore(TMFS& store, std::string&& cabinetBytes);
