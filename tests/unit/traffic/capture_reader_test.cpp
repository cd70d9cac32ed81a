// The replay tool's reading of capture files: whatever the file, the same frames, link type and
// errors as libpcap, whether the tool reads it itself, hands it over half way or not at all.

#include "tests/unit/traffic/libpcap_reading.h"
#include "tools/capture_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace palisor {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds capture files in either byte order.
class FileBytes {
public:
    explicit FileBytes(bool bigEndian = false) : big_(bigEndian) {}

    FileBytes& U16(std::uint32_t value) { return Put(value, 2); }
    FileBytes& U32(std::uint32_t value) { return Put(value, 4); }
    FileBytes& Raw(const Bytes& bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    FileBytes& Pad() {
        while (data.size() % 4 != 0)
            data.push_back(0);
        return *this;
    }

    // Classic format.
    FileBytes& ClassicHeader(std::uint32_t magic, std::uint32_t snapshot, std::uint32_t linkType) {
        return U32(magic).U16(2).U16(4).U32(0).U32(0).U32(snapshot).U32(linkType);
    }
    FileBytes& Record(const Bytes& frame, std::uint32_t captured = ~0u) {
        if (captured == ~0u)
            captured = std::uint32_t(frame.size());
        return U32(1700000000).U32(0).U32(captured).U32(std::uint32_t(frame.size())).Raw(frame);
    }

    // Next-generation format.
    FileBytes& Section() {
        return U32(0x0A0D0D0A).U32(28).U32(0x1A2B3C4D).U16(1).U16(0).U32(~0u).U32(~0u).U32(28);
    }
    FileBytes& Interface(std::uint32_t linkType, std::uint32_t snapshot, const Bytes& options = {}) {
        const std::uint32_t length = 20 + std::uint32_t(options.size());
        return U32(1).U32(length).U16(linkType).U16(0).U32(snapshot).Raw(options).U32(length);
    }
    FileBytes& Packet(const Bytes& frame, std::uint32_t interface = 0) {
        const std::uint32_t padded = (std::uint32_t(frame.size()) + 3) & ~3u;
        U32(6).U32(32 + padded).U32(interface).U32(0).U32(0);
        U32(std::uint32_t(frame.size())).U32(std::uint32_t(frame.size())).Raw(frame).Pad();
        return U32(32 + padded);
    }
    FileBytes& Other(std::uint32_t type, std::uint32_t bodyWords) {
        const std::uint32_t length = 12 + 4 * bodyWords;
        U32(type).U32(length);
        for (std::uint32_t i = 0; i < bodyWords; ++i)
            U32(i);
        return U32(length);
    }

    Bytes data;

private:
    FileBytes& Put(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = big_ ? 8 * (size - 1 - i) : 8 * i;
            data.push_back(std::uint8_t(value >> shift));
        }
        return *this;
    }
    bool big_;
};

