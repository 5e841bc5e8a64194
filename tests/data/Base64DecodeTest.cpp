#include "data/Base64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Decoded(const std::string& text, int32_t* consumed = nullptr) {
  std::vector<uint8_t> out;
  const int32_t n = Base64::Decode(text.c_str(), text.size(), out, '"');
  if (consumed) *consumed = n;
  if (n < 0) return "<fail>";
  return std::string(out.begin(), out.end());
}

// Reference encoder (independent of the product's writer) for the round trip.
std::string Encode(const std::vector<uint8_t>& data, bool urlSafe) {
  const char* alphabet = urlSafe ? "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"
                                 : "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const char pad = urlSafe ? '.' : '=';
  std::string s;
  for (size_t i = 0; i < data.size(); i += 3) {
    const uint32_t n = data.size() - i;
    const uint32_t v = (data[i] << 16) | (n > 1 ? data[i + 1] << 8 : 0) | (n > 2 ? data[i + 2] : 0);
    s += alphabet[(v >> 18) & 63];
    s += alphabet[(v >> 12) & 63];
    s += n > 1 ? alphabet[(v >> 6) & 63] : pad;
    s += n > 2 ? alphabet[v & 63] : pad;
  }
  return s;
}

TEST(Base64Decode, GroupsPadsAndAlphabets) {
  struct Case {
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {"QUJD\"", "ABC"},
      {"QUI=\"", "AB"},
      {"QUI.\"", "AB"},
      {"QQ==\"", "A"},
      {"QQ..\"", "A"},
      {"QUJDREVG\"", "ABCDEF"},
      {"\"", ""},
      {"+/+/\"", "\xFB\xFF\xBF"},
      {"-_-_\"", "\xFB\xFF\xBF"},
      // A first character outside the alphabet counts as 63, a fourth as 255.
      {"!QQQ\"", std::string(1, '\xFD') + "\x04\x10"},
      {"QUJ!\"", "AB?"},  // (9 shl 6) + 255, low 8 bits
      // Groups cut short by the quote give what they hold completely.
      {"QUI\"", "AB"},
      {"QQ\"", "A"},
      // A pad in the third place with a non-pad fourth: c counts as zero.
      {"QQ=B\"", "A\x01"},
  };
  for (const Case& c : cases) {
    int32_t consumed = 0;
    EXPECT_EQ(Decoded(c.text, &consumed), c.bytes) << c.text;
    EXPECT_EQ(consumed, static_cast<int32_t>(std::strlen(c.text) - 1)) << c.text;  // everything but the quote
  }
}

TEST(Base64Decode, BadCharactersFail) {
  for (const char* text : {"Q!QQ\"", "QQ!Q\"", "Q\"", "QUJDQ\"", "Q QQ\"", "QUJDR\"EVG"})
    EXPECT_EQ(Decoded(text), "<fail>") << text;
}

TEST(Base64Decode, StopsAtTheAvailableLength) {
  std::vector<uint8_t> out;
  // Only eight characters are available: the rest of the string must not be looked at.
  EXPECT_EQ(Base64::Decode("QUJDREVG!!!!", 8, out, '"'), 8);
  EXPECT_EQ(std::string(out.begin(), out.end()), "ABCDEF");
  out.clear();
  EXPECT_EQ(Base64::Decode("QUJDRE", 6, out, '"'), 6);
  EXPECT_EQ(std::string(out.begin(), out.end()), "ABCD");
}

TEST(Base64Decode, RoundTripsBothAlphabets) {
  uint32_t seed = 12345;
  for (size_t length = 0; length <= 64; ++length) {
    std::vector<uint8_t> data(length);
    for (auto& b : data) {
      seed = seed * 1664525u + 1013904223u;
      b = static_cast<uint8_t>(seed >> 24);
    }
    for (bool urlSafe : {false, true}) {
      const std::string text = Encode(data, urlSafe) + "\"";
      std::vector<uint8_t> out;
      EXPECT_EQ(Base64::Decode(text.c_str(), text.size(), out, '"'), static_cast<int32_t>(text.size() - 1));
      EXPECT_EQ(out, data) << length << (urlSafe ? " url-safe" : "");
    }
  }
}

}  // namespace
