// Texts: byte strings without zero bytes (Chinese in GBK), 1-based byte positions. The missing
// text and the empty text are the same value. No operation fails: an absent pattern gives -1, a
// position or count out of range gives the empty text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace morvane {

using Text = std::string;

int64_t TextLength(std::string_view text);

// 1-based position of the first match that starts at a character boundary, or -1. A byte of 0x80
// or above starts a two-byte character; an unpaired one at the very end stops the scan.
int64_t FindText(std::string_view text, std::string_view pattern);

// At most `count` bytes from position `start`; empty when start is outside 1..length or count <= 0.
Text MidText(std::string_view text, int64_t start, int64_t count);

// The bytes up to the first zero byte.
Text BytesToText(std::string_view bytes);

// -1, 0 or +1, comparing bytes as unsigned values; a prefix is smaller.
int CompareText(std::string_view left, std::string_view right);

Text ConcatText(std::initializer_list<std::string_view> parts);

}  // namespace morvane
