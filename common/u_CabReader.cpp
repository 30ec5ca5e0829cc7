// The cabinet reader: decoding of the cabinet format over zlib, and on top of it the
// cabinet reader of the in-memory file system (TMFSCabReader), its error texts and the
// store convention's unpacking (UnpackStore).
#include "u_CabReader.h"

#include "u_CaseBlind.h"
#include "u_MFSCab.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

const char* const SNotACabinet = "File \"%s\" is not a cabinet";
const char* const SSpannedUnsupported = "Spanned cabinets are unsupported now";
const char* const SMemberTooLarge =
    "File \"%s\" of cabinet \"%s\" claims %u bytes, more than the %u bytes one file of a book may have";

// Open flags the library passes and the stream flags they become.
constexpr uint32_t StreamSequential = 0x08000000;
constexpr uint32_t StreamNormalAttribute = 0x80;

// The largest block an MSZIP folder has, and the window a block may refer back into.
constexpr size_t MaxBlockSize = 32768;
constexpr size_t HistorySize = 32768;

uint16_t Get16(std::string_view b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t Get32(std::string_view b, size_t at) {
    return uint32_t(Get16(b, at)) | uint32_t(Get16(b, at + 2)) << 16;
}

// Skips a zero-terminated text at At; false when it runs past the end.
bool SkipText(std::string_view b, size_t& at) {
    const size_t end = b.find('\0', at);
    if (end == std::string_view::npos)
        return false;
    at = end + 1;
    return true;
}

// The data blocks' checksum: the 32-bit little-endian words combined by exclusive or,
// the last one to three bytes taken as one more word (the first of them highest).
uint32_t BlockChecksum(const unsigned char* data, size_t size, uint32_t seed) {
    uint32_t sum = seed;
    size_t i = 0;
    for (; i + 4 <= size; i += 4)
        sum ^= uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16 |
               uint32_t(data[i + 3]) << 24;
    uint32_t last = 0;
    for (; i < size; ++i)
        last = last << 8 | data[i];
    return sum ^ last;
}

// An MSZIP block whose deflate data is one final stored block of all its bytes (what a
// compressor writes for bytes that do not compress, such as pictures): copied as it
// stands, without the inflater and its history. False for any other block.
bool StoredBlock(const unsigned char* in, size_t inSize, unsigned char* out, size_t size) {
    if (inSize < 5 || (in[0] & 0x07) != 0x01) // BFINAL 1, BTYPE 00
        return false;
    const size_t length = size_t(in[1]) | size_t(in[2]) << 8;
    const size_t check = size_t(in[3]) | size_t(in[4]) << 8;
    if (length != (~check & 0xFFFF) || length != size || inSize != 5 + length)
        return false;
    std::memcpy(out, in + 5, length);
    return true;
}

struct TBlock {
    size_t Data;       // of the block's bytes within the cabinet
    uint16_t Packed;   // their number
    uint16_t Unpacked; // what they decode to
    uint32_t Checksum;
};

// An inflater for raw deflate data, ended with the scope.
class TInflater {
public:
    TInflater() { FReady = inflateInit2(&FStream, -MAX_WBITS) == Z_OK; }
    ~TInflater() {
        if (FReady)
            inflateEnd(&FStream);
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Decodes one MSZIP block (after its "CK") into Out (exactly Size bytes), with
    // History as the bytes it may refer back into.
    bool Block(const unsigned char* in, size_t inSize, std::string_view history, unsigned char* out, size_t size) {
        if (!FReady || inflateReset(&FStream) != Z_OK)
            return false;
        if (!history.empty() &&
            inflateSetDictionary(&FStream, reinterpret_cast<const Bytef*>(history.data()),
                                 static_cast<uInt>(history.size())) != Z_OK)
            return false;
        FStream.next_in = const_cast<Bytef*>(in);
        FStream.avail_in = static_cast<uInt>(inSize);
        // One byte more than claimed, so that a block that decodes to more is noticed.
        unsigned char spare = 0;
        FStream.next_out = size > 0 ? out : &spare;
        FStream.avail_out = static_cast<uInt>(size > 0 ? size : 1);
        int result = inflate(&FStream, Z_FINISH);
        if (result == Z_BUF_ERROR && FStream.avail_out == 0 && size > 0) {
            FStream.next_out = &spare;
            FStream.avail_out = 1;
            result = inflate(&FStream, Z_FINISH);
        }
        return result == Z_STREAM_END && FStream.total_out == size;
    }

private:
    z_stream FStream{};
    bool FReady = false;
};

} // namespace

bool TCabTable::Spanned() const {
    if (Flags & (cfhdrPREV_CABINET | cfhdrNEXT_CABINET))
        return true;
    for (const TCabEntry& e : Entries)
        if (e.Folder >= ifoldCONTINUED_FROM_PREV)
            return true;
    return false;
}

bool IsCabinetData(std::string_view Data) {
    return Data.substr(0, 4) == "MSCF";
}

TCabTable ReadCabTable(std::string_view b) {
    TCabTable t;
    if (b.size() < 36 || !IsCabinetData(b))
        return t;
    t.IsCabinet = true;
    t.Size = Get32(b, 8);
    const uint32_t filesAt = Get32(b, 16);
    t.VersionMinor = uint8_t(b[24]);
    t.VersionMajor = uint8_t(b[25]);
    const uint16_t folders = Get16(b, 26);
    t.Files = Get16(b, 28);
    t.Flags = Get16(b, 30);
    size_t at = 36;
    uint8_t folderReserve = 0;
    if (t.Flags & cfhdrRESERVE_PRESENT) {
        if (b.size() < at + 4)
            return t;
        const uint16_t headerReserve = Get16(b, at);
        folderReserve = uint8_t(b[at + 2]);
        t.DataReserve = uint8_t(b[at + 3]);
        at += 4 + size_t(headerReserve);
    }
    // The names of the previous and the next cabinet of a set, and their disks.
    const int texts = (t.Flags & cfhdrPREV_CABINET ? 2 : 0) + (t.Flags & cfhdrNEXT_CABINET ? 2 : 0);
    for (int i = 0; i < texts; ++i)
        if (at > b.size() || !SkipText(b, at))
            return t;
    for (uint16_t i = 0; i < folders; ++i) {
        if (at > b.size() || b.size() - at < 8 + size_t(folderReserve))
            return t;
        t.Folders.push_back({Get32(b, at), Get16(b, at + 4), Get16(b, at + 6)});
        at += 8 + size_t(folderReserve);
    }
    at = filesAt;
    for (uint16_t i = 0; i < t.Files; ++i) {
        if (at > b.size() || b.size() - at < 17)
            return t;
        TCabEntry e{at, Get32(b, at), Get32(b, at + 4), Get16(b, at + 8), Get16(b, at + 10), Get16(b, at + 12),
                    Get16(b, at + 14), {}};
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

char* TCabContent::Allocate(size_t Size) {
    FData.reset(new char[Size > 0 ? Size : 1]); // not value-initialised: not cleared
    FSize = Size;
    return FData.get();
}

void TCabContent::Clear() noexcept {
    FData.reset();
    FSize = 0;
}

TCabDecodeResult DecodeCabMember(std::string_view Cabinet, const TCabTable& Table, const TCabEntry& Entry,
                                 std::string& Content) {
    TCabContent decoded;
    const TCabDecodeResult result = DecodeCabMember(Cabinet, Table, Entry, decoded);
    Content.assign(decoded.View());
    return result;
}

TCabDecodeResult DecodeCabMember(std::string_view Cabinet, const TCabTable& Table, const TCabEntry& Entry,
                                 TCabContent& Content) {
    Content.Clear();
    if (Table.VersionMajor != 1 || Table.VersionMinor != 3)
        return TCabDecodeResult::UnknownVersion;
    if (!Table.TableComplete || Entry.Folder >= Table.Folders.size())
        return TCabDecodeResult::Corrupt;
    const TCabFolder& folder = Table.Folders[Entry.Folder];
    const uint16_t compression = folder.Compression & 0x000F;
    if (compression != tcompTYPE_NONE && compression != tcompTYPE_MSZIP)
        return TCabDecodeResult::BadCompression;

    // The block headers first: every block lies inside the cabinet, none claims more
    // than a block may hold, and together they hold the member.
    const uint64_t end = uint64_t(Entry.FolderOffset) + Entry.Size;
    std::vector<TBlock> blocks;
    uint64_t produced = 0;
    size_t at = folder.DataOffset;
    for (uint16_t i = 0; i < folder.Blocks && produced < end; ++i) {
        const size_t header = 8 + size_t(Table.DataReserve);
        if (at > Cabinet.size() || Cabinet.size() - at < header)
            return TCabDecodeResult::DataFailure;
        const TBlock block{at + header, Get16(Cabinet, at + 4), Get16(Cabinet, at + 6), Get32(Cabinet, at)};
        if (Cabinet.size() - block.Data < block.Packed || block.Unpacked > MaxBlockSize ||
            (compression == tcompTYPE_NONE && block.Packed != block.Unpacked))
            return TCabDecodeResult::DataFailure;
        blocks.push_back(block);
        produced += block.Unpacked;
        at = block.Data + block.Packed;
    }
    if (produced < end)
        return TCabDecodeResult::DataFailure;

    // Blocks that lie wholly inside the member are decoded straight into Content, and
    // the bytes they may refer back to are read where they already are: the last
    // HistorySize bytes of what Content holds, or (for the first blocks of a member that
    // does not start its folder) of the folder's data before the member, kept aside.
    char* member = Content.Allocate(Entry.Size);
    size_t filled = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(Cabinet.data());
    TInflater inflater;
    std::string before; // the last HistorySize bytes of the folder's data before the member
    std::string joined; // the history when it spans both
    std::vector<unsigned char> spare(MaxBlockSize);
    uint64_t position = 0; // in the folder's uncompressed data
    for (const TBlock& block : blocks) {
        const unsigned char* data = bytes + block.Data;
        if (block.Checksum != 0) {
            unsigned char sizes[4];
            std::memcpy(sizes, bytes + block.Data - Table.DataReserve - 4, 4);
            if (BlockChecksum(sizes, 4, BlockChecksum(data, block.Packed, 0)) != block.Checksum) {
                Content.Clear();
                return TCabDecodeResult::DataFailure;
            }
        }
        std::string_view history;
        if (filled >= HistorySize) {
            history = std::string_view(member + filled - HistorySize, HistorySize);
        } else if (filled == 0) {
            history = before;
        } else {
            joined = before;
            joined.append(member, filled);
            history = std::string_view(joined).substr(joined.size() - std::min(joined.size(), HistorySize));
        }
        const bool inside = position >= Entry.FolderOffset && position + block.Unpacked <= end;
        unsigned char* out = inside ? reinterpret_cast<unsigned char*>(member + filled) : spare.data();
        if (compression == tcompTYPE_NONE) {
            std::memcpy(out, data, block.Unpacked);
        } else if (block.Packed < 2 || data[0] != 'C' || data[1] != 'K' ||
                   !(StoredBlock(data + 2, block.Packed - 2, out, block.Unpacked) ||
                     inflater.Block(data + 2, block.Packed - 2, history, out, block.Unpacked))) {
            Content.Clear();
            return TCabDecodeResult::DataFailure;
        }
        if (inside) {
            filled += block.Unpacked;
        } else {
            // What precedes the member (kept for the history), and the part of the block
            // that belongs to the member.
            if (position < Entry.FolderOffset) {
                const uint64_t ahead = std::min<uint64_t>(block.Unpacked, Entry.FolderOffset - position);
                before.append(reinterpret_cast<const char*>(out), size_t(ahead));
                if (before.size() > HistorySize)
                    before.erase(0, before.size() - HistorySize);
            }
            const uint64_t from = std::max<uint64_t>(position, Entry.FolderOffset);
            const uint64_t to = std::min<uint64_t>(position + block.Unpacked, end);
            if (from < to) {
                std::memcpy(member + filled, out + (from - position), size_t(to - from));
                filled += size_t(to - from);
            }
        }
        position += block.Unpacked;
    }
    return TCabDecodeResult::Ok;
}

// ---------------------------------------------------------------------------------
// Error texts and errors

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
// TMFSCabReader

namespace {

// The lock that a reader holds while it decodes, and the reader that decodes.
std::mutex GReaderLock;
TMFSCabReader* GCurrentReader = nullptr;

// Publishes a reader for the duration of one operation.
class TReaderScope {
public:
    explicit TReaderScope(TMFSCabReader* reader) : FLock(GReaderLock) { GCurrentReader = reader; }
    ~TReaderScope() { GCurrentReader = nullptr; }

private:
    std::lock_guard<std::mutex> FLock;
};

int32_t FDIErrorOf(TCabDecodeResult result) {
    switch (result) {
    case TCabDecodeResult::UnknownVersion:
        return FDIERROR_UNKNOWN_CABINET_VERSION;
    case TCabDecodeResult::Corrupt:
        return FDIERROR_CORRUPT_CABINET;
    case TCabDecodeResult::BadCompression:
        return FDIERROR_BAD_COMPR_TYPE;
    case TCabDecodeResult::DataFailure:
        return FDIERROR_MDI_FAIL;
    default:
        return FDIERROR_NONE;
    }
}

} // namespace

struct TMFSCabReader::TState {
    std::string Owned;     // the cabinet's bytes when the reader keeps a copy
    std::string_view Bytes; // the cabinet's bytes, in Owned or borrowed
    TCabTable Table;
};

TMFSCabReader* TMFSCabReader::CurrentReader() noexcept {
    return GCurrentReader;
}

TMFSCabReader::TMFSCabReader(TMFSSession* session, const std::string& cabinetPath)
    : TMFSCabBase(session, cabinetPath), FState(std::make_unique<TState>()) {
    TReaderScope scope(this);
    // The cabinet file may change while the reader lives: it reads its own copy.
    FState->Owned = FSession->OpenFile(FCabinetPath)->Content;
    Load(FState->Owned, cabinetPath);
}

TMFSCabReader::TMFSCabReader(TMFSSession* session, const std::string& cabinetPath, std::string_view borrowed)
    : TMFSCabBase(session, cabinetPath), FState(std::make_unique<TState>()) {
    TReaderScope scope(this);
    Load(borrowed, cabinetPath);
}

void TMFSCabReader::Load(std::string_view bytes, const std::string& cabinetPath) {
    FState->Bytes = bytes;
    FState->Table = ReadCabTable(bytes);
    if (!FState->Table.IsCabinet)
        throw EMFSCabReaderError(Format(SNotACabinet, cabinetPath));
    FCabinetSize = FState->Table.Size;
    FFileCount = FState->Table.Files;
}

TMFSCabReader::~TMFSCabReader() {
    TReaderScope scope(this);
    FState.reset();
}

void TMFSCabReader::Extract(const std::string& fileName, const std::string& targetPath) {
    TReaderScope scope(this);
    FCallbackErrorCode = 0;
    FFileToExtract = fileName;
    FExtractTo = FSession->ExpandPath(targetPath);
    TCabContent content;
    const TCabEntry* entry = Decode(content);
    if (!entry)
        return;
    // "Copy file": the target is created afresh (binary, write-only, sequential,
    // create, truncate) in its forced folder. A failure there aborts the copy.
    std::unique_ptr<TMFSFileStream> stream;
    std::string message;
    try {
        FSession->ForceFolders(TMFS::ExtractPath(FExtractTo));
        stream = FSession->CreateFileStream(FExtractTo, fmCreateAlways, StreamSequential | StreamNormalAttribute);
    } catch (const std::exception& e) {
        message = ExceptionMessage(e);
    }
    if (!stream) {
        FCallbackErrorCode = -1;
        RaiseSystemError(FDIERROR_USER_ABORT, false, &message);
    }
    // The data, then "close file info" stamps the target.
    TMFSFile* target = stream->File();
    target->Content.assign(content.View());
    target->Time = uint32_t(entry->Date) << 16 | entry->Time;
    target->Attributes = entry->Attributes & 0x3F;
}

const TCabEntry* TMFSCabReader::Decode(TCabContent& content) {
    const TCabTable& table = FState->Table;
    if (table.Spanned()) {
        FCallbackErrorCode = -1;
        const std::string message = EMFSCabReaderError(SSpannedUnsupported).Message();
        RaiseSystemError(FDIERROR_USER_ABORT, false, &message);
    }
    if (table.VersionMajor != 1 || table.VersionMinor != 3)
        RaiseSystemError(FDIERROR_UNKNOWN_CABINET_VERSION, false);
    if (!table.TableComplete)
        RaiseSystemError(FDIERROR_CORRUPT_CABINET, false);
    // A member may claim any size; no member larger than a book may hold is decoded.
    const TCabEntry* first = nullptr;
    for (const TCabEntry& e : table.Entries) {
        if (!SameTextCaseBlind(e.Name, FFileToExtract))
            continue;
        if (e.Size > MaxCabinetMemberSize)
            throw EMFSCabReaderError(Format(SMemberTooLarge, e.Name, FCabinetPath, e.Size,
                                            static_cast<unsigned>(MaxCabinetMemberSize)));
        if (!first)
            first = &e;
    }
    if (!first)
        return nullptr;
    const TCabDecodeResult result = DecodeCabMember(FState->Bytes, table, *first, content);
    if (result != TCabDecodeResult::Ok)
        RaiseSystemError(FDIErrorOf(result), false);
    return first;
}

// ---------------------------------------------------------------------------------
// Store convention

void TMFSCabReader::UnpackStore(TMFS& store, std::string_view cabinetBytes, std::string* owned) {
    TMFS work;
    TMFSSession* session = work.Session();
    TCabContent image;
    bool found = false;
    {
        // The cabinet is read where it is: it outlives the reader.
        TMFSCabReader reader(session, "\\info.cab", cabinetBytes);
        TReaderScope scope(&reader);
        reader.FFileToExtract = "info.mfs";
        reader.FExtractTo = "\\info.mfs";
        found = reader.Decode(image) != nullptr;
    }
    // The cabinet goes before the tree is built from the image, so that no more than two
    // of cabinet, image and tree are held at a time.
    if (owned)
        std::string().swap(*owned);
    if (!found)
        session->OpenFile("\\info.mfs"); // "File \"\\info.mfs\" not found"
    store.LoadFromString(image.View());
}

void UnpackStore(TMFS& store, std::string_view cabinetBytes) {
    TMFSCabReader::UnpackStore(store, cabinetBytes, nullptr);
}

void UnpackStore(TMFS& store, std::string&& cabinetBytes) {
    std::string cabinet = std::move(cabinetBytes);
    TMFSCabReader::UnpackStore(store, cabinet, &cabinet);
}
