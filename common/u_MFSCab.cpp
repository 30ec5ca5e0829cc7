#include "u_MFSCab.h"

#include <libgcab.h>

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

namespace {

void Put16(std::string& b, size_t at, uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
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

} // namespace

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
    GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
    GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
    GError* error = nullptr;
    for (const TEntry& entry : FEntries) {
        // The entries live as long as the writer, so the library may read them in place.
        GBytesPtr bytes(g_bytes_new_static(entry.Content.data(), entry.Content.size()));
        GPtr<GCabFile> file(gcab_file_new_with_bytes(entry.Name.c_str(), bytes.get()));
        if (!gcab_folder_add_file(folder, file.get(), FALSE, nullptr, &error)) {
            std::unique_ptr<GError, GErrorFree> owned(error);
            g_object_unref(folder);
            const std::string message = owned->message;
            RaiseSystemError(FCIERR_OPEN_SRC, true, &message);
        }
    }
    const gboolean added = gcab_cabinet_add_folder(cabinet.get(), folder, &error);
    g_object_unref(folder);
    GPtr<GOutputStream> out(g_memory_output_stream_new_resizable());
    if (!added || !gcab_cabinet_write_simple(cabinet.get(), out.get(), nullptr, nullptr, nullptr, &error) ||
        !g_output_stream_close(out.get(), nullptr, &error)) {
        std::unique_ptr<GError, GErrorFree> owned(error);
        const std::string message = owned ? owned->message : "";
        RaiseSystemError(FCIERR_MCI_FAIL, true, &message);
    }
    GBytesPtr written(g_memory_output_stream_steal_as_bytes(G_MEMORY_OUTPUT_STREAM(out.get())));
    std::string bytes(BytesView(written.get()));
    written.reset();

    // The file entries carry the items' own date, time and attributes.
    const TCabTable table = ReadCabTable(bytes);
    std::vector<bool> used(FEntries.size(), false);
    for (const TCabEntry& e : table.Entries) {
        for (size_t i = 0; i < FEntries.size(); ++i) {
            if (used[i] || FEntries[i].Name != e.Name)
                continue;
            used[i] = true;
            Put16(bytes, e.Offset + 10, uint16_t(FEntries[i].Time >> 16));
            Put16(bytes, e.Offset + 12, uint16_t(FEntries[i].Time & 0xFFFF));
            Put16(bytes, e.Offset + 14, uint16_t(FEntries[i].Attributes | (e.Attributes & 0x80)));
            break;
        }
    }

    std::string message;
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

std::string PackStore(const TMFS& store, const std::string& cabinetName, std::optional<uint32_t> memberTime) {
    TMFS work;
    TMFSSession* session = work.Session();
    TMFSFile* image = session->CreateFile("\\info.mfs", 0, false);
    image->Content = store.SaveToString();
    if (memberTime)
        image->Time = *memberTime;
    std::string cabinetPath;
    {
        TMFSCabWriter writer(session, std::string(), cabinetName);
        writer.AddFile("\\info.mfs");
        writer.Flush();
        cabinetPath = writer.CabinetPath();
    }
    return std::move(session->OpenFile(cabinetPath)->Content);
}
