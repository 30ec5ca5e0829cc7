#include "u_MFS.h"

#include "u_ObjectDictionary.h"
#include "u_PathSegments.h"

#include "u_HostPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unordered_set>

// Messages of this unit.
static const char* const SFileExists = "File \"%s\" already exists";
static const char* const SFolderExists = "Folder \"%s\" already exists";
static const char* const SIncorrectFormat = "Incorrect serialized format";
static const char* const SIncorrectParams = "Incorrect parameters in method \"%s\"";
static const char* const SFolderNotEmpty = "Folder \"%s\" is not empty";
static const char* const SCannotDeleteRoot = "Cannot delete root folder";
static const char* const SPathNotFound = "Path \"%s\" not found";
static const char* const SFileNotFound = "File \"%s\" not found";
static const char* const SIncorrectFileName = "File name \"%s\" is incorrect";
static const char* const SInTheWayExists = "\"%s\" already exists";
static const char* const SInTheWayLink = "\"%s\" is a symbolic link";
static const char* const SInTheWaySpecial = "\"%s\" is not a regular file";
static const char* const SInTheWayFolder = "\"%s\" is a folder where a file belongs";
static const char* const SInTheWayNotFolder = "\"%s\" is a file where a folder belongs";
static const char* const SLinkLeavesFolder = "Symbolic link \"%s\" leads out of \"%s\": it was skipped";
static const char* const SCaseClash = "\"%s\" and \"%s\" differ only in letter case, which a book does not tell "
                                      "apart: \"%s\" was left out";

// Deepest folder nesting an image may have. A real store is far shallower (the
// platform's paths end at 260 characters); the limit keeps a crafted image from
// exhausting the stack of the recursive reader, writer and destructor.
static constexpr int MaxImageDepth = 1000;

// ---------------------------------------------------------------------------------
// Checksum and dates

// Adds Words 32-bit little-endian words from P to the checksum Sum.
static uint32_t ChecksumWords(uint32_t sum, const unsigned char* p, size_t words) noexcept {
    for (size_t i = 0; i < words; ++i, p += 4) {
        sum += uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        sum = (sum << 1) | (sum >> 31);
    }
    return sum;
}

uint32_t MFSChecksum(std::string_view data) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const size_t whole = data.size() / 4;
    uint32_t sum = ChecksumWords(0, p, whole);
    if (4 * whole < data.size()) {
        unsigned char last[4] = {' ', ' ', ' ', ' '};
        std::memcpy(last, p + 4 * whole, data.size() - 4 * whole);
        sum = ChecksumWords(sum, last, 1);
    }
    return sum;
}

static std::string HexDigits(uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        text[size_t(i)] = digits[value & 0xF];
    return text;
}

std::string MFSChecksumText(std::string_view data) {
    return HexDigits(MFSChecksum(data));
}

uint32_t DateTimeToFileDate(int64_t unixTime) {
    struct tm tm {};
    if (!HostLocalTime(unixTime, tm))
        return (1u << 21) | (1u << 16); // 1980-01-01 00:00
    int year = tm.tm_year + 1900;
    if (year < 1980)
        return (1u << 21) | (1u << 16);
    if (year > 2107)
        year = 2107;
    return uint32_t(year - 1980) << 25 | uint32_t(tm.tm_mon + 1) << 21 | uint32_t(tm.tm_mday) << 16 |
           uint32_t(tm.tm_hour) << 11 | uint32_t(tm.tm_min) << 5 | uint32_t(tm.tm_sec / 2);
}

uint32_t CurrentFileDate() {
    return DateTimeToFileDate(static_cast<int64_t>(std::time(nullptr)));
}

int64_t FileDateToDateTime(uint32_t fileDate) {
    struct tm tm {};
    tm.tm_year = int(fileDate >> 25) + 80;
    tm.tm_mon = int((fileDate >> 21) & 0xF) - 1;
    tm.tm_mday = int((fileDate >> 16) & 0x1F);
    tm.tm_hour = int((fileDate >> 11) & 0x1F);
    tm.tm_min = int((fileDate >> 5) & 0x3F);
    tm.tm_sec = int(fileDate & 0x1F) * 2;
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_hour > 23 || tm.tm_min > 59 ||
        tm.tm_sec > 59)
        return -1;
    return HostMakeTime(tm);
}

// ---------------------------------------------------------------------------------
// Image reading and writing

uint32_t TMFSImageReader::ReadUInt32() {
    const std::string_view b = ReadBytes(4);
    const auto* p = reinterpret_cast<const unsigned char*>(b.data());
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint8_t TMFSImageReader::ReadByte() {
    return static_cast<uint8_t>(ReadBytes(1)[0]);
}

std::string_view TMFSImageReader::ReadBytes(size_t count) {
    if (count > Remaining())
        throw EMFSError(SIncorrectFormat);
    const std::string_view result = FData.substr(FPos, count);
    FPos += count;
    return result;
}

static void PutUInt32(TMFSImageSink& out, uint32_t value) {
    const char b[4] = {char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF),
                       char((value >> 24) & 0xFF)};
    out.Write(std::string_view(b, 4));
}

