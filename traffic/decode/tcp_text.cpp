#include "traffic/decode/tcp_text.h"

#include <charconv>
#include <cstring>
#include <functional>
#include <new>

namespace palisor {

namespace {

constexpr std::size_t kLabelWidth = 40;

struct FieldLabels {
    FieldLabels() {
        const char* const names[kFieldLabelCount] = {
            "Source Port:", "Destination Port:", "Size:",          "Flags:", "Sequence:",
            "Ack:",         "Source IP:",        "Destination IP:"};
        for (int i = 0; i < kFieldLabelCount; ++i)
            AppendPadLabel(text[i], names[i]);
    }
    std::string text[kFieldLabelCount];
};

const FieldLabels& Labels() {
    // Built in place on first use; the storage has no destructor, so the labels outlive every
    // object that is destroyed at exit.
    alignas(FieldLabels) static unsigned char storage[sizeof(FieldLabels)];
    static const FieldLabels* const labels = new (storage) FieldLabels;
    return *labels;
}

} // namespace

void AppendFlagText(std::string& out, std::uint8_t flags) {
    const std::string_view text = FlagTextOf(flags);
    out.append(text.data(), text.size());
}

const std::string& FieldLabelText(FieldLabel label) {
    return Labels().text[label];
}

const std::string* FieldLabelTexts() {
    return Labels().text;
}

bool IsFieldLabel(const std::string& label) {
    const std::string* const first = Labels().text;
    return std::less_equal<const std::string*>()(first, &label) &&
           std::less<const std::string*>()(&label, first + kFieldLabelCount);
}

std::string FlagText(std::uint8_t flags) {
    std::string text;
    AppendFlagText(text, flags);
    return text;
}

void AppendPadLabel(std::string& out, const char* label) {
    const std::size_t length = std::strlen(label);
    out.append(label, length);
    if (length < kLabelWidth)
        out.append(kLabelWidth - length, '.');
    out += ' ';
}

std::string PadLabel(const std::string& label) {
    std::string text;
    AppendPadLabel(text, label.c_str());
    return text;
}

void AppendDecimal(std::string& out, std::uint32_t value) {
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendDecimal(std::string& out, std::int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendDottedAddress(std::string& out, std::uint32_t address) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        AppendDecimal(out, static_cast<std::uint32_t>((address >> shift) & 0xFF));
        if (shift != 0)
            out += '.';
    }
}

} // namespace palisor
