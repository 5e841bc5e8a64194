#include "programs/SimWindow.h"

#include <SDL.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/PanelTables.h"
#include "audio/AudioDriver.h"
#include "platform/MemoryFrameBuffer.h"

namespace {

constexpr int kScreenW = 800;
constexpr int kScreenH = 480;
constexpr int kStripH = 40;
constexpr uint32_t kFrameMs = 33;
constexpr uint32_t kBeatMs = 100;

// Encoder codes of the panel: a step up, a step down, a push.
constexpr uint8_t kStepUp = 130;
constexpr uint8_t kStepDown = 131;
constexpr uint8_t kPush = 132;
constexpr int kEncoders = panel::kEncoderLast - panel::kEncoderFirst + 1;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr int kVelocity = 100;

// The MIDI keyboard: two rows of the computer keyboard, each an octave and a note, the lower
// from C3 unless shifted by octaves.
struct PianoKey {
  SDL_Scancode key;
  int semitone;
};
constexpr PianoKey kPiano[] = {
    {SDL_SCANCODE_Z, 0},  {SDL_SCANCODE_S, 1},  {SDL_SCANCODE_X, 2},      {SDL_SCANCODE_D, 3},
    {SDL_SCANCODE_C, 4},  {SDL_SCANCODE_V, 5},  {SDL_SCANCODE_G, 6},      {SDL_SCANCODE_B, 7},
    {SDL_SCANCODE_H, 8},  {SDL_SCANCODE_N, 9},  {SDL_SCANCODE_J, 10},     {SDL_SCANCODE_M, 11},
    {SDL_SCANCODE_COMMA, 12},
    {SDL_SCANCODE_Q, 12}, {SDL_SCANCODE_2, 13}, {SDL_SCANCODE_W, 14},     {SDL_SCANCODE_3, 15},
    {SDL_SCANCODE_E, 16}, {SDL_SCANCODE_R, 17}, {SDL_SCANCODE_5, 18},     {SDL_SCANCODE_T, 19},
    {SDL_SCANCODE_6, 20}, {SDL_SCANCODE_Y, 21}, {SDL_SCANCODE_7, 22},     {SDL_SCANCODE_U, 23},
    {SDL_SCANCODE_I, 24},
};
constexpr int kBaseNote = 48;
constexpr int kMaxShift = 3;

// The panel's eight keys, CAN ids 149-156 in this order.
constexpr SDL_Scancode kPanelKeys[] = {SDL_SCANCODE_A, SDL_SCANCODE_F, SDL_SCANCODE_K,           SDL_SCANCODE_L,
                                       SDL_SCANCODE_O, SDL_SCANCODE_P, SDL_SCANCODE_LEFTBRACKET, SDL_SCANCODE_RIGHTBRACKET};
static_assert(std::size(kPanelKeys) == panel::kKeyLast - panel::kKeyFirst + 1);

// The keyboard's MIDI channel (0-based): parts A-D and the drums.
struct ChannelKey {
  SDL_Scancode key;
  uint8_t channel;
};
constexpr ChannelKey kChannels[] = {
    {SDL_SCANCODE_F1, 0}, {SDL_SCANCODE_F2, 1}, {SDL_SCANCODE_F3, 2}, {SDL_SCANCODE_F4, 3}, {SDL_SCANCODE_F5, 9}};

constexpr const char kKeyMap[] =
    "  mouse                the touch screen (press, drag, release)\n"
    "  Z S X D C V G B H N J M ,   MIDI keys C3..C4 (the lower row, black keys above)\n"
    "  Q 2 W 3 E R 5 T 6 Y 7 U I   MIDI keys C4..C5\n"
    "  Page Up / Page Down  the MIDI keys an octave up / down (three at most)\n"
    "  F1 F2 F3 F4 / F5     the MIDI keys play channel 1-4 (parts A-D) / channel 10 (drums)\n"
    "  A F K L O P [ ]      the panel's eight keys (CAN 149-156); with Shift their second function\n"
    "  Left / Right         choose panel encoder A-E (CAN 144-148)\n"
    "  Up / Down, wheel     turn it a step; Enter pushes it\n"
    "  strip under the screen: part LEDs A-D, beat, keyboard channel, octave, encoder, output level\n";

// Raw touch axis values that the touch driver maps onto screen pixel x (y).
int32_t RawFor(int pixel, double scale, int offset) {
  auto screen = [&](int32_t raw) { return static_cast<int>(raw / scale) - offset; };
  auto raw = static_cast<int32_t>(std::ceil((pixel + offset) * scale));
  while (screen(raw) > pixel) --raw;
  while (screen(raw) < pixel) ++raw;
  return raw;
}

}  // namespace

