#pragma once
// Turns captured IPv4 datagrams into the traffic tree: one entry per source and destination
// address pair, with the IP and TCP header fields under it, and one transcript line per TCP
// segment, after passing each segment through the table of TCP sessions.
//
// Runs on the capture thread. The tree and the transcript sink are the owner's and must outlive
// the decoder. An index of the conversation entries beside the tree keeps the cost of a segment
// independent of the number of entries: a known entry is updated with six text changes and no
// text fetches.

#include "traffic/memory/chunked_array.h"
#include "traffic/memory/flat_table.h"
#include "traffic/decode/packet_fields.h"
#include "traffic/decode/session_table.h"
#include "traffic/decode/tcp_text.h"
#include "traffic/decode/transcript_sink.h"
#include "traffic/tree/tree_access.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace palisor {

// Tree images: 0 conversation, 1 header group, 2 field.
enum TrafficImage { kImageConversation = 0, kImageHeader = 1, kImageField = 2 };

constexpr std::size_t kItemsPerConversation = 11;

// Session notes, each with its leading blank.
extern const char kNoteNewSession[];
extern const char kNoteGapBelow[];
extern const char kNoteGapAbove[];

// Data beyond this many bytes past the session's opening sequence number is flagged.
constexpr std::int32_t kGapLimit = 10240000;

// How much the decoder keeps; 0 is no limit. A new entry past the first limit pushes out the
// entry updated longest ago, which leaves the tree together with its sessions (those of the same
// two addresses in the same direction). A new session past the second limit pushes out the session
// opened longest ago, and nothing else: the entries stay.
struct TrafficLimits {
    std::size_t conversations = 0;
    std::size_t sessions = 0;
};

// The program's limits: 16,384 entries are 180,224 tree items, which a tree-view control still
// holds and scrolls without trouble; 65,536 open sessions cover a busy machine. With them the
// engine's own memory stays at a few tens of megabytes under any flood.
constexpr TrafficLimits kProgramLimits{16384, 65536};
constexpr TrafficLimits kNoLimits{0, 0};

class TrafficDecoder {
public:
    // Entries already in the tree (a tree that outlived an earlier decoder) are taken over the way
    // a scan of the tree would find them, the first as the least recently updated.
    TrafficDecoder(TreeAccess& tree, TranscriptSink& transcript, TrafficLimits limits = kProgramLimits);

    TrafficDecoder(const TrafficDecoder&) = delete;
    TrafficDecoder& operator=(const TrafficDecoder&) = delete;

    // True when the datagram was IPv4 carrying TCP and was handed on to the session tracker.
    // Throws std::bad_alloc when memory runs out; what the decoder holds stays consistent.
    bool DecodeIpPacket(const unsigned char* buffer, std::size_t length);
    // False only for a segment shorter than a TCP header, which is neither tracked nor shown.
    bool TrackTcpSegment(const std::string& source, const std::string& destination,
                         const unsigned char* segment, std::uint32_t length);
    // segment holds at least size + 20 bytes.
    void ReportTcpSegment(const std::string& source, const std::string& destination,
                          const unsigned char* segment, std::uint32_t size, const char* note);
    void ShowInTree(const PacketFields& fields);

