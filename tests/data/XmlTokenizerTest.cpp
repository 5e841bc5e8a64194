#include "data/XmlTokenizer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/LogCapture.h"

namespace {

// The document in a heap block of exactly its length (no NUL after it), so the sanitizer
// catches any read past the end.
class Document {
 public:
  explicit Document(const std::string& text) : bytes_(new char[text.size() ? text.size() : 1]), size_(text.size()) {
    if (size_) std::memcpy(bytes_.get(), text.data(), size_);
  }
  char* Data() { return bytes_.get(); }
  uint32_t Size() const { return static_cast<uint32_t>(size_); }

 private:
  std::unique_ptr<char[]> bytes_;
  size_t size_;
};

// The events of a document, "code:text" for the events with a token text, until Error or End.
std::string Events(const std::string& text) {
  Document doc(text);
  XmlTokenizer t;
  t.Init(doc.Data(), doc.Size());
  std::string out;
  for (size_t guard = 0; guard < 4 * text.size() + 8; ++guard) {
    const XmlEvent e = t.Next();
    const auto code = static_cast<unsigned>(e);
    if (!out.empty()) out += ' ';
    out += std::to_string(code);
    switch (e) {
      case XmlEvent::Error:
      case XmlEvent::End:
        t.Release();
        return out;
      case XmlEvent::TagClosed:
      case XmlEvent::ElementEnd:  // an end tag's name is checked on its own below
        break;
      case XmlEvent::AttributeValue:
        out += ':';
        out += t.DecodedText();
        break;
      default:
        out += ':';
        out += t.TokenText();
        break;
    }
  }
  return out + " <no end>";
}

TEST(XmlTokenizer, EventSequences) {
  struct Case {
    const char* document;
    const char* events;
  };
  const Case cases[] = {
      {"", "1"},
      {"  \n\t", "1"},
      {"<a x=\"1\"/>", "7:a 9:x 10:1 11 8 1"},
      {"<a/>", "7:a 11 8 1"},
      {"<a></a>", "7:a 11 8 1"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "6:xml 9:version 10:1.0 9:encoding 10:UTF-8 11 8 1"},
      {"<?xml version=\"1.0\"?><r/>", "6:xml 9:version 10:1.0 11 8 7:r 11 8 1"},
      {"<?pi?>", "6:pi 11 8 1"},
      {"<a>  hi there  </a>", "7:a 11 4:hi there   8 1"},
      {"<a>x</a>tail", "7:a 11 4:x 8 1"},
      {"<!--   note -->", "3:note  1"},
      {"<!---->", "3: 1"},
      {"<![CDATA[x<y]]>", "5:x<y 1"},
      {"<!DOCTYPE a>", "2:!DOCTYPE a 1"},
      {"<a v='say \"hi\"'/>", "7:a 9:v 10:say \"hi\" 11 8 1"},
      {"<a v=\"it's\"/>", "7:a 9:v 10:it's 11 8 1"},
      {"<a x = \"1\"\ty='2'>", "7:a 9:x 10:1 9:y 10:2 11 1"},
      {"<a\n x=\"\"/>", "7:a 9:x 10: 11 8 1"},
      {"<a><b/><c k=\"v\"></c></a>", "7:a 11 7:b 11 8 7:c 9:k 10:v 11 8 8 1"},
      {"<a ?>", "7:a 11 8 1"},
      {"<\xC3\xA9\xA0/>", "7:\xC3\xA9\xA0 11 8 1"},  // bytes from 0x80 up are never white space
  };
  for (const Case& c : cases) EXPECT_EQ(Events(c.document), c.events) << c.document;
}

TEST(XmlTokenizer, EndTagNameIsTerminatedInPlace) {
  Document doc("<item>v</item>");
  XmlTokenizer t;
  t.Init(doc.Data(), doc.Size());
  for (XmlEvent want : {XmlEvent::ElementStart, XmlEvent::TagClosed, XmlEvent::Text}) ASSERT_EQ(t.Next(), want);
  ASSERT_EQ(t.Next(), XmlEvent::ElementEnd);
  EXPECT_STREQ(t.TokenText(), "item");
  EXPECT_EQ(t.Next(), XmlEvent::End);
}

TEST(XmlTokenizer, ByteOrderMarksAreSkippedAndRecorded) {
  const std::string body = "<a x=\"1\">t</a>";
  const std::string plain = Events(body);
  struct Mark {
    const char* bytes;
    size_t count;
    uint32_t encoding;
  };
  const Mark marks[] = {
      {"\xEF\xBB\xBF", 3, XmlTokenizer::kUtf8},
      {"\xFE\xFF", 2, XmlTokenizer::kUtf16},
      {"\x2B\x2F\x76", 3, XmlTokenizer::kUtf7},
      {"\x00\x00\xFE\xFF", 4, XmlTokenizer::kUtf32},
  };
  for (const Mark& m : marks) {
    const std::string text = std::string(m.bytes, m.count) + body;
    EXPECT_EQ(Events(text), plain) << m.count;
    Document doc(text);
    XmlTokenizer t;
    t.Init(doc.Data(), doc.Size());
    EXPECT_EQ(t.EncodingMark(), m.encoding);
  }
  // A document shorter than a mark, or only a mark, is simply empty or text.
  EXPECT_EQ(Events("\xEF\xBB\xBF"), "1");
  EXPECT_EQ(Events("\xEF\xBB"), "1");
  EXPECT_EQ(Events("\x00\x00\xFE"), "1");
}

TEST(XmlTokenizer, SyntaxErrorsStopReading) {
  testing_support::LogCapture log;
  // Each document reaches Error before End, and keeps reporting it.
  const char* documents[] = {
      "<a></a >",           // blank between an end tag's name and '>'
      "<a></a/>",           // anything else after an end tag's name
      "<!-- open",          // comment without its end
      "<![CDATA[ open ]]",  // CDATA without its end
      "<!DOCTYPE open",     // declaration without '>'
      "<a x=\"open/>",      // value without its closing quote
      "<a x='open\"/>",     // the other quote does not close it
      "<a x=1/>",           // unquoted value
      "<a x \"1\"/>",       // name not followed by '='
      "<a x",               // attribute name running to the end
      "<a x=",              // value missing at the end
      "<a x='1' ",          // tag cut off after a value
      "<",                  // lone '<' at the end
      "<abc",               // element name running to the end
      "</ab",               // end tag name running to the end
      "<a/",                // '/' without '>'
      "<a/ >",              // '/' not followed by '>'
      "<a x=\"1\"/ >",
      "<?xml",
      "<a d=\"base64, Q!==\"/>",  // bad second Base64 character
      "<a d=\"base64, QUJD/>",    // Base64 without its closing quote
  };
  for (const char* text : documents) {
    const std::string events = Events(text);
    EXPECT_EQ(events.back(), '0') << text << " -> " << events;
    Document doc(text);
    XmlTokenizer t;
    t.Init(doc.Data(), doc.Size());
    XmlEvent e;
    while ((e = t.Next()) != XmlEvent::Error && e != XmlEvent::End) {
    }
    EXPECT_EQ(t.Next(), XmlEvent::Error) << text;
  }
}

TEST(XmlTokenizer, EntitiesDecodeToSingleBytes) {
  struct Case {
    const char* raw;
    std::string decoded;
  };
  const Case cases[] = {
      {"&amp;&lt;&gt;&quot;&#65;&#x42;", "&<>\"AB"},
      {"a &apos; b", "a &apos; b"},
      {"&#233;", "\xE9"},
      {"&#x4a;&#x4A;", "JJ"},
      {"&#321;", "A"},                                                        // low 8 bits
      {"&#12345678901234567890123456789012345678901234567890;", "\xD2"},  // modulo 256, no overflow
      {"&#; &#65 &#x; &foo; & &amp", "&#; &#65 &#x; &foo; & &amp"},
      {"no references", "no references"},
      {"&amp;amp;", "&amp;"},
  };
  for (const Case& c : cases) {
    std::string text = c.raw;
    XmlTokenizer::DecodeEntities(text.data());
    EXPECT_EQ(std::string(text.c_str()), c.decoded) << c.raw;
  }
  EXPECT_EQ(Events("<a v=\"x&lt;y&#65;\">&amp;</a>"), "7:a 9:v 10:x<yA 11 4:&amp; 8 1");
}

TEST(XmlTokenizer, Base64ValuesDecodeIntoTheByteArray) {
  struct Case {
    const char* document;
    std::string bytes;
  };
  const Case cases[] = {
      {"<a d=\"base64, QUJD\"/>", "ABC"},
      {"<a d=\"base64, QUI=\"/>", "AB"},
      {"<a d=\"base64, QUI.\"/>", "AB"},
      {"<a d='base64, QQ=='/>", "A"},
      {"<a d=\"base64, QQ..\"/>", "A"},
      {"<a d=\"base64, -_-_\"/>", "\xFB\xFF\xBF"},
      {"<a d=\"base64, +/+/\"/>", "\xFB\xFF\xBF"},
      {"<a d=\"base64, \"/>", ""},
  };
  for (const Case& c : cases) {
    Document doc(c.document);
    XmlTokenizer t;
    t.Init(doc.Data(), doc.Size());
    ASSERT_EQ(t.Next(), XmlEvent::ElementStart);
    ASSERT_EQ(t.Next(), XmlEvent::AttributeName);
    ASSERT_EQ(t.Next(), XmlEvent::AttributeValue) << c.document;
    EXPECT_EQ(std::string(t.DecodedBytes().begin(), t.DecodedBytes().end()), c.bytes) << c.document;
    // The raw text stays readable and ends at the quote.
    EXPECT_EQ(std::string(t.TokenText()), std::string(c.document + 6, std::strlen(c.document) - 9));
    EXPECT_EQ(t.Next(), XmlEvent::TagClosed);
    EXPECT_EQ(t.Next(), XmlEvent::ElementEnd);
    EXPECT_EQ(t.Next(), XmlEvent::End);
  }
}

TEST(XmlTokenizer, BadBase64IsLoggedAsAnError) {
  testing_support::LogCapture log;
  EXPECT_EQ(Events("<a d=\"base64, QUJD\" e=\"base64, Q*==\"/>"), "7:a 9:d 10:base64, QUJD 9:e 0");
  EXPECT_NE(log.Text().find("[Base64] ERROR: decode"), std::string::npos);
  log.Clear();
  EXPECT_EQ(Events("<a d=\"base64; QUJD\"/>"), "7:a 9:d 10:base64; QUJD 11 8 1");  // not Base64 at all
  EXPECT_EQ(log.Text(), "");
}

TEST(XmlTokenizer, ReleaseFreesTheBytesAndForgetsTheBuffer) {
  Document doc("<a d=\"base64, QUJD\"/>");
  XmlTokenizer t;
  t.Init(doc.Data(), doc.Size());
  for (int i = 0; i < 3; ++i) t.Next();
  EXPECT_EQ(t.DecodedBytes().size(), 3u);
  t.Release();
  EXPECT_EQ(t.DecodedBytes().capacity(), 0u);
  EXPECT_EQ(t.Next(), XmlEvent::End);
}

// Every cut and every single-byte change of a document that uses all kinds of token ends in
// Error or End within a bounded number of events, reading nothing outside the document.
TEST(XmlTokenizer, MangledDocumentsNeverHangOrOverrun) {
  testing_support::LogCapture log;
  const std::string good =
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!DOCTYPE x><!-- c --><r a='1' b=\"&amp;&#65;\">"
      "<![CDATA[d]]><e d=\"base64, QUJDRA==\"/>text</r>";
  const char replacements[] = {'<', '>', '/', '?', '!', '"', '\'', '=', ' ', '&', '-', ']', 0, 'x'};
  size_t runs = 0;
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    const std::string events = Events(good.substr(0, cut));
    EXPECT_TRUE(events.back() == '0' || events.back() == '1') << cut << ": " << events;
    ++runs;
  }
  for (size_t at = 0; at < good.size(); ++at) {
    for (char r : replacements) {
      std::string text = good;
      text[at] = r;
      const std::string events = Events(text);
      ASSERT_TRUE(events.back() == '0' || events.back() == '1') << at << ": " << events;
      ++runs;
    }
  }
  EXPECT_GT(runs, good.size() * 10);
}

