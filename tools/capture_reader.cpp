#include "tools/capture_reader.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palisor {

namespace {

// The largest record the tool reads itself: a frame of the largest snapshot length libpcap allows
// for these link types with its record header, or a block of the next-generation format. Anything
// longer is left to libpcap.
// (The fuzz target builds the reader with a smaller limit, so that its small inputs reach it.)
#ifndef PALISOR_CAPTURE_MAX_RECORD
#define PALISOR_CAPTURE_MAX_RECORD (std::size_t(1) << 20)
#endif
constexpr std::uint32_t kMaxSnapshot = 262144;
constexpr std::size_t kMaxRecord = PALISOR_CAPTURE_MAX_RECORD;
constexpr int kBlocks = 3;

// Link types whose frames the replay tool can open.
bool KnownLinkType(std::uint32_t type) {
    switch (type) {
    case 0:   // BSD loopback
    case 1:   // Ethernet
    case 101: // raw IP
    case 108: // OpenBSD loopback
    case 113: // Linux cooked
    case 228: // raw IPv4
    case 229: // raw IPv6
    case 276: // Linux cooked v2
        return true;
    default:
        return false;
    }
}

std::uint32_t EffectiveSnapshot(std::uint32_t snapshot) {
    return snapshot == 0 || snapshot > kMaxSnapshot ? kMaxSnapshot : snapshot;
}

// Reads a file ahead in blocks, on a thread of its own. Each block has room before its data for
// what is left over of the block before it, so that a record which straddles two blocks can be
// made whole in front of the second.
class BlockSource {
public:
    struct Block {
        // Headroom, then the data; left as it comes, so that only what is read into costs pages.
        unsigned char* memory = nullptr;
        std::size_t length = 0; // of the data
    };

    // Takes the descriptor over (and sets the caller's to -1), also when it throws.
    BlockSource(int& descriptor, std::size_t blockBytes) : descriptor_(descriptor), blockBytes_(blockBytes) {
        descriptor = -1;
        try {
            for (Block& block : blocks_) {
                block.memory = new unsigned char[kMaxRecord + blockBytes];
                free_.push_back(&block);
            }
            thread_ = std::thread([this] { Run(); });
        } catch (...) {
            Release();
            throw;
        }
    }

    ~BlockSource() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
        Release();
    }

    BlockSource(const BlockSource&) = delete;
    BlockSource& operator=(const BlockSource&) = delete;

    static std::size_t headroom() { return kMaxRecord; }

    // The next block in file order, or null at the end of the file or after a failed read.
    Block* Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !filled_.empty() || finished_; });
        if (filled_.empty())
            return nullptr;
        Block* block = filled_.front();
        filled_.pop_front();
        return block;
    }

    void Give(Block* block) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(block);
        }
        changed_.notify_all();
    }

    bool failed() {
        std::lock_guard<std::mutex> lock(mutex_);
        return failed_;
    }

private:
    void Release() {
        ::close(descriptor_);
        for (Block& block : blocks_)
            delete[] block.memory;
    }

    void Run() {
        bool failed = false;
        for (;;) {
            Block* block = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return stop_ || !free_.empty(); });
                if (stop_)
                    break;
                block = free_.front();
                free_.pop_front();
            }
            unsigned char* data = block->memory + kMaxRecord;
            std::size_t length = 0;
            while (length < blockBytes_) {
                const ssize_t got = ::read(descriptor_, data + length, blockBytes_ - length);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0) {
                    failed = got < 0;
                    break;
                }
                length += std::size_t(got);
            }
            block->length = length;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                (length != 0 ? filled_ : free_).push_back(block);
            }
            changed_.notify_all();
            if (length < blockBytes_)
                break;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            failed_ = failed;
            finished_ = true;
        }
        changed_.notify_all();
    }

    int descriptor_;
    std::size_t blockBytes_;
    Block blocks_[kBlocks];
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block*> free_;
    std::deque<Block*> filled_;
    bool stop_ = false;
    bool finished_ = false; // nothing more is read
    bool failed_ = false;
    std::thread thread_;
};

} // namespace

// The tool's own reading of a classic or next-generation capture file.
class CaptureReader::OwnReader {
public:
    enum class Step { Frame, End, Unsure };