// One option of a next-generation block, padded, in the file's byte order.
Bytes Option(bool big, std::uint16_t code, const Bytes& value) {
    FileBytes option(big);
    option.U16(code).U16(std::uint16_t(value.size())).Raw(value).Pad();
    return option.data;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

Bytes Frame(std::size_t size, std::uint8_t seed) {
    Bytes frame(size);
    for (std::size_t i = 0; i < size; ++i)
        frame[i] = std::uint8_t(seed + i * 7);
    return frame;
}

// Libpcap's reading, and for the tool's reader also whether it read the file itself.
struct Reading : testing::CaptureReading {
    bool ownAtStart = false;
    bool ownAtEnd = false;
};

using testing::SameLinkKind;

Reading WithLibpcap(const std::string& path) {
    Reading reading;
    static_cast<testing::CaptureReading&>(reading) = testing::ReadWithLibpcap(path);
    return reading;
}

Reading WithReader(const std::string& path, std::size_t blockBytes) {
    Reading reading;
    CaptureReader reader(blockBytes);
    if (!reader.Open(path.c_str())) {
        reading.error = reader.error();
        return reading;
    }
    reading.opened = true;
    reading.ownAtStart = reader.ownReading();
    const unsigned char* frame = nullptr;
    std::size_t length = 0;
    int result = 0;
    while ((result = reader.Next(frame, length)) == 1) {
        reading.frames.emplace_back(frame, frame + length);
        reading.linkType = SameLinkKind(reader.linkType());
    }
    if (reading.frames.empty())
        reading.linkType = SameLinkKind(reader.linkType());
    reading.end = result;
    if (result < 0)
        reading.error = reader.error();
    reading.ownAtEnd = reader.ownReading();
    return reading;
}

class CaptureReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/palisor-capture-XXXXXX";
        const int descriptor = mkstemp(pattern);
        ASSERT_GE(descriptor, 0);
        close(descriptor);
        path = pattern;
    }
    void TearDown() override { std::remove(path.c_str()); }

    void Write(const Bytes& bytes) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
        EXPECT_EQ(written, bytes.size());
        std::fclose(file);
    }

    // Reads the file with libpcap and with the reader, in blocks of several sizes (small ones make
    // every record straddle blocks), and expects the same from both. Returns the reader's reading.
    Reading ExpectSameAsLibpcap(const Bytes& bytes, const std::string& what,
                                std::initializer_list<std::size_t> blockSizes = {
                                    3, 7, 64, 4096, CaptureReader::kDefaultBlockBytes}) {
        Write(bytes);
        const Reading expected = WithLibpcap(path);
        Reading last;
        for (std::size_t blockBytes : blockSizes) {
            last = WithReader(path, blockBytes);
            SCOPED_TRACE(what + ", blocks of " + std::to_string(blockBytes));
            EXPECT_EQ(last.opened, expected.opened);
            EXPECT_EQ(last.frames.size(), expected.frames.size());
            EXPECT_TRUE(last.frames == expected.frames);
            EXPECT_EQ(last.linkType, expected.linkType);
            EXPECT_EQ(last.end, expected.end);
            EXPECT_EQ(last.error, expected.error);
        }
        return last;
    }

    std::string path;
};

TEST_F(CaptureReaderTest, ReadsWellFormedFilesItselfExactlyAsLibpcapDoes) {
    for (bool big : {false, true}) {
        for (std::uint32_t magic : {0xA1B2C3D4u, 0xA1B23C4Du}) {
            FileBytes file(big);
            file.ClassicHeader(magic, 65535, 1);
            for (std::uint8_t i = 0; i < 40; ++i)
                file.Record(Frame(14 + i * 37 % 1500, i));
            file.Record(Frame(0, 0)); // an empty frame is a frame
            const Reading reading = ExpectSameAsLibpcap(file.data, big ? "classic, big-endian" : "classic");
            EXPECT_TRUE(reading.ownAtStart && reading.ownAtEnd);
            EXPECT_EQ(reading.frames.size(), 41u);
        }

        // The next-generation format with blocks that carry no packets between the packets and
        // options the reader must step over.
        FileBytes next(big);
        next.Section();
        next.Other(4, 3); // names
        const Bytes resolution = {9, 0, 1, 0, 9, 0, 0, 0, 0, 0, 0, 0};
        Bytes options = resolution;
        if (big)
            options = {0, 9, 0, 1, 9, 0, 0, 0, 0, 0, 0, 0};
        next.Interface(101, 262144, options);
        for (std::uint8_t i = 0; i < 30; ++i) {
            next.Packet(Frame(20 + i * 53 % 900, i));
            if (i % 7 == 0)
                next.Other(5, 6).Other(0xBAD, 2); // statistics, custom
        }
        const Reading reading = ExpectSameAsLibpcap(next.data, big ? "next, big-endian" : "next");
        EXPECT_TRUE(reading.ownAtStart && reading.ownAtEnd);
        EXPECT_EQ(reading.frames.size(), 30u);
        EXPECT_EQ(reading.linkType, 12);
    }
}

