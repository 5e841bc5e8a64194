#include "programs/SimWindow.h"

#include <SDL.h>
#include <dirent.h>
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
constexpr int kTitleY = kScreenH + 3;  // the strip's group names
constexpr int kBoxY = kScreenH + 14;   // its lamps and gauges
constexpr int kBoxH = 16;
constexpr float kPedalKeyStep = 0.1f;
constexpr float kPedalWheelStep = 0.05f;
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
    "  - / =, wheel on strip  the expression pedal back / forward (it starts at full travel)\n"
    "  strip under the screen: part LEDs A-D, beat, keyboard channel, octave, encoder, pedal, output level\n";

// The strip's lettering: a 5x7 pixel font of the characters it uses, a row a byte (bit 4
// leftmost).
struct Glyph {
  char c;
  uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}}, {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}}, {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}}, {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}}, {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};
constexpr int kGlyphW = 6;  // five pixels and a gap

// The strip's groups: a name over the lamps, at the x of the first.
struct StripGroup {
  const char* name;
  int x;
};
constexpr int kPartX = 10;
constexpr int kBeatX = 130;
constexpr int kChannelX = 175;
constexpr int kOctaveX = 310;
constexpr int kEncoderX = 440;
constexpr int kPedalX = 548;
constexpr int kPedalW = 80;
constexpr int kLevelX = 640;
constexpr int kLevelW = 145;
constexpr StripGroup kGroups[] = {{"PART", kPartX},       {"BEAT", kBeatX},    {"MIDI CH", kChannelX},
                                  {"OCTAVE", kOctaveX},   {"ENCODER", kEncoderX}, {"PEDAL", kPedalX},
                                  {"LEVEL", kLevelX}};
constexpr const char* kChannelNames[] = {"1", "2", "3", "4", "10"};
constexpr const char* kLetters[] = {"A", "B", "C", "D", "E"};

