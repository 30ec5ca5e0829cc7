#include "u_Resources.h"

#include "u_BookLayout.h"
#include "u_HostPlatform.h"
#include "u_Stream.h"
#include "u_Utf8.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

// ---- Little-endian access ----

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t AlignUp(uint64_t v, uint64_t a) {
    return (v + a - 1) / a * a;
}
bool IsPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// ---- Header layout (PE/COFF: PE32, and PE32+ for 64-bit programs) ----

constexpr size_t kFileHeaderSize = 20;
constexpr size_t kOptionalHeaderSize = 224;   // IMAGE_OPTIONAL_HEADER32 with 16 data directories
constexpr size_t kOptionalHeaderSize64 = 240; // IMAGE_OPTIONAL_HEADER64 with 16 data directories
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kDirectoryCount = 16;
constexpr uint32_t kDirCertificates = 4;
constexpr uint32_t kDirResources = 2;
constexpr uint32_t kDirDebug = 6;
constexpr size_t kDebugEntrySize = 28;
constexpr uint32_t kHighBit = 0x80000000u;

// Offsets inside the optional header, the same in both forms up to the checksum; the
// 64-bit form's wider stack and heap sizes move the data directories by 16 bytes.
constexpr size_t kOptMagic = 0, kOptSizeOfInitializedData = 8, kOptSectionAlignment = 32,
                 kOptFileAlignment = 36, kOptSizeOfImage = 56, kOptCheckSum = 64,
                 kOptNumberOfRvaAndSizes = 92, kOptDataDirectory = 96, kOpt64Shift = 16;
// Offsets inside a section header.
constexpr size_t kSecVirtualSize = 8, kSecVirtualAddress = 12, kSecSizeOfRawData = 16,
                 kSecPointerToRawData = 20, kSecPointerToRelocations = 24, kSecPointerToLinenumbers = 28;

struct TSection {
    uint32_t VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData;
    bool HasRawData() const { return SizeOfRawData != 0 && PointerToRawData != 0; }
    uint32_t VirtualExtent() const { return VirtualSize != 0 ? VirtualSize : SizeOfRawData; }
};

// A failure to report: errno-style code and the detail text.
struct TFailure {
    int Code;
    std::string Text;
};

thread_local TFailure gLastError{0, std::string()};

void SetLastError(int code, std::string text) {
    gLastError.Code = code;
    gLastError.Text = std::move(text);
}

[[noreturn]] void FailFormat(const std::string& fileName, const std::string& detail) {
    throw TFailure{ENOEXEC, Format("\"%s\" is not a sound 32-bit Windows program: %s", fileName, detail)};
}
[[noreturn]] void FailSection(const std::string& fileName, const std::string& detail) {
    throw TFailure{ENOEXEC, Format("The resource section of \"%s\" is damaged: %s", fileName, detail)};
}
[[noreturn]] void FailOS(int code, const std::string& fileName) {
    throw TFailure{code, Format("%s: \"%s\"", SysErrorMessage(code), fileName)};
}

// The checked headers of a PE32 or PE32+ file image.
struct TPEHeaders {
    size_t NtOffset = 0;       // "PE\0\0"
    size_t FileHeader = 0;     // IMAGE_FILE_HEADER
    size_t OptionalHeader = 0; // IMAGE_OPTIONAL_HEADER32 or IMAGE_OPTIONAL_HEADER64
    size_t DataDirectory = 0;  // offset of the data directories in the optional header
    size_t SectionTable = 0;
    size_t HeadersEnd = 0; // end of the section table
    uint32_t FileAlignment = 0, SectionAlignment = 0;
    std::vector<TSection> Sections;
    size_t Resource = 0; // index of the resource section
    uint32_t DirVA[kDirectoryCount] = {}, DirSize[kDirectoryCount] = {};

    int64_t DebugPos = -1; // file position of the debug directory entries, -1 for none
    uint64_t DebugCount = 0;

    const TSection& Rsrc() const { return Sections[Resource]; }
};

// The file position of an address range inside the raw data of a section, or -1.
int64_t FilePosition(const TPEHeaders& h, uint32_t rva, uint64_t length, size_t fileSize) {
    for (const TSection& s : h.Sections) {
        if (!s.HasRawData() || rva < s.VirtualAddress)
            continue;
        const uint64_t off = rva - s.VirtualAddress;
        if (off + length <= s.SizeOfRawData && uint64_t{s.PointerToRawData} + off + length <= fileSize)
            return static_cast<int64_t>(s.PointerToRawData + off);
    }
    return -1;
}

// The number of debug directory entries the way the platform's own editor counts them.
uint64_t DebugEntryCount(uint32_t size) {
    return size % kDebugEntrySize == 0 ? size / kDebugEntrySize : size;
}

