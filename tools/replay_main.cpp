// palisor-replay: feeds every datagram of a capture file through the traffic view's decoder, as
// the capture thread would, and prints the transcript lines (and, on request, the final tree).

#include "tools/capture_reader.h"
#include "tools/link_layer.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/decode/traffic_decoder.h"
#include "traffic/decode/transcript_sink.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: palisor-replay [--tree|--quiet] [--limits|--limits=CONVERSATIONS,SESSIONS] FILE\n"
                 "  --tree    after the transcript, print '--' and the final tree\n"
                 "  --quiet   print only a one-line summary to standard error\n"
                 "  --limits  keep at most as many conversation entries and open sessions as the\n"
                 "            program does (16384 and 65536), or as many as given; without it\n"
                 "            nothing is ever dropped\n");
    return 2;
}

// A count in decimal digits only (no sign, no blanks, not empty, not beyond size_t), ending at the
// given character; text is left after that character.
bool ParseCount(const char*& text, char end, std::size_t& count) {
    const char* at = text;
    std::size_t value = 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        const std::size_t digit = std::size_t(*at - '0');
        if (value > (std::numeric_limits<std::size_t>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    if (at == text || *at != end)
        return false;
    count = value;
    text = at + 1;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool tree = false;
    bool quiet = false;
    palisor::TrafficLimits limits = palisor::kNoLimits;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tree") == 0)
            tree = true;
        else if (std::strcmp(argv[i], "--quiet") == 0)
            quiet = true;
        else if (std::strcmp(argv[i], "--limits") == 0)
            limits = palisor::kProgramLimits;
        else if (std::strncmp(argv[i], "--limits=", 9) == 0) {
            const char* text = argv[i] + 9;
            std::size_t conversations = 0;
            std::size_t sessions = 0;
            if (!ParseCount(text, ',', conversations) || !ParseCount(text, '\0', sessions))
                return Usage();
            limits = palisor::TrafficLimits{conversations, sessions};
        } else if (!path && (argv[i][0] != '-' || argv[i][1] == '\0'))
            path = argv[i];
        else
            return Usage();
    }
    if (!path || (tree && quiet))
        return Usage();

    palisor::CaptureReader capture;
    if (!capture.Open(path)) {
        std::fprintf(stderr, "palisor-replay: %s\n", capture.error().c_str());
        return 1;
    }

    // Large output buffer: the transcript is most of the work the process does.
    static char outputBuffer[1 << 20];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    palisor::MemoryTree memoryTree;
    palisor::StdioTranscriptSink printed(stdout);
    palisor::NullTranscriptSink dropped;
    palisor::TranscriptSink& transcript = quiet ? static_cast<palisor::TranscriptSink&>(dropped) : printed;
    palisor::TrafficDecoder decoder(memoryTree, transcript, limits);

    constexpr std::size_t kMaxDatagram = 65535;
    unsigned long long datagrams = 0;
    const auto started = std::chrono::steady_clock::now();
    const unsigned char* frame = nullptr;
    std::size_t frameLength = 0;
    int result = 0;
    while ((result = capture.Next(frame, frameLength)) == 1) {
        const unsigned char* datagram = nullptr;
        std::size_t length = 0;
        if (!palisor::ExtractIpDatagram(capture.linkType(), frame, frameLength, datagram, length))
            continue;
        // A raw socket hands over at most 65535 bytes; the decoder reads the frame where it lies.
        if (length > kMaxDatagram)
            length = kMaxDatagram;
        ++datagrams;
        decoder.DecodeIpPacket(datagram, length);
    }
    const bool readFailed = result < 0;
    if (readFailed)
        std::fprintf(stderr, "palisor-replay: %s\n", capture.error().c_str());

    if (tree) {
        std::fputs("--\n", stdout);
        const std::string dump = memoryTree.Dump();
        std::fwrite(dump.data(), 1, dump.size(), stdout);
    }
    std::fflush(stdout);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (quiet) {
        const double rate = seconds > 0 ? double(decoder.segmentsShown()) / seconds : 0.0;
        std::fprintf(stderr,
                     "datagrams: %llu, segments shown: %llu, conversations: %zu, open sessions: %zu, "
                     "conversations dropped: %llu, seconds: %.3f, segments/s: %.0f\n",
                     datagrams, static_cast<unsigned long long>(decoder.segmentsShown()),
                     decoder.conversationCount(), decoder.sessionTable().size(),
                     static_cast<unsigned long long>(decoder.conversationsEvicted()), seconds, rate);
    }
    return readFailed ? 1 : 0;
}
