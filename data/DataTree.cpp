#include "data/DataTree.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace data_tree {

int Create() {
  int missing = 0;
  for (const char* folder : kFolders) {
    const std::string path = platform::DataPath(folder);
    if (mkdir(path.c_str(), 0775) == 0) continue;
    const int error = errno;
    struct stat st {};
    if (error == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    platform::LogPrintf("Data folder %s cannot be made: %s\n", path.c_str(),
                        std::strerror(error == EEXIST ? ENOTDIR : error));
    ++missing;
  }
  return missing;
}

}  // namespace data_tree