    OwnReader(int& descriptor, std::size_t blockBytes) : source_(descriptor, blockBytes) {}
    ~OwnReader() {
        if (current_)
            source_.Give(current_);
    }

    // Reads the file's header (for the next-generation format, up to its first interface); false
    // when the tool does not read this file itself.
    bool Start() {
        const unsigned char* header = Need(4);
        if (!header)
            return false;
        const std::uint32_t magic = Raw32(header);
        if (magic == 0xA1B2C3D4 || magic == 0xA1B23C4D || magic == 0xD4C3B2A1 || magic == 0x4D3CB2A1)
            return StartClassic(magic == 0xD4C3B2A1 || magic == 0x4D3CB2A1);
        if (magic == 0x0A0D0D0A)
            return StartNext();
        return false;
    }

    int linkType() const { return int(linkType_); }
    // Where in the file the reading stands: the start of the record it was not sure of.
    std::uint64_t offset() const { return offset_; }

    Step Next(const unsigned char*& frame, std::size_t& length) {
        return next_ ? NextBlock(frame, length) : NextRecord(frame, length);
    }

private:
    // At least n bytes at the reading position, or null when the file ends (or fails) before them.
    const unsigned char* Need(std::size_t n) {
        while (std::size_t(end_ - at_) < n) {
            const std::size_t rest = std::size_t(end_ - at_);
            if (n > BlockSource::headroom() || ended_)
                return nullptr;
            BlockSource::Block* next = source_.Take();
            if (!next) {
                ended_ = true;
                return nullptr;
            }
            unsigned char* start = next->memory + BlockSource::headroom() - rest;
            if (rest != 0)
                std::memcpy(start, at_, rest);
            if (current_)
                source_.Give(current_);
            current_ = next;
            at_ = start;
            end_ = next->memory + BlockSource::headroom() + next->length;
        }
        return at_;
    }
    void Advance(std::size_t n) {
        at_ += n;
        offset_ += n;
    }
    // True when the file ended cleanly at the reading position.
    bool CleanEnd() { return at_ == end_ && Need(1) == nullptr && !source_.failed(); }

    std::uint32_t Raw32(const unsigned char* p) const {
        std::uint32_t value = 0;
        std::memcpy(&value, p, 4);
        return value;
    }
    std::uint32_t U32(const unsigned char* p) const {
        const std::uint32_t value = Raw32(p);
        return swapped_ ? __builtin_bswap32(value) : value;
    }
    std::uint16_t U16(const unsigned char* p) const {
        std::uint16_t value = 0;
        std::memcpy(&value, p, 2);
        return swapped_ ? __builtin_bswap16(value) : value;
    }

    bool StartClassic(bool swapped) {
        swapped_ = swapped;
        const unsigned char* header = Need(24);
        if (!header || U16(header + 4) != 2 || U16(header + 6) != 4)
            return false;
        snapshot_ = EffectiveSnapshot(U32(header + 16));
        linkType_ = U32(header + 20);
        if (!KnownLinkType(linkType_))
            return false;
        swappedCooked_ = swapped_ && Cooked(linkType_);
        Advance(24);
        return true;
    }

    static bool Cooked(std::uint32_t linkType) { return linkType == 113 || linkType == 276; }

    // In a file written in the other byte order, libpcap turns parts of Linux cooked frames that
    // carry one of Linux's own protocols rather than an EtherType (the identifier of a CAN frame)
    // into the reading machine's byte order. Such a frame is left to libpcap.
    bool RewrittenByLibpcap(const unsigned char* frame, std::size_t length) const {
        const std::size_t protocol = linkType_ == 113 ? 14 : 0;
        return length >= protocol + 2 && ((unsigned(frame[protocol]) << 8) | frame[protocol + 1]) < 0x0600;
    }

    Step NextRecord(const unsigned char*& frame, std::size_t& length) {
        const unsigned char* header = Need(16);
        if (!header)
            return CleanEnd() ? Step::End : Step::Unsure;
        const std::uint32_t captured = U32(header + 8);
        if (captured > snapshot_ || !Need(16 + std::size_t(captured)))
            return Step::Unsure;
        if (swappedCooked_ && RewrittenByLibpcap(at_ + 16, captured))
            return Step::Unsure;
        frame = at_ + 16;
        length = captured;
        Advance(16 + std::size_t(captured));
        return Step::Frame;
    }

