// The in-memory file system: a tree of folders and files whose contents are byte
// strings in memory. It holds a project's files and system stores, a book's two
// stores and the cabinet code's work files. A tree can be written to and read from
// one byte string (the image, "info.mfs" inside a book's cabinets), exported to and
// imported from a host folder, reached by path through sessions and read and written
// through streams. The unit also holds the host-file helpers the editor uses.
#pragma once

#include "u_Exception.h"
#include "u_Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TMFS;
class TMFSFolder;
class TMFSFile;
class TMFSSession;
class TMFSFileStream;
class TMFSImageReader;

// Takes an image piece by piece, in order (TMFS::SaveToSink).
class TMFSImageSink {
public:
    virtual void Write(std::string_view bytes) = 0;

protected:
    ~TMFSImageSink() = default;
};

// Every failure of this unit.
class EMFSError : public Exception {
public:
    using Exception::Exception;
};

// Something in the way of an export (TMFS::ExportToFolder).
class EMFSInTheWay : public EMFSError {
public:
    EMFSInTheWay(const std::string& message, bool replaceable) : EMFSError(message), Replaceable(replaceable) {}
    // An existing file or a link, which an export with Overwrite replaces; false for a
    // folder where a file belongs or a file where a folder belongs.
    bool Replaceable;
};

// File attribute bits as the platform's file dates and attributes know them.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faVolumeID = 0x08;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;

// Modes of TMFSSession::CreateFileStream, numbered as the platform's file-creation
// dispositions.
constexpr int fmCreateNew = 1;
constexpr int fmCreateAlways = 2;
constexpr int fmOpenExisting = 3;
constexpr int fmOpenAlways = 4;
constexpr int fmTruncateExisting = 5;
// Stream flag: the file is destroyed when a stream on it is destroyed.
constexpr uint32_t mfsDeleteOnClose = 0x04000000;

// The image checksum: the bytes padded with blanks to a multiple of 4, each 32-bit
// little-endian word added to the sum, which is then rotated left by one bit.
// The compiler uses it for passwords too. "abc" gives 0x40C6C4C2.
uint32_t MFSChecksum(std::string_view data) noexcept;
// The checksum as 8 upper-case hexadecimal digits.
std::string MFSChecksumText(std::string_view data);

// Packed local date-time of the platform's file dates: bits 31-25 year-1980, 24-21
// month, 20-16 day, 15-11 hour, 10-5 minute, 4-0 seconds/2.
uint32_t DateTimeToFileDate(int64_t unixTime);
uint32_t CurrentFileDate();
// The Unix time of a packed date-time (local time); -1 when it is not a valid date.
int64_t FileDateToDateTime(uint32_t fileDate);

class TMFSItem {
public:
    // Enters the item into the parent's children under its name (when a parent is given).
    TMFSItem(TMFS* mfs, TMFSFolder* parent, const std::string& name);
    // Leaves the parent's children first.
    virtual ~TMFSItem();
    TMFSItem(const TMFSItem&) = delete;
    TMFSItem& operator=(const TMFSItem&) = delete;

    std::string Name;
    uint32_t Time = 0;
    uint32_t Attributes = 0;

    TMFSFolder* Parent() const noexcept { return FParent; }
    TMFS* MFS() const noexcept { return FMFS; }
    bool IsFolder() const noexcept { return FIsFolder; }
    TMFSFolder* AsFolder() noexcept;
    TMFSFile* AsFile() noexcept;
    // Absolute path; a folder's ends with a backslash ("\" for the root).
    virtual std::string FullPath() const;

    // Image form: the record without its type byte.
    virtual void WriteToStream(TMFSImageSink& out) const;
    virtual void ReadFromStream(TMFSImageReader& in);
    // Exports the item as the host file or folder HostPath.
    virtual void SaveToHost(const std::string& hostPath) const = 0;

protected:
    TMFSItem(TMFS* mfs, TMFSFolder* parent, const std::string& name, bool isFolder);

private:
    friend class TMFSFolder;
    TMFSFolder* FParent = nullptr;
    TMFS* FMFS = nullptr;
    bool FIsFolder = false;
};

class TMFSFile : public TMFSItem {
public:
    TMFSFile(TMFS* mfs, TMFSFolder* parent, const std::string& name);
    ~TMFSFile() override;

    std::string Content;
    bool DeleteOnClose = false;

    // A new stream on the file at position 0, owned by the caller.
    std::unique_ptr<TMFSFileStream> OpenStream();

    void WriteToStream(TMFSImageSink& out) const override;
    void ReadFromStream(TMFSImageReader& in) override;
    void SaveToHost(const std::string& hostPath) const override;

private:
    friend class TMFSFileStream;
    std::vector<TMFSFileStream*> FStreams; // open streams, detached when the file goes
};

class TMFSFolder : public TMFSItem {
public:
    TMFSFolder(TMFS* mfs, TMFSFolder* parent, const std::string& name);
    // Destroys the whole subtree.
    ~TMFSFolder() override;