// Seeded random edits (several bytes changed, inserted, removed or duplicated at once).
TEST(XmlTokenizer, RandomlyEditedDocumentsNeverHangOrOverrun) {
  testing_support::LogCapture log;
  const std::string good =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Program Name=\"a &amp; b\">\n\t<Parameter Name='x' "
      "Value=\"&#65;\"/>\n\t<WAVE Data=\"base64, QUJDREVGRw==\"></WAVE><!-- end --></Program>\n";
  const char alphabet[] = "<>/?!\"'= &#;-[]x0Aa\t";
  uint32_t seed = 2024;
  auto pick = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (int run = 0; run < 20000; ++run) {
    std::string text = good;
    for (uint32_t edits = 1 + pick(4); edits > 0 && !text.empty(); --edits) {
      const size_t at = pick(static_cast<uint32_t>(text.size()));
      switch (pick(4)) {
        case 0: text[at] = alphabet[pick(sizeof alphabet - 1)]; break;
        case 1: text.insert(at, 1, alphabet[pick(sizeof alphabet - 1)]); break;
        case 2: text.erase(at, 1 + pick(8)); break;
        default: text.insert(at, text.substr(pick(static_cast<uint32_t>(text.size())), 1 + pick(16))); break;
      }
    }
    const std::string events = Events(text);
    ASSERT_TRUE(events.back() == '0' || events.back() == '1') << text << " -> " << events;
  }
}

}  // namespace