// Reads and checks the headers of the image; raises TFailure with a clear reason.
TPEHeaders ReadHeaders(const uint8_t* v, size_t size, const std::string& fileName) {
    TPEHeaders h;
    if (size < 64 || v[0] != 'M' || v[1] != 'Z')
        FailFormat(fileName, "it does not start with \"MZ\"");
    const uint64_t lfanew = Get32(v + 0x3C);
    if (lfanew + 4 + kFileHeaderSize + 2 > size)
        FailFormat(fileName, "its headers point outside the file");
    h.NtOffset = static_cast<size_t>(lfanew);
    if (std::memcmp(v + h.NtOffset, "PE\0\0", 4) != 0)
        FailFormat(fileName, "the \"PE\" signature is missing");
    h.FileHeader = h.NtOffset + 4;
    h.OptionalHeader = h.FileHeader + kFileHeaderSize;
    const uint16_t magic = Get16(v + h.OptionalHeader + kOptMagic);
    if (magic != 0x10B && magic != 0x20B)
        FailFormat(fileName, "unknown optional header");
    const bool wide = magic == 0x20B;
    const uint16_t sizeOfOptional = Get16(v + h.FileHeader + 16);
    if (sizeOfOptional != (wide ? kOptionalHeaderSize64 : kOptionalHeaderSize))
        FailFormat(fileName, "unexpected size of the optional header");
    h.DataDirectory = kOptDataDirectory + (wide ? kOpt64Shift : 0);
    const uint16_t count = Get16(v + h.FileHeader + 2);
    h.SectionTable = h.OptionalHeader + sizeOfOptional;
    h.HeadersEnd = h.SectionTable + size_t{count} * kSectionHeaderSize;
    if (h.HeadersEnd > size)
        FailFormat(fileName, "its headers point outside the file");
    if (count == 0 || count > 96)
        FailFormat(fileName, "bad number of sections");
    const uint8_t* opt = v + h.OptionalHeader;
    if (Get32(opt + kOptNumberOfRvaAndSizes + (wide ? kOpt64Shift : 0)) < kDirectoryCount)
        FailFormat(fileName, "too few data directories");
    h.FileAlignment = Get32(opt + kOptFileAlignment);
    h.SectionAlignment = Get32(opt + kOptSectionAlignment);
    if (!IsPowerOfTwo(h.FileAlignment) || h.FileAlignment > 0x10000 || !IsPowerOfTwo(h.SectionAlignment) ||
        h.SectionAlignment < h.FileAlignment)
        FailFormat(fileName, "bad file or section alignment");
    for (uint32_t i = 0; i < kDirectoryCount; ++i) {
        h.DirVA[i] = Get32(opt + h.DataDirectory + 8 * i);
        h.DirSize[i] = Get32(opt + h.DataDirectory + 8 * i + 4);
    }
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* s = v + h.SectionTable + size_t{i} * kSectionHeaderSize;
        h.Sections.push_back({Get32(s + kSecVirtualSize), Get32(s + kSecVirtualAddress),
                              Get32(s + kSecSizeOfRawData), Get32(s + kSecPointerToRawData)});
    }

    // The resource section: the one that begins at the resource directory.
    const uint32_t rva = h.DirVA[kDirResources];
    auto it = std::find_if(h.Sections.begin(), h.Sections.end(),
                           [rva](const TSection& s) { return s.VirtualAddress == rva; });
    if (rva == 0 || it == h.Sections.end())
        throw TFailure{ENOENT, Format("\"%s\" has no resource section", fileName)};
    h.Resource = static_cast<size_t>(it - h.Sections.begin());
    const TSection& r = h.Rsrc();
    if (r.PointerToRawData == 0 || r.PointerToRawData < h.HeadersEnd)
        FailFormat(fileName, "the resource section has no place of its own in the file");
    const uint64_t rEnd = uint64_t{r.PointerToRawData} + r.SizeOfRawData;
    if (rEnd > size)
        FailFormat(fileName, "the resource section lies outside the file");
    const uint64_t rVirtEnd = AlignUp(uint64_t{r.VirtualAddress} + r.VirtualExtent(), h.SectionAlignment);
    for (size_t i = 0; i < h.Sections.size(); ++i) {
        if (i == h.Resource)
            continue;
        const TSection& s = h.Sections[i];
        if (s.HasRawData() && s.PointerToRawData < rEnd &&
            uint64_t{s.PointerToRawData} + s.SizeOfRawData > r.PointerToRawData)
            FailFormat(fileName, "a section overlaps the resource section in the file");
        if (s.HasRawData() && s.PointerToRawData < h.HeadersEnd)
            FailFormat(fileName, "a section overlaps the headers");
        if (s.VirtualAddress > r.VirtualAddress && s.VirtualAddress < rVirtEnd)
            FailFormat(fileName, "a section overlaps the resource section in memory");
        if (s.VirtualAddress < r.VirtualAddress &&
            uint64_t{s.VirtualAddress} + s.VirtualExtent() > r.VirtualAddress)
            FailFormat(fileName, "a section overlaps the resource section in memory");
    }
    if (h.DirSize[kDirDebug] != 0) {
        h.DebugCount = DebugEntryCount(h.DirSize[kDirDebug]);
        h.DebugPos = FilePosition(h, h.DirVA[kDirDebug], h.DebugCount * kDebugEntrySize, size);
        if (h.DebugPos < 0)
            FailFormat(fileName, "the debug directory lies outside the file");
        if (static_cast<uint64_t>(h.DebugPos) < rEnd &&
            static_cast<uint64_t>(h.DebugPos) + h.DebugCount * kDebugEntrySize > r.PointerToRawData)
            FailFormat(fileName, "the debug directory lies inside the resource section");
    }
    return h;
}

} // namespace

// ---- Resource tree ----

// One node of the resource tree: a directory (type or name level) or a data node
// (language level). Children are held named first (ascending by code units), then
// numbered (ascending); data nodes ascending by language.
struct TResItem {
    uint32_t Id = 0;     // number of a numbered entry; language of a data node
    std::u16string Name; // name of a named entry
    bool Named = false;
    std::vector<std::unique_ptr<TResItem>> Children;
    std::string Data; // new data held by this node
    bool IsDir = false;
    // directory
    uint32_t Characteristics = 0, TimeDateStamp = 0;
    uint16_t MajorVersion = 0, MinorVersion = 0;
    uint32_t NamedCount = 0, NumberedCount = 0;
    // data node: the bytes (inside the mapped file, in Data, or held by the caller)
    const uint8_t* Source = nullptr;
    bool Stored = false; // Source points at the stored bytes inside the mapped file
    uint32_t Size = 0, CodePage = 0, Reserved = 0;
    // layout scratch of a commit
    uint32_t TableOffset = 0;

    bool Matches(const TResName& n) const {
        return n.IsText() ? (Named && Name == n.Text()) : (!Named && n.IsNumber() && Id == n.Number());
    }
};

namespace {

void SortTree(TResItem& dir);

// Reads the resource tree from a section with checks: every structure inside the
// section, no two structures overlapping (which also rules out loops), exactly three
// levels (type, name, language).
class TTreeReader {
public:
    TTreeReader(const uint8_t* section, uint32_t size, uint32_t va, const std::string& fileName)
        : FSec(section), FSize(size), FVA(va), FFile(fileName) {}

    std::unique_ptr<TResItem> ReadRoot() {
        auto root = std::make_unique<TResItem>();
        ReadDirectory(*root, 0, 0);
        SortTree(*root);
        return root;
    }

private:
    const uint8_t* FSec;
    uint32_t FSize, FVA;
    const std::string& FFile;
    std::map<uint64_t, uint64_t> FUsed; // start -> end of every structure read
    size_t FNodes = 0;

    void Claim(uint64_t start, uint64_t length, const char* what) {
        if (start + length > FSize)
            FailSection(FFile, Format("%s lies outside the section", what));
        if (length == 0)
            return;
        auto next = FUsed.lower_bound(start);
        if (next != FUsed.end() && next->first < start + length)
            FailSection(FFile, Format("%s overlaps another structure", what));
        if (next != FUsed.begin() && std::prev(next)->second > start)
            FailSection(FFile, Format("%s overlaps another structure", what));
        FUsed.emplace(start, start + length);
    }

