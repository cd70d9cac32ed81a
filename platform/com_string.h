// Owns one COM string (BSTR) and frees it when it goes out of scope.
#pragma once

#include "platform/firewall_com.h"

class ComString {
public:
    ComString() = default;
    // Copies the text; a null text gives no string, as SysAllocString does.
    explicit ComString(const OLECHAR* text) : text_(SysAllocString(text)) {}
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    ComString(ComString&& other) noexcept : text_(other.Detach()) {}
    ComString& operator=(ComString&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }
    ~ComString() { Reset(); }

    static ComString Adopt(BSTR text) {
        ComString s;
        s.text_ = text;
        return s;
    }

    BSTR Get() const { return text_; }
    UINT Length() const { return SysStringLen(text_); }
    BSTR* Receive() {
        Reset();
        return &text_;
    }
    BSTR Detach() {
        BSTR text = text_;
        text_ = nullptr;
        return text;
    }
    void Reset(BSTR text = nullptr) {
        BSTR old = text_;
        text_ = text;
        SysFreeString(old);
    }

private:
    BSTR text_ = nullptr;
};
