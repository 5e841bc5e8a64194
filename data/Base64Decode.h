#pragma once
// Base64 decoder for sample data embedded in XML attribute values: accepts the standard and
// the URL-safe alphabet, '=' or '.' as pad, and stops at the value's closing quote.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Base64 {

// Decodes the text from `text` up to the `terminator` character (which is not consumed) or
// until `available` characters are used up, appending the bytes to `out`. Returns the number
// of characters consumed, or -1 on a bad character (`out` is then left as it was). A group cut short by the terminator
// yields what it holds completely (two characters one byte, three characters two bytes); a
// lone character is an error.
int32_t Decode(const char* text, size_t available, std::vector<uint8_t>& out, char terminator);

}  // namespace Base64
