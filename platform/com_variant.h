// Owns one VARIANT: initialised on construction, cleared (releasing what it holds) on destruction.
#pragma once

#include "platform/firewall_com.h"

class ComVariant {
public:
    ComVariant() { VariantInit(&value_); }
    ComVariant(const ComVariant&) = delete;
    ComVariant& operator=(const ComVariant&) = delete;
    ~ComVariant() { VariantClear(&value_); }

    VARIANT* Get() { return &value_; }
    const VARIANT& operator*() const { return value_; }
    void Clear() { VariantClear(&value_); }

private:
    VARIANT value_;
};