    void ReadDirectory(TResItem& dir, uint32_t offset, int level) {
        if (uint64_t{offset} + 16 > FSize)
            FailSection(FFile, "a directory lies outside the section");
        const uint8_t* d = FSec + offset;
        dir.IsDir = true;
        dir.Characteristics = Get32(d);
        dir.TimeDateStamp = Get32(d + 4);
        dir.MajorVersion = Get16(d + 8);
        dir.MinorVersion = Get16(d + 10);
        const uint32_t count = uint32_t{Get16(d + 12)} + Get16(d + 14);
        // The header and its entry table are one structure, claimed before any entry is followed.
        Claim(offset, 16 + uint64_t{count} * 8, "a directory");
        bool seenNumbered = false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = d + 16 + 8 * i;
            const uint32_t nameField = Get32(e), target = Get32(e + 4);
            auto child = std::make_unique<TResItem>();
            if (++FNodes > FSize)
                FailSection(FFile, "too many entries");
            if (nameField & kHighBit) {
                if (seenNumbered || level == 2)
                    FailSection(FFile, "a named entry stands where only numbered ones belong");
                child->Named = true;
                child->Name = ReadName(nameField & ~kHighBit);
                ++dir.NamedCount;
            } else {
                seenNumbered = true;
                child->Id = nameField;
                ++dir.NumberedCount;
            }
            if (target & kHighBit) {
                if (level == 2)
                    FailSection(FFile, "directories nest deeper than type, name and language");
                ReadDirectory(*child, target & ~kHighBit, level + 1);
            } else {
                if (level != 2)
                    FailSection(FFile, "a data entry stands where a directory belongs");
                ReadDataEntry(*child, target);
            }
            dir.Children.push_back(std::move(child));
        }
    }

    std::u16string ReadName(uint32_t offset) {
        if (uint64_t{offset} + 2 > FSize)
            FailSection(FFile, "a name lies outside the section");
        const uint32_t length = Get16(FSec + offset);
        Claim(offset, 2 + uint64_t{length} * 2, "a name");
        std::u16string name(length, u'\0');
        for (uint32_t i = 0; i < length; ++i)
            name[i] = static_cast<char16_t>(Get16(FSec + offset + 2 + 2 * i));
        return name;
    }

    void ReadDataEntry(TResItem& node, uint32_t offset) {
        Claim(offset, 16, "a data entry");
        const uint8_t* e = FSec + offset;
        const uint32_t rva = Get32(e);
        node.Size = Get32(e + 4);
        node.CodePage = Get32(e + 8);
        node.Reserved = Get32(e + 12);
        if (rva < FVA)
            FailSection(FFile, "resource data lies outside the section");
        Claim(rva - FVA, node.Size, "resource data");
        node.Source = FSec + (rva - FVA);
        node.Stored = true;
    }
};

// ---- Tree edits ----

// The canonical order of a directory's children: named ones first, ascending by code
// units; then numbered ones (and data nodes) ascending by number.
bool ChildBefore(const std::unique_ptr<TResItem>& a, const std::unique_ptr<TResItem>& b) {
    if (a->Named != b->Named)
        return a->Named;
    return a->Named ? a->Name < b->Name : a->Id < b->Id;
}

// Puts every directory's children in the canonical order (stable, so that entries a
// damaged file lists twice keep their order). Lookups can then halve the list.
void SortTree(TResItem& dir) {
    std::stable_sort(dir.Children.begin(), dir.Children.end(), ChildBefore);
    for (auto& c : dir.Children)
        if (c->IsDir)
            SortTree(*c);
}

// Where a child named n is, or belongs, in dir's ordered list: the named children are
// the first NamedCount entries.
size_t ChildPosition(const TResItem& dir, const TResName& n) {
    const auto& list = dir.Children;
    const auto namedEnd =
        list.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(dir.NamedCount, list.size()));
    if (n.IsText())
        return static_cast<size_t>(
            std::lower_bound(list.begin(), namedEnd, n.Text(),
                             [](const std::unique_ptr<TResItem>& c, const std::u16string& name) {
                                 return c->Name < name;
                             }) -
            list.begin());
    return static_cast<size_t>(
        std::lower_bound(namedEnd, list.end(), uint32_t{n.Number()},
                         [](const std::unique_ptr<TResItem>& c, uint32_t id) { return c->Id < id; }) -
        list.begin());
}

TResItem* FindChild(TResItem& dir, const TResName& n, size_t* index = nullptr) {
    if (n.IsNone())
        return nullptr;
    const size_t pos = ChildPosition(dir, n);
    if (pos < dir.Children.size() && dir.Children[pos]->Matches(n)) {
        if (index)
            *index = pos;
        return dir.Children[pos].get();
    }
    return nullptr;
}

