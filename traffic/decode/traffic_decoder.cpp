#include "traffic/decode/traffic_decoder.h"

#include "traffic/decode/byte_reader.h"
#include "traffic/decode/tcp_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

namespace palisor {

const char kNoteNewSession[] = " /*New session*/ ";
const char kNoteGapBelow[] = " { Gap < 0 }";
const char kNoteGapAbove[] = " { Gap > 10 MB }";

namespace {

constexpr std::uint8_t kProtocolTcp = 6;
constexpr std::size_t kIpHeaderMin = 20;
constexpr std::uint32_t kTcpHeaderMin = 20;

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

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline void PutPair(char* out, std::uint32_t value) {
    std::memcpy(out, kDigitPairs + value * 2, 2);
}

// Exactly four digits of a value below 10000.
inline void PutFour(char* out, std::uint32_t value) {
    const std::uint32_t high = value / 100;
    PutPair(out, high);
    PutPair(out + 2, value - high * 100);
}

// Decimal digits of a value below 10000, written at out; returns how many.
inline std::size_t WriteSmall(char* out, std::uint32_t value) {
    if (value < 100) {
        if (value < 10) {
            *out = char('0' + value);
            return 1;
        }
        PutPair(out, value);
        return 2;
    }
    const std::uint32_t high = value / 100;
    const std::uint32_t low = value - high * 100;
    if (value < 1000) {
        *out = char('0' + high);
        PutPair(out + 1, low);
        return 3;
    }
    PutPair(out, high);
    PutPair(out + 2, low);
    return 4;
}

// Decimal digits of a value, written at out; returns how many. Groups of four digits are worked out
// independently of each other.
std::size_t WriteDecimal(char* out, std::uint32_t value) {
    if (value < 10000)
        return WriteSmall(out, value);
    if (value < 100000000) {
        const std::uint32_t top = value / 10000;
        const std::size_t n = WriteSmall(out, top);
        PutFour(out + n, value - top * 10000);
        return n + 4;
    }
    const std::uint32_t top = value / 100000000;
    const std::uint32_t rest = value - top * 100000000;
    const std::uint32_t middle = rest / 10000;
    const std::size_t n = WriteSmall(out, top);
    PutFour(out + n, middle);
    PutFour(out + n + 4, rest - middle * 10000);
    return n + 8;
}

// The text of every byte value followed by a dot, worked out by the compiler: constant data, with
// nothing to make at run time and nothing to destroy at exit.
struct ByteTexts {
    constexpr ByteTexts() {
        for (std::uint32_t value = 0; value < 256; ++value) {
            std::uint8_t n = 0;
            if (value >= 100)
                text[value][n++] = char('0' + value / 100);
            if (value >= 10)
                text[value][n++] = char('0' + value / 10 % 10);
            text[value][n++] = char('0' + value % 10);
            text[value][n++] = '.';
            length[value] = n;
        }
    }
    char text[256][4] = {};
    std::uint8_t length[256] = {};
};

constexpr ByteTexts kByteTexts;

// Dotted decimal text of an address (network order, first byte most significant); out holds 16.
std::size_t WriteDotted(char* out, std::uint32_t address) {
    const ByteTexts& bytes = kByteTexts;
    std::size_t n = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const std::uint32_t value = (address >> shift) & 0xFF;
        std::memcpy(out + n, bytes.text[value], 4); // what follows the dot is overwritten next
        n += bytes.length[value];
    }
    return n - 1; // without the last dot
}

// Appends text at out and moves out past it.
inline void Put(char*& out, const char* text, std::size_t length) {
    std::memcpy(out, text, length);
    out += length;
}

inline void Put(char*& out, std::string_view text) {
    Put(out, text.data(), text.size());
}

} // namespace

TrafficDecoder::TrafficDecoder(TreeAccess& tree, TranscriptSink& transcript, TrafficLimits limits)
    : tree_(tree), transcript_(transcript), limits_(limits) {
    AdoptTree();
}

TrafficDecoder::PairIndex TrafficDecoder::FindPair(std::string_view key, std::uint64_t hash) {
    if (key.size() > kInlineKey) {
        auto found = longKeys_.find(std::string(key));
        return found == longKeys_.end() ? 0 : found->second;
    }
    auto* slot = pairIndex_.Find(hash, [this, &key](PairIndex index) {
        const Pair& pair = At(index);
        return pair.keyLength == key.size() && std::memcmp(pair.key, key.data(), key.size()) == 0;
    });
    return slot ? slot->value : 0;
}