TEST_F(CaptureReaderTest, HandsOverToLibpcapAtTheFirstThingItIsNotSureOf) {
    const auto classic = [](std::uint32_t snapshot = 65535) {
        FileBytes file;
        file.ClassicHeader(0xA1B2C3D4, snapshot, 1);
        for (std::uint8_t i = 0; i < 12; ++i)
            file.Record(Frame(60 + i, i));
        return file;
    };
    // Cut inside a record's data, inside a record header: the frames before, then libpcap's error.
    for (std::size_t cut : {std::size_t(40), std::size_t(7)}) {
        FileBytes file = classic();
        file.data.resize(file.data.size() - cut);
        const Reading reading = ExpectSameAsLibpcap(file.data, "cut short");
        EXPECT_TRUE(reading.ownAtStart);
        EXPECT_FALSE(reading.ownAtEnd);
        EXPECT_EQ(reading.frames.size(), 11u);
        EXPECT_EQ(reading.end, -1);
    }
    // A record longer than the snapshot length: libpcap cuts it to that length.
    {
        FileBytes file = classic(100);
        file.Record(Frame(300, 9)).Record(Frame(70, 1));
        const Reading reading = ExpectSameAsLibpcap(file.data, "longer than the snapshot");
        EXPECT_EQ(reading.frames.size(), 14u);
        EXPECT_FALSE(reading.ownAtEnd);
    }
    // Next-generation files: a simple packet block, further interfaces of the same and of
    // another link type, a packet of an interface never described, a block whose two lengths
    // differ, a second section.
    const auto next = [] {
        FileBytes file;
        file.Section().Interface(1, 0);
        for (std::uint8_t i = 0; i < 5; ++i)
            file.Packet(Frame(60, i));
        return file;
    };
    {
        FileBytes file = next();
        file.U32(3).U32(16 + 64).U32(64).Raw(Frame(64, 3)).U32(16 + 64).Packet(Frame(61, 1));
        EXPECT_EQ(ExpectSameAsLibpcap(file.data, "simple packet").frames.size(), 7u);
    }
    for (std::uint32_t linkType : {1u, 101u}) {
        FileBytes file = next();
        file.Interface(linkType, 0).Packet(Frame(60, 1), 1).Packet(Frame(62, 2));
        ExpectSameAsLibpcap(file.data, "second interface");
    }
    {
        FileBytes file = next();
        file.Packet(Frame(60, 1), 4);
        EXPECT_EQ(ExpectSameAsLibpcap(file.data, "unknown interface").end, -1);
    }
    {
        FileBytes file = next();
        file.Other(5, 2);
        file.data[file.data.size() - 1] ^= 0x40; // the trailing length
        ExpectSameAsLibpcap(file.data, "lengths differ");
    }
    {
        FileBytes file = next();
        file.Section().Interface(1, 0).Packet(Frame(80, 1));
        ExpectSameAsLibpcap(file.data, "second section");
    }
}

TEST_F(CaptureReaderTest, LeavesOtherFilesToLibpcapFromTheStart) {
    // A link type the tool does not read itself, a time resolution it does not take, an empty
    // file, a file that is no capture.
    FileBytes otherLink;
    otherLink.ClassicHeader(0xA1B2C3D4, 65535, 105).Record(Frame(40, 1));
    EXPECT_FALSE(ExpectSameAsLibpcap(otherLink.data, "other link type").ownAtStart);

    FileBytes resolution;
    resolution.Section().Interface(1, 0, {9, 0, 1, 0, 0x86, 0, 0, 0}).Packet(Frame(60, 2));
    EXPECT_FALSE(ExpectSameAsLibpcap(resolution.data, "binary resolution").ownAtStart);

    EXPECT_FALSE(ExpectSameAsLibpcap({}, "empty").opened);
    EXPECT_FALSE(ExpectSameAsLibpcap(Bytes(100, 'x'), "no capture").opened);

    // A file that does not exist: the reason, after the name.
    CaptureReader reader;
    EXPECT_FALSE(reader.Open("/nonexistent/palisor.pcap"));
    EXPECT_EQ(reader.error(), "/nonexistent/palisor.pcap: No such file or directory");
}

