#pragma once
// Base64 text form of binary data (sample bytes inside presets): encoding with the standard or
// the URL-safe alphabet, and the lenient decoding the XML reader applies to "base64, " values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Base64 {

// 0: "A-Za-z0-9+/" padded with '='; 1: "A-Za-z0-9-_" padded with '.'.
std::string Encode(const void* data, std::size_t count, int alphabet = 0);

// Decodes `text` (at most `length` bytes) up to the first group that starts with `terminator`,
// appending the bytes to `out`. Both alphabets and both pad characters are accepted. Returns the
// number of characters consumed (the terminator itself is not consumed) or -1 when the text is
// malformed. A group cut short by the terminator or by the end of the text gives the bytes its
// characters complete (two characters one byte, three two); a lone character is malformed.
std::ptrdiff_t Decode(const char* text, std::size_t length, std::vector<uint8_t>& out, char terminator);

}  // namespace Base64