TrafficDecoder::PairIndex TrafficDecoder::AddPair(std::string_view key, std::uint64_t hash) {
    PairIndex index = freePairs_;
    if (index == 0) {
        if (pairs_.size() >= 0xFFFFFFFEu)
            throw std::bad_alloc();
        if (sparePair_ == 0)
            sparePair_ = PairIndex(pairs_.Grow() + 1);
        index = sparePair_;
    }
    if (key.size() > kInlineKey)
        longKeys_.emplace(std::string(key), index);
    else
        pairIndex_.Insert(hash, PairIndex(index), [](PairIndex&) {});
    if (index == freePairs_)
        freePairs_ = At(index).newer;
    else
        sparePair_ = 0;
    Pair& pair = At(index);
    pair = Pair{};
    pair.live = true;
    if (key.size() > kInlineKey) {
        pair.keyLength = kLongKey;
    } else {
        pair.keyLength = static_cast<std::uint8_t>(key.size());
        std::memcpy(pair.key, key.data(), key.size());
    }
    return index;
}

void TrafficDecoder::FreePairIfUnused(PairIndex index) {
    Pair& pair = At(index);
    if (!pair.live || pair.top != 0 || sessionTable_.OwnedBy(index) != 0)
        return;
    if (pair.keyLength == kLongKey) {
        for (auto it = longKeys_.begin(); it != longKeys_.end(); ++it)
            if (it->second == index) {
                longKeys_.erase(it);
                break;
            }
    } else {
        const std::uint64_t hash = KeyHash(std::string_view(pair.key, pair.keyLength));
        auto* slot = pairIndex_.Find(hash, [index](PairIndex held) { return held == index; });
        if (slot)
            pairIndex_.Erase(slot, [](PairIndex&) {});
    }
    pair = Pair{};
    pair.newer = freePairs_;
    freePairs_ = index;
}

void TrafficDecoder::LinkNewest(PairIndex index) {
    Pair& pair = At(index);
    pair.older = newest_;
    pair.newer = 0;
    if (newest_)
        At(newest_).newer = index;
    else
        oldest_ = index;
    newest_ = index;
}

void TrafficDecoder::Unlink(PairIndex index) {
    Pair& pair = At(index);
    if (pair.older)
        At(pair.older).newer = pair.newer;
    else
        oldest_ = pair.newer;
    if (pair.newer)
        At(pair.newer).older = pair.older;
    else
        newest_ = pair.older;
    pair.older = pair.newer = 0;
}

void TrafficDecoder::EvictOldest() {
    const PairIndex index = oldest_;
    Pair& pair = At(index);
    Unlink(index);
    // The entry leaves the tree whether or not the tree reports success: nothing points at it any
    // more, and the decoder's count stays the number of entries it shows.
    tree_.DeleteItem(pair.top);
    pair.top = 0;
    --shown_;
    ++evicted_;
    sessionTable_.CloseOwnedBy(index);
    FreePairIfUnused(index);
}

TrafficDecoder::PairIndex TrafficDecoder::OpenSession(std::string_view source, std::string_view destination,
                                                      std::uint16_t srcPort, std::uint16_t dstPort,
                                                      std::uint32_t seq, std::uint32_t size) {
    // Only sessions make room for a session: the oldest goes, and its entry stays in the tree. So one
    // host that opens sessions by the thousand (a port scan) costs other conversations nothing.
    while (limits_.sessions != 0 && sessionTable_.size() >= limits_.sessions)
        CloseSession(sessionTable_.Oldest());
    const std::string_view key = MakeKey(source, destination);
    const std::uint64_t hash = KeyHash(key);
    PairIndex owner = FindPair(key, hash);
    if (owner == 0)
        owner = AddPair(key, hash);
    Session opened;
    opened.srcPort = srcPort;
    opened.dstPort = dstPort;
    opened.srcAddr.assign(source.data(), source.size());
    opened.dstAddr.assign(destination.data(), destination.size());
    opened.reserved = 0;
    opened.baseSeq = seq;
    opened.lastLen = size;
    try {
        sessionTable_.Open(std::move(opened), owner);
    } catch (...) {
        FreePairIfUnused(owner);
        throw;
    }
    return owner;
}

std::string_view TrafficDecoder::MakeKey(std::string_view source, std::string_view destination) {
    key_.resize(source.size() + 3 + destination.size());
    char* out = &key_[0];
    Put(out, source);
    Put(out, " - ", 3);
    Put(out, destination);
    return key_;
}

void TrafficDecoder::CloseSession(SessionTable::Index index) {
    const PairIndex owner = sessionTable_.OwnerOf(index);
    sessionTable_.Close(index);
    if (owner != 0)
        FreePairIfUnused(owner);
}