struct SimWindow::State {
  const platform::MemoryFrameBuffer* screen = nullptr;
  Devices devices;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int can = -1;
  int touch = -1;
  bool touchWarned = false;
  int32_t tracking = 0;
  bool pressed = false;
  // Panel state from the instrument's frames.
  int part = 0;
  uint32_t beatAt = 0;
  // Keyboard state.
  uint8_t channel = 0;
  int shift = 0;
  int encoder = 0;
  int heldNote[SDL_NUM_SCANCODES];
  bool heldShift[SDL_NUM_SCANCODES] = {};
  float level = 0.0f;
  uint32_t drawnAt = 0;

  ~State() {
    if (texture != nullptr) SDL_DestroyTexture(texture);
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (window != nullptr) SDL_DestroyWindow(window);
    if (window != nullptr) SDL_Quit();
    if (can >= 0) close(can);
    if (touch >= 0) close(touch);
  }

  void SendCan(uint32_t id, std::initializer_list<uint8_t> bytes) {
    if (can < 0) return;
    uint8_t frame[16] = {};
    std::memcpy(frame, &id, 4);
    frame[4] = static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), frame + 8);
    [[maybe_unused]] const ssize_t n = send(can, frame, sizeof frame, MSG_DONTWAIT);
  }

  void ReceiveCan() {
    uint8_t frame[16];
    while (can >= 0 && recv(can, frame, sizeof frame, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof frame)) {
      uint32_t id = 0;
      std::memcpy(&id, frame, 4);
      id &= 0x7FF;
      const uint8_t* data = frame + 8;
      if (id == panel::kBeatId) beatAt = SDL_GetTicks();
      if (id == panel::kControlId && frame[4] >= 2 && data[0] == panel::kSelectPart) part = data[1];
    }
  }

  void Touch(std::initializer_list<std::pair<uint16_t, int32_t>> events) {
    if (touch < 0) {
      // The instrument opens the FIFO for reading at start; until then there is no reader.
      touch = open(devices.touchFifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (touch < 0) {
        if (!touchWarned)
          std::fprintf(stderr, "synthcore-sim: the touch FIFO %s cannot open: %s\n", devices.touchFifo.c_str(),
                       std::strerror(errno));
        touchWarned = true;
        return;
      }
    }
    std::vector<input_event> records;
    timeval now{};
    gettimeofday(&now, nullptr);
    for (const auto& [code, value] : events) {
      input_event ev{};
      ev.time = now;
      ev.type = code == SYN_REPORT ? EV_SYN : EV_ABS;
      ev.code = code == SYN_REPORT ? 0 : code;
      ev.value = code == SYN_REPORT ? 0 : value;
      records.push_back(ev);
    }
    [[maybe_unused]] const ssize_t n = write(touch, records.data(), records.size() * sizeof(input_event));
  }

  void Mouse(int x, int y, int what) {  // what: 1 press, 0 move, -1 release
    x = std::clamp(x, 0, kScreenW - 1);
    y = std::clamp(y, 0, kScreenH - 1);
    const int32_t rx = RawFor(x, 2.5, 10);
    const int32_t ry = RawFor(y, 4.16, 5);
    if (what > 0) {
      Touch({{ABS_MT_TRACKING_ID, ++tracking}, {ABS_MT_POSITION_X, rx}, {ABS_MT_POSITION_Y, ry}, {SYN_REPORT, 0}});
    } else if (what == 0) {
      Touch({{ABS_MT_POSITION_X, rx}, {ABS_MT_POSITION_Y, ry}, {SYN_REPORT, 0}});
    } else {
      Touch({{ABS_MT_TRACKING_ID, -1}, {SYN_REPORT, 0}});
    }
  }

  void Key(const SDL_KeyboardEvent& k, bool down) {
    const SDL_Scancode code = k.keysym.scancode;
    if (down && k.repeat != 0) return;
    for (const PianoKey& p : kPiano) {
      if (p.key != code) continue;
      if (down) {
        const int note = kBaseNote + 12 * shift + p.semitone;
        heldNote[code] = note;
        SendCan(panel::kMidiId, {kNoteOn, channel, static_cast<uint8_t>(note), kVelocity});
      } else if (heldNote[code] >= 0) {
        SendCan(panel::kMidiId, {kNoteOff, channel, static_cast<uint8_t>(heldNote[code]), 0});
        heldNote[code] = -1;
      }
      return;
    }
    for (std::size_t i = 0; i < std::size(kPanelKeys); ++i) {
      if (kPanelKeys[i] != code) continue;
      const uint32_t id = panel::kKeyFirst + static_cast<uint32_t>(i);
      if (down) {
        heldShift[code] = (k.keysym.mod & KMOD_SHIFT) != 0;
        SendCan(id, {heldShift[code] ? panel::kAltPress : kPush});
      } else if (heldShift[code]) {
        SendCan(id, {panel::kAltRelease});
      }
      return;
    }
    if (!down) return;
    for (const ChannelKey& c : kChannels)
      if (c.key == code) channel = c.channel;
    const uint32_t encoderId = panel::kEncoderFirst + static_cast<uint32_t>(encoder);
    switch (code) {
      case SDL_SCANCODE_PAGEUP: shift = std::min(shift + 1, kMaxShift); break;
      case SDL_SCANCODE_PAGEDOWN: shift = std::max(shift - 1, -kMaxShift); break;
      case SDL_SCANCODE_LEFT: encoder = (encoder + kEncoders - 1) % kEncoders; break;
      case SDL_SCANCODE_RIGHT: encoder = (encoder + 1) % kEncoders; break;
      case SDL_SCANCODE_UP: SendCan(encoderId, {kStepUp}); break;
      case SDL_SCANCODE_DOWN: SendCan(encoderId, {kStepDown}); break;
      case SDL_SCANCODE_RETURN: SendCan(encoderId, {kPush}); break;
      default: break;
    }
  }

  void Box(int x, int w, uint32_t colour) {
    SDL_SetRenderDrawColor(renderer, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF, 255);
    const SDL_Rect r{x, kScreenH + 12, w, 16};
    SDL_RenderFillRect(renderer, &r);
  }

  void Draw(float peak) {
    SDL_UpdateTexture(texture, nullptr, screen->Data(), kScreenW * 4);
    SDL_SetRenderDrawColor(renderer, 0x18, 0x18, 0x18, 255);
    SDL_RenderClear(renderer);
    const SDL_Rect top{0, 0, kScreenW, kScreenH};
    SDL_RenderCopy(renderer, texture, nullptr, &top);
    for (int p = 0; p < 4; ++p) Box(10 + 28 * p, 22, p == part ? 0xFF3030 : 0x401010);
    Box(130, 22, SDL_GetTicks() - beatAt < kBeatMs ? 0x30FF30 : 0x104010);
    for (int c = 0; c < 5; ++c) Box(175 + 24 * c, 18, kChannels[c].channel == channel ? 0x4080FF : 0x102040);
    for (int o = -kMaxShift; o <= kMaxShift; ++o) Box(310 + 16 * (o + kMaxShift), 12, o == shift ? 0xE0E0E0 : 0x303030);
    for (int e = 0; e < kEncoders; ++e) Box(440 + 20 * e, 14, e == encoder ? 0xFFD020 : 0x403010);
    // The level in dB from -60 to 0 over the meter, held and falling back.
    level = std::max(peak, level * 0.8f);
    const float db = level > 0.0f ? 20.0f * std::log10(level) : -60.0f;
    const int width = 230;
    const int lit = static_cast<int>(std::clamp((db + 60.0f) / 60.0f, 0.0f, 1.0f) * width);
    Box(555, width, 0x202020);
    if (lit > 0) Box(555, lit, level >= 1.0f ? 0xFF2020 : db > -6.0f ? 0xFFD020 : 0x20C020);
    SDL_RenderPresent(renderer);
  }
};