namespace {
// Collects an image in a string.
class TStringImageSink final : public TMFSImageSink {
public:
    explicit TStringImageSink(std::string& out) : FOut(out) {}
    void Write(std::string_view bytes) override { FOut.append(bytes); }

private:
    std::string& FOut;
};

// Works out the checksum of an image's bytes (MFSChecksum) as they pass.
class TChecksumImageSink final : public TMFSImageSink {
public:
    void Write(std::string_view bytes) override {
        // Complete the word begun by the previous piece, then whole words in place.
        while (FHeld != 0 && FHeld < 4 && !bytes.empty()) {
            FWord[FHeld++] = static_cast<unsigned char>(bytes.front());
            bytes.remove_prefix(1);
        }
        if (FHeld == 4) {
            FSum = ChecksumWords(FSum, FWord, 1);
            FHeld = 0;
        }
        const size_t whole = bytes.size() / 4;
        FSum = ChecksumWords(FSum, reinterpret_cast<const unsigned char*>(bytes.data()), whole);
        for (char c : bytes.substr(4 * whole))
            FWord[FHeld++] = static_cast<unsigned char>(c);
    }
    uint32_t Sum() const {
        if (FHeld == 0)
            return FSum;
        unsigned char last[4] = {' ', ' ', ' ', ' '}; // padded as MFSChecksum pads
        std::memcpy(last, FWord, FHeld);
        return ChecksumWords(FSum, last, 1);
    }

private:
    uint32_t FSum = 0;
    unsigned char FWord[4] = {};
    size_t FHeld = 0;
};
} // namespace

// ---------------------------------------------------------------------------------
// Host helpers

static bool IsBadExportName(const std::string& name) {
    return name.empty() || name == "." || name == ".." ||
           name.find_first_of(std::string_view("\\/\0", 3)) != std::string::npos || !HostIsPlainName(name);
}

static bool IsHostSeparator(char c) {
    return std::string_view(HostPathSeparators).find(c) != std::string_view::npos;
}

std::string HostPathJoin(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    if (IsHostSeparator(dir.back()))
        return dir + name;
    return dir + "/" + name;
}

bool IsWithinHostFolder(const std::string& path, const std::string& folder) {
    if (folder.empty())
        return false;
    if (folder.size() == 1 && IsHostSeparator(folder[0]))
        return !path.empty() && IsHostSeparator(path[0]);
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              IsHostSeparator(path[folder.size()]));
}

bool ListHostFolder(const std::string& hostDir, std::vector<std::string>& names) {
    const int error = HostListFolder(hostDir, names);
    errno = error;
    return error == 0;
}

void ForceHostFolders(const std::string& hostDir) {
    if (hostDir.empty())
        return;
    std::string path = hostDir;
    while (path.size() > 1 && IsHostSeparator(path.back()))
        path.pop_back();
    THostStatus status;
    if (HostStatusOf(path, true, status) == 0) {
        if (status.Kind == THostKind::Folder)
            return;
        throw EFCreateError(Format(SFCreateError, hostDir, SysErrorMessage(ENOTDIR)));
    }
    const size_t slash = path.find_last_of(HostPathSeparators);
    if (slash != std::string::npos && slash > 0)
        ForceHostFolders(path.substr(0, slash));
    if (const int error = HostMakeFolder(path); error != 0 && error != EEXIST)
        throw EFCreateError(Format(SFCreateError, hostDir, SysErrorMessage(error)));
}

std::string ReadFileText(const std::string& fileName) {
    THostFileStream stream(fileName, THostFileMode::OpenRead);
    std::string text;
    const int64_t size = stream.Size();
    if (size > 0) {
        text.resize(static_cast<size_t>(size));
        for (int64_t done = 0; done < size;) {
            const auto n = static_cast<int32_t>(std::min<int64_t>(size - done, 1 << 30));
            stream.ReadBuffer(text.data() + done, n);
            done += n;
        }
    }
    text += stream.ReadRest(); // a file that grew meanwhile
    return text;
}

void WriteFileText(const std::string& text, const std::string& fileName) {
    const size_t slash = fileName.find_last_of(HostPathSeparators);
    if (slash != std::string::npos && slash > 0)
        ForceHostFolders(fileName.substr(0, slash));
    THostFileStream stream(fileName, THostFileMode::Create);
    stream.WriteString(text);
}

// Symbolic links are never followed: clearing or deleting a tree stays inside it.
bool ClearAttributesTree(const std::string& hostDir, uint32_t mask) {
    THostStatus status;
    if (HostStatusOf(hostDir, false, status) != 0)
        return false;
    if ((mask & faReadOnly) && HostMakeWritable(hostDir) != 0)
        return false;
    if (status.Kind != THostKind::Folder)
        return true;
    std::vector<std::string> names;
    if (!ListHostFolder(hostDir, names))
        return false;
    for (const std::string& name : names)
        if (!ClearAttributesTree(HostPathJoin(hostDir, name), mask))
            return false;
    return true;
}

static bool DeleteTreeBelow(const std::string& hostDir) {
    std::vector<std::string> names;
    if (!ListHostFolder(hostDir, names))
        return false;
    bool ok = true;
    for (size_t i = 0; ok && i < names.size(); ++i) {
        const std::string path = HostPathJoin(hostDir, names[i]);
        THostStatus status;
        if (HostStatusOf(path, false, status) != 0)
            ok = false;
        else if (status.Kind == THostKind::Folder)
            ok = DeleteTreeBelow(path) && HostRemoveFolder(path) == 0;
        else // a link goes itself (on Windows a link to a folder is removed as a folder)
            ok = HostRemoveFile(path) == 0 || (status.Kind == THostKind::Link && HostRemoveFolder(path) == 0);
    }
    return ok;
}

