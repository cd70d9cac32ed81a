#pragma once
// What libpcap makes of a capture file: whether it opens, its link type, every frame, how the
// reading ends and libpcap's error text. The replay tool's reader is held to exactly this.

#include <pcap/pcap.h>

#include <string>
#include <vector>

namespace palisor::testing {

struct CaptureReading {
    bool opened = false;
    int linkType = -1;
    std::vector<std::vector<unsigned char>> frames;
    int end = 0; // 0 the end, -1 an error
    std::string error;
};

// A file's link type 101 and libpcap's DLT_RAW name the same frames.
inline int SameLinkKind(int linkType) {
    return linkType == 101 ? DLT_RAW : linkType;
}

inline CaptureReading ReadWithLibpcap(const std::string& path) {
    CaptureReading reading;
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    if (!capture) {
        reading.error = error;
        return reading;
    }
    reading.opened = true;
    reading.linkType = SameLinkKind(pcap_datalink(capture));
    pcap_pkthdr* header = nullptr;
    const unsigned char* frame = nullptr;
    int result = 0;
    while ((result = pcap_next_ex(capture, &header, &frame)) == 1)
        reading.frames.emplace_back(frame, frame + header->caplen);
    if (result == PCAP_ERROR) {
        reading.end = -1;
        reading.error = pcap_geterr(capture);
    }
    pcap_close(capture);
    return reading;
}

} // namespace palisor::testing