TEST_F(CaptureReaderTest, TakesTheFirstInterfacesOptionsAsLibpcapDoes) {
    for (bool big : {false, true}) {
        const std::string order = big ? ", big-endian" : "";
        const auto file = [big](const Bytes& options) {
            FileBytes next(big);
            next.Section().Interface(1, 0, options);
            for (std::uint8_t i = 0; i < 3; ++i)
                next.Packet(Frame(60 + i, i));
            return next.data;
        };
        const Bytes resolution6 = Option(big, 9, {6});
        const Bytes resolution9 = Option(big, 9, {9});
        const Bytes offset = Option(big, 14, Bytes(8, 1));
        const Bytes end = Option(big, 0, {});

        // Refused, with libpcap's words.
        const struct {
            Bytes options;
            const char* error;
        } refused[] = {
            {Join({resolution6, resolution6, end}),
             "Interface Description Block has more than one if_tsresol option"},
            {Join({resolution9, offset, resolution6}),
             "Interface Description Block has more than one if_tsresol option"},
            {Join({offset, offset}), "Interface Description Block has more than one if_tsoffset option"},
            {Option(big, 0, {0, 0, 0, 0}),
             "Interface Description Block has opt_endofopt option with length 4 != 0"},
            {Join({resolution6, Option(big, 0, {0})}),
             "Interface Description Block has opt_endofopt option with length 1 != 0"},
            {Option(big, 9, {6, 0}), "Interface Description Block has if_tsresol option with length 2 != 1"},
            {Option(big, 14, Bytes(4, 0)),
             "Interface Description Block has if_tsoffset option with length 4 != 8"},
            {Option(big, 9, {20}),
             "Interface Description Block if_tsresol option resolution 10^-20 is too high"},
            {Option(big, 9, {0xC0}),
             "Interface Description Block if_tsresol option resolution 2^-64 is too high"},
            // An option longer than what is left of the block, also only by its padding.
            {FileBytes(big).U16(2).U16(9).Raw(Frame(8, 1)).data,
             "block of type 1 in pcapng dump file is too short"},
        };
        for (const auto& test : refused) {
            const Reading reading = ExpectSameAsLibpcap(file(test.options), test.error + order);
            EXPECT_FALSE(reading.opened);
            EXPECT_EQ(reading.error, test.error);
        }

        // Read by the tool itself: each of the two at most once, other options as often as they
        // come, and nothing after the end of the options counts.
        for (const Bytes& options :
             {Join({resolution9, offset, Option(big, 2, {'e', 't', 'h', '0'}), Option(big, 2, {'x'}), end}),
              Join({resolution6, end, resolution6, Option(big, 9, {1, 2, 3}), Option(big, 0, {7})}),
              Join({Option(big, 9, {0}), Option(big, 14, Bytes(8, 0xFF))}),
              Option(big, 0x8001, Bytes(5, 9))}) {
            const Reading reading = ExpectSameAsLibpcap(file(options), "options read by the tool" + order);
            EXPECT_TRUE(reading.ownAtStart && reading.ownAtEnd);
            EXPECT_EQ(reading.frames.size(), 3u);
        }
        // Time resolutions libpcap takes and the tool leaves to it.
        for (const std::uint8_t value :
             {std::uint8_t(10), std::uint8_t(19), std::uint8_t(0x80), std::uint8_t(0xBF)}) {
            const Reading reading = ExpectSameAsLibpcap(file(Option(big, 9, {value})), "resolution" + order);
            EXPECT_FALSE(reading.ownAtStart);
            EXPECT_EQ(reading.frames.size(), 3u);
        }
    }
}