    // The child of that name ignoring case; the folder itself for "."; the parent for
    // ".."; none otherwise.
    TMFSItem* Child(std::string_view name) const;
    // The children in sorted (case-blind collation) order; the list does not own them.
    std::vector<TMFSItem*> Children() const;
    int ChildCount() const;
    // Destroys every child.
    void Clear();
    std::string FullPath() const override;

    void WriteToStream(TMFSImageSink& out) const override;
    void ReadFromStream(TMFSImageReader& in) override;
    void SaveToHost(const std::string& hostPath) const override;

private:
    friend class TMFSItem;
    struct TChildren;
    // Enters an item (already created without a parent) under its name; an item of the
    // same name (ignoring case) is destroyed first.
    void Attach(TMFSItem* item);
    void Detach(TMFSItem* item) noexcept;
    std::unique_ptr<TChildren> FChildren;
};

class TMFSSession {
public:
    // Sessions of a file system are known to it, so that deleting a folder or replacing
    // the tree never leaves a session on a destroyed folder.
    TMFSSession(TMFS* mfs, TMFSFolder* folder);
    ~TMFSSession();
    TMFSSession(const TMFSSession&) = delete;
    TMFSSession& operator=(const TMFSSession&) = delete;

    TMFS* MFS() const noexcept { return FMFS; }
    TMFSFolder* CurrentFolder() const noexcept { return FCurrentFolder; }
    void ChangeFolder(const std::string& path);

    TMFSItem* FindItem(const std::string& path) const;
    TMFSFile* OpenFile(const std::string& path) const;
    TMFSFile* CreateFile(const std::string& path, uint32_t attributes, bool openIfExists);
    TMFSFolder* ForceFolders(const std::string& path);
    std::unique_ptr<TMFSFileStream> CreateFileStream(const std::string& path, int mode, uint32_t flags);
    void Delete(const std::string& path);
    std::string ExpandPath(const std::string& path) const;
    std::string UniqueName(const std::string& folder, const std::string& prefix, uint32_t number) const;
    bool Exists(const std::string& path) const noexcept;
    bool FolderExists(const std::string& path) const noexcept;

private:
    friend class TMFS;
    friend class TMFSFolder;
    TMFSFolder* FolderPart(const std::string& normalized) const;
    TMFS* FMFS;
    TMFSFolder* FCurrentFolder;
};

class TMFS {
public:
    TMFS();
    ~TMFS();
    TMFS(const TMFS&) = delete;
    TMFS& operator=(const TMFS&) = delete;

    TMFSFolder* Root() const noexcept { return FRoot.get(); }
    // The default session, created on first use on the root.
    TMFSSession* Session();
    // A new session owned by the caller, on the given folder or the root.
    std::unique_ptr<TMFSSession> NewSession(TMFSFolder* folder = nullptr);

    std::string SaveToString() const;
    // The size of the image SaveToString gives, without building it.
    uint64_t ImageSize() const;
    // Writes the image through Sink in pieces (the files' contents as they are held),
    // never holding it whole: the tree is walked twice, for the checksum at the front
    // and for the bytes.
    void SaveToSink(TMFSImageSink& sink) const;
    // Checks and reads an image; the old tree stays in place when the image is refused.
    void LoadFromString(std::string_view image);
    void SaveToFolder(const std::string& hostDir) const;
    // Exports the tree into HostDir for a folder that may hold anything (unpacking a
    // book): the folder above HostDir is created when missing and reached as given;
    // from HostDir down no symbolic link is ever followed. Something in the way (an
    // existing file, a link, a folder where a file belongs) raises EMFSInTheWay naming
    // it before anything is written; with Overwrite, files are overwritten and links
    // (or FIFOs, devices) in the way are replaced themselves, never what they point to.
    void ExportToFolder(const std::string& hostDir, bool overwrite) const;
    // Only the looking of ExportToFolder: raises what it would raise before writing.
    void CheckExportToFolder(const std::string& hostDir, bool overwrite) const;
    // Replaces the tree by an import of a host folder. Symbolic links are followed only
    // while they lead to something inside HostDir; one that leads out is skipped. Of two
    // names that differ only in letter case (one name in the tree) the first in byte
    // order is kept. Each skipped link and name is reported in Warnings (when given).
    void LoadFromFolder(const std::string& hostDir, std::vector<std::string>* warnings = nullptr);
    void Clear();

