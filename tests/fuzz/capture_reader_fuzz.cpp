// Reads the same bytes as a capture file with the replay tool's reader and with libpcap, and
// aborts unless both give the same: whether the file opens, the frames, the link type, how the
// reading ends and the error text. The first byte of an input chooses the size of the reader's
// blocks (small ones, so that records straddle them); the rest is the file, which lives in memory.

#include "tests/unit/traffic/libpcap_reading.h"
#include "tools/capture_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using palisor::testing::CaptureReading;
using palisor::testing::ReadWithLibpcap;
using palisor::testing::SameLinkKind;
using Reading = CaptureReading;

Reading WithReader(const std::string& path, std::size_t blockBytes) {
    Reading reading;
    palisor::CaptureReader reader(blockBytes);
    if (!reader.Open(path.c_str())) {
        reading.error = reader.error();
        return reading;
    }
    reading.opened = true;
    reading.linkType = SameLinkKind(reader.linkType());
    const unsigned char* frame = nullptr;
    std::size_t length = 0;
    int result = 0;
    while ((result = reader.Next(frame, length)) == 1) {
        reading.frames.emplace_back(frame, frame + length);
        // The link type never changes half way.
        if (SameLinkKind(reader.linkType()) != reading.linkType)
            std::abort();
    }
    reading.end = result;
    if (result < 0)
        reading.error = reader.error();
    return reading;
}

[[noreturn]] void Differ(const char* what, const Reading& reader, const Reading& libpcap) {
    std::fprintf(stderr,
                 "capture reader and libpcap differ in %s:\n"
                 "  reader:  opened %d, link type %d, %zu frames, end %d, error \"%s\"\n"
                 "  libpcap: opened %d, link type %d, %zu frames, end %d, error \"%s\"\n",
                 what, reader.opened, reader.linkType, reader.frames.size(), reader.end, reader.error.c_str(),
                 libpcap.opened, libpcap.linkType, libpcap.frames.size(), libpcap.end, libpcap.error.c_str());
    std::abort();
}

// The file of the current input: one file in memory for the whole run, rewritten for each input.
const std::string& FilePath(int& descriptor) {
    static int memory = -1;
    static std::string path;
    if (memory < 0) {
        memory = memfd_create("palisor-capture-fuzz", MFD_CLOEXEC);
        if (memory < 0)
            std::abort();
        path = "/proc/self/fd/" + std::to_string(memory);
    }
    descriptor = memory;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // Mostly tiny blocks; sometimes blocks that hold many records whole.
    static const std::size_t kBlockSizes[] = {3, 7, 16, 31, 64, 100, 256, 4096};
    const std::size_t blockBytes = kBlockSizes[data[0] % (sizeof kBlockSizes / sizeof kBlockSizes[0])];
    ++data;
    --size;

    int descriptor = -1;
    const std::string& path = FilePath(descriptor);
    if (ftruncate(descriptor, 0) != 0)
        std::abort();
    std::size_t written = 0;
    while (written < size) {
        const ssize_t got = pwrite(descriptor, data + written, size - written, off_t(written));
        if (got <= 0)
            std::abort();
        written += std::size_t(got);
    }

    const Reading expected = ReadWithLibpcap(path);
    const Reading reading = WithReader(path, blockBytes);
    if (reading.opened != expected.opened)
        Differ("whether the file opens", reading, expected);
    if (reading.opened && reading.linkType != expected.linkType)
        Differ("the link type", reading, expected);
    if (reading.frames != expected.frames)
        Differ("the frames", reading, expected);
    if (reading.end != expected.end)
        Differ("the end", reading, expected);
    if (reading.error != expected.error)
        Differ("the error text", reading, expected);
    return 0;
}