// The child of dir matching n, inserted at its place when missing.
TResItem* FindOrInsertDirectory(TResItem& dir, const TResName& n) {
    if (TResItem* c = FindChild(dir, n))
        return c;
    const size_t pos = ChildPosition(dir, n);
    auto item = std::make_unique<TResItem>();
    item->IsDir = true;
    if (n.IsText()) {
        item->Named = true;
        item->Name = n.Text();
        ++dir.NamedCount;
    } else {
        item->Id = n.Number();
        ++dir.NumberedCount;
    }
    TResItem* raw = item.get();
    dir.Children.insert(dir.Children.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
    return raw;
}

// The data node of a language under a name directory, or where it belongs.
size_t LanguagePosition(const TResItem& name, uint32_t language) {
    return static_cast<size_t>(
        std::lower_bound(name.Children.begin(), name.Children.end(), language,
                         [](const std::unique_ptr<TResItem>& c, uint32_t id) { return c->Id < id; }) -
        name.Children.begin());
}

void RemoveChild(TResItem& dir, size_t index) {
    if (dir.Children[index]->Named)
        --dir.NamedCount;
    else
        --dir.NumberedCount;
    dir.Children.erase(dir.Children.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace

// ---- Update handle ----

struct TResourceUpdate {
    std::string FileName; // as given, for messages
    std::string Path;     // the file written (symbolic links resolved)
    THostHandle Fd = NoHostHandle;
    THostMapping Mapping;
    const uint8_t* View = nullptr;
    size_t ViewSize = 0;
    std::unique_ptr<TResItem> Root;

    ~TResourceUpdate() {
        Root.reset();
        Release();
    }
    // Lets the file go: its mapping, then the file itself.
    void Release() {
        Mapping.Unmap();
        View = nullptr;
        HostCloseFile(Fd);
        Fd = NoHostHandle;
    }
};

namespace {

// Opens and maps a file. Write access takes the exclusive lock of an update.
void OpenAndMap(TResourceUpdate& u, bool forUpdate) {
    if (const int error = HostRealPath(u.FileName, u.Path))
        FailOS(error, u.FileName);
    // Only a regular file is a program: a FIFO would block, a device never end.
    THostStatus st;
    const int result = HostOpenFile(u.Path, forUpdate ? THostOpen::ReadWrite : THostOpen::Read, u.Fd, &st);
    if (result == HostNotRegular)
        FailFormat(u.FileName, "it is not a regular file");
    if (result != 0)
        FailOS(result, u.FileName);
    if (forUpdate) {
        if (const int error = HostLockFile(u.Fd)) {
            if (error == EBUSY)
                throw TFailure{EBUSY, Format("The file \"%s\" is in use by another update", u.FileName)};
            FailOS(error, u.FileName);
        }
    }
    if (st.Size < 64)
        FailFormat(u.FileName, "it does not start with \"MZ\"");
    if (st.Size > 0xFFFFFFFFu)
        FailFormat(u.FileName, "it is larger than 4 GB");
    u.ViewSize = static_cast<size_t>(st.Size);
    if (const int error = u.Mapping.Map(u.Fd, u.ViewSize))
        FailOS(error, u.FileName);
    u.View = u.Mapping.Data();
}

std::unique_ptr<TResItem> ReadTree(const TResourceUpdate& u, const TPEHeaders& h) {
    const TSection& r = h.Rsrc();
    TTreeReader reader(u.View + r.PointerToRawData, r.SizeOfRawData, r.VirtualAddress, u.FileName);
    return reader.ReadRoot();
}

template <typename F>
bool Guard(F&& f) {
    try {
        f();
        return true;
    } catch (const TFailure& e) {
        SetLastError(e.Code, e.Text);
    } catch (const std::bad_alloc&) {
        SetLastError(ENOMEM, SysErrorMessage(ENOMEM));
    } catch (const std::exception& e) {
        SetLastError(EIO, e.what());
    }
    return false;
}

// ---- Checksum ----

// Plain (unfolded) sum of the 16-bit little-endian words that the bytes form at the
// given file offset; a byte at an odd offset is the high byte of its word.
static_assert(std::endian::native == std::endian::little, "the checksum reads words in host order");

uint64_t WordSum(const uint8_t* p, size_t n, uint64_t offset) {
    uint64_t sum = 0;
    if (n && (offset & 1)) {
        sum += uint64_t{*p} << 8;
        ++p;
        --n;
    }
    const size_t words = n / 2;
    // Four words at a time through 64-bit loads (little-endian host), summed in two
    // 32-bit lanes that are emptied before they can overflow; memcpy keeps unaligned
    // reads defined.
    size_t i = 0;
    while (i + 4 <= words) {
        uint64_t lanes = 0;
        const size_t end = std::min(words - (words - i) % 4, i + 4 * 16384);
        for (; i < end; i += 4) {
            uint64_t x;
            std::memcpy(&x, p + 2 * i, 8);
            lanes += (x & 0x0000FFFF0000FFFFull) + ((x >> 16) & 0x0000FFFF0000FFFFull);
        }
        sum += (lanes & 0xFFFFFFFFu) + (lanes >> 32);
    }
    for (; i < words; ++i)
        sum += Get16(p + 2 * i);
    if (n & 1)
        sum += p[n - 1];
    return sum;
}

uint32_t FoldChecksum(uint64_t sum, uint64_t length) {
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + length);
}

// ---- Output file ----

class TOutput {
public:
    TOutput(const std::string& path, const std::string& fileName) : FFile(fileName) {
        if (const int code = HostCreateBeside(path, FPath, FFd)) {
            // No new copy beside the file (a full disk, a read-only folder): the file is
            // never written over in place, so nothing happens to it.
            throw TFailure{code,
                           Format("Cannot write the new \"%s\" beside it: %s", FFile, SysErrorMessage(code))};
        }
    }
    ~TOutput() {
        HostCloseFile(FFd);
        if (!FDone)
            HostRemoveFile(FPath);
    }
    uint64_t Position() const { return FPos; }
    uint64_t Sum() const { return FSum; }

    void Write(const uint8_t* p, size_t n) {
        FSum += WordSum(p, n, FPos);
        WriteUnsummed(p, n);
    }
    void Zeros(uint64_t n) {
        static const uint8_t zero[4096] = {};
        while (n) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, sizeof zero));
            Write(zero, k);
            n -= k;
        }
    }
    // Copies N bytes of the source file from From to the current position. Never
    // through the mapping, so that the bytes do not count as this process's memory: the
    // kernel copies them when the host offers it, else they go through a small buffer.
    // With Summed they are also read for the checksum.
    void Copy(THostHandle src, uint64_t from, uint64_t n, bool summed) {
        if (!summed) {
            // Bytes that need not be read go to the kernel in one piece, as cp does.
            const uint64_t done = KernelCopy(src, from, n);
            from += done;
            n -= done;
        }
        while (n) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, kCopyChunk));
            ReadChunk(src, from, k);
            size_t done = 0;
            if (summed) {
                FSum += WordSum(FBuffer.data(), k, FPos);
                done = static_cast<size_t>(KernelCopy(src, from, k));
            }
            WriteUnsummed(FBuffer.data() + done, k - done);
            from += k;
            n -= k;
        }
    }
    // The word sum of N bytes of a file from From (at their own position's parity).
    uint64_t SumOfFile(THostHandle src, uint64_t from, uint64_t n) {
        uint64_t sum = 0;
        while (n) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, kCopyChunk));
            ReadChunk(src, from, k);
            sum += WordSum(FBuffer.data(), k, from);
            from += k;
            n -= k;
        }
        return sum;
    }
    void WriteAt(uint64_t pos, const uint8_t* p, size_t n) {
        if (const int error = HostWriteAt(FFd, p, n, pos))
            FailOS(error, FFile);
    }
    // Makes the file complete and durable, gives it the old file's owner, group and
    // permissions and puts it in the old file's place.
    void Replace(const std::string& target, const THostStatus& old) {
        if (const int error = HostCopyOwnerAndMode(FFd, old))
            FailOS(error, FFile);
        if (const int error = HostSyncFile(FFd))
            FailOS(error, FFile);
        HostCloseFile(FFd);
        FFd = NoHostHandle;
        if (const int error = HostReplaceFile(FPath, target))
            FailOS(error, FFile);
        FDone = true;
    }

private:
    // Every write names its position: the file offset is never used.
    void WriteUnsummed(const uint8_t* p, size_t n) {
        WriteAt(FPos, p, n);
        FPos += n;
    }
    // Copies up to N bytes of the source file from From to the current position in the
    // kernel; returns how many it copied (fewer when the kernel does not offer it here,
    // and none from then on).
    uint64_t KernelCopy(THostHandle src, uint64_t from, uint64_t n) {
        uint64_t done = 0;
        if (FKernelCopy && n > 0) {
            const int error = HostCopyRange(src, from, FFd, FPos, n, done);
            if (error == ENOSYS)
                FKernelCopy = false; // not offered here: the rest through the buffer
            else if (error != 0)
                FailOS(error, FFile);
        }
        FPos += done;
        return done;
    }
    // K bytes of the source file from From into the buffer.
    void ReadChunk(THostHandle src, uint64_t from, size_t k) {
        if (FBuffer.size() < kCopyChunk)
            FBuffer.resize(kCopyChunk);
        if (const int code = HostReadAt(src, FBuffer.data(), k, from))
            FailOS(code, FFile);
    }

    static constexpr size_t kCopyChunk = 1 << 20;
    std::string FFile, FPath;
    THostHandle FFd = NoHostHandle;
    uint64_t FPos = 0, FSum = 0;
    bool FKernelCopy = true, FDone = false;
    std::vector<uint8_t> FBuffer; // read buffer of Copy
};