bool DeleteTree(const std::string& hostDir) {
    THostStatus status;
    if (const int error = HostStatusOf(hostDir, false, status))
        return error == ENOENT;
    if (status.Kind != THostKind::Folder)
        return false;
    if (DeleteTreeBelow(hostDir))
        HostRemoveFolder(hostDir);
    return HostStatusOf(hostDir, false, status) == ENOENT;
}

// ---------------------------------------------------------------------------------
// Items

// The children of a folder: owned items under their names, unique and ordered by the
// case-blind comparison.
struct TMFSFolder::TChildren {
    TObjectDictionary<TMFSItem> Items{true, true, true};
};

TMFSItem::TMFSItem(TMFS* mfs, TMFSFolder* parent, const std::string& name)
    : TMFSItem(mfs, parent, name, false) {}

TMFSItem::TMFSItem(TMFS* mfs, TMFSFolder* parent, const std::string& name, bool isFolder)
    : Name(name), Time(CurrentFileDate()), FMFS(mfs), FIsFolder(isFolder) {
    if (parent)
        parent->Attach(this);
}

TMFSItem::~TMFSItem() {
    if (FParent)
        FParent->Detach(this);
}

TMFSFolder* TMFSItem::AsFolder() noexcept {
    return FIsFolder ? static_cast<TMFSFolder*>(this) : nullptr;
}
TMFSFile* TMFSItem::AsFile() noexcept {
    return FIsFolder ? nullptr : static_cast<TMFSFile*>(this);
}

std::string TMFSItem::FullPath() const {
    return FParent ? FParent->FullPath() + Name : Name;
}

void TMFSItem::WriteToStream(TMFSImageSink& out) const {
    PutUInt32(out, static_cast<uint32_t>(Name.size()));
    out.Write(Name);
    PutUInt32(out, Time);
    PutUInt32(out, Attributes);
}

void TMFSItem::ReadFromStream(TMFSImageReader& in) {
    const uint32_t length = in.ReadUInt32();
    Name = std::string(in.ReadBytes(length));
    Time = in.ReadUInt32();
    Attributes = in.ReadUInt32();
}

TMFSFile::TMFSFile(TMFS* mfs, TMFSFolder* parent, const std::string& name)
    : TMFSItem(mfs, parent, name, false) {
    Attributes = faArchive;
}

TMFSFile::~TMFSFile() {
    for (TMFSFileStream* stream : FStreams)
        stream->FFile = nullptr;
}

std::unique_ptr<TMFSFileStream> TMFSFile::OpenStream() {
    return std::make_unique<TMFSFileStream>(this);
}

void TMFSFile::WriteToStream(TMFSImageSink& out) const {
    TMFSItem::WriteToStream(out);
    PutUInt32(out, static_cast<uint32_t>(Content.size()));
    out.Write(Content);
}

void TMFSFile::ReadFromStream(TMFSImageReader& in) {
    TMFSItem::ReadFromStream(in);
    const uint32_t length = in.ReadUInt32();
    Content = std::string(in.ReadBytes(length));
}

void TMFSFile::SaveToHost(const std::string& hostPath) const {
    WriteFileText(Content, hostPath);
}

TMFSFolder::TMFSFolder(TMFS* mfs, TMFSFolder* parent, const std::string& name)
    : TMFSItem(mfs, parent, name, true), FChildren(std::make_unique<TChildren>()) {
    Attributes = faDirectory;
}

TMFSFolder::~TMFSFolder() {
    Clear();
    if (MFS())
        MFS()->MoveSessions(this, Parent());
}

void TMFSFolder::Attach(TMFSItem* item) {
    if (TMFSItem* old = FChildren->Items.Extract(item->Name)) {
        // The old item still names this folder as its parent, so sessions standing in
        // it move here; its own removal then finds nothing left to remove.
        delete old;
    }
    FChildren->Items.Add(item->Name, item);
    item->FParent = this;
}

void TMFSFolder::Detach(TMFSItem* item) noexcept {
    if (FChildren->Items.Find(item->Name) == item)
        FChildren->Items.Extract(item->Name);
    item->FParent = nullptr;
}

TMFSItem* TMFSFolder::Child(std::string_view name) const {
    if (name == ".")
        return const_cast<TMFSFolder*>(this);
    if (name == "..")
        return Parent();
    return FChildren->Items.Find(name);
}

std::vector<TMFSItem*> TMFSFolder::Children() const {
    return FChildren->Items.Values();
}

int TMFSFolder::ChildCount() const {
    return FChildren->Items.Count();
}

void TMFSFolder::Clear() {
    for (const std::string& key : FChildren->Items.Keys()) {
        // Out of the dictionary first; the item still names this folder as its parent,
        // so sessions standing in it move here.
        delete FChildren->Items.Extract(key);
    }
}

std::string TMFSFolder::FullPath() const {
    return Parent() ? Parent()->FullPath() + Name + "\\" : std::string("\\");
}

