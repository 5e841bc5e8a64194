#pragma once
// Names of documents arrive from arrangement files, the touch screen and the host; a name is
// only ever placed inside its document directory, and the path must fit the 256-byte path
// buffers the documents keep.
#include <cstddef>
#include <string>

namespace document_path {

// Longest path a document keeps (a 256-byte buffer with its terminating NUL).
constexpr std::size_t kMaxPath = 255;

// dir + name + ext into `path` (the documented absolute path, without the data root), or
// false with a log line and `path` untouched when the name is null, empty, absolute, has a
// ".." component or a control character, or the path would be longer than kMaxPath.
// Sub-directories inside `dir` are allowed.
bool Make(const char* dir, const char* name, const char* ext, std::string& path);
// The same, then placed under the data root: the path to open.
bool MakeRooted(const char* dir, const char* name, const char* ext, std::string& path);

}  // namespace document_path
