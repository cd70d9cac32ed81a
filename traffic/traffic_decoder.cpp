#include "traffic/traffic_decoder.h"

#include "traffic/byte_reader.h"
#include "traffic/tcp_text.h"

#include <cstring>
#include <memory>

namespace palisor {

const char kNoteNewSession[] = " /*New session*/ ";
const char kNoteGapBelow[] = " { Gap < 0 }";
const char kNoteGapAbove[] = " { Gap > 10 MB }";

namespace {

constexpr std::uint8_t kProtocolTcp = 6;
constexpr std::size_t kIpHeaderMin = 20;
constexpr std::uint32_t kTcpHeaderMin = 20;

const char* const kTcpLabels[6] = {
    "Source Port:", "Destination Port:", "Size:", "Flags:", "Sequence:", "Ack:"};

// The fields of a TCP header that the view shows.
struct TcpHeader {
    std::uint16_t srcPort = 0;
    std::uint16_t dstPort = 0;
    std::uint32_t seq = 0;
    std::uint32_t ack = 0;
    std::uint8_t flags = 0;
};

bool ReadTcpHeader(const ByteReader& segment, TcpHeader& header) {
    std::uint16_t flagWord = 0;
    if (!segment.U16(0, header.srcPort) || !segment.U16(2, header.dstPort) || !segment.U32(4, header.seq) ||
        !segment.U32(8, header.ack) || !segment.U16(12, flagWord))
        return false;
    header.flags = static_cast<std::uint8_t>(flagWord & 0x3F);
    return true;
}

void SetNumber(std::string& out, std::int64_t value) {
    out.clear();
    AppendDecimal(out, value);
}

void SetNumber(std::string& out, std::uint32_t value) {
    out.clear();
    AppendDecimal(out, value);
}

} // namespace

TrafficDecoder::TrafficDecoder(TreeAccess& tree, TranscriptSink& transcript)
    : tree_(tree), transcript_(transcript) {
    AdoptTree();
}

TrafficDecoder::Conversation* TrafficDecoder::FindConversation(const std::string& key, std::uint64_t hash) {
    if (key.size() > kInlineKey) {
        auto found = longConversations_.find(key);
        return found == longConversations_.end() ? nullptr : &found->second;
    }
    auto* slot = conversations_.Find(hash, [&key](const IndexedConversation& entry) {
        return entry.keyLength == key.size() && std::memcmp(entry.key, key.data(), key.size()) == 0;
    });
    return slot ? &slot->value.conversation : nullptr;
}

void TrafficDecoder::RememberConversation(const std::string& key, std::uint64_t hash,
                                          const Conversation& conversation) {
    if (key.size() > kInlineKey) {
        longConversations_.emplace(key, conversation);
        return;
    }
    IndexedConversation entry;
    entry.keyLength = static_cast<std::uint8_t>(key.size());
    std::memcpy(entry.key, key.data(), key.size());
    entry.conversation = conversation;
    conversations_.Insert(hash, std::move(entry), [](IndexedConversation&) {});
}

void TrafficDecoder::AdoptTree() {
    // Only the first (item count / 11) top-level items count as entries, the first of equal texts wins.
    std::size_t entries = tree_.ItemCount() / kItemsPerConversation;
    for (TreeItem item = tree_.FirstRoot(); item != 0 && entries > 0;
         item = tree_.NextSibling(item), --entries) {
        const std::string key = tree_.GetText(item);
        const std::uint64_t hash = KeyHash(key);
        if (FindConversation(key, hash))
            continue;
        Conversation conversation;
        conversation.top = item;
        TreeItem header = tree_.FirstChild(item);
        header = header ? tree_.NextSibling(header) : 0;
        TreeItem field = header ? tree_.FirstChild(header) : 0;
        for (TreeItem& slot : conversation.tcpFields) {
            slot = field;
            field = field ? tree_.NextSibling(field) : 0;
        }
        RememberConversation(key, hash, conversation);
    }
}

bool TrafficDecoder::DecodeIpPacket(const unsigned char* buffer, std::size_t length) {
    if (!buffer || length < 1)
        return false;
    const ByteReader datagram(buffer, length);
    std::uint8_t versionAndLength = 0;
    datagram.U8(0, versionAndLength);
    if ((versionAndLength >> 4) != 4)
        return false;
    if (length < kIpHeaderMin)
        return false;
    const std::size_t headerLength = static_cast<std::size_t>(versionAndLength & 0x0F) * 4;
    // A header shorter than its fixed part, or longer than what arrived, is malformed.
    if (headerLength < kIpHeaderMin || headerLength > length)
        return false;
    std::uint32_t srcAddress = 0;
    std::uint32_t dstAddress = 0;
    std::uint8_t protocol = 0;
    if (!datagram.U32(12, srcAddress) || !datagram.U32(16, dstAddress) || !datagram.U8(9, protocol))
        return false;
    if (protocol != kProtocolTcp)
        return false;
    source_.clear();
    AppendDottedAddress(source_, srcAddress);
    destination_.clear();
    AppendDottedAddress(destination_, dstAddress);
    TrackTcpSegment(source_, destination_, buffer + headerLength,
                    static_cast<std::uint32_t>(length - headerLength));
    return true;
}

bool TrafficDecoder::TrackTcpSegment(const std::string& source, const std::string& destination,
                                     const unsigned char* segment, std::uint32_t length) {
    if (!segment || length < kTcpHeaderMin)
        return false;
    const std::uint32_t size = length - kTcpHeaderMin;
    TcpHeader header;
    if (!ReadTcpHeader(ByteReader(segment, length), header))
        return false;

    const char* note = "";
    Session* session = sessionTable_.Find(source, header.srcPort, destination, header.dstPort);
    if (!session) {
        if (header.flags & kTcpSyn) {
            auto opened = std::make_unique<Session>();
            opened->srcPort = header.srcPort;
            opened->dstPort = header.dstPort;
            opened->srcAddr = source;
            opened->dstAddr = destination;
            opened->reserved = 0;
            opened->baseSeq = header.seq;
            opened->lastLen = size;
            sessionTable_.Append(std::move(opened));
            note = kNoteNewSession;
        }
    } else {
        // The distance from the opening sequence number, modulo 2^32, read as signed.
        const std::int32_t gap = static_cast<std::int32_t>(header.seq - session->baseSeq);
        session->lastLen = size;
        if (header.flags & kTcpSyn) {
            session->baseSeq = header.seq;
        } else if (header.flags & (kTcpRst | kTcpFin)) {
            sessionTable_.Remove(session);
        } else if (size > 0) {
            if (gap < 0)
                note = kNoteGapBelow;
            else if (gap > kGapLimit)
                note = kNoteGapAbove;
        }
    }
    ReportTcpSegment(source, destination, segment, size, note);
    return true;
}

void TrafficDecoder::ReportTcpSegment(const std::string& source, const std::string& destination,
                                      const unsigned char* segment, std::uint32_t size, const char* note) {
    TcpHeader header;
    if (!segment || !ReadTcpHeader(ByteReader(segment, std::size_t(size) + kTcpHeaderMin), header))
        return;
    PacketFields& fields = fields_;
    fields.srcAddr = source;
    fields.dstAddr = destination;
    SetNumber(fields.srcPort, std::int64_t(header.srcPort));
    SetNumber(fields.dstPort, std::int64_t(header.dstPort));
    SetNumber(fields.size, std::int64_t(size));
    fields.flags.clear();
    AppendFlagText(fields.flags, header.flags);
    SetNumber(fields.seq, header.seq);
    SetNumber(fields.ack, header.ack);

    // "%s - %s {%ld-%ld}, len: %ld, seq: %s,ack: %s, Flags: %s %s\r\n"
    std::string& line = line_;
    line.clear();
    line += source;
    line += " - ";
    line += destination;
    line += " {";
    line += fields.srcPort;
    line += '-';
    line += fields.dstPort;
    line += "}, len: ";
    line += fields.size;
    line += ", seq: ";
    line += fields.seq;
    line += ",ack: ";
    line += fields.ack;
    line += ", Flags: ";
    line += fields.flags;
    line += ' ';
    line += note ? note : "";
    line += "\r\n";
    transcript_.WriteLine(line.data(), line.size());

    ++segmentsShown_;
    ShowInTree(fields);
}

void TrafficDecoder::ShowInTree(const PacketFields& fields) {
    key_.clear();
    key_ += fields.srcAddr;
    key_ += " - ";
    key_ += fields.dstAddr;
    const std::uint64_t keyHash = KeyHash(key_);
    const Conversation* found = FindConversation(key_, keyHash);
    if (!found) {
        InsertConversation(key_, keyHash, fields);
        return;
    }
    const std::string* values[6] = {&fields.srcPort, &fields.dstPort, &fields.size,
                                    &fields.flags,   &fields.seq,     &fields.ack};
    for (int i = 0; i < 6; ++i) {
        const TreeItem item = found->tcpFields[i];
        if (item == 0)
            continue;
        text_.clear();
        AppendPadLabel(text_, kTcpLabels[i]);
        text_ += *values[i];
        tree_.SetText(item, text_);
    }
}

TreeItem TrafficDecoder::InsertField(TreeItem parent, const char* label, const std::string& value) {
    if (parent == 0)
        return 0;
    text_.clear();
    AppendPadLabel(text_, label);
    text_ += value;
    return tree_.InsertItem(parent, text_, kImageField, kImageField);
}

void TrafficDecoder::InsertConversation(const std::string& key, std::uint64_t hash,
                                        const PacketFields& fields) {
    Conversation conversation;
    conversation.top = tree_.InsertItem(0, key, kImageConversation, kImageConversation);
    // Without its parent a child would land at the top level; a failed insertion ends the entry
    // (or its branch) instead, and nothing of it is remembered when the top item is missing.
    if (conversation.top == 0)
        return;
    const TreeItem ipHeader = tree_.InsertItem(conversation.top, "IP Header", kImageHeader, kImageHeader);
    InsertField(ipHeader, "Source IP:", fields.srcAddr);
    InsertField(ipHeader, "Destination IP:", fields.dstAddr);
    const TreeItem tcpHeader = tree_.InsertItem(conversation.top, "TCP Header", kImageHeader, kImageHeader);
    const std::string* values[6] = {&fields.srcPort, &fields.dstPort, &fields.size,
                                    &fields.flags,   &fields.seq,     &fields.ack};
    for (int i = 0; i < 6; ++i)
        conversation.tcpFields[i] = InsertField(tcpHeader, kTcpLabels[i], *values[i]);
    RememberConversation(key, hash, conversation);
}

} // namespace palisor
