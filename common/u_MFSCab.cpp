#include "u_MFSCab.h"

#include "u_CabWriter.h"

static const char* const STempNameTooBig = "Temporary file name is too big (\"%s\")";
static const char* const SMemberTooLargeToPack =
    "File \"%s\" holds %zu bytes, more than the %u bytes one file of a book may have";

// The scratch-file name buffer of the compressor.
static constexpr size_t MaxTempName = 256;

// Open flags the library passes and the stream flags they become.
static constexpr uint32_t StreamSequential = 0x08000000;
static constexpr uint32_t StreamNormalAttribute = 0x80;

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