void TMFSFolder::WriteToStream(TMFSImageSink& out) const {
    TMFSItem::WriteToStream(out);
    PutUInt32(out, static_cast<uint32_t>(FChildren->Items.Count()));
    FChildren->Items.ForEach([&](const std::string&, TMFSItem* item) {
        out.Write(item->IsFolder() ? "D" : "F");
        item->WriteToStream(out);
    });
}

void TMFSFolder::ReadFromStream(TMFSImageReader& in) {
    TMFSItem::ReadFromStream(in);
    Clear();
    const int32_t count = in.ReadInt32();
    // Every child record takes at least 17 bytes: the type byte, the header and a count.
    if (count < 0 || static_cast<uint64_t>(count) > in.Remaining() / 17)
        throw EMFSError(SIncorrectFormat);
    if (++in.Depth > MaxImageDepth)
        throw EMFSError(SIncorrectFormat);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t type = in.ReadByte();
        std::unique_ptr<TMFSItem> child;
        if (type == 'D')
            child = std::make_unique<TMFSFolder>(MFS(), nullptr, std::string());
        else if (type == 'F')
            child = std::make_unique<TMFSFile>(MFS(), nullptr, std::string());
        else
            throw EMFSError(SIncorrectFormat);
        child->ReadFromStream(in);
        Attach(child.release());
    }
    --in.Depth;
}

void TMFSFolder::SaveToHost(const std::string& hostPath) const {
    ForceHostFolders(hostPath);
    for (TMFSItem* item : FChildren->Items.Values())
        item->SaveToHost(HostPathJoin(hostPath, item->Name));
}

// ---------------------------------------------------------------------------------
// TMFS

TMFS::TMFS() : FRoot(std::make_unique<TMFSFolder>(this, nullptr, std::string())) {}

TMFS::~TMFS() {
    FSession.reset();
    FRoot.reset();
    for (TMFSSession* session : FSessions) {
        session->FMFS = nullptr;
        session->FCurrentFolder = nullptr;
    }
}

TMFSSession* TMFS::Session() {
    if (!FSession)
        FSession = std::make_unique<TMFSSession>(this, FRoot.get());
    return FSession.get();
}

std::unique_ptr<TMFSSession> TMFS::NewSession(TMFSFolder* folder) {
    return std::make_unique<TMFSSession>(this, folder ? folder : FRoot.get());
}

void TMFS::MoveSessions(const TMFSFolder* folder, TMFSFolder* newFolder) noexcept {
    for (TMFSSession* session : FSessions)
        if (session->FCurrentFolder == folder)
            session->FCurrentFolder = newFolder;
}

void TMFS::ReplaceRoot(std::unique_ptr<TMFSFolder> root) {
    FSession.reset();
    std::unique_ptr<TMFSFolder> old = std::move(FRoot);
    FRoot = std::move(root);
    old.reset(); // sessions on the old tree end up on nothing; move them to the new root
    for (TMFSSession* session : FSessions)
        if (!session->FCurrentFolder)
            session->FCurrentFolder = FRoot.get();
}

void TMFS::Clear() {
    ReplaceRoot(std::make_unique<TMFSFolder>(this, nullptr, std::string()));
}

std::string TMFS::SaveToString() const {
    std::string image("MFS00000000");
    TStringImageSink sink(image);
    FRoot->WriteToStream(sink);
    const std::string sum = MFSChecksumText(std::string_view(image).substr(11));
    image.replace(3, 8, sum);
    return image;
}

uint64_t TMFS::ImageSize() const {
    // Only counted: the contents are not read.
    struct TCount final : TMFSImageSink {
        uint64_t Size = 11;
        void Write(std::string_view bytes) override { Size += bytes.size(); }
    } count;
    FRoot->WriteToStream(count);
    return count.Size;
}

void TMFS::SaveToSink(TMFSImageSink& sink) const {
    TChecksumImageSink body;
    FRoot->WriteToStream(body);
    sink.Write("MFS" + HexDigits(body.Sum()));
    FRoot->WriteToStream(sink);
}

void TMFS::LoadFromString(std::string_view image) {
    if (image.size() < 11 || image.substr(0, 3) != "MFS")
        throw EMFSError(SIncorrectFormat);
    const std::string_view body = image.substr(11);
    if (image.substr(3, 8) != MFSChecksumText(body))
        throw EMFSError(SIncorrectFormat);
    auto root = std::make_unique<TMFSFolder>(this, nullptr, std::string());
    TMFSImageReader reader(body);
    root->ReadFromStream(reader);
    ReplaceRoot(std::move(root));
}

void TMFS::CheckExportNames() const {
    // Names come from images, which come from anywhere: refuse any name that would
    // leave its folder before anything is written.
    ForEachItemBelow(FRoot.get(), [](const TMFSItem* item) {
        if (IsBadExportName(item->Name))
            throw EMFSError(Format(SIncorrectFileName, item->Name));
    });
}

void TMFS::SaveToFolder(const std::string& hostDir) const {
    CheckExportNames();
    FRoot->SaveToHost(hostDir);
}

