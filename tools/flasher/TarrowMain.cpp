#include "tools/flasher/TarrowMain.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/LogSink.h"
#include "tools/flasher/CFlashProtoSM.h"
#include "tools/flasher/FlashDescr.h"

namespace flasher {
namespace {

using platform::LogPrintf;

constexpr const char* kVersion = "1.3";

// The boards the usage names; any other identifier is refused before anything is sent.
struct BoardRow {
  int id;
  const char* name;
};
constexpr BoardRow kBoards[] = {
    {1, "VOICE_SECTION"},
    {2, "PART_ENVELOPE"},
    {3, "MAIN_ENC4"},
};

bool KnownBoard(int id) {
  for (const BoardRow& row : kBoards)
    if (row.id == id) return true;
  return false;
}

int Usage() {
  LogPrintf("tarrow -flash file.bin [Id] (flash firmware)\n");
  LogPrintf("tarrow -query_fw Id (query firmware version)\n");
  LogPrintf("tarrow -query_bl Id (query bootloader version)\n");
  LogPrintf("(VOICE_SECTION = 1, PART_ENVELOPE\t= 2, MAIN_ENC4 = 3\n");
  return 0;
}

// Loads the file into a zeroed buffer one word longer than the file: the board is sent the
// file and that extra zero word. 0, or the exit status of the first fault.
int LoadFirmware(const char* name, std::vector<uint8_t>& image) {
  // Only a regular file is opened: opening a FIFO would wait for a writer forever.
  struct stat before {};
  FILE* file = ::stat(name, &before) == 0 && S_ISREG(before.st_mode) ? std::fopen(name, "rb") : nullptr;
  // A directory opens too, and then has no length to speak of.
  struct stat st {};
  if (file && (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode))) {
    std::fclose(file);
    file = nullptr;
  }
  if (!file) {
    LogPrintf("ERROR: Firmware file open error <%s>\n", name);
    return -1;
  }
  fseeko(file, 0, SEEK_END);
  const long long length = ftello(file);
  auto refuse = [&](int status) {
    std::fclose(file);
    return status;
  };
  if (length < 0) {
    LogPrintf("ERROR: Firmware file read error <%s>\n", name);
    return refuse(-1);
  }
  if (length % 4 != 0) {
    LogPrintf("ERROR alligment [4] byte lenght %lld\n", length);
    return refuse(-2);
  }
  // The descriptor is read below, and the transfer counts words in 24 bits.
  if (length < static_cast<long long>(sizeof(tFlashDescr))) {
    LogPrintf("ERROR: Firmware file too short <%s> %lld\n", name, length);
    return refuse(-1);
  }
  if (length / 4 + 1 > kMaxImageWords) {
    LogPrintf("ERROR: Firmware file too large <%s> %lld\n", name, length);
    return refuse(-1);
  }
  image.assign(static_cast<std::size_t>(length) + 4, 0);
  std::rewind(file);
  if (std::fread(image.data(), 1, static_cast<std::size_t>(length), file) != static_cast<std::size_t>(length)) {
    LogPrintf("ERROR: Firmware file read error <%s>\n", name);
    return refuse(-1);
  }
  std::fclose(file);
  // Checked before the board is put into its bootloader, so a wrong file never leaves it
  // there; startFlash checks again.
  const uint32_t magic = LoadLE32(image.data());
  if (magic != kFirmwareMagic) {
    LogPrintf("ERROR: file magic number wrong (maybe a debug version) %08X\n", magic);
    return -1;
  }
  return 0;
}

}  // namespace

int RunTarrow(int argc, const char* const* argv, platform::CanSocketOps& sockets) {
  // A failed open shows only its own line; the first wait then runs out.
  CFlashProtoSM proto(sockets);
  proto.Open("");
  LogPrintf("tarrow version %s\n\n", kVersion);

  eOperation operation = none;
  // Read as the full number given: an id beyond int must not wrap onto a known board.
  long long board_id = -1;
  auto id = [](const char* text) { return std::strtoll(text, nullptr, 10); };
  bool idGiven = false;
  const char* fileName = nullptr;
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "-flash") == 0) {
    operation = flash_firmeware;
    fileName = argv[2];
    idGiven = argc == 4;
    if (idGiven) board_id = id(argv[3]);
  } else if (argc == 3 && std::strcmp(argv[1], "-query_bl") == 0) {
    operation = query_bootloader_version;
    board_id = id(argv[2]);
  } else if (argc == 3 && std::strcmp(argv[1], "-query_fw") == 0) {
    operation = query_firmware_version;
    board_id = id(argv[2]);
  } else {
    return Usage();
  }

  std::vector<uint8_t> image;
  if (operation == flash_firmeware) {
    const int loaded = LoadFirmware(fileName, image);
    if (loaded != 0) return loaded;
    const uint32_t swRev = LoadLE32(image.data() + kDescrSwRevOffset);
    const int fileBoard = BoardOf(swRev);
    if (!idGiven) {
      board_id = fileBoard;
      LogPrintf("assume board ID:%lld\n", board_id);
    } else if (board_id == fileBoard) {
      LogPrintf("Firmware File: <Board ID:%d Version %d.%d\n", fileBoard, MajorOf(swRev), MinorOf(swRev));
    } else {
      LogPrintf("ERROR Firmware File Board ID:%d doesn't match the give ID:%lld\n", fileBoard, board_id);
      return -8;
    }
  }
  if (board_id < INT_MIN || board_id > INT_MAX || !KnownBoard(static_cast<int>(board_id))) {
    LogPrintf("ERROR board id %lld unknown\n", board_id);
    return -3;
  }

  const int known = static_cast<int>(board_id);
  const auto board = static_cast<uint8_t>(known);
  int result = 0;
  switch (operation) {
    case query_bootloader_version:
      if ((result = proto.start_bootloader(known)) != 0) return result;
      if ((result = proto.query_bl_version(known)) != 0) return result;
      proto.launch(board);
      return 0;
    case query_firmware_version:
      return proto.query_fw_version(known);
    case flash_firmeware:
      if ((result = proto.start_bootloader(known)) != 0) return result;
      if ((result = proto.query_bl_version(known)) != 0) return result;
      if ((result = proto.startFlash(board, image.data(), static_cast<int>(image.size()))) != 0) return result;
      proto.launch(board);
      LogPrintf("Firmware successfull flashed ... Firmware Launched\n");
      return 0;
    case none:
      break;
  }
  return 0;
}

}  // namespace flasher
