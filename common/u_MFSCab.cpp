#include "u_MFSCab.h"

#include "u_CabWriter.h"
#include "u_CaseBlind.h"

#include <libgcab.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

static const char* const STempNameTooBig = "Temporary file name is too big (\"%s\")";
static const char* const SNotACabinet = "File \"%s\" is not a cabinet";
static const char* const SSpannedUnsupported = "Spanned cabinets are unsupported now";
static const char* const SMemberTooLargeToPack =
    "File \"%s\" holds %zu bytes, more than the %u bytes one file of a book may have";
static const char* const SMemberTooLarge =
    "File \"%s\" of cabinet \"%s\" claims %u bytes, more than the %u bytes one file of a book may have";

// The scratch-file name buffer of the compressor.
static constexpr size_t MaxTempName = 256;

// Open flags the library passes and the stream flags they become.
static constexpr uint32_t StreamSequential = 0x08000000;
static constexpr uint32_t StreamNormalAttribute = 0x80;

std::string FCIErrorText(int32_t code) {
    static const char* const texts[] = {"No error",
                                        "Failure opening file to be stored in cabinet",
                                        "Failure reading file to be stored in cabinet",
                                        "Out of memory in FCI",
                                        "Could not create a temporary file",
                                        "Unknown compression type",
                                        "Could not create cabinet file",
                                        "Client requested abort",
                                        "Failure compressing data"};
    if (code >= 0 && code < int32_t(std::size(texts)))
        return texts[code];
    return "FCI error";
}

std::string FDIErrorText(int32_t code) {
    static const char* const texts[] = {"No error",
                                        "Cabinet not found",
                                        "Cabinet file does not have the correct format",
                                        "Cabinet file has an unknown version number",
                                        "Cabinet file is corrupt",
                                        "Could not allocate enough memory",
                                        "Unknown compression type in a cabinet folder",
                                        "Failure decompressing data from a cabinet file",
                                        "Failure writing to target file",
                                        "Cabinets in a set do not have the same RESERVE sizes",
                                        "Cabinet returned on fdintNEXT_CABINET is incorrect",
                                        "FDI aborted"};
    if (code >= 0 && code < int32_t(std::size(texts)))
        return texts[code];
    return "FDI error";
}

static std::string SystemErrorMessage(int32_t code, int32_t type, bool present, bool isWriter,
                                      const std::string& lastCallbackError) {
    if (!present)
        return isWriter ? "FCI error" : "FDI error";
    std::string text = (isWriter ? FCIErrorText(code) : FDIErrorText(code)) +
                       Format(" [0x%.4X]", static_cast<unsigned>(code) & 0xFFFFu);
    if (type != 0)
        text += ".\r\n" + lastCallbackError;
    return text;
}

EMFSCabSystemError::EMFSCabSystemError(int32_t errorCode, int32_t errorType, bool errorPresent, bool isWriter,
                                       const std::string& lastCallbackError)
    : EMFSCabError(SystemErrorMessage(errorCode, errorType, errorPresent, isWriter, lastCallbackError)),
      ErrorCode(errorCode), ErrorType(errorType), ErrorPresent(errorPresent), IsWriter(isWriter) {}

// ---------------------------------------------------------------------------------
// The cabinet's own tables: the header and the file entries. libgcab does the
// compression and decompression; the dates, times and attributes of the entries are
// written and read here, bit for bit as the items carry them.