// A change of bytes in the copied parts of the file: new content at a file position
// of the new file, and the old content it replaces.
struct TPatch {
    uint64_t Position;
    std::vector<uint8_t> Old, New;
};

struct TLayout {
    uint32_t TableSize = 0, NameSize = 0;
    uint64_t DataSize = 0;
    std::vector<TResItem*> DataNodes; // in the order their entries are written
};

void AssignTables(TResItem& dir, uint64_t& offset, TLayout& l) {
    dir.TableOffset = static_cast<uint32_t>(offset);
    offset += 16 + 8 * uint64_t{dir.Children.size()};
    for (auto& c : dir.Children) {
        if (c->Named)
            l.NameSize += static_cast<uint32_t>(2 + 2 * c->Name.size());
        if (c->IsDir) {
            AssignTables(*c, offset, l);
        } else {
            c->TableOffset = static_cast<uint32_t>(offset);
            offset += 16;
            l.DataNodes.push_back(c.get());
            l.DataSize += AlignUp(c->Size, 4);
        }
    }
}

void WriteTables(const TResItem& dir, uint8_t* buf, uint32_t& nameOffset, uint32_t& dataOffset, uint32_t va) {
    uint8_t* d = buf + dir.TableOffset;
    Put32(d, dir.Characteristics);
    Put32(d + 4, dir.TimeDateStamp);
    Put16(d + 8, dir.MajorVersion);
    Put16(d + 10, dir.MinorVersion);
    Put16(d + 12, dir.NamedCount);
    Put16(d + 14, dir.NumberedCount);
    for (size_t i = 0; i < dir.Children.size(); ++i) {
        const TResItem& c = *dir.Children[i];
        uint8_t* e = d + 16 + 8 * i;
        if (c.Named) {
            Put32(e, nameOffset | kHighBit);
            uint8_t* s = buf + nameOffset;
            Put16(s, static_cast<uint32_t>(c.Name.size()));
            for (size_t k = 0; k < c.Name.size(); ++k)
                Put16(s + 2 + 2 * k, c.Name[k]);
            nameOffset += static_cast<uint32_t>(2 + 2 * c.Name.size());
        } else {
            Put32(e, c.Id);
        }
        Put32(e + 4, c.IsDir ? (c.TableOffset | kHighBit) : c.TableOffset);
    }
    for (const auto& c : dir.Children) {
        if (c->IsDir) {
            WriteTables(*c, buf, nameOffset, dataOffset, va);
        } else {
            uint8_t* e = buf + c->TableOffset;
            Put32(e, va + dataOffset);
            Put32(e + 4, c->Size);
            Put32(e + 8, c->CodePage);
            Put32(e + 12, c->Reserved);
            dataOffset += static_cast<uint32_t>(AlignUp(c->Size, 4));
        }
    }
}

// Each directory counts its named and its numbered children in 16 bits.
bool CountsFit(const TResItem& dir) {
    if (dir.NamedCount > 0xFFFF || dir.NumberedCount > 0xFFFF)
        return false;
    for (const auto& c : dir.Children)
        if (c->IsDir && !CountsFit(*c))
            return false;
    return true;
}

