#include "u_CabWriter.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

static const char* const SCabTooManyMembers = "A cabinet holds at most 65535 files, not %zu";
static const char* const SCabTooBig = "%llu bytes do not fit into one cabinet";
static const char* const SCabSizeMismatch = "The cabinet's files announced %llu bytes, but %llu came";
static const char* const SCabDeflateFailed = "The compressor failed (zlib error %d)";

namespace {

// Sizes of the fixed parts of a cabinet: header, folder entry, file entry (without its
// name) and data block header.
constexpr size_t HeaderSize = 36;
constexpr size_t FolderEntrySize = 8;
constexpr size_t FileEntrySize = 16;
constexpr size_t BlockHeaderSize = 8;
constexpr uint16_t CompressMSZIP = 1;
constexpr uint16_t AttributeNameIsUtf8 = 0x80;
constexpr uint32_t MaxBlocks = 0xFFFF;
// A block's compressed data never exceeds its uncompressed size by more than this (the
// "CK" and the headers of a stored deflate block).
constexpr size_t BlockSlack = 64;
// The header of a stored deflate block: its type byte, the length and its complement.
constexpr size_t StoredHeaderSize = 5;

void Put16(std::string& b, size_t at, uint32_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(std::string& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
void Append16(std::string& b, uint32_t v) {
    b.append(2, '\0');
    Put16(b, b.size() - 2, v);
}
void Append32(std::string& b, uint32_t v) {
    b.append(4, '\0');
    Put32(b, b.size() - 4, v);
}

// One deflate state per thread, reset for every block (setting it up anew would clear
// and allocate its tables each time).
class TBlockDeflater {
public:
    TBlockDeflater() {
        // Raw deflate (negative window bits), the library's default level and memory.
        FReady = deflateInit2(&FStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~TBlockDeflater() {
        if (FReady)
            deflateEnd(&FStream);
    }
    TBlockDeflater(const TBlockDeflater&) = delete;
    TBlockDeflater& operator=(const TBlockDeflater&) = delete;

    // The data block (header with checksum, "CK", deflated bytes) of Raw.
    std::string Block(std::string_view raw, std::string_view dictionary) {
        if (!FReady)
            throw ECabWriteError(Format(SCabDeflateFailed, Z_MEM_ERROR));
        int rc = deflateReset(&FStream);
        if (rc == Z_OK && !dictionary.empty())
            rc = deflateSetDictionary(&FStream, reinterpret_cast<const Bytef*>(dictionary.data()),
                                      static_cast<uInt>(dictionary.size()));
        std::string block(BlockHeaderSize + 2 + deflateBound(&FStream, static_cast<uLong>(raw.size())), '\0');
        block[BlockHeaderSize] = 'C';
        block[BlockHeaderSize + 1] = 'K';
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
        FStream.avail_in = static_cast<uInt>(raw.size());
        FStream.next_out = reinterpret_cast<Bytef*>(block.data() + BlockHeaderSize + 2);
        FStream.avail_out = static_cast<uInt>(block.size() - BlockHeaderSize - 2);
        if (rc == Z_OK)
            rc = deflate(&FStream, Z_FINISH);
        if (rc != Z_STREAM_END)
            throw ECabWriteError(Format(SCabDeflateFailed, rc));
        block.resize(block.size() - FStream.avail_out);
        if (block.size() - BlockHeaderSize - 2 > raw.size() + StoredHeaderSize) {
            // Bytes that do not compress: the deflater cuts them into several stored
            // blocks; one stored block (final, with the length and its complement) is
            // shorter, and is what other writers give.
            block.resize(BlockHeaderSize + 2);
            block += '\x01';
            Append16(block, static_cast<uint32_t>(raw.size()));
            Append16(block, static_cast<uint32_t>(~raw.size() & 0xFFFF));
            block += raw;
        }
        const uint32_t compressed = static_cast<uint32_t>(block.size() - BlockHeaderSize);
        Put16(block, 4, compressed);
        Put16(block, 6, static_cast<uint32_t>(raw.size()));
        const uint32_t sum = CabChecksum(std::string_view(block).substr(4, 4),
                                         CabChecksum(std::string_view(block).substr(BlockHeaderSize)));
        Put32(block, 0, sum);
        return block;
    }

private:
    z_stream FStream{};
    bool FReady = false;
};

std::string DeflateBlock(std::string_view raw, std::string_view dictionary) {
    thread_local TBlockDeflater deflater;
    return deflater.Block(raw, dictionary);
}

// A fixed set of threads running tasks in the order they come.
class TWorkers {
public:
    explicit TWorkers(unsigned count) {
        for (unsigned i = 0; i < count; ++i)
            FThreads.emplace_back([this] { Run(); });
    }
    ~TWorkers() {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FStop = true;
            FTasks.clear(); // nobody waits for what has not begun
        }
        FWake.notify_all();
        for (std::thread& t : FThreads)
            t.join();
    }
    std::future<std::string> Submit(std::function<std::string()> work) {
        std::packaged_task<std::string()> task(std::move(work));
        std::future<std::string> result = task.get_future();
        {
            std::lock_guard<std::mutex> lock(FLock);
            FTasks.push_back(std::move(task));
        }
        FWake.notify_one();
        return result;
    }

private:
    void Run() {
        for (;;) {
            std::packaged_task<std::string()> task;
            {
                std::unique_lock<std::mutex> lock(FLock);
                FWake.wait(lock, [this] { return FStop || !FTasks.empty(); });
                if (FStop)
                    return;
                task = std::move(FTasks.front());
                FTasks.pop_front();
            }
            task();
        }
    }
    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<std::packaged_task<std::string()>> FTasks;
    std::vector<std::thread> FThreads;
    bool FStop = false;
};

} // namespace

uint32_t CabChecksum(std::string_view data, uint32_t seed) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const size_t whole = data.size() / 4;
    uint32_t sum = seed;
    for (size_t i = 0; i < whole; ++i, p += 4)
        sum ^= uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    uint32_t rest = 0;
    switch (data.size() % 4) {
    case 3:
        rest |= uint32_t(*p++) << 16;
        [[fallthrough]];
    case 2:
        rest |= uint32_t(*p++) << 8;
        [[fallthrough]];
    case 1:
        rest |= uint32_t(*p);
        break;
    default:
        break;
    }
    return sum ^ rest;
}

unsigned CabPackThreads(unsigned jobs) {
    if (jobs != 0)
        return jobs;
    return std::max(1u, std::thread::hardware_concurrency());
}

struct TCabinetWriter::TState {
    TCabPackOptions Options;
    uint64_t Total = 0;   // announced
    uint64_t Written = 0; // taken through Write
    uint64_t Packed = 0;  // in blocks appended to the cabinet
    std::string Cabinet;
    std::shared_ptr<std::string> Current;  // the block being filled
    std::shared_ptr<std::string> Previous; // the block before it (the dictionary of the next)
    std::unique_ptr<TWorkers> Workers;     // none with one thread: blocks deflated in place
    std::deque<std::pair<std::future<std::string>, uint32_t>> Pending; // in order, with raw sizes
    size_t Window = 1; // blocks deflating at most at once

    void Append(const std::string& block, uint32_t rawSize) {
        Cabinet += block;
        Packed += rawSize;
        if (Options.Progress)
            Options.Progress(Packed, Total);
    }
    void Drain(size_t keep) {
        while (Pending.size() > keep) {
            auto [future, rawSize] = std::move(Pending.front());
            Pending.pop_front();
            Append(future.get(), rawSize);
        }
    }
    void Dispatch() {
        std::shared_ptr<const std::string> raw = std::move(Current);
        std::shared_ptr<const std::string> dictionary = Options.ChainBlocks ? Previous : nullptr;
        Previous = std::const_pointer_cast<std::string>(raw);
        const uint32_t size = static_cast<uint32_t>(raw->size());
        if (!Workers) {
            Append(DeflateBlock(*raw, dictionary ? std::string_view(*dictionary) : std::string_view()), size);
        } else {
            Drain(Window - 1);
            Pending.emplace_back(Workers->Submit([raw, dictionary] {
                                     return DeflateBlock(*raw, dictionary ? std::string_view(*dictionary)
                                                                          : std::string_view());
                                 }),
                                 size);
        }
        Current = std::make_shared<std::string>();
        Current->reserve(CabBlockSize);
    }
};

TCabinetWriter::TCabinetWriter(std::vector<TCabMemberInfo> members, TCabPackOptions options)
    : FState(std::make_unique<TState>()) {
    TState& s = *FState;
    if (members.size() > 0xFFFF)
        throw ECabWriteError(Format(SCabTooManyMembers, members.size()));
    size_t tableSize = 0;
    for (const TCabMemberInfo& m : members) {
        s.Total += m.Size;
        tableSize += FileEntrySize + m.Name.size() + 1;
    }
    const uint64_t blocks = (s.Total + CabBlockSize - 1) / CabBlockSize;
    const uint64_t bound = HeaderSize + FolderEntrySize + tableSize + blocks * (BlockHeaderSize + BlockSlack) + s.Total;
    if (blocks > MaxBlocks || s.Total > 0xFFFFFFFFu || bound > 0xFFFFFFFFu)
        throw ECabWriteError(Format(SCabTooBig, static_cast<unsigned long long>(s.Total)));

    // Header, folder and file table; the cabinet's size goes in at the end. The whole
    // bound is reserved: pages never written to are never taken from the system.
    std::string& c = s.Cabinet;
    c.reserve(static_cast<size_t>(bound));
    c += "MSCF";
    Append32(c, 0);                                                   // reserved
    Append32(c, 0);                                                   // size of the cabinet, later
    Append32(c, 0);                                                   // reserved
    Append32(c, static_cast<uint32_t>(HeaderSize + FolderEntrySize)); // first file entry
    Append32(c, 0);                                                   // reserved
    c += '\x03';                                                      // version 1.3
    c += '\x01';
    Append16(c, 1); // folders
    Append16(c, static_cast<uint32_t>(members.size()));
    Append16(c, 0); // flags: no reserved fields, no previous or next cabinet
    Append16(c, 0); // set id
    Append16(c, 0); // number in the set
    Append32(c, static_cast<uint32_t>(HeaderSize + FolderEntrySize + tableSize)); // first data block
    Append16(c, static_cast<uint32_t>(blocks));
    Append16(c, CompressMSZIP);
    uint64_t offset = 0;
    for (const TCabMemberInfo& m : members) {
        uint32_t attributes = m.Attributes;
        if (std::any_of(m.Name.begin(), m.Name.end(), [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; }))
            attributes |= AttributeNameIsUtf8;
        Append32(c, static_cast<uint32_t>(m.Size));
        Append32(c, static_cast<uint32_t>(offset));
        Append16(c, 0); // folder
        Append16(c, m.Time >> 16);
        Append16(c, m.Time & 0xFFFF);
        Append16(c, attributes);
        c += m.Name;
        c += '\0';
        offset += m.Size;
    }

    s.Options = std::move(options);
    const unsigned threads = CabPackThreads(s.Options.Jobs);
    if (threads > 1 && blocks > 1) {
        s.Workers = std::make_unique<TWorkers>(threads);
        s.Window = 2 * size_t{threads} + 2;
    }
    s.Current = std::make_shared<std::string>();
    s.Current->reserve(CabBlockSize);
}

TCabinetWriter::~TCabinetWriter() {
    if (FState) {
        // Stop the threads before the blocks they may still read go.
        FState->Workers.reset();
    }
}

void TCabinetWriter::Write(std::string_view bytes) {
    TState& s = *FState;
    if (bytes.size() > s.Total - s.Written)
        throw ECabWriteError(Format(SCabSizeMismatch, static_cast<unsigned long long>(s.Total),
                                    static_cast<unsigned long long>(s.Written + bytes.size())));
    s.Written += bytes.size();
    while (!bytes.empty()) {
        const size_t n = std::min<size_t>(bytes.size(), CabBlockSize - s.Current->size());
        s.Current->append(bytes.data(), n);
        bytes.remove_prefix(n);
        if (s.Current->size() == CabBlockSize)
            s.Dispatch();
    }
}

std::string TCabinetWriter::Finish() {
    TState& s = *FState;
    if (s.Written != s.Total)
        throw ECabWriteError(Format(SCabSizeMismatch, static_cast<unsigned long long>(s.Total),
                                    static_cast<unsigned long long>(s.Written)));
    if (!s.Current->empty())
        s.Dispatch();
    s.Drain(0);
    s.Workers.reset();
    Put32(s.Cabinet, 8, static_cast<uint32_t>(s.Cabinet.size()));
    return std::move(s.Cabinet);
}

std::string WriteCabinet(const std::vector<TCabMember>& members, TCabPackOptions options) {
    std::vector<TCabMemberInfo> infos;
    infos.reserve(members.size());
    for (const TCabMember& m : members) {
        infos.push_back(m.Info);
        infos.back().Size = m.Content.size();
    }
    TCabinetWriter writer(std::move(infos), std::move(options));
    for (const TCabMember& m : members)
        writer.Write(m.Content);
    return writer.Finish();
}
