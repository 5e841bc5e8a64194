#include "data/XmlWriter.h"

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/XmlFileSet.h"
#include "data/XmlReaderBase.h"
#include "data/XmlTagName.h"
#include "platform/Paths.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Reads the root's Name back as this program's readers do.
constexpr XmlAttributeName kNameAttribute[] = {{"Name", false}};
class NameReader : public XmlReaderBase {
 public:
  NameReader() : XmlReaderBase(xml_tags::kFXParam, kNameAttribute) {}
  std::string name;

 protected:
  void OnElementEnd(uint32_t) override { name = Attribute(0); }
};

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  while (const dirent* e = d ? readdir(d) : nullptr)
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  if (d) closedir(d);
  return names;
}

// Counts the syncs and pauses of long values; can make the n-th write or any sync fail.
class CountingOps : public XmlWriterFileOps {
 public:
  std::size_t Write(std::FILE* f, const char* data, std::size_t count) override {
    if (++writes == failWrite) return 0;
    return XmlWriterFileOps::Write(f, data, count);
  }
  int Sync(int fd) override {
    ++syncs;
    return failSync ? -1 : XmlWriterFileOps::Sync(fd);
  }
  void Pause(unsigned us) override {
    ++pauses;
    pausedUs += us;
  }
  int writes = 0, failWrite = -1, syncs = 0, pauses = 0;
  unsigned pausedUs = 0;
  bool failSync = false;
};

class XmlWriterFile : public ::testing::Test {
 private:
  testing_support::TempDataRoot root_;  // first: the paths below are made under it

 protected:
  std::string dir_ = root_.MakeDir("/var/lib/ruv/working/presets");
  std::string path_ = platform::DataPath("/var/lib/ruv/working/presets/t.preset");
};

TEST_F(XmlWriterFile, DocumentLayoutIsByteExact) {
  {
    XmlWriter w(path_);
    ASSERT_TRUE(w.IsOpen());
    w.BeginElement("Root");
    w.AddAttribute("X", "1");
    w.AddAttribute("Y", "2");
    w.AddAttribute("Z", "3");
    w.BeginElement("Child");
    w.EndElement();
    w.AddAttribute("A", "a");
    w.AddAttribute("B", "b");
    w.AddAttribute("C", "c");
    w.BeginElement("Empty");
    w.WriteComment(" note ");
    w.BeginElement("Deep");
    w.EndAll();
    EXPECT_EQ(w.Depth(), 0);
  }
  EXPECT_EQ(ReadFile(path_), kDecl +
                                 "\n<Root>"
                                 "\n\t<Child Z=\"3\" Y=\"2\" X=\"1\">"
                                 "\n\t</Child>"
                                 "\n\t<Empty C=\"c\" B=\"b\" A=\"a\">"
                                 "\n\t\t<!-- note -->"
                                 "\n\t\t<Deep>"
                                 "\n\t\t</Deep>"
                                 "\n\t</Empty>"
                                 "\n</Root>");
}

TEST_F(XmlWriterFile, RootWithOneChildIsFiveLines) {
  {
    XmlWriter w(path_);
    w.BeginElement("Root");
    w.AddAttribute("Name", "v");
    w.BeginElement("Child");
    w.EndAll();
    w.EndElement();  // nothing open: ignored
  }
  EXPECT_EQ(ReadFile(path_), kDecl + "\n<Root>\n\t<Child Name=\"v\">\n\t</Child>\n</Root>");
}

TEST_F(XmlWriterFile, SpecialCharactersAreEscapedAndTheDocumentStaysWellFormed) {
  {
    XmlWriter w(path_);
    w.AddAttribute("Name", "say \"hi\" & <go> &amp;");
    w.BeginElement("Root");
    w.EndAll();
  }
  EXPECT_EQ(ReadFile(path_), kDecl + "\n<Root Name=\"say &quot;hi&quot; &amp; &lt;go> &amp;amp;\">\n</Root>");
  const auto lint = testing_support::RunCommand("xmllint --noout " + path_ + " 2>&1");
  EXPECT_EQ(lint.status, 0) << lint.text;
}