// A GPU is there when the kernel offers a render node; without one, SDL's accelerated
// renderer is a software OpenGL with a thread per core, far more than an 800x520 picture
// needs.
bool HasGpu() {
  DIR* dir = opendir("/dev/dri");
  if (dir == nullptr) return false;
  bool found = false;
  while (dirent* e = readdir(dir))
    if (std::strncmp(e->d_name, "renderD", 7) == 0) found = true;
  closedir(dir);
  return found;
}

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
  std::vector<SDL_Rect> textPixels;

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
      case SDL_SCANCODE_MINUS: MovePedal(-kPedalKeyStep); break;
      case SDL_SCANCODE_EQUALS: MovePedal(kPedalKeyStep); break;
      default: break;
    }
  }

  void MovePedal(float by) {
    if (devices.pedal == nullptr) return;
    devices.pedal->store(std::clamp(devices.pedal->load() + by, 0.0f, 1.0f));
  }

  void Colour(uint32_t colour) {
    SDL_SetRenderDrawColor(renderer, (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF, 255);
  }

  void Box(int x, int w, uint32_t colour) {
    Colour(colour);
    const SDL_Rect r{x, kBoxY, w, kBoxH};
    SDL_RenderFillRect(renderer, &r);
  }

  void Text(const char* text, int x, int y, uint32_t colour) {
    textPixels.clear();
    for (; *text != '\0'; ++text, x += kGlyphW) {
      const Glyph* g = std::find_if(std::begin(kFont), std::end(kFont), [&](const Glyph& f) { return f.c == *text; });
      if (g == std::end(kFont)) continue;  // a space
      for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col)
          if (g->rows[row] & (0x10 >> col)) textPixels.push_back({x + col, y + row, 1, 1});
    }
    Colour(colour);
    SDL_RenderFillRects(renderer, textPixels.data(), static_cast<int>(textPixels.size()));
  }

  // A lamp with its name inside, dark on a lit lamp and light on an unlit one.
  void Lamp(int x, int w, bool lit, uint32_t on, uint32_t off, const char* name) {
    Box(x, w, lit ? on : off);
    const int width = static_cast<int>(std::strlen(name)) * kGlyphW - 1;
    Text(name, x + (w - width) / 2, kBoxY + (kBoxH - 7) / 2, lit ? 0x101010 : 0xA0A0A0);
  }

  void Draw(float peak) {
    SDL_UpdateTexture(texture, nullptr, screen->Data(), kScreenW * 4);
    SDL_SetRenderDrawColor(renderer, 0x18, 0x18, 0x18, 255);
    SDL_RenderClear(renderer);
    const SDL_Rect top{0, 0, kScreenW, kScreenH};
    SDL_RenderCopy(renderer, texture, nullptr, &top);
    for (const StripGroup& g : kGroups) Text(g.name, g.x, kTitleY, 0xC0C0C0);
    for (int p = 0; p < 4; ++p) Lamp(kPartX + 28 * p, 22, p == part, 0xFF3030, 0x401010, kLetters[p]);
    Box(kBeatX, 22, SDL_GetTicks() - beatAt < kBeatMs ? 0x30FF30 : 0x104010);
    for (int c = 0; c < 5; ++c)
      Lamp(kChannelX + 24 * c, 18, kChannels[c].channel == channel, 0x4080FF, 0x102040, kChannelNames[c]);
    for (int o = -kMaxShift; o <= kMaxShift; ++o)
      Box(kOctaveX + 16 * (o + kMaxShift), 12, o == shift ? 0xE0E0E0 : 0x303030);
    for (int e = 0; e < kEncoders; ++e) Lamp(kEncoderX + 20 * e, 14, e == encoder, 0xFFD020, 0x403010, kLetters[e]);
    // The pedal's travel as a bar with its percentage.
    const float pedal = devices.pedal != nullptr ? devices.pedal->load() : 0.0f;
    Box(kPedalX, kPedalW, 0x202020);
    const int travel = static_cast<int>(pedal * kPedalW + 0.5f);
    if (travel > 0) Box(kPedalX, travel, 0x3060C0);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%d%%", static_cast<int>(pedal * 100.0f + 0.5f));
    Text(percent, kPedalX + (kPedalW - static_cast<int>(std::strlen(percent)) * kGlyphW) / 2, kBoxY + (kBoxH - 7) / 2,
         0xFFFFFF);
    // The level in dB from -60 to 0 over the meter, held and falling back.
    level = std::max(peak, level * 0.8f);
    const float db = level > 0.0f ? 20.0f * std::log10(level) : -60.0f;
    const int lit = static_cast<int>(std::clamp((db + 60.0f) / 60.0f, 0.0f, 1.0f) * kLevelW);
    Box(kLevelX, kLevelW, 0x202020);
    if (lit > 0) Box(kLevelX, lit, level >= 1.0f ? 0xFF2020 : db > -6.0f ? 0xFFD020 : 0x20C020);
    SDL_RenderPresent(renderer);
  }
};

SimWindow::SimWindow(std::unique_ptr<State> state) : s_(std::move(state)) {}
SimWindow::~SimWindow() = default;

const char* SimWindow::KeyMap() { return kKeyMap; }

std::unique_ptr<SimWindow> SimWindow::Open(const platform::MemoryFrameBuffer& screen, const Devices& devices) {
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return nullptr;
  if (!screen.Valid() || screen.format().xres != kScreenW || screen.format().yres != kScreenH) return nullptr;
  const bool gpu = HasGpu();
  if (!gpu) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "synthcore-sim: no window (%s); the screen stays in its file\n", SDL_GetError());
    return nullptr;
  }
  auto s = std::make_unique<State>();
  s->screen = &screen;
  s->devices = devices;
  std::fill(std::begin(s->heldNote), std::end(s->heldNote), -1);
  s->window = SDL_CreateWindow("synthcore-sim", 0, 0, kScreenW, kScreenH + kStripH, SDL_WINDOW_SHOWN);
  if (s->window != nullptr) s->renderer = SDL_CreateRenderer(s->window, -1, gpu ? 0 : SDL_RENDERER_SOFTWARE);
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
      case SDL_MOUSEWHEEL: {
        if (e.wheel.y == 0) break;
        int mouseY = 0;
        SDL_GetMouseState(nullptr, &mouseY);
        // Over the strip the wheel is the pedal; over the screen it turns the encoder.
        if (mouseY >= kScreenH)
          s.MovePedal(e.wheel.y > 0 ? kPedalWheelStep : -kPedalWheelStep);
        else
          s.SendCan(panel::kEncoderFirst + static_cast<uint32_t>(s.encoder), {e.wheel.y > 0 ? kStepUp : kStepDown});
        break;
      }
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