    // Path functions that need no file system.
    static std::string NormalizeSlashes(std::string path);
    static std::string IncludeTrailingBackslash(const std::string& path);
    static std::string ExcludeTrailingBackslash(const std::string& path);
    static std::string ExtractPath(const std::string& path);
    static std::string ExtractName(const std::string& path);
    static std::string ExtractExt(const std::string& path);
    static std::string ChangeExt(const std::string& path, const std::string& ext);
    static std::string NormalizePath(const std::string& path);

private:
    friend class TMFSSession;
    friend class TMFSFolder;
    // Raises EMFSError for a name that would leave its folder when exported.
    void CheckExportNames() const;
    void Export(const std::string& hostDir, bool overwrite, bool write) const;
    friend void ImportHostFolderInto(TMFSFolder* Folder, const std::string& HostDir);
    // Imports a host folder below Target (the walk of LoadFromFolder). With
    // ReplaceExisting an item that Target held before is replaced by the host's item of
    // that name.
    void ImportTree(TMFSFolder* target, const std::string& hostDir, std::vector<std::string>* warnings,
                    bool replaceExisting);
    void ReplaceRoot(std::unique_ptr<TMFSFolder> root);
    // Moves every session standing on Folder to NewFolder.
    void MoveSessions(const TMFSFolder* folder, TMFSFolder* newFolder) noexcept;
    std::unique_ptr<TMFSFolder> FRoot;
    std::unique_ptr<TMFSSession> FSession;
    std::vector<TMFSSession*> FSessions;
};

// Calls Visit with every item below Folder, depth first in listing order (a folder
// before what it holds). Without recursion: a tree imported from a host folder nests as
// deep as the host's folders.
template <typename F>
void ForEachItemBelow(const TMFSFolder* Folder, F&& Visit) {
    struct TFrame {
        std::vector<TMFSItem*> Items;
        size_t Next;
    };
    std::vector<TFrame> stack;
    stack.push_back({Folder->Children(), 0});
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next >= f.Items.size()) {
            stack.pop_back();
            continue;
        }
        TMFSItem* item = f.Items[f.Next++];
        Visit(item);
        if (item->IsFolder())
            stack.push_back({item->AsFolder()->Children(), 0});
    }
}

// Puts the items below Source (a tree read for the purpose, whose files are left empty:
// their contents are moved) below Dest: a folder merges into a folder of the same name
// (letter case ignored), anything else of that name is replaced. Items keep their times
// and attributes.
void MergeTreeInto(TMFSFolder* Source, TMFSFolder* Dest);

// A stream on one file's Content with its own 32-bit position; several may be open on
// one file. Destroying a stream on a file with DeleteOnClose destroys the file.
class TMFSFileStream : public TStream {
public:
    explicit TMFSFileStream(TMFSFile* file);
    ~TMFSFileStream() override;
    TMFSFileStream(const TMFSFileStream&) = delete;
    TMFSFileStream& operator=(const TMFSFileStream&) = delete;

    // None once the file has been destroyed; the stream then raises on every use.
    TMFSFile* File() const noexcept { return FFile; }
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    // Origin soEnd counts back from the size with a negative offset.
    int64_t Seek(int64_t offset, int origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() const override;
    int64_t Position() const override { return FPosition; }

private:
    friend class TMFSFile;
    TMFSFile* Target() const; // raises when the file has been destroyed
    TMFSFile* FFile;
    int32_t FPosition = 0;
};

// Reads an image record by record; never reads past the end.
class TMFSImageReader {
public:
    explicit TMFSImageReader(std::string_view data) : FData(data) {}
    uint32_t ReadUInt32();
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
    uint8_t ReadByte();
    std::string_view ReadBytes(size_t count);
    size_t Remaining() const noexcept { return FData.size() - FPos; }
    int Depth = 0; // folder nesting while reading

private:
    std::string_view FData;
    size_t FPos = 0;
};

// Host helpers.
// The whole content of a host file (opened for reading; others may read and write).
// Raises the host stream's errors (EFOpenError "Cannot open file \"%s\". %s", ...).
std::string ReadFileText(const std::string& fileName);
// Creates the folder part of FileName (with missing parents), then creates or
// overwrites the file with Text. Raises EFCreateError "Cannot create file \"%s\". %s"
// or EWriteError.
void WriteFileText(const std::string& text, const std::string& fileName);
// Clears the attribute bits Mask on the folder and everything below; true when every
// change succeeded (stops at the first failure).
bool ClearAttributesTree(const std::string& hostDir, uint32_t mask);
// Deletes everything below the folder, then the folder; true when the folder is gone.
bool DeleteTree(const std::string& hostDir);
// Imports a host folder's content into a folder of a store, as LoadFromFolder does for
// the whole tree: an item of the same name (letter case ignored) is replaced, items
// the host folder does not hold stay.
void ImportHostFolderInto(TMFSFolder* Folder, const std::string& HostDir);
// Creates a host folder and its missing parents; raises EFCreateError on failure.
void ForceHostFolders(const std::string& hostDir);
// True when Path (canonical) is Folder (canonical) or lies below it.
bool IsWithinHostFolder(const std::string& path, const std::string& folder);
// Joins a host folder and a name with "/".
std::string HostPathJoin(const std::string& dir, const std::string& name);
// The names in a host folder ("" is the current folder), without "." and "..", in the
// order the host gives them; false (with errno set) when the folder cannot be read.
bool ListHostFolder(const std::string& hostDir, std::vector<std::string>& names);
