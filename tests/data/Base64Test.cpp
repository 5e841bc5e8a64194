#include "data/Base64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

std::vector<uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

std::vector<uint8_t> DecodeAll(const std::string& text, std::ptrdiff_t* consumed = nullptr) {
  std::vector<uint8_t> out;
  const std::ptrdiff_t n = Base64::Decode(text.data(), text.size(), out, '"');
  if (consumed) *consumed = n;
  return out;
}

TEST(Base64, LastGroupIsPaddedWithTheAlphabetsPadCharacter) {
  struct Case {
    std::string bytes;
    int alphabet;
    const char* text;
  };
  const Case cases[] = {
      {"", 0, ""},          {"", 1, ""},
      {"M", 0, "TQ=="},     {"M", 1, "TQ.."},
      {"Ma", 0, "TWE="},    {"Ma", 1, "TWE."},
      {"Man", 0, "TWFu"},   {"Man", 1, "TWFu"},
      {"\xfb\xff", 0, "+/8="}, {"\xfb\xff", 1, "-_8."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Base64::Encode(c.bytes.data(), c.bytes.size(), c.alphabet), c.text) << c.text;
}

// Python's base64 module is the reference; alphabet 1 is its URL-safe form with '.' padding.
TEST(Base64, EncodingMatchesPythonForEveryLengthUpTo64AndALargeBuffer) {
  testing_support::TempDataRoot root;
  std::vector<std::vector<uint8_t>> buffers;
  for (std::size_t n = 0; n <= 64; ++n) buffers.push_back(RandomBytes(n, static_cast<unsigned>(n)));
  buffers.push_back(RandomBytes(100001, 7));
  for (std::size_t i = 0; i < buffers.size(); ++i) {
    const std::string file = root.Root() + "/b" + std::to_string(i);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(buffers[i].data()), static_cast<std::streamsize>(buffers[i].size()));
  }
  const std::string script =
      "import base64,sys\n"
      "for i in range(int(sys.argv[2])):\n"
      "  d=open(sys.argv[1]+'/b'+str(i),'rb').read()\n"
      "  print(base64.b64encode(d).decode(), base64.urlsafe_b64encode(d).decode().replace('=','.'))\n";
  std::ofstream(root.Root() + "/enc.py") << script;
  const auto py = testing_support::RunCommand("python3 " + root.Root() + "/enc.py " + root.Root() + " " +
                                              std::to_string(buffers.size()));
  ASSERT_EQ(py.status, 0);
  std::istringstream lines(py.text);
  for (const auto& b : buffers) {
    std::string standard, urlsafe;
    ASSERT_TRUE(std::getline(lines, standard, ' ') && std::getline(lines, urlsafe));
    EXPECT_EQ(Base64::Encode(b.data(), b.size(), 0), standard) << b.size();
    EXPECT_EQ(Base64::Encode(b.data(), b.size(), 1), urlsafe) << b.size();
  }
}

TEST(Base64, DecodingCoreutilsOutputGivesTheBytesBack) {
  testing_support::TempDataRoot root;
  const auto bytes = RandomBytes(4099, 3);
  const std::string file = root.Root() + "/data";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto tool = testing_support::RunCommand("base64 -w0 " + file);
  ASSERT_EQ(tool.status, 0);
  std::ptrdiff_t consumed = 0;
  EXPECT_EQ(DecodeAll(tool.text + "\"", &consumed), bytes);
  EXPECT_EQ(consumed, static_cast<std::ptrdiff_t>(tool.text.size()));
}

// An encoder written here from the alphabet tables, independent of the writer's, so the round
// trip does not check the code against itself.
std::string ReferenceEncode(const std::vector<uint8_t>& data, bool urlSafe) {
  const char* alphabet = urlSafe ? "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"
                                 : "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const char pad = urlSafe ? '.' : '=';
  std::string s;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::size_t n = data.size() - i;
    const uint32_t v = (uint32_t{data[i]} << 16) | (n > 1 ? uint32_t{data[i + 1]} << 8 : 0) | (n > 2 ? data[i + 2] : 0);
    s += alphabet[(v >> 18) & 63];
    s += alphabet[(v >> 12) & 63];
    s += n > 1 ? alphabet[(v >> 6) & 63] : pad;
    s += n > 2 ? alphabet[v & 63] : pad;
  }
  return s;
}

