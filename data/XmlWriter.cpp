#include "data/XmlWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "data/Utf8Text.h"
#include "data/XmlFileSet.h"

int XmlWriterFileOps::Sync(int fd) { return ::fsync(fd); }

void XmlWriterFileOps::Pause(unsigned microseconds) { ::usleep(microseconds); }

XmlWriterFileOps& XmlWriterFileOps::Default() {
  static XmlWriterFileOps ops;
  return ops;
}

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";
static_assert(sizeof(kDeclaration) - 1 == 39);

// Characters the document's reader turns back from their references; everything else is
// written as it is, so values without them give the same bytes as always.
struct Escape {
  char c;
  const char* reference;
};
constexpr Escape kEscapes[] = {
    {'&', "&amp;"},
    {'"', "&quot;"},
    {'<', "&lt;"},
};

// Every document written is well-formed: markup characters and the white space a reader
// would turn into spaces go as references, other control characters (which XML cannot
// carry at all) as '?', and a byte that starts no UTF-8 character (a Latin-1 name) as the
// reference to its Latin-1 character, which this program's reader turns back into that byte.
std::string Escaped(const std::string& value) {
  std::string out;
  out.reserve(value.size() + 16);
  const auto* p = reinterpret_cast<const unsigned char*>(value.data());
  const std::size_t size = value.size();
  for (std::size_t i = 0; i < size;) {
    const unsigned char c = p[i];
    const char* ref = nullptr;
    for (const Escape& e : kEscapes)
      if (e.c == static_cast<char>(c)) ref = e.reference;
    if (ref) {
      out += ref;
      ++i;
      continue;
    }
    if (c == '\t' || c == '\n' || c == '\r') {
      out += "&#" + std::to_string(c) + ";";
      ++i;
      continue;
    }
    if (c < 0x20) {
      out += '?';
      ++i;
      continue;
    }
    std::size_t n = utf8::CharacterLength(p + i, size - i);
    // U+FFFE and U+FFFF are no XML characters either.
    if (n == 3 && p[i] == 0xEF && p[i + 1] == 0xBF && p[i + 2] >= 0xBE) n = 0;
    if (n == 0) {
      out += "&#" + std::to_string(c) + ";";
      ++i;
      continue;
    }
    out.append(value, i, n);
    i += n;
  }
  return out;
}

constexpr char kTempMark[] = ".tmp";

// "<name>.tmp<pid>_<n>": a temporary file of a save, with the process that wrote it.
bool IsTempName(const std::string& name, long& pid) {
  const std::size_t mark = name.rfind(kTempMark);
  if (mark == std::string::npos || mark == 0) return false;
  const char* digits = name.c_str() + mark + sizeof kTempMark - 1;
  char* end = nullptr;
  pid = std::strtol(digits, &end, 10);
  if (end == digits || *end != '_' || pid <= 0) return false;
  const char* counter = end + 1;
  std::strtoul(counter, &end, 10);
  return end != counter && *end == 0;
}

// Temporary files that saves killed part-way left in `dir` (written by processes that no
// longer run), whichever document they were for.
void RemoveLeftovers(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    long pid = 0;
    if (!IsTempName(e->d_name, pid) || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlinkat(::dirfd(d), e->d_name, 0);
  }
  ::closedir(d);
}

}  // namespace

XmlWriter::XmlWriter(const std::string& path, XmlWriterFileOps& ops) : ops_(ops), path_(path) { Open(); }

XmlWriter::~XmlWriter() { Close(); }

void XmlWriter::Open() {
  const std::size_t slash = path_.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  // A name the file system cannot hold is refused before anything is written.
  const bool nameFits = !name.empty() && name.size() <= NAME_MAX;
  if (nameFits) RemoveLeftovers(dir.empty() ? "." : dir);
  // A unique name beside the target, so the final rename stays within one file system; the
  // counter part comes last so a leftover never carries a document's extension, and the
  // target's name is shortened as far as the suffix needs.
  static std::atomic<unsigned> counter{0};
  int fd = -1;
  for (int attempt = 0; nameFits && attempt < 100 && fd < 0; ++attempt) {
    const std::string suffix = kTempMark + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    tempPath_ = dir + name.substr(0, NAME_MAX - suffix.size()) + suffix;
    fd = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd >= 0) file_ = ::fdopen(fd, "w");
  if (!file_) {
    if (fd >= 0) {
      ::close(fd);
      ::unlink(tempPath_.c_str());
    }
    std::printf("Unable to open output file");
    std::fflush(stdout);
    open_ = 0;
    if (XmlFileSet* set = XmlFileSet::Active()) set->Fail();
    return;
  }
  open_ = 1;
  Put(kDeclaration, sizeof(kDeclaration) - 1);
}