TEST_F(CaptureReaderTest, LeavesLinuxCookedFramesOfOtherProtocolsInSwappedFilesToLibpcap) {
    // libpcap turns the identifier of a CAN frame in a file of the other byte order into this
    // machine's; frames of an EtherType it leaves as they are.
    const auto cooked = [](std::uint32_t linkType, std::uint16_t protocol, std::size_t payload) {
        FileBytes frame(true);
        if (linkType == 113)
            frame.U16(0).U16(1).U16(6).Raw(Bytes(8, 0)).U16(protocol);
        else
            frame.U16(protocol).U16(0).U32(1).U16(1).Raw({0, 6}).Raw(Bytes(8, 0));
        frame.Raw({0x12, 0x34, 0x56, 0x78, 8, 0, 0, 0}).Raw(Frame(payload, 5));
        return frame.data;
    };
    for (bool big : {false, true}) {
        for (std::uint32_t linkType : {113u, 276u}) {
            const std::string what = std::to_string(linkType) + (big ? ", big-endian" : "");
            for (bool next : {false, true}) {
                FileBytes file(big);
                const auto add = [&](const Bytes& frame) { next ? file.Packet(frame) : file.Record(frame); };
                next ? file.Section().Interface(linkType, 0)
                     : file.ClassicHeader(0xA1B2C3D4, 65535, linkType);
                add(cooked(linkType, 0x0800, 40));
                add(cooked(linkType, 0x86DD, 40));
                const std::size_t onlyIp = file.data.size();
                for (std::uint16_t protocol : {0x000C, 0x000D, 0x0001, 0x05FF})
                    add(cooked(linkType, protocol, 8));
                Bytes cut = cooked(linkType, 0x000C, 0);
                cut.resize(cut.size() - 5); // the identifier incomplete
                add(cut);
                add(cooked(linkType, 0x0800, 40));
                const Reading reading =
                    ExpectSameAsLibpcap(file.data, what + (next ? ", next" : ", classic"));
                EXPECT_EQ(reading.frames.size(), 8u);
                // Only a swapped file goes to libpcap, and only at such a frame.
                EXPECT_EQ(reading.ownAtEnd, !big);
                file.data.resize(onlyIp);
                EXPECT_TRUE(ExpectSameAsLibpcap(file.data, what + ", only IP").ownAtEnd);
            }
        }
    }
}

TEST_F(CaptureReaderTest, EndsAsLibpcapWhereverTheFileIsCut) {
    struct Whole {
        std::string what;
        Bytes bytes;
        std::size_t frames;
    };
    std::vector<Whole> files;
    for (bool big : {false, true}) {
        for (std::uint32_t magic : {0xA1B2C3D4u, 0xA1B23C4Du}) {
            FileBytes classic(big);
            classic.ClassicHeader(magic, 65535, 101)
                .Record(Frame(21, 1))
                .Record(Frame(0, 0))
                .Record(Frame(30, 2));
            files.push_back({big ? "classic, big-endian" : "classic", classic.data, 3});
        }
        FileBytes next(big);
        next.Section().Other(4, 1).Interface(228, 0,
                                             Join({Option(big, 9, {9}), Option(big, 14, Bytes(8, 2))}));
        next.Packet(Frame(21, 1)).Other(5, 2).Packet(Frame(30, 2));
        files.push_back({big ? "next, big-endian" : "next", next.data, 2});
    }
    for (const auto& [what, whole, frames] : files) {
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            const Reading reading =
                ExpectSameAsLibpcap(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)),
                                    what + " cut at " + std::to_string(length), {3, 4096});
            if (length == whole.size()) {
                EXPECT_TRUE(reading.ownAtEnd && reading.frames.size() == frames && reading.end == 0) << what;
            }
        }
    }
}

} // namespace
} // namespace palisor