namespace {

// What stands at Name in the folder Dir, never following a symbolic link.
THostKind EntryAt(const THostFolder& dir, const std::string& name, const std::string& path) {
    int error = 0;
    const THostKind kind = dir.Entry(name, error);
    if (error)
        throw EFOpenError(Format(SFOpenError, path, SysErrorMessage(error)));
    return kind;
}

// The folder Name in Dir, opened without following a link.
THostFolder OpenFolderAt(const THostFolder& dir, const std::string& name, const std::string& path) {
    THostFolder folder;
    if (const int error = dir.OpenFolder(name, folder))
        throw EFOpenError(Format(SFOpenError, path, SysErrorMessage(error)));
    return folder;
}

void WriteFileAt(const THostFolder& dir, const std::string& name, const std::string& path, const std::string& content,
                 bool overwrite) {
    bool opened = false;
    const int error = dir.WriteFile(name, content, overwrite, opened);
    if (error && !opened)
        throw EFCreateError(Format(SFCreateError, path, SysErrorMessage(error)));
    if (error)
        throw EWriteError(Format(SFWriteError, path, SysErrorMessage(error)));
}

} // namespace

void TMFS::ExportToFolder(const std::string& hostDir, bool overwrite) const {
    Export(hostDir, overwrite, true);
}

void TMFS::CheckExportToFolder(const std::string& hostDir, bool overwrite) const {
    Export(hostDir, overwrite, false);
}

void TMFS::Export(const std::string& hostDir, bool overwrite, bool write) const {
    CheckExportNames();
    std::string target = hostDir;
    while (target.size() > 1 && IsHostSeparator(target.back()))
        target.pop_back();
    const size_t slash = target.find_last_of(HostPathSeparators);
    const std::string parent =
        slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        throw EMFSError(Format(SIncorrectFileName, hostDir));
    // The folder above is the caller's choice: created when missing, reached as given.
    THostStatus status;
    if (!write && HostStatusOf(parent, true, status) != 0)
        return; // nothing there yet: nothing in the way
    ForceHostFolders(parent);
    THostFolder top;
    if (const int error = top.Open(parent))
        throw EFOpenError(Format(SFOpenError, parent, SysErrorMessage(error)));

    // Two walks, the first only looking: nothing is written while anything is in the way.
    for (const bool writing : {false, true}) {
        if (writing && !write)
            break;
        struct TFrame {
            THostFolder Folder;
            std::vector<TMFSItem*> Children;
            size_t Next;
            std::string Path;
        };
        std::vector<TFrame> stack;
        const auto remove = [](const THostFolder& dir, const std::string& itemName, const std::string& path) {
            if (const int error = dir.Remove(itemName))
                throw EFCreateError(Format(SFCreateError, path, SysErrorMessage(error)));
        };
        // Enters the folder Item at Name of Dir (when there is anything below to look at).
        auto enter = [&](const THostFolder& dir, const std::string& itemName, const std::string& path,
                         const TMFSFolder* folder) {
            const THostKind entry = EntryAt(dir, itemName, path);
            if (entry == THostKind::File)
                throw EMFSInTheWay(Format(SInTheWayNotFolder, path), false);
            if (entry == THostKind::Link || entry == THostKind::Other) {
                if (!overwrite)
                    throw EMFSInTheWay(Format(entry == THostKind::Link ? SInTheWayLink : SInTheWaySpecial, path),
                                       true);
                if (!writing)
                    return; // replaced by a new folder: nothing below it to look at
                remove(dir, itemName, path);
            }
            if (entry != THostKind::Folder) {
                if (!writing)
                    return;
                if (const int error = dir.MakeFolder(itemName))
                    throw EFCreateError(Format(SFCreateError, path, SysErrorMessage(error)));
            }
            stack.push_back({OpenFolderAt(dir, itemName, path), folder->Children(), 0, path});
        };
        enter(top, name, target, FRoot.get());
        while (!stack.empty()) {
            TFrame& f = stack.back();
            if (f.Next >= f.Children.size()) {
                stack.pop_back();
                continue;
            }
            const TMFSItem* item = f.Children[f.Next++];
            const std::string path = HostPathJoin(f.Path, item->Name);
            // The frames move only when a folder is entered, after the last use of Dir.
            const THostFolder& dir = f.Folder;
            if (item->IsFolder()) {
                enter(dir, item->Name, path, static_cast<const TMFSFolder*>(item));
                continue;
            }
            const THostKind entry = EntryAt(dir, item->Name, path);
            if (entry == THostKind::Folder)
                throw EMFSInTheWay(Format(SInTheWayFolder, path), false);
            if (entry != THostKind::Missing && !overwrite)
                throw EMFSInTheWay(Format(entry == THostKind::File   ? SInTheWayExists
                                          : entry == THostKind::Link ? SInTheWayLink
                                                                     : SInTheWaySpecial,
                                          path),
                                   true);
            if (!writing)
                continue;
            // A link (or a FIFO, a device) in the way goes itself; what it points to is never touched.
            if (entry == THostKind::Link || entry == THostKind::Other)
                remove(dir, item->Name, path);
            WriteFileAt(dir, item->Name, path, static_cast<const TMFSFile*>(item)->Content, overwrite);
        }
    }
}

void TMFS::LoadFromFolder(const std::string& hostDir, std::vector<std::string>* warnings) {
    auto root = std::make_unique<TMFSFolder>(this, nullptr, std::string());
    ImportTree(root.get(), hostDir, warnings, false);
    ReplaceRoot(std::move(root));
}