// Values that are no XML as they stand: white space a reader would make spaces of, control
// characters XML cannot carry, and bytes that start no UTF-8 character (a Latin-1 name).
// The document stays well-formed, outside readers see the characters, and this program's
// reader gets the same bytes back (control characters excepted).
TEST_F(XmlWriterFile, EveryValueMakesAWellFormedDocumentThatReadsBack) {
  struct Case {
    const char* what;
    std::string value, written, python;
  };
  const Case cases[] = {
      {"tab, CR, LF", "a\tb\rc\nd", "a&#9;b&#13;c&#10;d", "'a\\tb\\rc\\nd'"},
      {"control characters", std::string("x\x01y\x1F\x7F", 5), "x?y?\x7F", "'x?y?\\x7f'"},
      {"Latin-1", "caf\xE9", "caf&#233;", "'caf\\xe9'"},
      {"UTF-8 as it is", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC", "'caf\\xe9 \\u20ac'"},
      {"a cut UTF-8 character", "\xE2\x82", "&#226;&#130;", "'\\xe2\\x82'"},
      {"overlong form", "\xC0\xAF", "&#192;&#175;", "'\\xc0\\xaf'"},
      {"no XML character", "\xEF\xBF\xBF", "&#239;&#191;&#191;", "'\\xef\\xbf\\xbf'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      XmlWriter w(path_);
      w.AddAttribute("Name", c.value);
      w.BeginElement("FXPreset");
      w.EndAll();
    }
    EXPECT_EQ(ReadFile(path_), kDecl + "\n<FXPreset Name=\"" + c.written + "\">\n</FXPreset>");
    const auto lint = testing_support::RunCommand("xmllint --noout " + path_ + " 2>&1");
    EXPECT_EQ(lint.status, 0) << lint.text;
    const auto py = testing_support::RunCommand(
        "python3 -c \"import sys, xml.etree.ElementTree as E; "
        "print(ascii(E.parse(sys.argv[1]).getroot().get('Name')))\" " + path_ + " 2>&1");
    EXPECT_EQ(py.text, c.python + "\n");
    NameReader reader;
    EXPECT_EQ(reader.ParseFile(path_.c_str()), XmlReaderBase::kOk);
    if (c.value[1] != '\x01') {
      EXPECT_EQ(reader.name, c.value);
    }
  }
}

TEST_F(XmlWriterFile, LongValuesGoOutInPiecesWithASyncAndPauseAfterEach) {
  struct Case {
    std::size_t length;
    int pieces;
  };
  const Case cases[] = {{999999, 0}, {1000000, 2}, {1250000, 2}, {2500000, 5}};
  for (const Case& c : cases) {
    const std::string value(c.length, 'Q');
    CountingOps ops;
    {
      XmlWriter w(path_, ops);
      w.AddAttribute("Data", value);
      w.BeginElement("W");
      w.EndAll();
      EXPECT_EQ(ops.syncs, c.pieces) << c.length;
      EXPECT_EQ(ops.pauses, c.pieces) << c.length;
      EXPECT_EQ(ops.pausedUs, 10000u * static_cast<unsigned>(c.pieces));
      EXPECT_TRUE(w.Close());
    }
    EXPECT_EQ(ReadFile(path_), kDecl + "\n<W Data=\"" + value + "\">\n</W>") << c.length;
  }
}

// Documents written while a set is open replace their targets only at its commit, and only
// all of them: one failed write (or a failure the caller reports) keeps every old file.
TEST_F(XmlWriterFile, ASetReplacesItsFilesAllTogetherOrNone) {
  const std::string other = dir_ + "/u.preset";
  auto write = [](const std::string& path, XmlWriterFileOps& ops) {
    XmlWriter w(path, ops);
    w.BeginElement("New");
    w.EndAll();
    return w.Close();
  };
  struct Case {
    const char* what;
    int failWrite;  // of the second document
    bool othersOk;
    bool committed;
  } const cases[] = {{"a failed write", 1, true, false},
                     {"a failure outside the documents", -1, false, false},
                     {"nothing failed", -1, true, true}};
  for (const Case& c : cases) {
    std::ofstream(path_) << "old t";
    std::ofstream(other) << "old u";
    CountingOps good, second;
    second.failWrite = c.failWrite;
    bool committed = false;
    {
      XmlFileSet set;
      EXPECT_TRUE(write(path_, good)) << c.what;
      EXPECT_EQ(ReadFile(path_), "old t") << c.what << ": not before the commit";
      write(other, second);
      committed = set.Commit(c.othersOk);
    }
    EXPECT_EQ(committed, c.committed) << c.what;
    EXPECT_EQ(ReadFile(path_) == "old t", !c.committed) << c.what;
    EXPECT_EQ(ReadFile(other) == "old u", !c.committed) << c.what;
    EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"t.preset", "u.preset"})) << c.what;
  }
  // A set left without a commit replaces nothing; after it writers put files in place again.
  {
    XmlFileSet set;
    CountingOps ops;
    write(path_, ops);
  }
  EXPECT_EQ(ReadFile(path_).find("old"), std::string::npos) << "the last case committed";
  std::ofstream(path_) << "old t";
  {
    XmlFileSet set;
    CountingOps ops;
    write(path_, ops);
  }
  EXPECT_EQ(ReadFile(path_), "old t");
  CountingOps ops;
  EXPECT_TRUE(write(path_, ops));
  EXPECT_NE(ReadFile(path_), "old t");
}