SimWindow::SimWindow(std::unique_ptr<State> state) : s_(std::move(state)) {}
SimWindow::~SimWindow() = default;

const char* SimWindow::KeyMap() { return kKeyMap; }

std::unique_ptr<SimWindow> SimWindow::Open(const platform::MemoryFrameBuffer& screen, const Devices& devices) {
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return nullptr;
  if (!screen.Valid() || screen.format().xres != kScreenW || screen.format().yres != kScreenH) return nullptr;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "synthcore-sim: no window (%s); the screen stays in its file\n", SDL_GetError());
    return nullptr;
  }
  auto s = std::make_unique<State>();
  s->screen = &screen;
  s->devices = devices;
  std::fill(std::begin(s->heldNote), std::end(s->heldNote), -1);
  s->window = SDL_CreateWindow("synthcore-sim", 0, 0, kScreenW, kScreenH + kStripH, SDL_WINDOW_SHOWN);
  if (s->window != nullptr) s->renderer = SDL_CreateRenderer(s->window, -1, 0);
  if (s->renderer != nullptr)
    s->texture = SDL_CreateTexture(s->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kScreenW, kScreenH);
  if (s->texture == nullptr) {
    std::fprintf(stderr, "synthcore-sim: no window (%s); the screen stays in its file\n", SDL_GetError());
    if (s->window == nullptr) SDL_Quit();
    return nullptr;
  }
  s->can = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (devices.canSocket.size() >= sizeof address.sun_path ||
      (std::memcpy(address.sun_path, devices.canSocket.c_str(), devices.canSocket.size() + 1),
       connect(s->can, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)) {
    std::fprintf(stderr, "synthcore-sim: the window's panel is not on the bus (%s): no panel keys, encoders or MIDI keys\n",
                 devices.canSocket.c_str());
    close(s->can);
    s->can = -1;
  }
  std::fprintf(stderr, "synthcore-sim: the screen is in a window; keys:\n%s", kKeyMap);
  return std::unique_ptr<SimWindow>(new SimWindow(std::move(s)));
}

