#pragma once
// The frames of a capture file, for the replay tool.
//
// A regular file in the classic or the next-generation format is read by the tool itself: a thread
// of its own reads the file ahead in large blocks while the frames are handed out where they lie
// in them, so reading the file costs one copy out of the system's cache and overlaps the decoding.
// Everything else (standard input, other formats and link types) is read by libpcap. At the first
// thing the tool's own reading is not sure of — a truncated record, a capture length beyond the
// snapshot length, a block it does not take, a read error — libpcap takes over the same file at the
// same frame, so every file gives exactly the frames, link type and errors that libpcap gives.

#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace palisor {

class CaptureReader {
public:
    static constexpr std::size_t kDefaultBlockBytes = std::size_t(1) << 20;

    // blockBytes: the size of the reading blocks (tests make it small, so that records straddle them).
    explicit CaptureReader(std::size_t blockBytes = kDefaultBlockBytes);
    ~CaptureReader();
    CaptureReader(const CaptureReader&) = delete;
    CaptureReader& operator=(const CaptureReader&) = delete;

    // Opens a file ("-": standard input). False with error() set when it cannot be read as a capture.
    bool Open(const char* path);
    // 1 with the next frame (valid until the next call), 0 at the end, -1 on an error (see error()).
    int Next(const unsigned char*& frame, std::size_t& length);
    // The link type of the frames, as the file names it.
    int linkType() const { return linkType_; }
    const std::string& error() const { return error_; }
    // True while the tool's own reading delivers the frames.
    bool ownReading() const { return own_ != nullptr; }

private:
    class OwnReader;

    // Opens the file with libpcap and goes on at the given frame, which starts at offset (0: step
    // over the frames before it instead).
    bool OpenWithLibpcap(std::uint64_t skipFrames, std::uint64_t offset);
    void ClosePcap();

    std::size_t blockBytes_;
    std::string path_;
    std::unique_ptr<OwnReader> own_;
    pcap_t* pcap_ = nullptr;
    int linkType_ = 0;
    std::uint64_t delivered_ = 0;
    std::string error_;
};

} // namespace palisor