void TMFS::ImportTree(TMFSFolder* target, const std::string& hostDir, std::vector<std::string>* warnings,
                      bool replaceExisting) {
    const std::string top = hostDir.empty() ? std::string(".") : hostDir;
    // Symbolic links are followed only while they stay inside the folder imported: a link
    // to "/etc/shadow", to ".." or to "/" is skipped (and reported), not imported.
    const std::string canonicalTop = CanonicalHostPath(top);
    auto warn = [warnings](std::string text) {
        if (warnings)
            warnings->push_back(std::move(text));
    };

    // Depth first with an explicit stack; the folders on the way down guard against links
    // back to a folder above, which would make the import endless.
    struct TFrame {
        TMFSFolder* Folder;
        std::string Path;
        std::vector<std::string> Names;
        size_t Next;
        THostStatus Id; // the host folder's identity
    };
    std::vector<TFrame> stack;
    std::unordered_set<const TMFSItem*> created;
    auto enter = [&](TMFSFolder* folder, const std::string& path, const THostStatus& id) {
        std::vector<std::string> names;
        if (!ListHostFolder(path, names))
            throw EFOpenError(Format(SFOpenError, path, SysErrorMessage(errno)));
        // In a fixed order, so that of two names differing only in letter case it is
        // always the same one that is kept.
        std::sort(names.begin(), names.end());
        stack.push_back({folder, path, std::move(names), 0, id});
    };
    {
        THostStatus id;
        HostStatusOf(top, true, id);
        enter(target, top, id);
    }
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next >= f.Names.size()) {
            stack.pop_back();
            continue;
        }
        const std::string name = f.Names[f.Next++];
        TMFSFolder* folder = f.Folder;
        const std::string path = HostPathJoin(f.Path, name);
        THostStatus st;
        if (HostStatusOf(path, false, st) != 0)
            continue; // gone meanwhile
        if (st.Kind == THostKind::Link) {
            if (HostStatusOf(path, true, st) != 0)
                continue; // a dangling link: nothing to import
            if (!IsWithinHostFolder(CanonicalHostPath(path), canonicalTop)) {
                warn(Format(SLinkLeavesFolder, path, top));
                continue;
            }
        }
        if (st.Kind != THostKind::Folder && st.Kind != THostKind::File)
            continue; // devices, pipes and sockets are not files of a project: reading a pipe would block
        // Into an existing folder, an item that was there before is replaced; an item
        // this import made already means two host names differing only in letter case.
        TMFSItem* existing = folder->Child(name);
        if (existing && replaceExisting && !created.count(existing))
            existing = nullptr;
        if (existing) {
            const std::string kept = HostPathJoin(f.Path, existing->Name);
            warn(Format(SCaseClash, kept, path, path));
            continue;
        }
        const uint32_t attributes = st.Attributes & (faReadOnly | faHidden | faSysFile);
        const uint32_t time = DateTimeToFileDate(st.Modified);
        if (st.Kind == THostKind::Folder) {
            const bool loop = std::any_of(stack.begin(), stack.end(), [&](const TFrame& frame) {
                return frame.Id.Device == st.Device && frame.Id.Node == st.Node;
            });
            if (loop)
                continue;
            auto* child = new TMFSFolder(this, folder, name);
            created.insert(child);
            child->Time = time;
            child->Attributes = attributes | faDirectory;
            enter(child, path, st);
        } else {
            auto* child = new TMFSFile(this, folder, name);
            created.insert(child);
            child->Time = time;
            child->Attributes = attributes | faArchive;
            child->Content = ReadFileText(path);
        }
    }
}

void ImportHostFolderInto(TMFSFolder* Folder, const std::string& HostDir) {
    Folder->MFS()->ImportTree(Folder, HostDir, nullptr, true);
}

void MergeTreeInto(TMFSFolder* Source, TMFSFolder* Dest) {
    std::vector<std::pair<TMFSFolder*, TMFSFolder*>> pending{{Source, Dest}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (TMFSItem* item : from->Children()) {
            TMFSItem* existing = to->Child(item->Name);
            TMFSItem* placed;
            if (item->IsFolder() && existing && existing->IsFolder()) {
                placed = existing;
            } else {
                delete existing;
                if (item->IsFolder()) {
                    placed = new TMFSFolder(to->MFS(), to, item->Name);
                } else {
                    auto* file = new TMFSFile(to->MFS(), to, item->Name);
                    file->Content = std::move(item->AsFile()->Content);
                    placed = file;
                }
            }
            placed->Time = item->Time;
            placed->Attributes = item->Attributes;
            if (item->IsFolder())
                pending.push_back({item->AsFolder(), placed->AsFolder()});
        }
    }
}

std::string TMFS::NormalizeSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string TMFS::IncludeTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\')
        return path;
    return path + "\\";
}

std::string TMFS::ExcludeTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\')
        return path.substr(0, path.size() - 1);
    return path;
}