bool SimWindow::Step(AudioDriver& driver, int waitMs) {
  State& s = *s_;
  SDL_Event e;
  bool any = SDL_WaitEventTimeout(&e, waitMs) != 0;
  while (any) {
    switch (e.type) {
      case SDL_QUIT: return false;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && e.button.y < kScreenH) {
          s.pressed = true;
          s.Mouse(e.button.x, e.button.y, 1);
        }
        break;
      case SDL_MOUSEMOTION:
        if (s.pressed) s.Mouse(e.motion.x, e.motion.y, 0);
        break;
      case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT && s.pressed) {
          s.pressed = false;
          s.Mouse(e.button.x, e.button.y, -1);
        }
        break;
      case SDL_MOUSEWHEEL:
        if (e.wheel.y != 0)
          s.SendCan(panel::kEncoderFirst + static_cast<uint32_t>(s.encoder), {e.wheel.y > 0 ? kStepUp : kStepDown});
        break;
      case SDL_KEYDOWN: s.Key(e.key, true); break;
      case SDL_KEYUP: s.Key(e.key, false); break;
      default: break;
    }
    any = SDL_PollEvent(&e) != 0;
  }
  s.ReceiveCan();
  const uint32_t now = SDL_GetTicks();
  if (now - s.drawnAt >= kFrameMs) {
    s.drawnAt = now;
    s.Draw(driver.TakePeak());
  }
  return true;
}