    SessionTable& sessionTable() { return sessionTable_; }
    std::size_t conversationCount() const { return shown_; }
    std::uint64_t segmentsShown() const { return segmentsShown_; }
    // Entries that left the tree to make room.
    std::uint64_t conversationsEvicted() const { return evicted_; }
    const TrafficLimits& limits() const { return limits_; }

private:
    using PairIndex = std::uint32_t; // 0 is none
    // One address pair in one direction: its tree entry while it has one, and the owner of its
    // sessions. Entry texts up to kInlineKey characters are kept in the record ("255.255.255.255 -
    // 255.255.255.255" has 33); longer ones (possible only through ShowInTree) in a map beside it.
    static constexpr std::size_t kInlineKey = 37;
    static constexpr std::uint8_t kLongKey = 0xFF;
    // Two cache lines, of which a segment of a known entry reads mostly the first.
    struct alignas(64) Pair {
        TreeItem top = 0; // 0: not shown in the tree
        TreeItem tcpFields[6] = {};
        // The numbers the six TCP fields show, where bit i of shownMask says field i shows
        // shownValues[i]: a field whose number has not changed is not written again.
        std::uint32_t shownValues[6] = {};
        PairIndex older = 0; // links of the shown entries, least recently updated first
        PairIndex newer = 0; // for a free record: the next free one
        std::uint8_t shownMask = 0;
        bool live = false;
        std::uint8_t keyLength = 0;
        char key[kInlineKey] = {};
    };
    static_assert(sizeof(Pair) == 128, "two cache lines");

    std::uint64_t KeyHash(std::string_view key) const { return HashBytes(key.data(), key.size(), seed_); }
    Pair& At(PairIndex index) { return pairs_[index - 1]; }
    PairIndex FindPair(std::string_view key, std::uint64_t hash);
    // May throw, and then changes nothing.
    PairIndex AddPair(std::string_view key, std::uint64_t hash);
    // The entry text of two addresses, in key_.
    std::string_view MakeKey(std::string_view source, std::string_view destination);
    // The steps of a segment on address texts that need not be strings of their own.
    bool Track(std::string_view source, std::string_view destination, const unsigned char* segment,
               std::uint32_t length);
    // pair: the entry of the two addresses when the caller knows it (a session's owner), else 0.
    void Report(std::string_view source, std::string_view destination, std::uint16_t srcPort,
                std::uint16_t dstPort, std::uint32_t seq, std::uint32_t ack, std::uint8_t flags,
                std::uint32_t size, const char* note, PairIndex pair);
    // values: the six TCP field texts, in the order of the entry; numbers: the numbers they were
    // written from (the flags as their six bits), or null when the texts came from elsewhere.
    void Show(std::string_view source, std::string_view destination, const std::string_view* values,
              const std::uint32_t* numbers, PairIndex pair);
    void FreePairIfUnused(PairIndex index);
    void LinkNewest(PairIndex index);
    void Unlink(PairIndex index);
    // The least recently updated entry leaves the tree with its sessions.
    void EvictOldest();
    // Returns the entry of the two addresses, which owns the session.
    PairIndex OpenSession(std::string_view source, std::string_view destination, std::uint16_t srcPort,
                          std::uint16_t dstPort, std::uint32_t seq, std::uint32_t size);
    void CloseSession(SessionTable::Index index);
    void AdoptTree();
    void InsertConversation(PairIndex index, std::string_view source, std::string_view destination,
                            const std::string_view* values, const std::uint32_t* numbers);
    TreeItem InsertField(TreeItem parent, FieldLabel label, std::string_view value);

    TreeAccess& tree_;
    TranscriptSink& transcript_;
    TrafficLimits limits_;
    const std::string* labels_ = FieldLabelTexts(); // never destroyed
    SessionTable sessionTable_;
    std::uint64_t seed_ = ProcessHashSeed();
    ChunkedArray<Pair> pairs_;
    FlatTable<PairIndex> pairIndex_;
    std::unordered_map<std::string, PairIndex> longKeys_;
    PairIndex freePairs_ = 0;
    PairIndex sparePair_ = 0; // a record grown for a pair whose adding failed before using it
    PairIndex oldest_ = 0;
    PairIndex newest_ = 0;
    std::size_t shown_ = 0;
    std::uint64_t evicted_ = 0;
    std::uint64_t segmentsShown_ = 0;

    // Reused from segment to segment, so that a segment allocates nothing and its texts are
    // written straight into place.
    char sourceText_[16] = {};
    char destinationText_[16] = {};
    std::string key_;
    std::string line_; // only ever grows: its first bytes hold the line being written
};

} // namespace palisor