void TrafficDecoder::AdoptTree() {
    // Only the first (item count / 11) top-level items count as entries, the first of equal texts wins.
    std::size_t entries = tree_.ItemCount() / kItemsPerConversation;
    for (TreeItem item = tree_.FirstRoot(); item != 0 && entries > 0;
         item = tree_.NextSibling(item), --entries) {
        const std::string key = tree_.GetText(item);
        const std::uint64_t hash = KeyHash(key);
        if (FindPair(key, hash))
            continue;
        const PairIndex index = AddPair(key, hash);
        Pair& pair = At(index);
        pair.top = item;
        TreeItem header = tree_.FirstChild(item);
        header = header ? tree_.NextSibling(header) : 0;
        TreeItem field = header ? tree_.FirstChild(header) : 0;
        for (TreeItem& slot : pair.tcpFields) {
            slot = field;
            field = field ? tree_.NextSibling(field) : 0;
        }
        LinkNewest(index);
        ++shown_;
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
    const std::string_view source(sourceText_, WriteDotted(sourceText_, srcAddress));
    const std::string_view destination(destinationText_, WriteDotted(destinationText_, dstAddress));
    Track(source, destination, buffer + headerLength, static_cast<std::uint32_t>(length - headerLength));
    return true;
}

bool TrafficDecoder::TrackTcpSegment(const std::string& source, const std::string& destination,
                                     const unsigned char* segment, std::uint32_t length) {
    return Track(source, destination, segment, length);
}

bool TrafficDecoder::Track(std::string_view source, std::string_view destination,
                           const unsigned char* segment, std::uint32_t length) {
    if (!segment || length < kTcpHeaderMin)
        return false;
    const std::uint32_t size = length - kTcpHeaderMin;
    TcpHeader header;
    if (!ReadTcpHeader(ByteReader(segment, length), header))
        return false;

    const char* note = "";
    // The entry of the two addresses, when the session table leads to it: it owns their sessions.
    PairIndex pair = 0;
    const SessionTable::Index found =
        sessionTable_.FindIndex(source, header.srcPort, destination, header.dstPort);
    if (found == 0) {
        if (header.flags & kTcpSyn) {
            pair = OpenSession(source, destination, header.srcPort, header.dstPort, header.seq, size);
            note = kNoteNewSession;
        }
    } else {
        Session& session = sessionTable_.session(found);
        pair = sessionTable_.OwnerOf(found);
        // The distance from the opening sequence number, modulo 2^32, read as signed.
        const std::int32_t gap = static_cast<std::int32_t>(header.seq - session.baseSeq);
        session.lastLen = size;
        if (header.flags & kTcpSyn) {
            session.baseSeq = header.seq;
        } else if (header.flags & (kTcpRst | kTcpFin)) {
            CloseSession(found);
            // Its last session gone, an entry not in the tree is no more.
            if (pair != 0 && !At(pair).live)
                pair = 0;
        } else if (size > 0) {
            if (gap < 0)
                note = kNoteGapBelow;
            else if (gap > kGapLimit)
                note = kNoteGapAbove;
        }
    }
    Report(source, destination, header.srcPort, header.dstPort, header.seq, header.ack, header.flags, size,
           note, pair);
    return true;
}

void TrafficDecoder::ReportTcpSegment(const std::string& source, const std::string& destination,
                                      const unsigned char* segment, std::uint32_t size, const char* note) {
    TcpHeader header;
    if (!segment || !ReadTcpHeader(ByteReader(segment, std::size_t(size) + kTcpHeaderMin), header))
        return;
    Report(source, destination, header.srcPort, header.dstPort, header.seq, header.ack, header.flags, size,
           note, 0);
}

void TrafficDecoder::Report(std::string_view source, std::string_view destination, std::uint16_t srcPort,
                            std::uint16_t dstPort, std::uint32_t seq, std::uint32_t ack, std::uint8_t flags,
                            std::uint32_t size, const char* note, PairIndex pair) {
    const std::string_view flagText = FlagTextOf(flags);
    const std::string_view noteText = note ? std::string_view(note) : std::string_view();
    // "%s - %s {%ld-%ld}, len: %ld, seq: %s,ack: %s, Flags: %s %s\r\n", written straight into the
    // line; the numbers are written once, in place, and the tree's fields take their texts from
    // there: ports and size as "%ld", sequence and acknowledgement as "%lu".
    constexpr std::size_t kFixed = 3 + 2 + 1 + 8 + 7 + 6 + 9 + 1 + 2;
    const std::size_t longest =
        source.size() + destination.size() + flagText.size() + noteText.size() + kFixed + 5 * 10;
    if (line_.size() < longest)
        line_.resize(longest);
    char* const begin = &line_[0];
    char* out = begin;
    std::string_view values[6];
    const auto number = [&out](std::uint32_t value) {
        const std::string_view written(out, WriteDecimal(out, value));
        out += written.size();
        return written;
    };
    Put(out, source);
    Put(out, " - ", 3);
    Put(out, destination);
    Put(out, " {", 2);
    values[0] = number(srcPort);
    *out++ = '-';
    values[1] = number(dstPort);
    Put(out, "}, len: ", 8);
    values[2] = number(size);
    Put(out, ", seq: ", 7);
    values[4] = number(seq);
    Put(out, ",ack: ", 6);
    values[5] = number(ack);
    Put(out, ", Flags: ", 9);
    values[3] = flagText;
    Put(out, flagText);
    *out++ = ' ';
    Put(out, noteText);
    *out++ = '\r';
    *out++ = '\n';
    const std::size_t total = std::size_t(out - begin);
    transcript_.WriteLine(line_.data(), total);

    ++segmentsShown_;
    const std::uint32_t numbers[6] = {srcPort, dstPort, size, std::uint32_t(flags & 0x3F), seq, ack};
    Show(source, destination, values, numbers, pair);
}

void TrafficDecoder::ShowInTree(const PacketFields& fields) {
    const std::string_view values[6] = {fields.srcPort, fields.dstPort, fields.size,
                                        fields.flags,   fields.seq,     fields.ack};
    Show(fields.srcAddr, fields.dstAddr, values, nullptr, 0);
}

void TrafficDecoder::Show(std::string_view source, std::string_view destination,
                          const std::string_view* values, const std::uint32_t* numbers, PairIndex pair) {
    PairIndex index = pair;
    std::string_view key; // the entry text, in key_, once it is made
    std::uint64_t keyHash = 0;
    if (index == 0) {
        key = MakeKey(source, destination);
        keyHash = KeyHash(key);
        index = FindPair(key, keyHash);
    }
    if (index == 0 || At(index).top == 0) {
        if (key.empty())
            key = MakeKey(source, destination); // the new entry's text
        while (limits_.conversations != 0 && shown_ >= limits_.conversations)
            EvictOldest();
        if (index == 0)
            index = AddPair(key, keyHash);
        try {
            InsertConversation(index, source, destination, values, numbers);
        } catch (...) {
            FreePairIfUnused(index);
            throw;
        }
        FreePairIfUnused(index);
        return;
    }
    // The entry becomes the most recently updated. Without a limit on entries none is ever pushed
    // out, so the order is not kept up (it costs two records the caches seldom hold).
    if (index != newest_ && limits_.conversations != 0) {
        Unlink(index);
        LinkNewest(index);
    }
    Pair& entry = At(index);
    for (int i = 0; i < 6; ++i) {
        const TreeItem item = entry.tcpFields[i];
        if (item == 0)
            continue;
        const std::uint8_t bit = std::uint8_t(1u << i);
        if (numbers && (entry.shownMask & bit) && entry.shownValues[i] == numbers[i])
            continue;
        entry.shownMask &= std::uint8_t(~bit);
        if (tree_.SetLabeledText(item, labels_[i], values[i]) && numbers) {
            entry.shownValues[i] = numbers[i];
            entry.shownMask |= bit;
        }
    }
}

TreeItem TrafficDecoder::InsertField(TreeItem parent, FieldLabel label, std::string_view value) {
    if (parent == 0)
        return 0;
    return tree_.InsertLabeledItem(parent, labels_[label], value, kImageField, kImageField);
}

void TrafficDecoder::InsertConversation(PairIndex index, std::string_view source,
                                        std::string_view destination, const std::string_view* values,
                                        const std::uint32_t* numbers) {
    const TreeItem top = tree_.InsertItem(0, key_, kImageConversation, kImageConversation);
    // Without its parent a child would land at the top level; a failed insertion ends the entry
    // (or its branch) instead, and nothing of it is remembered when the top item is missing.
    if (top == 0)
        return;
    TreeItem tcpFields[6] = {};
    try {
        const TreeItem ipHeader = tree_.InsertItem(top, "IP Header", kImageHeader, kImageHeader);
        InsertField(ipHeader, kLabelSourceIp, source);
        InsertField(ipHeader, kLabelDestinationIp, destination);
        const TreeItem tcpHeader = tree_.InsertItem(top, "TCP Header", kImageHeader, kImageHeader);
        for (int i = 0; i < 6; ++i)
            tcpFields[i] = InsertField(tcpHeader, FieldLabel(i), values[i]);
    } catch (...) {
        // Out of memory half way: the entry goes again, so the tree holds whole entries only.
        tree_.DeleteItem(top);
        throw;
    }
    Pair& pair = At(index);
    pair.top = top;
    std::copy(std::begin(tcpFields), std::end(tcpFields), std::begin(pair.tcpFields));
    pair.shownMask = 0;
    if (numbers) {
        for (int i = 0; i < 6; ++i)
            if (tcpFields[i] != 0) {
                pair.shownValues[i] = numbers[i];
                pair.shownMask |= std::uint8_t(1u << i);
            }
    }
    LinkNewest(index);
    ++shown_;
}

} // namespace palisor
