#pragma once
// Streaming writer of the instrument's XML documents: queued attributes, open element, children,
// close. The document goes to a temporary file next to the target, which replaces the target
// only when every write, flush and sync succeeded, so a failed or interrupted save leaves the
// previous file whole. What interrupted saves left in a folder goes when the folder is next
// written.
#include <cstddef>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

// The file operations the writer depends on, replaceable so tests can count the syncs and
// pauses of long values and make a write fail.
class XmlWriterFileOps {
 public:
  virtual ~XmlWriterFileOps() = default;
  virtual std::size_t Write(std::FILE* file, const char* data, std::size_t count) { return std::fwrite(data, 1, count, file); }
  virtual int Sync(int fd);
  virtual void Pause(unsigned microseconds);

  static XmlWriterFileOps& Default();
};

class XmlWriter {
 public:
  static constexpr std::size_t kOneWriteLimit = 999999;  // longest value written in one call
  static constexpr std::size_t kPieceSize = 500000;      // piece of a longer value
  static constexpr unsigned kPieceMicroseconds = 10000;  // pause after each piece

  explicit XmlWriter(const std::string& path, XmlWriterFileOps& ops = XmlWriterFileOps::Default());
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  bool IsOpen() const { return open_ != 0; }
  int Depth() const { return depth_; }

  void AddAttribute(const std::string& name, const std::string& value);
  void BeginElement(const std::string& name);
  void EndElement();
  void EndAll();
  void WriteComment(const std::string& text);

  // Finishes the file and puts it in place of the target. True only when the whole document
  // reached the disk; otherwise the temporary file is removed and the target is untouched.
  // While an XmlFileSet is open on the thread, the set puts the file in place at its commit.
  // Later element calls do nothing. The destructor closes a writer that is still open.
  bool Close();

 private:
  void Open();
  void Put(const char* data, std::size_t count);
  void Put(const std::string& s) { Put(s.data(), s.size()); }
  void LineAndIndent(int depth);
  void WriteQuoted(const std::string& value);
  void WriteQuotedRaw(const std::string& value);

  XmlWriterFileOps& ops_;
  std::string path_;
  std::string tempPath_;
  std::FILE* file_ = nullptr;
  int open_ = 0;
  int depth_ = 0;
  bool failed_ = false;  // a write, flush or sync went wrong
  std::deque<std::string> stack_;
  std::vector<std::string> attributes_;  // value, name, value, name, ...
};
