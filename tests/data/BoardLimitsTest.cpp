// Files that are valid but more than the board can hold are refused before the reader
// allocates for them: checked in a child process whose address space is limited like a
// 32-bit process on the board, where allocating for them would end the program.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "data/BoardLimits.h"
#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "data/XmlReaderBase.h"
#include "data/XmlTagName.h"
#include "tests/data/AudioImages.h"
#include "tests/support/Emulation.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

#if defined(__SANITIZE_ADDRESS__)
#define SYNTH_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SYNTH_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

using audio_images::Bytes;
namespace img = audio_images;

// A WAV header claiming `dataBytes` of samples, followed by that many zero bytes (a sparse
// file: nothing is written for them).
std::string SparseWav(const std::string& path, uint16_t bits, uint64_t dataBytes) {
  Bytes header = img::Wav(1, 1, 48000, bits, {});
  img::PutLe32At(header, 4, static_cast<uint32_t>(header.size() - 8 + dataBytes));
  img::PutLe32At(header, header.size() - 4, static_cast<uint32_t>(dataBytes));
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(header.data(), 1, header.size(), f);
  std::fclose(f);
  EXPECT_EQ(truncate(path.c_str(), static_cast<off_t>(header.size() + dataBytes)), 0);
  return path;
}

class AnyDocument : public XmlReaderBase {
 public:
  AnyDocument() : XmlReaderBase(xml_tags::kFXParam, {}) {}
};

TEST(BoardLimits, OversizedValidFilesAreRefusedWithinA32BitAddressSpace) {
  SKIP_WHEN_EMULATED("a limit on the address space limits the emulator itself");
  testing_support::TempDataRoot root;
  // 400 MB of 16-bit samples: over the file limit. 200 MB of 8-bit samples: a file the
  // board may read, but 200 M samples are over the sample limit.
  const std::string overFile = SparseWav(root.Root() + "/400MB.wav", 16, 400u << 20);
  const std::string overSamples = SparseWav(root.Root() + "/200MB.wav", 8, 200u << 20);
  static_assert((400u << 20) > board_limits::kMaxFileBytes && (200u << 20) < board_limits::kMaxFileBytes &&
                (200u << 20) > board_limits::kMaxDecodedSamples);
  // 1 MiB of samples claimed by 4096 items of a container.
  Bytes bomb = img::Mswf({img::Wav(1, 1, 48000, 8, Bytes(1 << 20, 0x80))}, 4096);
  img::PutLe32At(bomb, 12, 4096);
  const std::string container = root.Root() + "/bomb.msw";
  FILE* c = std::fopen(container.c_str(), "wb");
  std::fwrite(bomb.data(), 1, bomb.size(), c);
  std::fclose(c);
  const std::string document = root.Root() + "/huge.preset";
  FILE* f = std::fopen(document.c_str(), "wb");
  std::fputs("<FXPreset>", f);
  std::fclose(f);
  ASSERT_EQ(truncate(document.c_str(), static_cast<off_t>(board_limits::kMaxFileBytes + 1)), 0);

  testing_support::LogCapture log;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
#if !defined(SYNTH_ADDRESS_SANITIZER)
    // The sanitizer reserves far more address space than this for its shadow memory.
    const rlimit limit{rlim_t{1} << 30, rlim_t{1} << 30};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(100);
#endif
    int failures = 0;
    SampleFile sample;
    if (sample.Load(overFile)) failures |= 1;
    if (sample.Load(overSamples)) failures |= 2;
    MultiWaveReader set;
    if (set.loadFile(overFile) != 0) failures |= 4;
    if (set.loadFile(container) != 0) failures |= 16;
    AnyDocument doc;
    if (doc.ParseFile(document.c_str()) != XmlReaderBase::kUnreadable) failures |= 8;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Without the memory limit too, and told apart by their messages.
  SampleFile sample;
  EXPECT_FALSE(sample.Load(overFile));
  EXPECT_FALSE(sample.Load(overSamples));
  EXPECT_EQ(log.Text(), "ERROR: file is too large to load\n" + overFile +
                            "\nERROR: this file holds more samples than can be loaded\n");
}

}  // namespace
