#pragma once
// Turns captured IPv4 datagrams into the traffic tree: one entry per source and destination
// address pair, with the IP and TCP header fields under it, and one transcript line per TCP
// segment, after passing each segment through the table of TCP sessions.
//
// Runs on the capture thread. The tree and the transcript sink are the owner's and must outlive
// the decoder. An index of the conversation entries beside the tree keeps the cost of a segment
// independent of the number of entries: a known entry is updated with six text changes and no
// text fetches.

#include "traffic/flat_table.h"
#include "traffic/packet_fields.h"
#include "traffic/session_table.h"
#include "traffic/transcript_sink.h"
#include "traffic/tree_access.h"

#include <cstddef>
#include <cstdint>
#include <string>
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

class TrafficDecoder {
public:
    // Entries already in the tree (a tree that outlived an earlier decoder) are taken over the way
    // a scan of the tree would find them.
    TrafficDecoder(TreeAccess& tree, TranscriptSink& transcript);

    TrafficDecoder(const TrafficDecoder&) = delete;
    TrafficDecoder& operator=(const TrafficDecoder&) = delete;

    // True when the datagram was IPv4 carrying TCP and was handed on to the session tracker.
    bool DecodeIpPacket(const unsigned char* buffer, std::size_t length);
    // False only for a segment shorter than a TCP header, which is neither tracked nor shown.
    bool TrackTcpSegment(const std::string& source, const std::string& destination,
                         const unsigned char* segment, std::uint32_t length);
    // segment holds at least size + 20 bytes.
    void ReportTcpSegment(const std::string& source, const std::string& destination,
                          const unsigned char* segment, std::uint32_t size, const char* note);
    void ShowInTree(const PacketFields& fields);

    SessionTable& sessionTable() { return sessionTable_; }
    std::size_t conversationCount() const { return conversations_.size() + longConversations_.size(); }
    std::uint64_t segmentsShown() const { return segmentsShown_; }

private:
    struct Conversation {
        TreeItem top = 0;
        TreeItem tcpFields[6] = {};
    };
    // Entry texts up to this length are kept in the index slot itself; "255.255.255.255 -
    // 255.255.255.255" has 33 characters. Longer ones (possible only through ShowInTree) are kept
    // in a map of their own.
    static constexpr std::size_t kInlineKey = 39;
    struct IndexedConversation {
        std::uint8_t keyLength = 0;
        char key[kInlineKey] = {};
        Conversation conversation;
    };
    std::uint64_t KeyHash(const std::string& key) const { return HashBytes(key.data(), key.size(), seed_); }
    Conversation* FindConversation(const std::string& key, std::uint64_t hash);
    void RememberConversation(const std::string& key, std::uint64_t hash, const Conversation& conversation);
    void AdoptTree();
    void InsertConversation(const std::string& key, std::uint64_t hash, const PacketFields& fields);
    TreeItem InsertField(TreeItem parent, const char* label, const std::string& value);

    TreeAccess& tree_;
    TranscriptSink& transcript_;
    SessionTable sessionTable_;
    std::uint64_t seed_ = ProcessHashSeed();
    FlatTable<IndexedConversation> conversations_;
    std::unordered_map<std::string, Conversation> longConversations_;
    std::uint64_t segmentsShown_ = 0;

    // Reused from segment to segment so that a known conversation allocates nothing.
    std::string source_;
    std::string destination_;
    std::string key_;
    std::string line_;
    std::string text_;
    PacketFields fields_;
};

} // namespace palisor