void XmlWriter::Put(const char* data, std::size_t count) {
  if (count == 0 || !file_) return;
  if (ops_.Write(file_, data, count) != count) failed_ = true;
}

void XmlWriter::LineAndIndent(int depth) {
  Put("\n", 1);
  for (int i = 0; i < depth; ++i) Put("\t", 1);
}

void XmlWriter::AddAttribute(const std::string& name, const std::string& value) {
  attributes_.push_back(value);
  attributes_.push_back(name);
}

void XmlWriter::BeginElement(const std::string& name) {
  if (!open_) return;
  LineAndIndent(depth_);
  Put("<", 1);
  Put(name);
  // Taken from the end of the queue, so attributes come out last-queued first.
  while (attributes_.size() >= 2) {
    Put(" ", 1);
    Put(attributes_.back());
    Put("=", 1);
    attributes_.pop_back();
    WriteQuoted(attributes_.back());
    attributes_.pop_back();
  }
  attributes_.clear();
  Put(">", 1);
  stack_.push_back(name);
  ++depth_;
}

void XmlWriter::EndElement() {
  // An end without an open element would have no name to close and would unbalance the
  // indentation of everything after it.
  if (!open_ || stack_.empty()) return;
  --depth_;
  LineAndIndent(depth_);
  Put("</", 2);
  Put(stack_.back());
  Put(">", 1);
  stack_.pop_back();
}

void XmlWriter::EndAll() {
  while (open_ && !stack_.empty()) EndElement();
}

void XmlWriter::WriteComment(const std::string& text) {
  if (!open_) return;
  LineAndIndent(depth_);
  Put("<!--", 4);
  Put(text);
  Put("-->", 3);
}

void XmlWriter::WriteQuoted(const std::string& value) {
  // Plain printable ASCII (long Base64 sample data) goes out as it stands, without a copy.
  bool plain = true;
  for (const Escape& e : kEscapes)
    if (value.find(e.c) != std::string::npos) plain = false;
  for (std::size_t i = 0; plain && i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (c < 0x20 || c >= 0x80) plain = false;
  }
  if (plain)
    WriteQuotedRaw(value);
  else
    WriteQuotedRaw(Escaped(value));
}

void XmlWriter::WriteQuotedRaw(const std::string& value) {
  if (value.size() <= kOneWriteLimit) {
    Put("\"", 1);
    Put(value);
    Put("\"", 1);
    return;
  }
  // Long values (sample data) go out in pieces, each pushed to the disk with a pause after
  // it, so the card's write buffer never holds megabytes at once.
  Put("\"", 1);
  std::size_t at = 0;
  for (; at + kPieceSize <= value.size(); at += kPieceSize) {
    Put(value.data() + at, kPieceSize);
    if (std::fflush(file_) != 0) failed_ = true;
    if (ops_.Sync(::fileno(file_)) != 0) failed_ = true;
    ops_.Pause(kPieceMicroseconds);
  }
  Put(value.data() + at, value.size() - at);
  Put("\"", 1);
}

bool XmlWriter::Close() {
  if (!file_) return false;
  bool ok = !failed_;
  if (std::fflush(file_) != 0) ok = false;
  if (ok && ops_.Sync(::fileno(file_)) != 0) ok = false;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  open_ = 0;
  XmlFileSet* set = XmlFileSet::Active();
  if (ok && set != nullptr)
    set->Add(tempPath_, path_);
  else if (ok && ::rename(tempPath_.c_str(), path_.c_str()) != 0)
    ok = false;
  if (!ok) {
    ::unlink(tempPath_.c_str());
    if (set != nullptr) set->Fail();
  }
  stack_.clear();
  attributes_.clear();
  depth_ = 0;
  return ok;
}