std::string TMFS::ExtractPath(const std::string& path) {
    const size_t pos = path.find_last_of('\\');
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string TMFS::ExtractName(const std::string& path) {
    const size_t pos = path.find_last_of('\\');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string TMFS::ExtractExt(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot);
}

std::string TMFS::ChangeExt(const std::string& path, const std::string& ext) {
    return path.substr(0, path.size() - ExtractExt(path).size()) + ext;
}

std::string TMFS::NormalizePath(const std::string& path) {
    const bool leading = !path.empty() && path[0] == '\\';
    const bool trailing = path.size() > 1 && path.back() == '\\';
    std::string_view rest(path);
    if (leading)
        rest.remove_prefix(1);
    if (trailing)
        rest.remove_suffix(1);
    TPathSegments segments;
    if (!CollapsePathSegments(rest, "\\", false, TDotDotAtTop::Fail, segments))
        throw EMFSError(Format(SIncorrectFileName, path));
    std::string result = (leading ? "\\" : "") + JoinPathSegments(segments.Parts, '\\');
    if (trailing && !segments.Parts.empty())
        result += '\\';
    return result;
}

// ---------------------------------------------------------------------------------
// Sessions

TMFSSession::TMFSSession(TMFS* mfs, TMFSFolder* folder) : FMFS(mfs), FCurrentFolder(folder) {
    if (FMFS)
        FMFS->FSessions.push_back(this);
}

TMFSSession::~TMFSSession() {
    if (FMFS) {
        auto& list = FMFS->FSessions;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TMFSSession::ChangeFolder(const std::string& path) {
    const std::string p = TMFS::NormalizeSlashes(path);
    TMFSItem* item = FindItem(p);
    if (!item->IsFolder())
        throw EMFSError(Format(SPathNotFound, path));
    FCurrentFolder = item->AsFolder();
}

TMFSItem* TMFSSession::FindItem(const std::string& path) const {
    if (!FCurrentFolder)
        throw EMFSError(Format(SPathNotFound, path));
    if (path.empty())
        return FCurrentFolder;
    TMFSFolder* folder = FCurrentFolder;
    std::string_view rest(path);
    if (rest[0] == '\\') {
        folder = FMFS->Root();
        rest.remove_prefix(1);
    }
    const bool trailing = !rest.empty() && rest.back() == '\\';
    if (trailing)
        rest.remove_suffix(1);
    if (rest.empty())
        return folder;
    for (;;) {
        const size_t sep = rest.find('\\');
        const std::string_view component = rest.substr(0, sep);
        const bool last = sep == std::string_view::npos;
        TMFSItem* item = folder->Child(component);
        if (!item)
            throw EMFSError(Format(SPathNotFound, path));
        if (item->IsFolder()) {
            folder = item->AsFolder();
        } else {
            if (last && !trailing)
                return item;
            throw EMFSError(Format(SPathNotFound, path));
        }
        if (last)
            return folder;
        rest.remove_prefix(sep + 1);
    }
}

TMFSFolder* TMFSSession::FolderPart(const std::string& normalized) const {
    const std::string folderPath = TMFS::ExtractPath(normalized);
    if (folderPath.empty()) {
        if (!FCurrentFolder)
            throw EMFSError(Format(SPathNotFound, normalized));
        return FCurrentFolder;
    }
    // A folder path ends with a backslash, so FindItem gives a folder or raises.
    return FindItem(folderPath)->AsFolder();
}

TMFSFile* TMFSSession::OpenFile(const std::string& path) const {
    const std::string p = TMFS::NormalizeSlashes(path);
    TMFSFolder* folder = FolderPart(p);
    TMFSItem* item = folder->Child(TMFS::ExtractName(p));
    if (!item || item->IsFolder())
        throw EMFSError(Format(SFileNotFound, path));
    return item->AsFile();
}

TMFSFile* TMFSSession::CreateFile(const std::string& path, uint32_t attributes, bool openIfExists) {
    const std::string p = TMFS::NormalizeSlashes(path);
    TMFSFolder* folder = FolderPart(p);
    const std::string name = TMFS::ExtractName(p);
    if (TMFSItem* item = folder->Child(name)) {
        if (item->IsFolder())
            throw EMFSError(Format(SFolderExists, path));
        if (!openIfExists)
            throw EMFSError(Format(SFileExists, path));
        return item->AsFile();
    }
    // A path ending in a separator names no file; ".." above the root names nothing
    // (an item of that name could never be found again).
    if (name.empty() || name == "." || name == "..")
        throw EMFSError(Format(SIncorrectFileName, path));
    auto* file = new TMFSFile(FMFS, folder, name);
    file->Attributes = faArchive | (attributes & 0x3F);
    return file;
}

TMFSFolder* TMFSSession::ForceFolders(const std::string& path) {
    // A session whose file system is gone has no folder to stand in.
    if (!FCurrentFolder)
        throw EMFSError(Format(SPathNotFound, path));
    if (path.empty())
        return FCurrentFolder;
    const std::string p = TMFS::NormalizeSlashes(path);
    if (p == "\\")
        return FMFS->Root();
    const std::string trimmed = TMFS::ExcludeTrailingBackslash(p);
    TMFSFolder* parent = ForceFolders(TMFS::ExtractPath(trimmed));
    const std::string name = TMFS::ExtractName(trimmed);
    if (TMFSItem* item = parent->Child(name)) {
        if (!item->IsFolder())
            throw EMFSError(Format(SFileExists, path));
        return item->AsFolder();
    }
    // Two separators in a row would make a folder without a name, and ".." above the
    // root one that could never be found again.
    if (name.empty() || name == "." || name == "..")
        throw EMFSError(Format(SIncorrectFileName, path));
    return new TMFSFolder(FMFS, parent, name);
}

std::unique_ptr<TMFSFileStream> TMFSSession::CreateFileStream(const std::string& path, int mode,
                                                              uint32_t flags) {
    TMFSFile* file = nullptr;
    switch (mode) {
    case fmCreateNew:
        file = CreateFile(path, flags & 0x3F, false);
        break;
    case fmCreateAlways:
        file = CreateFile(path, flags & 0x3F, true);
        file->Content.clear();
        break;
    case fmOpenExisting:
        file = OpenFile(path);
        break;
    case fmOpenAlways:
        file = CreateFile(path, flags & 0x3F, true);
        break;
    case fmTruncateExisting:
        file = OpenFile(path);
        file->Content.clear();
        break;
    default:
        throw EMFSError(Format(SIncorrectParams, "TMFSSession.CreateFileStream"));
    }
    if (flags & mfsDeleteOnClose)
        file->DeleteOnClose = true;
    return std::make_unique<TMFSFileStream>(file);
}

void TMFSSession::Delete(const std::string& path) {
    TMFSItem* item = FindItem(TMFS::NormalizeSlashes(path));
    if (item->IsFolder()) {
        TMFSFolder* folder = item->AsFolder();
        if (!folder->Parent())
            throw EMFSError(SCannotDeleteRoot);
        if (folder->ChildCount() > 0)
            throw EMFSError(Format(SFolderNotEmpty, path));
        if (folder == FCurrentFolder)
            FCurrentFolder = folder->Parent();
    }
    delete item;
}

std::string TMFSSession::ExpandPath(const std::string& path) const {
    std::string p = TMFS::NormalizeSlashes(path);
    if (p.empty() || p[0] != '\\')
        p = (FCurrentFolder ? FCurrentFolder->FullPath() : std::string("\\")) + p;
    try {
        return TMFS::NormalizePath(p);
    } catch (const EMFSError&) {
        throw EMFSError(Format(SIncorrectFileName, path));
    }
}

std::string TMFSSession::UniqueName(const std::string& folder, const std::string& prefix,
                                    uint32_t number) const {
    const std::string base = TMFS::IncludeTrailingBackslash(folder) + prefix;
    if (number != 0)
        return base + HexDigits(number);
    for (uint32_t n = 0;; ++n) {
        std::string candidate = base + HexDigits(n);
        if (!Exists(candidate) || n == 0xFFFFFFFFu)
            return candidate;
    }
}

bool TMFSSession::Exists(const std::string& path) const noexcept {
    try {
        FindItem(TMFS::NormalizeSlashes(path));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TMFSSession::FolderExists(const std::string& path) const noexcept {
    try {
        return FindItem(TMFS::NormalizeSlashes(path))->IsFolder();
    } catch (const std::exception&) {
        return false;
    }
}

// ---------------------------------------------------------------------------------
// Streams

TMFSFileStream::TMFSFileStream(TMFSFile* file) : FFile(file) {
    if (FFile)
        FFile->FStreams.push_back(this);
}

TMFSFileStream::~TMFSFileStream() {
    if (!FFile)
        return;
    auto& list = FFile->FStreams;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (FFile->DeleteOnClose)
        delete FFile; // leaves its folder; other streams on it are detached
}

TMFSFile* TMFSFileStream::Target() const {
    if (!FFile)
        throw EMFSError(Format(SFileNotFound, ""));
    return FFile;
}

int32_t TMFSFileStream::Read(void* buffer, int32_t count) {
    TMFSFile* file = Target();
    if (count <= 0)
        return 0;
    const int64_t size = static_cast<int64_t>(file->Content.size());
    const int64_t available = std::max<int64_t>(0, size - FPosition);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, available));
    if (n > 0)
        std::memcpy(buffer, file->Content.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int32_t TMFSFileStream::Write(const void* buffer, int32_t count) {
    TMFSFile* file = Target();
    if (count <= 0)
        return 0;
    const int64_t end = int64_t(FPosition) + count;
    if (end > INT32_MAX)
        throw EMFSError(Format(SIncorrectParams, "TMFSFileStream.Write"));
    if (static_cast<int64_t>(file->Content.size()) < end)
        file->Content.resize(static_cast<size_t>(end));
    std::memcpy(file->Content.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = static_cast<int32_t>(end);
    return count;
}

int64_t TMFSFileStream::Seek(int64_t offset, int origin) {
    TMFSFile* file = Target();
    const int64_t size = static_cast<int64_t>(file->Content.size());
    int64_t position;
    switch (origin) {
    case soBeginning:
        position = offset;
        break;
    case soCurrent:
        position = int64_t(FPosition) + offset;
        break;
    case soEnd:
        position = size + offset; // the usual convention: a negative offset counts back from the end
        break;
    default:
        throw EMFSError(Format(SIncorrectParams, "TMFSFileStream.Seek"));
    }
    FPosition = static_cast<int32_t>(std::clamp<int64_t>(position, 0, std::min<int64_t>(size, INT32_MAX)));
    return FPosition;
}

void TMFSFileStream::SetSize(int64_t newSize) {
    TMFSFile* file = Target();
    if (newSize < 0 || newSize > INT32_MAX)
        throw EMFSError(Format(SIncorrectParams, "TMFSFileStream.SetSize"));
    file->Content.resize(static_cast<size_t>(newSize));
    if (FPosition > newSize)
        FPosition = static_cast<int32_t>(newSize);
}

int64_t TMFSFileStream::Size() const {
    return static_cast<int64_t>(Target()->Content.size());
}