TEST(Base64, DecodingAnIndependentEncodingGivesTheBytesBackInBothAlphabets) {
  for (bool urlSafe : {false, true})
    for (std::size_t n = 0; n <= 64; ++n) {
      const auto bytes = RandomBytes(n, static_cast<unsigned>(100 + n));
      const std::string text = ReferenceEncode(bytes, urlSafe);
      std::ptrdiff_t consumed = 0;
      EXPECT_EQ(DecodeAll(text + "\" rest", &consumed), bytes) << n << (urlSafe ? " url-safe" : "");
      EXPECT_EQ(consumed, static_cast<std::ptrdiff_t>(text.size()));
    }
}

TEST(Base64, DecodeStopsAtTheTerminatorAndReportsMalformedText) {
  struct Case {
    const char* text;
    std::ptrdiff_t consumed;  // -1: malformed
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"TWFu\"TWFu", 4, {'M', 'a', 'n'}},
      {"\"", 0, {}},
      {"TWE=\"", 4, {'M', 'a'}},
      {"TQ..\"", 4, {'M'}},
      {"QUI.\"", 4, {'A', 'B'}},
      {"QUJDREVG\"", 8, {'A', 'B', 'C', 'D', 'E', 'F'}},
      {"+/+/\"", 4, {0xFB, 0xFF, 0xBF}},
      {"-_-_\"", 4, {0xFB, 0xFF, 0xBF}},
      {"QQ\"", 2, {'A'}},           // a group cut short by the closing quote
      {"QUI\"", 3, {'A', 'B'}},
      {"QUJD", 4, {'A', 'B', 'C'}},  // no terminator: stops at the end of the text
      {"QUJDQ", -1, {}},             // a lone character
      {"Q\"", -1, {}},
      {"Q!JD\"", -1, {}},  // bad second character
      {"QU!D\"", -1, {}},  // bad third character
      {"!UJD\"", 4, {0xFD, 'B', 'C'}},  // a bad first character counts as 63
      {"QUJ!\"", 4, {'A', 'B', 0x3F}},  // a bad fourth as 255, of which the low six bits remain
      {"QU=D\"", 4, {'A', 0x03}},       // pad in third place, then a digit
      {"Q QQ\"", -1, {}},               // a space is no character of the alphabet
      {"QUJDR\"EVG", -1, {}},           // a lone character before the terminator
  };
  for (const Case& c : cases) {
    std::ptrdiff_t consumed = 0;
    const auto bytes = DecodeAll(c.text, &consumed);
    EXPECT_EQ(consumed, c.consumed) << c.text;
    if (c.consumed >= 0) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
}

TEST(Base64, DecodeNeverReadsPastTheGivenLength) {
  // An exactly sized heap block: the sanitizer build catches a read past it.
  const std::string text = "QUJDRA";
  for (std::size_t n = 0; n <= text.size(); ++n) {
    std::vector<char> exact(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    std::vector<uint8_t> out;
    const std::ptrdiff_t consumed = Base64::Decode(exact.data(), exact.size(), out, '"');
    EXPECT_EQ(consumed, n == 1 || n == 5 ? -1 : static_cast<std::ptrdiff_t>(n)) << n;
  }
}

// Random text over the characters that matter (both alphabets, both pads, quotes, junk), in
// exactly sized buffers: the decoder stays inside them and never makes more than three bytes
// per four characters it consumed.
TEST(Base64, RandomTextStaysWithinItsBufferAndItsByteBudget) {
  static constexpr char kChars[] = "QUJDaz09+/-_=.\"'! \x80";
  std::mt19937 rng(99);
  for (int i = 0; i < 20000; ++i) {
    std::vector<char> text(rng() % 24);
    for (auto& c : text) c = kChars[rng() % (sizeof kChars - 1)];
    const char terminator = (i & 1) ? '"' : '\'';
    std::vector<uint8_t> out{7};
    const std::ptrdiff_t consumed = Base64::Decode(text.data(), text.size(), out, terminator);
    ASSERT_LE(consumed, static_cast<std::ptrdiff_t>(text.size()));
    ASSERT_GE(out.size(), 1u);
    ASSERT_EQ(out[0], 7);  // appended, not overwritten
    if (consumed >= 0) {
      ASSERT_LE(out.size() - 1, static_cast<std::size_t>(consumed + 3) / 4 * 3);
      ASSERT_TRUE(static_cast<std::size_t>(consumed) == text.size() || text[static_cast<std::size_t>(consumed)] == terminator);
    }
  }
}

}  // namespace
