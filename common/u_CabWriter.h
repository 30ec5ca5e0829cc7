// Writing cabinets. The members go into one folder compressed with MSZIP: the folder's
// data is cut into blocks of 32 KB, each stored as "CK" and a raw deflate stream. The
// blocks are deflated on several threads at once and written in their order, so the
// cabinet is the same, byte for byte, whatever the number of threads. The members'
// contents are taken in pieces as they come (TCabinetWriter::Write), so a caller can pack
// what it produces without ever holding it whole.
#pragma once

#include "u_Exception.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A failure of the writer: more or fewer bytes than announced, too much for one cabinet,
// a failure of the compressor.
class ECabWriteError : public Exception {
public:
    using Exception::Exception;
};

// Uncompressed bytes per block of a folder.
constexpr uint32_t CabBlockSize = 32768;

struct TCabMemberInfo {
    std::string Name;
    uint64_t Size = 0;
    uint32_t Time = 0;       // packed date (high word) and time (low word)
    uint16_t Attributes = 0; // 0x80 (a name in UTF-8) is added for a name beyond ASCII
};

struct TCabPackOptions {
    // Threads that deflate blocks; 0 is one per core of the machine.
    unsigned Jobs = 0;
    // Deflates each block with the 32 KB before it as its dictionary (the decoders keep
    // that history): a few per cent smaller on text, but each block costs more to deflate
    // and its output is no longer the one of an independent block.
    bool ChainBlocks = false;
    // Called on the writing thread after each block written: the uncompressed bytes
    // packed so far and the total.
    std::function<void(uint64_t packed, uint64_t total)> Progress;
};

// The threads a pack with Jobs uses: Jobs, or one per core (at least one) for 0.
unsigned CabPackThreads(unsigned jobs);

class TCabinetWriter {
public:
    // Announces the members in order; their contents follow through Write. Raises
    // ECabWriteError when they cannot go into one cabinet (more than 65535 members or
    // blocks, or 4 GB).
    explicit TCabinetWriter(std::vector<TCabMemberInfo> members, TCabPackOptions options = {});
    ~TCabinetWriter();
    TCabinetWriter(const TCabinetWriter&) = delete;
    TCabinetWriter& operator=(const TCabinetWriter&) = delete;

    // The next bytes of the members' contents, one member after the other.
    void Write(std::string_view bytes);
    // The whole cabinet. ECabWriteError when the bytes written are not the sizes
    // announced; a failure of a thread is raised here (or by Write).
    std::string Finish();

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

struct TCabMember {
    TCabMemberInfo Info; // Info.Size is taken from Content
    std::string_view Content;
};

// A cabinet of members whose contents are at hand.
std::string WriteCabinet(const std::vector<TCabMember>& members, TCabPackOptions options = {});

// The checksum of a data block of a cabinet: Data's 32-bit little-endian words combined
// by exclusive or into Seed, the 1 to 3 bytes left over taken most significant first.
uint32_t CabChecksum(std::string_view data, uint32_t seed = 0) noexcept;