    // A whole block at the reading position: its type, and its length, which is checked.
    const unsigned char* Block(std::uint32_t& type, std::uint32_t& length) {
        const unsigned char* head = Need(8);
        if (!head)
            return nullptr;
        type = U32(head);
        length = U32(head + 4);
        if (length < 12 || length % 4 != 0 || length > kMaxRecord)
            return nullptr;
        const unsigned char* block = Need(length);
        if (!block || U32(block + length - 4) != length)
            return nullptr;
        return block;
    }

    bool StartNext() {
        next_ = true;
        const unsigned char* head = Need(12);
        if (!head)
            return false;
        const std::uint32_t order = Raw32(head + 8);
        if (order != 0x1A2B3C4D && order != 0x4D3C2B1A)
            return false;
        swapped_ = order == 0x4D3C2B1A;
        std::uint32_t type = 0;
        std::uint32_t length = 0;
        const unsigned char* section = Block(type, length);
        if (!section || length < 28 || U16(section + 12) != 1 || U16(section + 14) != 0)
            return false;
        Advance(length);
        // Up to the first interface; no packet may come before it.
        for (;;) {
            const unsigned char* block = Block(type, length);
            if (!block)
                return false;
            if (type == 1)
                return AddInterface(block, length);
            if (type == 0x0A0D0D0A || type == 2 || type == 3 || type == 6)
                return false;
            Advance(length);
        }
    }

    // The first interface description block: a link type the tool reads, and only options whose
    // values cannot be refused.
    bool AddInterface(const unsigned char* block, std::uint32_t length) {
        if (length < 20)
            return false;
        const std::uint32_t type = U16(block + 8);
        if (!KnownLinkType(type))
            return false;
        linkType_ = type;
        swappedCooked_ = swapped_ && Cooked(linkType_);
        snapshot_ = EffectiveSnapshot(U32(block + 12));
        // The options up to the end of options, which has no value. Those that say how to read the
        // time stamps come at most once each: the time resolution, of which the tool takes only
        // powers of ten up to nanoseconds, and the time offset, of eight bytes. Everything else is
        // left to libpcap, which refuses such interfaces.
        std::size_t option = 16;
        const std::size_t optionsEnd = length - 4;
        bool resolution = false;
        bool offset = false;
        while (option + 4 <= optionsEnd) {
            const std::uint16_t code = U16(block + option);
            const std::size_t size = U16(block + option + 2);
            if (code == 0) {
                if (size != 0)
                    return false;
                break;
            }
            const std::size_t padded = (size + 3) & ~std::size_t(3);
            if (option + 4 + padded > optionsEnd)
                return false;
            if (code == 9) {
                if (resolution || size != 1 || block[option + 4] > 9)
                    return false;
                resolution = true;
            }
            if (code == 14) {
                if (offset || size != 8)
                    return false;
                offset = true;
            }
            option += 4 + padded;
        }
        interfaces_ = 1;
        Advance(length);
        return true;
    }

    Step NextBlock(const unsigned char*& frame, std::size_t& length) {
        for (;;) {
            std::uint32_t type = 0;
            std::uint32_t blockLength = 0;
            const unsigned char* block = Block(type, blockLength);
            if (!block)
                return CleanEnd() ? Step::End : Step::Unsure;
            switch (type) {
            case 6: { // enhanced packet
                if (blockLength < 32)
                    return Step::Unsure;
                const std::uint32_t interface = U32(block + 8);
                const std::uint32_t captured = U32(block + 20);
                if (interface >= interfaces_ || captured > snapshot_ ||
                    32 + ((std::size_t(captured) + 3) & ~std::size_t(3)) > blockLength)
                    return Step::Unsure;
                if (swappedCooked_ && RewrittenByLibpcap(block + 28, captured))
                    return Step::Unsure;
                frame = block + 28;
                length = captured;
                Advance(blockLength);
                return Step::Frame;
            }
            case 1:          // a further interface: libpcap has rules of its own for those
            case 0x0A0D0D0A: // a new section, simple and obsolete packet blocks
            case 2:
            case 3:
                return Step::Unsure;
            default: // statistics, names, custom blocks: nothing to replay
                Advance(blockLength);
                continue;
            }
        }
    }

