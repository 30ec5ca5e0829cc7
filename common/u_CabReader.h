// Reading cabinets of the published cabinet format: the header, the folder and file
// tables, and the data blocks of a folder, stored or compressed with MSZIP. An MSZIP
// block is "CK" followed by a raw deflate stream, which may refer to the 32 KB that the
// block before it produced; zlib's raw inflate decodes it with those bytes as its
// dictionary. This is how every platform reads the book's cabinets; it never reads
// outside the bytes given, and a member may produce at most what its entry claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Header flags and the folder index of a file continued from another cabinet.
constexpr uint16_t cfhdrPREV_CABINET = 0x0001;
constexpr uint16_t cfhdrNEXT_CABINET = 0x0002;
constexpr uint16_t cfhdrRESERVE_PRESENT = 0x0004;
constexpr uint16_t ifoldCONTINUED_FROM_PREV = 0xFFFD;
// Compression types of a folder (the low four bits).
constexpr uint16_t tcompTYPE_NONE = 0;
constexpr uint16_t tcompTYPE_MSZIP = 1;

// One file entry of the cabinet.
struct TCabEntry {
    size_t Offset;         // of the entry within the cabinet
    uint32_t Size;         // uncompressed, as the entry claims
    uint32_t FolderOffset; // where the file begins in its folder's uncompressed data
    uint16_t Folder;
    uint16_t Date;
    uint16_t Time;
    uint16_t Attributes;
    std::string Name;
};

// One folder entry: its data blocks and how they are compressed.
struct TCabFolder {
    uint32_t DataOffset; // of the first data block within the cabinet
    uint16_t Blocks;
    uint16_t Compression;
};

// The tables of a cabinet as far as they could be read.
struct TCabTable {
    bool IsCabinet = false;     // the signature and a whole fixed header
    bool TableComplete = false; // every folder and file entry lies inside the bytes
    uint32_t Size = 0;          // as the header claims
    uint8_t VersionMinor = 0, VersionMajor = 0;
    uint16_t Flags = 0;
    uint16_t Files = 0;         // as the header claims
    uint8_t DataReserve = 0;    // bytes reserved in every data block
    std::vector<TCabFolder> Folders;
    std::vector<TCabEntry> Entries;

    // The cabinet belongs to a set spanning several files.
    bool Spanned() const;
};

// True for bytes that begin as a cabinet does ("MSCF"): how a book's pages resource
// tells a cabinet from an enciphered one.
bool IsCabinetData(std::string_view Data);

// Reads the header and the tables.
TCabTable ReadCabTable(std::string_view Cabinet);

// Why a member could not be decoded: the decompressor's error codes.
enum class TCabDecodeResult {
    Ok,
    UnknownVersion, // FDIERROR_UNKNOWN_CABINET_VERSION
    Corrupt,        // FDIERROR_CORRUPT_CABINET: tables or offsets outside the cabinet
    BadCompression, // FDIERROR_BAD_COMPR_TYPE: neither stored nor MSZIP
    DataFailure,    // FDIERROR_MDI_FAIL: a data block that does not decode as it claims
};

// The bytes of a decoded member, in a buffer of its size that is written once (never
// cleared first: a big member costs one pass over its bytes, not two).
class TCabContent {
public:
    const char* Data() const noexcept { return FData.get(); }
    size_t Size() const noexcept { return FSize; }
    std::string_view View() const noexcept { return std::string_view(FData.get(), FSize); }
    // Room for Size bytes, their values left undefined until written.
    char* Allocate(size_t Size);
    void Clear() noexcept;

private:
    std::unique_ptr<char[]> FData;
    size_t FSize = 0;
};

// Decodes the bytes of Entry (an entry of Table, read from Cabinet) into Content. The
// member's folder is decoded from its first block up to the member's end; a data block
// whose checksum is set must match it.
TCabDecodeResult DecodeCabMember(std::string_view Cabinet, const TCabTable& Table, const TCabEntry& Entry,
                                 TCabContent& Content);
// The same into a string.
TCabDecodeResult DecodeCabMember(std::string_view Cabinet, const TCabTable& Table, const TCabEntry& Entry,
                                 std::string& Content);