namespace {

uint16_t Get16(std::string_view b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t Get32(std::string_view b, size_t at) {
    return uint32_t(Get16(b, at)) | uint32_t(Get16(b, at + 2)) << 16;
}

constexpr uint16_t cfhdrPREV_CABINET = 0x0001;
constexpr uint16_t cfhdrNEXT_CABINET = 0x0002;
constexpr uint16_t ifoldCONTINUED_FROM_PREV = 0xFFFD;

struct TCabEntry {
    size_t Offset; // of the entry within the cabinet
    uint32_t Size; // uncompressed, as the entry claims
    uint16_t Folder;
    uint16_t Date;
    uint16_t Time;
    uint16_t Attributes;
    std::string Name;
};

struct TCabTable {
    bool IsCabinet = false; // the signature and a whole header
    bool TableComplete = false;
    uint32_t Size = 0;
    uint8_t VersionMinor = 0, VersionMajor = 0;
    uint16_t Folders = 0, Files = 0, Flags = 0;
    std::vector<TCabEntry> Entries;

    bool Spanned() const {
        if (Flags & (cfhdrPREV_CABINET | cfhdrNEXT_CABINET))
            return true;
        for (const TCabEntry& e : Entries)
            if (e.Folder >= ifoldCONTINUED_FROM_PREV)
                return true;
        return false;
    }
};

TCabTable ReadCabTable(std::string_view b) {
    TCabTable t;
    if (b.size() < 36 || b.substr(0, 4) != "MSCF")
        return t;
    t.IsCabinet = true;
    t.Size = Get32(b, 8);
    const uint32_t filesAt = Get32(b, 16);
    t.VersionMinor = uint8_t(b[24]);
    t.VersionMajor = uint8_t(b[25]);
    t.Folders = Get16(b, 26);
    t.Files = Get16(b, 28);
    t.Flags = Get16(b, 30);
    size_t at = filesAt;
    for (uint16_t i = 0; i < t.Files; ++i) {
        if (at > b.size() || b.size() - at < 17)
            return t;
        TCabEntry e{at, Get32(b, at), Get16(b, at + 8), Get16(b, at + 10), Get16(b, at + 12), Get16(b, at + 14), {}};
        const size_t nameEnd = b.find('\0', at + 16);
        if (nameEnd == std::string_view::npos)
            return t;
        e.Name = std::string(b.substr(at + 16, nameEnd - (at + 16)));
        t.Entries.push_back(std::move(e));
        at = nameEnd + 1;
    }
    t.TableComplete = true;
    return t;
}

template <typename T>
struct GUnref {
    void operator()(T* p) const {
        if (p)
            g_object_unref(p);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

struct GBytesUnref {
    void operator()(GBytes* p) const {
        if (p)
            g_bytes_unref(p);
    }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;

struct GErrorFree {
    void operator()(GError* p) const {
        if (p)
            g_error_free(p);
    }
};

std::string_view BytesView(GBytes* bytes) {
    gsize size = 0;
    const void* data = g_bytes_get_data(bytes, &size);
    return data ? std::string_view(static_cast<const char*>(data), size) : std::string_view();
}

// The lock that the reader holds while the decompressor runs, and the reader that runs.
std::mutex GReaderLock;
TMFSCabReader* GCurrentReader = nullptr;

// Publishes a reader for the duration of one library call.
class TReaderScope {
public:
    explicit TReaderScope(TMFSCabReader* reader) : FLock(GReaderLock) { GCurrentReader = reader; }
    ~TReaderScope() { GCurrentReader = nullptr; }

private:
    std::lock_guard<std::mutex> FLock;
};

} // namespace

// ---------------------------------------------------------------------------------

TMFSCabBase::TMFSCabBase(TMFSSession* session, const std::string& cabinetPath)
    : FSession(session), FCabinetPath(session->ExpandPath(cabinetPath)) {}

void TMFSCabBase::RaiseSystemError(int32_t code, bool isWriter, const std::string* callbackError) {
    if (callbackError)
        LastCallbackError = *callbackError;
    FErrorCode = code;
    FErrorPresent = true;
    if (isWriter)
        FErrorType = callbackError ? -1 : 0;
    else
        FErrorType = static_cast<TMFSCabReader*>(this)->CallbackErrorCode();
    throw EMFSCabSystemError(FErrorCode, FErrorType, FErrorPresent, isWriter, LastCallbackError);
}

// ---------------------------------------------------------------------------------
// Writer

TMFSCabWriter::TMFSCabWriter(TMFSSession* session, const std::string& tempFolder,
                             const std::string& cabinetPath)
    : TMFSCabBase(session, cabinetPath),
      FTempFolder(session->ExpandPath(tempFolder.empty() ? std::string(".") : tempFolder)) {
    // The compressor makes its scratch files at creation: a folder that cannot hold
    // them fails here, as it would there.
    std::string message;
    try {
        const std::string name = FSession->UniqueName(FTempFolder, "fci", 0);
        if (name.size() >= MaxTempName)
            throw EMFSCabWriterError(Format(STempNameTooBig, name));
        FSession->CreateFileStream(name, fmCreateNew, mfsDeleteOnClose | StreamNormalAttribute);
        return;
    } catch (const std::exception& e) {
        message = ExceptionMessage(e);
    }
    RaiseSystemError(FCIERR_TEMP_FILE, true, &message);
}

TMFSCabWriter::~TMFSCabWriter() = default;

void TMFSCabWriter::AddFile(const std::string& path) {
    const std::string full = FSession->ExpandPath(path);
    std::string message;
    try {
        TMFSFile* file = FSession->OpenFile(full);
        // No reader takes a member that large (MaxCabinetMemberSize).
        if (file->Content.size() > MaxCabinetMemberSize)
            throw EMFSCabWriterError(Format(SMemberTooLargeToPack, full, file->Content.size(),
                                            static_cast<unsigned>(MaxCabinetMemberSize)));
        FEntries.push_back({TMFS::ExtractName(full), file->Content, file->Time, file->Attributes & 0x27});
        return;
    } catch (const std::exception& e) {
        message = ExceptionMessage(e);
    }
    RaiseSystemError(FCIERR_OPEN_SRC, true, &message);
}

void TMFSCabWriter::Flush() {
    std::vector<TCabMember> members;
    members.reserve(FEntries.size());
    for (const TEntry& entry : FEntries)
        members.push_back({{entry.Name, 0, entry.Time, static_cast<uint16_t>(entry.Attributes)}, entry.Content});
    std::string bytes;
    std::string message;
    bool written = false;
    try {
        bytes = WriteCabinet(members);
        written = true;
    } catch (const std::exception& e) {
        message = ExceptionMessage(e);
    }
    if (!written)
        RaiseSystemError(FCIERR_MCI_FAIL, true, &message);

    try {
        auto stream = FSession->CreateFileStream(FCabinetPath, fmCreateAlways,
                                                 StreamSequential | StreamNormalAttribute);
        stream->File()->Content = std::move(bytes);
        return;
    } catch (const std::exception& e) {
        message = ExceptionMessage(e);
    }
    RaiseSystemError(FCIERR_CAB_FILE, true, &message);
}

// ---------------------------------------------------------------------------------
// Reader

struct TMFSCabReader::TState {
    GBytesPtr Bytes;
    GPtr<GCabCabinet> Cabinet;
    TCabTable Table;
    int32_t LoadError = FDIERROR_NONE;
};

TMFSCabReader* TMFSCabReader::CurrentReader() noexcept {
    return GCurrentReader;
}

TMFSCabReader::TMFSCabReader(TMFSSession* session, const std::string& cabinetPath)
    : TMFSCabBase(session, cabinetPath), FState(std::make_unique<TState>()) {
    TReaderScope scope(this);
    // The decompressor keeps reading the cabinet until the reader goes: it gets its own copy.
    Load(FSession->OpenFile(FCabinetPath)->Content, cabinetPath, false);
}

TMFSCabReader::TMFSCabReader(TMFSSession* session, const std::string& cabinetPath, std::string_view borrowed)
    : TMFSCabBase(session, cabinetPath), FState(std::make_unique<TState>()) {
    TReaderScope scope(this);
    Load(borrowed, cabinetPath, true);
}

void TMFSCabReader::Load(std::string_view bytes, const std::string& cabinetPath, bool borrow) {
    FState->Table = ReadCabTable(bytes);
    if (!FState->Table.IsCabinet)
        throw EMFSCabReaderError(Format(SNotACabinet, cabinetPath));
    FCabinetSize = FState->Table.Size;
    FFileCount = FState->Table.Files;
    FState->Bytes.reset(borrow ? g_bytes_new_static(bytes.data(), bytes.size())
                               : g_bytes_new(bytes.data(), bytes.size()));
    if (FState->Table.VersionMajor != 1 || FState->Table.VersionMinor != 3) {
        FState->LoadError = FDIERROR_UNKNOWN_CABINET_VERSION;
        return;
    }
    if (!FState->Table.TableComplete) {
        FState->LoadError = FDIERROR_CORRUPT_CABINET;
        return;
    }
    if (FState->Table.Spanned())
        return; // refused when a file is extracted
    FState->Cabinet.reset(gcab_cabinet_new());
    GPtr<GInputStream> in(g_memory_input_stream_new_from_bytes(FState->Bytes.get()));
    GError* error = nullptr;
    if (!gcab_cabinet_load(FState->Cabinet.get(), in.get(), nullptr, &error)) {
        std::unique_ptr<GError, GErrorFree> owned(error);
        FState->LoadError = owned && owned->domain == GCAB_ERROR && owned->code == GCAB_ERROR_NOT_SUPPORTED
                                ? FDIERROR_BAD_COMPR_TYPE
                                : FDIERROR_CORRUPT_CABINET;
        FState->Cabinet.reset();
    }
}

TMFSCabReader::~TMFSCabReader() {
    TReaderScope scope(this);
    FState.reset();
}

namespace {
struct TExtractContext {
    const std::string* Name;
    std::vector<GCabFile*> Matches;
    bool ToFolder = false; // only the first match, under a fixed name of ours
};

gboolean SelectFile(GCabFile* file, gpointer data) {
    auto* context = static_cast<TExtractContext*>(data);
    const char* name = gcab_file_get_name(file);
    if (!name || !SameTextCaseBlind(name, *context->Name))
        return FALSE; // skipped
    if (context->ToFolder) {
        if (!context->Matches.empty())
            return FALSE;
        gcab_file_set_extract_name(file, "member");
    }
    context->Matches.push_back(file);
    return TRUE;
}

// A member larger than this is extracted through a temporary file when its bytes are
// wanted in memory: the library's in-memory extraction grows its buffer in powers of
// two and fills it with zeros, which for a member just over 256 MB holds 512 MB.
constexpr uint32_t ExtractThroughFileAbove = 32u << 20;

// A temporary folder of our own, removed with what is in it when the scope ends.
class TScratchFolder {
public:
    TScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarvel-cab-XXXXXX";
        if (mkdtemp(pattern.data()))
            FPath = pattern;
    }
    ~TScratchFolder() {
        if (FPath.empty())
            return;
        unlink((FPath + "/member").c_str());
        rmdir(FPath.c_str());
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const std::string& Path() const { return FPath; } // empty when none could be made

private:
    std::string FPath;
};

// The whole content of a file of Size bytes; false when it cannot be read as such.
bool ReadExtracted(const std::string& path, uint64_t size, std::string& content) {
    try {
        content = ReadFileText(path);
    } catch (const Exception&) {
        return false;
    }
    return content.size() == size;
}
} // namespace

void TMFSCabReader::Extract(const std::string& fileName, const std::string& targetPath) {
    TReaderScope scope(this);
    FCallbackErrorCode = 0;
    FFileToExtract = fileName;
    FExtractTo = FSession->ExpandPath(targetPath);
    DoExtract(nullptr);
}

// Takes the extracted bytes of a member instead of writing them into the file system.
struct TMFSCabReader::TSink {
    bool Found = false;
    GBytesPtr Bytes;     // the first member extracted, in the library's memory
    std::string Content; // or read from a temporary file (a big member)
    std::string_view View() const { return Bytes ? BytesView(Bytes.get()) : std::string_view(Content); }
};

void TMFSCabReader::DoExtract(TSink* sink) {
    if (FState->Table.Spanned()) {
        FCallbackErrorCode = -1;
        const std::string message = EMFSCabReaderError(SSpannedUnsupported).Message();
        RaiseSystemError(FDIERROR_USER_ABORT, false, &message);
    }
    if (FState->LoadError != FDIERROR_NONE)
        RaiseSystemError(FState->LoadError, false);

    // A member may claim any size; the decompressor would produce it all in memory.
    uint64_t claimed = 0; // by the first entry of the name
    bool matched = false;
    for (const TCabEntry& e : FState->Table.Entries) {
        if (!SameTextCaseBlind(e.Name, FFileToExtract))
            continue;
        if (e.Size > MaxCabinetMemberSize)
            throw EMFSCabReaderError(Format(SMemberTooLarge, e.Name, FCabinetPath, e.Size,
                                            static_cast<unsigned>(MaxCabinetMemberSize)));
        if (!matched)
            claimed = e.Size;
        matched = true;
    }

    TExtractContext context{&FFileToExtract, {}};
    // A big member wanted in memory goes through a temporary file (when one can be
    // made), so that it is held once, at its size.
    std::unique_ptr<TScratchFolder> scratch;
    GPtr<GFile> folder;
    if (sink && claimed > ExtractThroughFileAbove) {
        scratch = std::make_unique<TScratchFolder>();
        if (!scratch->Path().empty()) {
            folder.reset(g_file_new_for_path(scratch->Path().c_str()));
            context.ToFolder = true;
        }
    }
    GError* error = nullptr;
    if (!gcab_cabinet_extract(FState->Cabinet.get(), folder.get(), SelectFile, nullptr, &context, nullptr,
                              &error)) {
        std::unique_ptr<GError, GErrorFree> owned(error);
        RaiseSystemError(owned && owned->domain == GCAB_ERROR && owned->code == GCAB_ERROR_NOT_SUPPORTED
                             ? FDIERROR_BAD_COMPR_TYPE
                             : FDIERROR_MDI_FAIL,
                         false);
    }

    if (context.ToFolder) {
        if (!context.Matches.empty()) {
            sink->Found = true;
            if (!ReadExtracted(scratch->Path() + "/member", gcab_file_get_size(context.Matches.front()),
                               sink->Content))
                RaiseSystemError(FDIERROR_CORRUPT_CABINET, false);
        }
        return;
    }
    for (GCabFile* file : context.Matches) {
        GBytes* bytes = gcab_file_get_bytes(file);
        const std::string_view content = bytes ? BytesView(bytes) : std::string_view();
        if (content.size() != gcab_file_get_size(file))
            RaiseSystemError(FDIERROR_CORRUPT_CABINET, false);
        // The entry's own date, time and attributes; by name, as the library lists them.
        uint32_t time = 0, attributes = gcab_file_get_attributes(file);
        bool fromTable = false;
        for (const TCabEntry& e : FState->Table.Entries) {
            if (e.Name == gcab_file_get_name(file)) {
                time = uint32_t(e.Date) << 16 | e.Time;
                attributes = e.Attributes;
                fromTable = true;
                break;
            }
        }
        if (!fromTable) {
            if (GDateTime* dt = gcab_file_get_date_time(file)) {
                time = uint32_t(g_date_time_get_year(dt) - 1980) << 25 |
                       uint32_t(g_date_time_get_month(dt)) << 21 |
                       uint32_t(g_date_time_get_day_of_month(dt)) << 16 |
                       uint32_t(g_date_time_get_hour(dt)) << 11 | uint32_t(g_date_time_get_minute(dt)) << 5 |
                       uint32_t(g_date_time_get_second(dt) / 2);
                g_date_time_unref(dt);
            }
        }
        if (sink) {
            if (!sink->Found)
                sink->Bytes.reset(bytes ? g_bytes_ref(bytes) : g_bytes_new(nullptr, 0));
            sink->Found = true;
            continue;
        }
        // "Copy file": the target is created afresh (binary, write-only, sequential,
        // create, truncate) in its forced folder. A failure there aborts the copy.
        std::unique_ptr<TMFSFileStream> stream;
        std::string message;
        try {
            FSession->ForceFolders(TMFS::ExtractPath(FExtractTo));
            stream = FSession->CreateFileStream(FExtractTo, fmCreateAlways,
                                                StreamSequential | StreamNormalAttribute);
        } catch (const std::exception& e) {
            message = ExceptionMessage(e);
        }
        if (!stream) {
            FCallbackErrorCode = -1;
            RaiseSystemError(FDIERROR_USER_ABORT, false, &message);
        }
        // The data, then "close file info" stamps the target.
        try {
            for (size_t done = 0; done < content.size();) {
                const auto n = static_cast<int32_t>(std::min<size_t>(content.size() - done, 1 << 30));
                stream->WriteBuffer(content.data() + done, n);
                done += size_t(n);
            }
            TMFSFile* target = stream->File();
            target->Time = time;
            target->Attributes = attributes & 0x3F;
            continue;
        } catch (const std::exception& e) {
            message = ExceptionMessage(e);
        }
        FCallbackErrorCode = -1;
        RaiseSystemError(FDIERROR_TARGET_FILE, false, &message);
    }
}

// ---------------------------------------------------------------------------------
// Store convention

// The bytes are the same under any cabinet name.
std::string PackStore(const TMFS& store, const std::string& /*cabinetName*/, std::optional<uint32_t> memberTime) {
    TStorePackOptions options;
    options.MemberTime = memberTime;
    return PackStore(store, options);
}

std::string PackStore(const TMFS& store, const TStorePackOptions& options) {
    const uint64_t size = store.ImageSize();
    if (size > MaxCabinetMemberSize)
        throw EMFSCabWriterError(Format(SMemberTooLargeToPack, std::string("\\info.mfs"), static_cast<size_t>(size),
                                        static_cast<unsigned>(MaxCabinetMemberSize)));
    TCabinetWriter writer({{"info.mfs", size, options.MemberTime.value_or(CurrentFileDate()), faArchive}},
                          options.Pack);
    // The image goes into the cabinet as the tree gives it, never whole.
    struct TSink final : TMFSImageSink {
        TCabinetWriter& Writer;
        explicit TSink(TCabinetWriter& writer) : Writer(writer) {}
        void Write(std::string_view bytes) override { Writer.Write(bytes); }
    } sink(writer);
    store.SaveToSink(sink);
    return writer.Finish();
}

void TMFSCabReader::UnpackStore(TMFS& store, std::string_view cabinetBytes, std::string* owned) {
    TMFS work;
    TMFSSession* session = work.Session();
    TSink sink;
    {
        // The cabinet is read where it is: it outlives the reader.
        TMFSCabReader reader(session, "\\info.cab", cabinetBytes);
        TReaderScope scope(&reader);
        reader.FFileToExtract = "info.mfs";
        reader.FExtractTo = "\\info.mfs";
        reader.DoExtract(&sink);
    }
    // The cabinet goes before the tree is built from the image, so that no more than two
    // of cabinet, image and tree are held at a time.
    if (owned)
        std::string().swap(*owned);
    if (!sink.Found)
        session->OpenFile("\\info.mfs"); // "File \"\\info.mfs\" not found"
    store.LoadFromString(sink.View());
}

void UnpackStore(TMFS& store, std::string_view cabinetBytes) {
    TMFSCabReader::UnpackStore(store, cabinetBytes, nullptr);
}

void UnpackStore(TMFS& store, std::string&& cabinetBytes) {
    std::string cabinet = std::move(cabinetBytes);
    TMFSCabReader::UnpackStore(store, cabinet, &cabinet);
}