// Rebuilds the resource section of the mapped file into a new file beside it and puts
// the new file in its place.
void Commit(TResourceUpdate& u) {
    const uint8_t* v = u.View;
    const size_t fileSize = u.ViewSize;
    const TPEHeaders h = ReadHeaders(v, fileSize, u.FileName);
    const TSection r = h.Rsrc();

    // Measure the tree.
    if (!CountsFit(*u.Root))
        throw TFailure{EFBIG, Format("Too many resources for \"%s\"", u.FileName)};
    TLayout l;
    uint64_t tableEnd = 0;
    AssignTables(*u.Root, tableEnd, l);
    const uint64_t headerPart = AlignUp(tableEnd + l.NameSize, 4);
    const uint64_t S = headerPart + l.DataSize;
    const uint64_t R = AlignUp(S, h.FileAlignment);
    const uint64_t oldRawEnd = uint64_t{r.PointerToRawData} + r.SizeOfRawData;
    const int64_t fileDelta = static_cast<int64_t>(R) - static_cast<int64_t>(r.SizeOfRawData);
    const uint64_t newSize = static_cast<uint64_t>(static_cast<int64_t>(fileSize) + fileDelta);
    if (tableEnd + l.NameSize >= kHighBit || S > 0x7FFFFFFFu || newSize > 0xFFFFFFFFu ||
        uint64_t{r.VirtualAddress} + AlignUp(S, h.SectionAlignment) > 0xFFFFFFFFu)
        throw TFailure{EFBIG, Format("The resources do not fit into \"%s\"", u.FileName)};
    const int64_t virtDelta = static_cast<int64_t>(AlignUp(S, h.SectionAlignment)) -
                              static_cast<int64_t>(AlignUp(r.VirtualExtent(), h.SectionAlignment));
    auto movedPos = [&](uint64_t pos) {
        return pos >= oldRawEnd ? pos + static_cast<uint64_t>(fileDelta) : pos;
    };

    // Repair the headers in a copy of them.
    std::vector<uint8_t> hdr(v, v + h.HeadersEnd);
    uint8_t* opt = hdr.data() + h.OptionalHeader;
    auto add32 = [](uint8_t* p, int64_t delta, const char* what, const std::string& file) {
        const int64_t value = int64_t{Get32(p)} + delta;
        if (value < 0 || value > 0xFFFFFFFFll)
            throw TFailure{EFBIG, Format("The %s of \"%s\" overflows", what, file)};
        Put32(p, static_cast<uint32_t>(value));
    };
    const uint32_t initData = Get32(opt + kOptSizeOfInitializedData);
    Put32(opt + kOptSizeOfInitializedData, static_cast<uint32_t>(int64_t{initData} + fileDelta));
    add32(opt + kOptSizeOfImage, virtDelta, "image size", u.FileName);
    Put32(opt + kOptCheckSum, 0);
    for (size_t i = 0; i < h.Sections.size(); ++i) {
        uint8_t* s = hdr.data() + h.SectionTable + i * kSectionHeaderSize;
        const TSection& sec = h.Sections[i];
        if (i == h.Resource) {
            Put32(s + kSecSizeOfRawData, static_cast<uint32_t>(R));
            Put32(s + kSecVirtualSize, static_cast<uint32_t>(S));
            continue;
        }
        if (sec.VirtualAddress > r.VirtualAddress)
            add32(s + kSecVirtualAddress, virtDelta, "section address", u.FileName);
        // Sections without raw data have nothing in the file to move.
        if (sec.HasRawData() && sec.PointerToRawData >= oldRawEnd)
            add32(s + kSecPointerToRawData, fileDelta, "section position", u.FileName);
        for (size_t field : {kSecPointerToRelocations, kSecPointerToLinenumbers})
            if (Get32(s + field) >= oldRawEnd)
                add32(s + field, fileDelta, "section position", u.FileName);
    }
    for (uint32_t i = 0; i < kDirectoryCount; ++i) {
        uint8_t* d = opt + h.DataDirectory + 8 * i;
        if (i == kDirResources) {
            Put32(d + 4, static_cast<uint32_t>(S));
        } else if (i == kDirCertificates) {
            // A file position, not an address (any signature is void after an edit anyway).
            if (h.DirVA[i] != 0 && h.DirVA[i] >= oldRawEnd)
                add32(d, fileDelta, "certificate position", u.FileName);
        } else if (h.DirVA[i] > r.VirtualAddress) {
            add32(d, virtDelta, "data directory", u.FileName);
        }
    }
    // The COFF symbol table of an unstripped program is a file position as well.
    uint8_t* fh = hdr.data() + h.FileHeader;
    if (Get32(fh + 8) != 0 && Get32(fh + 8) >= oldRawEnd)
        add32(fh + 8, fileDelta, "symbol table position", u.FileName);

    std::vector<TPatch> patches;
    patches.push_back({0, std::vector<uint8_t>(v, v + h.HeadersEnd), hdr});

    // The debug directory entries that point at moved data.
    if (h.DebugPos >= 0) {
        const uint64_t count = h.DebugCount;
        const int64_t pos = h.DebugPos;
        TPatch p{movedPos(static_cast<uint64_t>(pos)),
                 std::vector<uint8_t>(v + pos, v + pos + count * kDebugEntrySize),
                 {}};
        p.New = p.Old;
        for (uint64_t i = 0; i < count; ++i) {
            uint8_t* e = p.New.data() + i * kDebugEntrySize;
            if (Get32(e + 24) > r.PointerToRawData && Get32(e + 24) >= oldRawEnd)
                add32(e + 24, fileDelta, "debug data position", u.FileName);
            if (Get32(e + 20) != 0 && Get32(e + 20) > r.VirtualAddress)
                add32(e + 20, virtDelta, "debug data address", u.FileName);
        }
        patches.push_back(std::move(p));
    }

    // Table and names of the new section.
    std::vector<uint8_t> tables(static_cast<size_t>(headerPart), 0);
    uint32_t nameOffset = static_cast<uint32_t>(tableEnd), dataOffset = static_cast<uint32_t>(headerPart);
    WriteTables(*u.Root, tables.data(), nameOffset, dataOffset, r.VirtualAddress);

    // The checksum. Every byte that is only copied keeps the parity of its position (the
    // file moves by whole file-alignment units, data blocks by multiples of 4; both are
    // checked), so it adds the same to the old sum and the new one. When the old checksum is plausible, the
    // new one is therefore worked out from it and from the bytes that change, and the copied bytes (the pages
    // of a book) are never read; otherwise every byte is summed.
    const size_t checksumAt = h.OptionalHeader + kOptCheckSum;
    const uint32_t oldChecksum = Get32(v + checksumAt);
    bool incremental = oldChecksum > fileSize && oldChecksum - fileSize <= 0xFFFF && (fileDelta & 1) == 0;
    std::vector<std::pair<uint64_t, uint64_t>> kept; // old file ranges of the copied data blocks
    {
        uint64_t at = r.PointerToRawData + headerPart;
        for (const TResItem* n : l.DataNodes) {
            if (n->Stored) {
                const uint64_t from = static_cast<uint64_t>(n->Source - v);
                incremental = incremental && ((at ^ from) & 1) == 0;
                kept.push_back({from, n->Size});
            }
            at += AlignUp(n->Size, 4);
        }
    }
    std::sort(kept.begin(), kept.end());

    // Write the new file: the part before the section, the new section, the moved tail.
    THostStatus old;
    if (const int error = HostFileStatus(u.Fd, old))
        FailOS(error, u.FileName);
    TOutput out(u.Path, u.FileName);
    const bool summed = !incremental;
    out.Copy(u.Fd, 0, r.PointerToRawData, summed);
    out.Write(tables.data(), tables.size());
    for (const TResItem* n : l.DataNodes) {
        // Data kept from the file is copied from the file, not from its mapping.
        if (n->Stored)
            out.Copy(u.Fd, static_cast<uint64_t>(n->Source - v), n->Size, summed);
        else
            out.Write(n->Source, n->Size);
        out.Zeros(AlignUp(n->Size, 4) - n->Size);
    }
    out.Zeros(R - S);
    out.Copy(u.Fd, oldRawEnd, fileSize - oldRawEnd, summed);
    if (out.Position() != newSize)
        FailOS(EIO, u.FileName);
    uint64_t added = out.Sum(), removed = 0;
    for (const TPatch& p : patches) {
        added += WordSum(p.New.data(), p.New.size(), p.Position);
        removed += WordSum(p.Old.data(), p.Old.size(), p.Position);
        out.WriteAt(p.Position, p.New.data(), p.New.size());
    }
    uint32_t folded;
    if (incremental) {
        // Old sum (checksum field as 0) - old section outside the kept blocks - old
        // patched bytes + what was written + new patched bytes, modulo 0xFFFF as the
        // folding with end-around carry counts.
        removed -= WordSum(v + checksumAt, 4, checksumAt); // the old sum counts the field as 0
        uint64_t at = r.PointerToRawData;
        for (const auto& [from, size] : kept) {
            if (from > at)
                removed += out.SumOfFile(u.Fd, at, from - at);
            at = std::max(at, from + size);
        }
        if (oldRawEnd > at)
            removed += out.SumOfFile(u.Fd, at, oldRawEnd - at);
        const uint64_t oldFolded = oldChecksum - fileSize;
        const uint64_t mod = (oldFolded % 0xFFFF + added % 0xFFFF + 0xFFFF - removed % 0xFFFF) % 0xFFFF;
        folded = static_cast<uint32_t>(mod == 0 ? 0xFFFF : mod) + static_cast<uint32_t>(newSize);
    } else {
        folded = FoldChecksum(added - removed, newSize);
    }
    uint8_t sum[4];
    Put32(sum, folded);
    out.WriteAt(h.OptionalHeader + kOptCheckSum, sum, 4);
    // A host that replaces no file that is open or mapped gets the old one let go
    // first; elsewhere it stays locked until the new one is in its place.
    if (!HostReplacesOpenFiles)
        u.Release();
    out.Replace(u.Path, old);
}