    BlockSource source_;
    BlockSource::Block* current_ = nullptr;
    const unsigned char* at_ = nullptr;
    const unsigned char* end_ = nullptr;
    std::uint64_t offset_ = 0;
    bool ended_ = false;
    bool next_ = false; // the next-generation format
    bool swapped_ = false;
    bool swappedCooked_ = false; // Linux cooked frames in a file of the other byte order
    std::uint32_t linkType_ = 0;
    std::uint32_t snapshot_ = kMaxSnapshot;
    std::uint32_t interfaces_ = 0;
};

CaptureReader::CaptureReader(std::size_t blockBytes) : blockBytes_(blockBytes) {}

CaptureReader::~CaptureReader() {
    ClosePcap();
}

void CaptureReader::ClosePcap() {
    if (pcap_)
        pcap_close(pcap_);
    pcap_ = nullptr;
}

bool CaptureReader::Open(const char* path) {
    path_ = path;
    delivered_ = 0;
    if (std::strcmp(path, "-") != 0) {
        int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            error_ = path_ + ": " + std::strerror(errno);
            return false;
        }
        struct stat status {};
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
            // Without the memory or the thread for its own reading, the tool leaves the file to
            // libpcap.
            try {
                own_ = std::make_unique<OwnReader>(descriptor, blockBytes_);
                if (own_->Start()) {
                    linkType_ = own_->linkType();
                    return true;
                }
            } catch (const std::exception&) {
            }
            own_.reset();
        }
        if (descriptor >= 0)
            ::close(descriptor);
    }
    return OpenWithLibpcap(0, 0);
}

bool CaptureReader::OpenWithLibpcap(std::uint64_t skipFrames, std::uint64_t offset) {
    char error[PCAP_ERRBUF_SIZE] = {};
    if (path_ == "-") {
        pcap_ = pcap_open_offline(path_.c_str(), error);
    } else {
        std::FILE* file = std::fopen(path_.c_str(), "rb");
        if (!file) {
            error_ = path_ + ": " + std::strerror(errno);
            return false;
        }
        // A large buffer of its own: a few hundred reads instead of tens of thousands. libpcap
        // closes the file with the capture.
        std::setvbuf(file, nullptr, _IOFBF, std::size_t(1) << 20);
        pcap_ = pcap_fopen_offline(file, error);
        if (!pcap_)
            std::fclose(file);
    }
    if (!pcap_) {
        error_ = error;
        return false;
    }
    linkType_ = pcap_datalink(pcap_);
    // libpcap has read the file's header (up to the first interface), as the tool's own reading
    // had; what came after that up to the offset were frames and blocks that leave libpcap's state
    // as it is. So it goes on at the offset, without reading those frames again; where the file
    // cannot be positioned, it steps over them.
    if (offset != 0 && skipFrames != 0) {
        std::FILE* file = pcap_file(pcap_);
        if (file && fseeko(file, off_t(offset), SEEK_SET) == 0)
            return true;
        ClosePcap();
        return OpenWithLibpcap(skipFrames, 0);
    }
    pcap_pkthdr* header = nullptr;
    const unsigned char* frame = nullptr;
    for (std::uint64_t i = 0; i < skipFrames; ++i) {
        const int result = pcap_next_ex(pcap_, &header, &frame);
        if (result != 1) {
            error_ = result == PCAP_ERROR ? pcap_geterr(pcap_) : "the file changed while it was read";
            ClosePcap();
            return false;
        }
    }
    return true;
}

int CaptureReader::Next(const unsigned char*& frame, std::size_t& length) {
    if (own_) {
        switch (own_->Next(frame, length)) {
        case OwnReader::Step::Frame:
            ++delivered_;
            return 1;
        case OwnReader::Step::End:
            return 0;
        case OwnReader::Step::Unsure: {
            const std::uint64_t offset = own_->offset();
            own_.reset();
            if (!OpenWithLibpcap(delivered_, offset))
                return -1;
            break;
        }
        }
    }
    if (!pcap_)
        return 0;
    pcap_pkthdr* header = nullptr;
    const int result = pcap_next_ex(pcap_, &header, &frame);
    if (result == 1) {
        length = header->caplen;
        ++delivered_;
        return 1;
    }
    if (result == PCAP_ERROR) {
        error_ = pcap_geterr(pcap_);
        return -1;
    }
    return 0;
}

} // namespace palisor
