// Text from the firewall (UTF-16) into the program's narrow text (the ANSI code page).
#pragma once

#include <cstddef>

#include "platform/firewall_com.h"

// Converts `text` into `buffer` of `size` bytes, always zero-terminated. Text that does not fit is cut
// after the last whole character that fits. A null text gives an empty string.
void ConvertToAnsi(const OLECHAR* text, char* buffer, std::size_t size);