TResourceUpdateHandle OpenForReading(const std::string& fileName, TPEHeaders& h) {
    auto u = std::make_unique<TResourceUpdate>();
    u->FileName = fileName;
    OpenAndMap(*u, false);
    h = ReadHeaders(u->View, u->ViewSize, fileName);
    u->Root = ReadTree(*u, h);
    return u.release();
}

// Finds a resource the way the loader does: name exactly, then upper-cased (ASCII).
TResItem* Lookup(TResItem& dir, const TResName& n) {
    if (TResItem* c = FindChild(dir, n))
        return c;
    if (!n.IsText())
        return nullptr;
    std::u16string upper = n.Text();
    for (char16_t& ch : upper)
        if (ch >= u'a' && ch <= u'z')
            ch = static_cast<char16_t>(ch - 32);
    return FindChild(dir, TResName(upper));
}

const TResItem* LookupData(TResItem& root, const TResName& type, const TResName& name) {
    TResItem* t = Lookup(root, type);
    TResItem* n = t ? Lookup(*t, name) : nullptr;
    if (!n || n->Children.empty())
        return nullptr;
    for (const auto& c : n->Children)
        if (c->Id == 0)
            return c.get();
    return n->Children.front().get();
}

bool UpdateEntry(TResourceUpdateHandle u, const TResName& type, const TResName& name, uint16_t language,
                 const void* data, size_t size, bool copy) {
    return Guard([&] {
        if (!u)
            throw TFailure{EINVAL, "No resource update is open"};
        if (type.IsNone())
            throw TFailure{EINVAL, Format("No resource type given for \"%s\"", u->FileName)};
        TResItem& root = *u->Root;
        if (!data) {
            size_t ti = 0, ni = 0, li = 0;
            TResItem* t = FindChild(root, type, &ti);
            if (!t)
                return;
            TResItem* n = name.IsNone() ? nullptr : FindChild(*t, name, &ni);
            if (n) {
                li = LanguagePosition(*n, language);
                const bool lang = li < n->Children.size() && n->Children[li]->Id == language;
                if (lang)
                    RemoveChild(*n, li);
                else if (language == 0)
                    n->Children.clear();
                else
                    return;
                if (n->Children.empty())
                    RemoveChild(*t, ni);
            } else if (language == 0 && name.IsNone()) {
                t->Children.clear();
            } else {
                return;
            }
            if (t->Children.empty())
                RemoveChild(root, ti);
            return;
        }
        if (name.IsNone())
            throw TFailure{EINVAL, Format("No resource name given for \"%s\"", u->FileName)};
        if (size > 0x7FFFFFFFu)
            throw TFailure{EFBIG, Format("The resource is too large for \"%s\"", u->FileName)};
        TResItem* t = FindOrInsertDirectory(root, type);
        TResItem* n = FindOrInsertDirectory(*t, name);
        const size_t pos = LanguagePosition(*n, language);
        TResItem* node =
            pos < n->Children.size() && n->Children[pos]->Id == language ? n->Children[pos].get() : nullptr;
        if (!node) {
            auto item = std::make_unique<TResItem>();
            node = item.get();
            n->Children.insert(n->Children.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
            ++n->NumberedCount;
        }
        node->Id = language;
        node->Stored = false;
        node->Size = static_cast<uint32_t>(size);
        node->CodePage = 0;
        if (copy) {
            node->Data.assign(static_cast<const char*>(data), size);
            node->Source = reinterpret_cast<const uint8_t*>(node->Data.data());
        } else {
            node->Data.clear();
            node->Source = static_cast<const uint8_t*>(data);
        }
    });
}

} // namespace

// ---- Public interface ----

TResName::TResName(const std::string& text) : FKind(Kind::Text), FText(Utf8ToUtf16(text)) {}

std::string TResName::Display() const {
    switch (FKind) {
    case Kind::Number:
        return "#" + std::to_string(FNumber);
    case Kind::Text:
        return Utf16ToUtf8(FText);
    default:
        return std::string();
    }
}

TResourceUpdateHandle BeginResourceUpdate(const std::string& FileName, bool DeleteExisting) {
    TResourceUpdateHandle result = nullptr;
    Guard([&] {
        auto u = std::make_unique<TResourceUpdate>();
        u->FileName = FileName;
        OpenAndMap(*u, true);
        const TPEHeaders h = ReadHeaders(u->View, u->ViewSize, FileName);
        if (DeleteExisting) {
            u->Root = std::make_unique<TResItem>();
            u->Root->IsDir = true;
        } else {
            u->Root = ReadTree(*u, h);
        }
        result = u.release();
    });
    return result;
}

bool UpdateResourceEntry(TResourceUpdateHandle Handle, const TResName& Type, const TResName& Name,
                         uint16_t Language, const void* Data, size_t Size) {
    return UpdateEntry(Handle, Type, Name, Language, Data, Size, true);
}

bool EndResourceUpdate(TResourceUpdateHandle Handle, bool Discard) {
    if (!Handle) {
        SetLastError(EINVAL, "No resource update is open");
        return false;
    }
    std::unique_ptr<TResourceUpdate> u(Handle);
    if (Discard)
        return true;
    return Guard([&] { Commit(*u); });
}

int ResourceLastErrorCode() {
    return gLastError.Code;
}
const std::string& ResourceLastErrorText() {
    return gLastError.Text;
}

void RaiseResourceLastError() {
    throw EOSError(gLastError.Code,
                   gLastError.Text.empty() ? SysErrorMessage(gLastError.Code) : gLastError.Text);
}

// ---- Writer ----

namespace {
// The number of images of a sound icon file; EResourcesError "Icon is corrupted"
// otherwise (a short header, a type other than 1, a directory or an image beyond the end).
uint32_t CheckIconFile(const std::string& iconFileData) {
    const auto* ico = reinterpret_cast<const uint8_t*>(iconFileData.data());
    const size_t size = iconFileData.size();
    if (size < 6 || Get16(ico + 2) != 1)
        throw EResourcesError("Icon is corrupted");
    const uint32_t count = Get16(ico + 4);
    if (size < 6 + 16 * size_t{count})
        throw EResourcesError("Icon is corrupted");
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = ico + 6 + 16 * i;
        if (uint64_t{Get32(e + 12)} + Get32(e + 8) > size)
            throw EResourcesError("Icon is corrupted");
    }
    return count;
}
} // namespace

struct TResourceWriter::TState {
    TResourceUpdateHandle Handle = nullptr;
    std::vector<std::string> IconGroups; // group bytes built here, alive until the commit
};