TEST_F(XmlWriterFile, AFailedSaveReportsFailureAndKeepsTheOldFile) {
  std::ofstream(path_) << "old contents";
  struct Case {
    const char* what;
    int failWrite;
    bool failSync;
  };
  const Case cases[] = {{"first write", 1, false}, {"a later write", 5, false}, {"sync", -1, true}};
  for (const Case& c : cases) {
    CountingOps ops;
    ops.failWrite = c.failWrite;
    ops.failSync = c.failSync;
    XmlWriter w(path_, ops);
    w.AddAttribute("A", "1");
    w.BeginElement("Root");
    w.EndAll();
    EXPECT_FALSE(w.Close()) << c.what;
    EXPECT_EQ(ReadFile(path_), "old contents") << c.what;
    EXPECT_EQ(Entries(dir_), std::vector<std::string>{"t.preset"}) << c.what;  // no temporary file left
  }
  {
    XmlWriter w(path_);
    w.BeginElement("Root");
    w.EndAll();
    EXPECT_TRUE(w.Close());
    EXPECT_FALSE(w.Close());  // already closed
  }
  EXPECT_EQ(ReadFile(path_), kDecl + "\n<Root>\n</Root>");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"t.preset"});
}

// A save killed part-way (the panel ends the process with a signal) leaves the previous file;
// the next save clears away what the killed one left.
TEST_F(XmlWriterFile, AKilledSaveLeavesTheOldFileWhole) {
  std::ofstream(path_) << "old contents";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    XmlWriter w(path_);  // real syncs and 10 ms pauses: at least 200 ms for twenty pieces
    w.AddAttribute("Data", std::string(10000000, 'Q'));
    w.BeginElement("Root");
    w.EndAll();
    w.Close();
    _exit(0);
  }
  for (int ms = 0; ms < 5000 && Entries(dir_).size() < 2; ++ms) usleep(1000);  // the temporary file exists
  usleep(30000);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(path_), "old contents");
  EXPECT_EQ(Entries(dir_).size(), 2u);
  {
    XmlWriter w(path_);
    w.BeginElement("Root");
    w.EndAll();
    EXPECT_TRUE(w.Close());
  }
  EXPECT_EQ(ReadFile(path_), kDecl + "\n<Root>\n</Root>");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"t.preset"});
}

// Temporary files of saves killed part-way, for any document of the folder, go when the
// folder is next written; files of running processes and the user's own files stay.
TEST_F(XmlWriterFile, LeftoversInTheFolderGoWhenItIsNextWritten) {
  const pid_t dead = fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string deadPid = std::to_string(dead), livePid = std::to_string(getppid());
  const std::vector<std::string> kept = {"b.preset.tmp" + livePid + "_1", "notes.tmp", "c.tmp" + deadPid,
                                         "d.tmp" + deadPid + "_x"};
  for (const std::string& name : kept) std::ofstream(dir_ + "/" + name) << "x";
  for (const std::string& name : {"other.preset.tmp" + deadPid + "_3", "t.preset.tmp" + deadPid + "_0"})
    std::ofstream(dir_ + "/" + name) << "x";
  {
    XmlWriter w(dir_ + "/new.preset");
    w.BeginElement("Root");
  }
  std::vector<std::string> want = kept;
  want.push_back("new.preset");
  std::vector<std::string> have = Entries(dir_);
  std::sort(want.begin(), want.end());
  std::sort(have.begin(), have.end());
  EXPECT_EQ(have, want);
}

TEST_F(XmlWriterFile, NamesUpToTheFileSystemLimitSaveLongerOnesFail) {
  const std::string longest(NAME_MAX, 'n');
  {
    XmlWriter w(dir_ + "/" + longest);
    w.BeginElement("Root");
    w.EndAll();
    EXPECT_TRUE(w.Close());
  }
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{longest});
  testing::internal::CaptureStdout();
  {
    XmlWriter w(dir_ + "/" + longest + "x");
    EXPECT_FALSE(w.IsOpen());
    w.BeginElement("Root");
    EXPECT_FALSE(w.Close());
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to open output file");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{longest});
}

TEST_F(XmlWriterFile, AMissingDirectoryReportsAndLaterCallsDoNothing) {
  const std::string path = dir_ + "/missing/t.preset";
  testing::internal::CaptureStdout();
  {
    XmlWriter w(path);
    EXPECT_FALSE(w.IsOpen());
    w.AddAttribute("A", "1");
    w.BeginElement("Root");
    w.WriteComment("c");
    EXPECT_EQ(w.Depth(), 0);
    w.EndAll();
    EXPECT_FALSE(w.Close());
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to open output file");
  EXPECT_TRUE(Entries(dir_).empty());
}

}  // namespace