TResourceWriter::TResourceWriter(const std::string& FileName) : FState(std::make_unique<TState>()) {
    FState->Handle = BeginResourceUpdate(FileName, false);
    if (!FState->Handle)
        RaiseResourceLastError();
}

TResourceWriter::~TResourceWriter() {
    if (FState->Handle)
        EndResourceUpdate(FState->Handle, true);
}

void TResourceWriter::Write(const TResName& ResType, const TResName& ResName, const std::string& Data) {
    // The caller keeps the data until the commit, so the tree refers to it instead of
    // copying it.
    if (!UpdateEntry(FState->Handle, ResType, ResName, 0, Data.data(), Data.size(), false))
        RaiseResourceLastError();
}

void TResourceWriter::WriteRCData(const TResName& ResName, const std::string& Data) {
    Write(TResName(BookResourceType), ResName, Data);
}

void TResourceWriter::WriteIconGroup(const TResName& GroupName, uint16_t FirstIconId,
                                     const std::string& IconFileData) {
    const auto* ico = reinterpret_cast<const uint8_t*>(IconFileData.data());
    const uint32_t count = CheckIconFile(IconFileData);
    if (uint32_t{FirstIconId} + count > 0x10000)
        throw EResourcesError(Format("Too many images in the icon for \"%s\"", FState->Handle->FileName));

    std::string group(IconFileData.data(), 6);
    group.reserve(6 + 14 * size_t{count});
    for (uint32_t i = 0; i < count; ++i) {
        group.append(IconFileData, 6 + 16 * i, 12);
        const uint32_t id = FirstIconId + i;
        group.push_back(static_cast<char>(id & 0xFF));
        group.push_back(static_cast<char>(id >> 8));
    }
    FState->IconGroups.push_back(std::move(group));
    const std::string& stored = FState->IconGroups.back();
    // The group and its images go in together, so a book never names images it lacks.
    if (!UpdateEntry(FState->Handle, TResName(ResTypeGroupIcon), GroupName, 0, stored.data(), stored.size(),
                     false))
        RaiseResourceLastError();
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = ico + 6 + 16 * i;
        if (!UpdateEntry(FState->Handle, TResName(ResTypeIcon),
                         TResName(static_cast<uint16_t>(FirstIconId + i)), 0, ico + Get32(e + 12),
                         Get32(e + 8), false))
            RaiseResourceLastError();
    }
}

void TResourceWriter::Commit() {
    TResourceUpdateHandle handle = FState->Handle;
    FState->Handle = nullptr;
    if (!EndResourceUpdate(handle, false))
        RaiseResourceLastError();
}

void WriteResource(const std::string& FileName, const TResName& ResType, const TResName& ResName,
                   const std::string& Data) {
    TResourceWriter writer(FileName);
    writer.Write(ResType, ResName, Data);
    writer.Commit();
}

void WriteRCDataResource(const std::string& FileName, const TResName& ResName, const std::string& Data) {
    WriteResource(FileName, TResName(BookResourceType), ResName, Data);
}

void WriteIconGroupResource(const std::string& FileName, const TResName& GroupName, uint16_t FirstIconId,
                            const std::string& IconFileData) {
    CheckIconFile(IconFileData); // a corrupt icon is refused before the file is even opened
    TResourceWriter writer(FileName);
    writer.WriteIconGroup(GroupName, FirstIconId, IconFileData);
    writer.Commit();
}

// ---- Reader ----

TResourceFile::TResourceFile(const std::string& FileName) {
    TPEHeaders h;
    if (!Guard([&] { FHandle = OpenForReading(FileName, h); }))
        RaiseResourceLastError();
}

TResourceFile::~TResourceFile() {
    delete FHandle;
}

const std::string& TResourceFile::FileName() const {
    return FHandle->FileName;
}

uint64_t TResourceFile::Size(const TResName& ResType, const TResName& ResName) const {
    const TResItem* d = LookupData(*FHandle->Root, ResType, ResName);
    return d ? d->Size : 0;
}

std::string TResourceFile::Read(const TResName& ResType, const TResName& ResName, size_t MaxBytes) const {
    std::string result;
    if (const TResItem* d = LookupData(*FHandle->Root, ResType, ResName)) {
        // Read from the file, not through the mapping: a large resource then takes its
        // size in memory once, not twice.
        result.resize(std::min<size_t>(d->Size, MaxBytes));
        const uint64_t at = static_cast<uint64_t>(d->Source - FHandle->View);
        if (const int code = HostReadAt(FHandle->Fd, result.data(), result.size(), at))
            throw EOSError(code, Format("%s: \"%s\"", SysErrorMessage(code), FHandle->FileName));
    }
    return result;
}

std::string TResourceFile::ReadIconGroup(const TResName& GroupName) const {
    TResItem& root = *FHandle->Root;
    const TResItem* g = LookupData(root, TResName(ResTypeGroupIcon), GroupName);
    if (!g || g->Size < 6)
        return std::string();
    const uint8_t* gp = g->Source;
    const uint32_t count = Get16(gp + 4);
    if (g->Size < 6 + 14 * uint64_t{count})
        return std::string();
    std::vector<const TResItem*> images;
    images.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const TResItem* img = LookupData(root, TResName(ResTypeIcon), TResName(Get16(gp + 6 + 14 * i + 12)));
        if (!img)
            return std::string();
        images.push_back(img);
    }
    std::string ico(reinterpret_cast<const char*>(gp), 6);
    uint32_t offset = 6 + 16 * count;
    for (uint32_t i = 0; i < count; ++i) {
        ico.append(reinterpret_cast<const char*>(gp + 6 + 14 * i), 8);
        uint8_t tail[8];
        Put32(tail, images[i]->Size); // the image as stored, whatever the group claims
        Put32(tail + 4, offset);
        ico.append(reinterpret_cast<const char*>(tail), 8);
        offset += images[i]->Size;
    }
    for (const TResItem* img : images)
        ico.append(reinterpret_cast<const char*>(img->Source), img->Size);
    return ico;
}

std::string ReadResource(const std::string& FileName, const TResName& ResType, const TResName& ResName) {
    return TResourceFile(FileName).Read(ResType, ResName);
}

std::string ReadIconGroupResource(const std::string& FileName, const TResName& GroupName) {
    return TResourceFile(FileName).ReadIconGroup(GroupName);
}

uint32_t PEImageChecksum(const void* Data, size_t Size, size_t CheckSumOffset) {
    const auto* p = static_cast<const uint8_t*>(Data);
    uint64_t sum = WordSum(p, Size, 0);
    if (CheckSumOffset + 4 <= Size)
        sum -= WordSum(p + CheckSumOffset, 4, CheckSumOffset);
    return FoldChecksum(sum, Size);
}
