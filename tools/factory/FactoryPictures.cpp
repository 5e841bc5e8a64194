#include "tools/factory/FactoryPictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/FirmwareName.h"
#include "pages/voice/VoiceLayout.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "toolkit/CTheme.h"
#include "toolkit/PngFile.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxDefs.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The theme's colours, by what the pictures use them for.
struct Palette {
  uxCOLOR ground;  // behind everything
  uxCOLOR panel;   // a box, a module
  uxCOLOR line;    // frames, wires, axes
  uxCOLOR text;    // names
  uxCOLOR bright;  // curves, titles
  uxCOLOR accent;  // what is active or marked
  uxCOLOR band;    // title bands
};

const Palette& Colours() {
  static const Palette palette = [] {
    CTheme::Init();
    return Palette{CTheme::ColorFromName("Border"), CTheme::ColorFromName("Bg"),    CTheme::ColorFromName("BgAcc"),
                   CTheme::ColorFromName("FgAcc"),  CTheme::ColorFromName("Fg"),    CTheme::ColorFromName("TitleTextBg"),
                   CTheme::ColorFromName("TitleBg")};
  }();
  return palette;
}

// Fonts by size (the toolkit's table): 4x6, 6x10, 8x14, 12x20, 32x53.
constexpr uint16_t kTiny = 0, kSmall = 4, kMedium = 8, kLarge = 11, kGiant = 15;

int TextWidth(uxDC& dc, uint16_t font, const std::string& s) {
  return static_cast<int>(s.size()) * dc.getFontSize(font).width;
}

void Text(uxDC& dc, int x, int y, uint16_t font, uxCOLOR fore, uxCOLOR back, const std::string& s) {
  dc.FontSelect(font);
  dc.FontSetHSpace(0);
  dc.SetForecolor(fore);
  dc.SetBackcolor(back);
  dc.PutString(static_cast<int16_t>(x), static_cast<int16_t>(y), s.c_str());
}

void Centred(uxDC& dc, int cx, int y, uint16_t font, uxCOLOR fore, uxCOLOR back, const std::string& s) {
  Text(dc, cx - TextWidth(dc, font, s) / 2, y, font, fore, back, s);
}

std::string Trimmed(const char* s) {
  std::string t(s);
  t.erase(0, t.find_first_not_of(' '));
  t.erase(t.find_last_not_of(' ') + 1);
  return t;
}

// A filled box with a frame and its name centred, on as many lines as the width needs.
void Box(uxDC& dc, int x, int y, int w, int h, const std::string& name, uint16_t font, uxCOLOR fill, uxCOLOR frame,
         uxCOLOR text) {
  dc.FillFrame(static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(x + w - 1),
               static_cast<int16_t>(y + h - 1), fill);
  dc.DrawFrame(static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(x + w - 1),
               static_cast<int16_t>(y + h - 1), frame);
  std::vector<std::string> lines;
  if (TextWidth(dc, font, name) <= w - 4) {
    lines.push_back(name);
  } else {
    std::size_t at = 0;
    while (at < name.size()) {
      const std::size_t space = name.find(' ', at);
      lines.push_back(name.substr(at, space == std::string::npos ? std::string::npos : space - at));
      at = space == std::string::npos ? name.size() : space + 1;
    }
  }
  const int lineHeight = dc.getFontSize(font).height + 2;
  int ty = y + (h - lineHeight * static_cast<int>(lines.size())) / 2 + 1;
  for (const std::string& line : lines) {
    Centred(dc, x + w / 2, ty, font, text, fill, line);
    ty += lineHeight;
  }
}

void Line(uxDC& dc, int x1, int y1, int x2, int y2, uxCOLOR c) {
  dc.DrawLine(static_cast<int16_t>(x1), static_cast<int16_t>(y1), static_cast<int16_t>(x2), static_cast<int16_t>(y2),
              c);
}

// A wire ending in an arrow head at (x2, y2), horizontal or vertical.
void Arrow(uxDC& dc, int x1, int y1, int x2, int y2, uxCOLOR c) {
  Line(dc, x1, y1, x2, y2, c);
  const int dx = x2 > x1 ? -1 : x2 < x1 ? 1 : 0;
  const int dy = y2 > y1 ? -1 : y2 < y1 ? 1 : 0;
  for (int k = 1; k <= 4; ++k) {
    if (dx != 0) Line(dc, x2 + dx * k, y2 - k, x2 + dx * k, y2 + k, c);
    if (dy != 0) Line(dc, x2 - k, y2 + dy * k, x2 + k, y2 + dy * k, c);
  }
}

// y = f(t) for t in 0..1, both over the rectangle (f's 0 at the bottom, 1 at the top).
template <typename F>
void Plot(uxDC& dc, int x, int y, int w, int h, uxCOLOR c, F f) {
  int px = x, py = y + h - 1 - static_cast<int>(std::lround(std::clamp(f(0.0), 0.0, 1.0) * (h - 1)));
  for (int i = 1; i < w; ++i) {
    const double v = std::clamp(f(static_cast<double>(i) / (w - 1)), 0.0, 1.0);
    const int qy = y + h - 1 - static_cast<int>(std::lround(v * (h - 1)));
    Line(dc, px, py, x + i, qy, c);
    Line(dc, px, py + 1, x + i, qy + 1, c);  // two pixels thick: legible on the panel
    px = x + i;
    py = qy;
  }
}

void Fill(uxDC& dc, int w, int h, uxCOLOR c) {
  dc.FillFrame(0, 0, static_cast<int16_t>(w - 1), static_cast<int16_t>(h - 1), c);
}

// ---- Effect pictures: the effect panel's background (380 x 240), its name in a band on top
// and a sketch of what it does in the field below. The dynamics panel's meters stand at x
// 15-35, 271-281 and 345-365, so its sketch keeps between them.

struct Field {
  int x, y, w, h;
};
constexpr Field kEffectField{50, 56, 280, 160};

Field EffectFrame(uxDC& dc, int w, int h, const char* name, const char* what, Field field = kEffectField) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  dc.FillFrame(0, 0, static_cast<int16_t>(w - 1), 39, p.band);
  Centred(dc, w / 2, 10, kLarge, p.bright, p.band, name);
  Centred(dc, w / 2, h - 16, kSmall, p.text, p.ground, what);
  // Axes of the sketch.
  Line(dc, field.x, field.y + field.h, field.x + field.w, field.y + field.h, p.line);
  Line(dc, field.x, field.y, field.x, field.y + field.h, p.line);
  return field;
}

void DrawBlank(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  dc.FillFrame(0, 0, static_cast<int16_t>(w - 1), 39, p.band);
  Centred(dc, w / 2, 10, kLarge, p.bright, p.band, "NONE");
  dc.DrawDottedLine(40, static_cast<int16_t>(h / 2 + 20), static_cast<int16_t>(w - 40), static_cast<int16_t>(h / 2 + 20),
                    4, p.line);
  Centred(dc, w / 2, h - 16, kSmall, p.text, p.ground, "the slot passes the sound on");
}

void DrawModDelay(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "MOD DELAY", "a delay swept by an LFO: chorus, flanger, vibrato");
  Plot(dc, f.x + 2, f.y + 10, f.w - 4, f.h - 20, Colours().line, [](double t) { return 0.5 + 0.4 * std::sin(2 * kPi * 4 * t); });
  Plot(dc, f.x + 2, f.y + 10, f.w - 4, f.h - 20, Colours().bright,
       [](double t) { return 0.5 + 0.4 * std::sin(2 * kPi * 4 * t + 0.9 * std::sin(2 * kPi * t)); });
}

void DrawEq(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "PARAM EQ", "low, mid and high bands, each with its own gain");
  const auto bell = [](double t, double at, double width) { return std::exp(-(t - at) * (t - at) / (width * width)); };
  for (double at : {1.0 / 6, 0.5, 5.0 / 6})
    dc.DrawDottedLine(static_cast<int16_t>(f.x + at * f.w), static_cast<int16_t>(f.y), static_cast<int16_t>(f.x + at * f.w),
                      static_cast<int16_t>(f.y + f.h - 1), 3, Colours().line);
  Plot(dc, f.x + 2, f.y + 4, f.w - 4, f.h - 8, Colours().bright, [&](double t) {
    return 0.5 + 0.3 * bell(t, 0.0, 0.25) - 0.25 * bell(t, 0.5, 0.12) + 0.35 / (1 + std::exp(-(t - 0.8) * 25));
  });
}

void DrawDelay(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "STEREO DELAY", "echoes left and right, each quieter than the last");
  for (int k = 0; k < 7; ++k) {
    const int x = f.x + 14 + k * 38;
    const int top = f.y + f.h - static_cast<int>((f.h - 10) * std::pow(0.72, k));
    const uxCOLOR c = k % 2 == 0 ? Colours().bright : Colours().accent;
    dc.FillFrame(static_cast<int16_t>(x), static_cast<int16_t>(top), static_cast<int16_t>(x + 5),
                 static_cast<int16_t>(f.y + f.h - 1), c);
  }
  Text(dc, f.x + f.w - 70, f.y, kSmall, Colours().bright, Colours().ground, "L");
  Text(dc, f.x + f.w - 50, f.y, kSmall, Colours().accent, Colours().ground, "R");
}

void DrawMoog(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "MOOG FILTER", "a resonant low-pass ladder");
  Plot(dc, f.x + 2, f.y + 4, f.w - 4, f.h - 8, Colours().bright, [](double t) {
    const double x = t / 0.55;  // the cutoff at 55 % of the field
    const double peak = 0.35 * std::exp(-(t - 0.55) * (t - 0.55) / 0.002);
    return (x < 1 ? 0.6 : 0.6 / std::pow(x, 6)) + peak;
  });
}

void DrawTube(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "TUBE AMP", "a triode stage: soft clipping of loud peaks");
  dc.DrawDottedLine(static_cast<int16_t>(f.x), static_cast<int16_t>(f.y + f.h), static_cast<int16_t>(f.x + f.w),
                    static_cast<int16_t>(f.y), 4, Colours().line);
  Plot(dc, f.x + 2, f.y + 2, f.w - 4, f.h - 4, Colours().bright, [](double t) { return 0.5 + 0.5 * std::tanh(3 * (2 * t - 1)); });
}

void DrawReverb(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "REVERB", "a room's reflections dying away");
  const int base = f.y + f.h - 1;
  dc.FillFrame(static_cast<int16_t>(f.x + 8), static_cast<int16_t>(f.y + 4), static_cast<int16_t>(f.x + 11),
               static_cast<int16_t>(base), Colours().bright);
  uint32_t seed = 0x9E3779B9u;
  for (int x = f.x + 30; x < f.x + f.w - 4; x += 3) {
    seed = seed * 1664525u + 1013904223u;
    const double envelope = std::exp(-3.0 * (x - f.x - 30) / f.w);
    const int height = static_cast<int>((f.h - 20) * envelope * (0.4 + 0.6 * ((seed >> 16) & 0xFF) / 255.0));
    Line(dc, x, base, x, base - height, x % 2 == 0 ? Colours().bright : Colours().text);
  }
}

void DrawDynamics(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "DYNAMICS", "above the threshold the level rises less", {60, 56, 190, 160});
  Text(dc, 12, 100, kTiny, Colours().text, Colours().ground, "IN");
  Text(dc, 340, 100, kTiny, Colours().text, Colours().ground, "OUT");
  Text(dc, 263, 200, kTiny, Colours().text, Colours().ground, "GR");
  dc.DrawDottedLine(static_cast<int16_t>(f.x), static_cast<int16_t>(f.y + f.h), static_cast<int16_t>(f.x + f.w),
                    static_cast<int16_t>(f.y), 4, Colours().line);
  Plot(dc, f.x + 2, f.y + 2, f.w - 4, f.h - 4, Colours().bright, [](double t) { return t < 0.5 ? t : 0.5 + (t - 0.5) / 4; });
}

void DrawPhaser(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "PHASER", "moving notches through the spectrum");
  Plot(dc, f.x + 2, f.y + 4, f.w - 4, f.h - 8, Colours().bright,
       [](double t) { return 0.15 + 0.75 * std::fabs(std::cos(kPi * 3.5 * std::pow(t, 0.8))); });
}

void DrawJ6Chorus(uxDC& dc, int w, int h) {
  const Field f = EffectFrame(dc, w, h, "J6 CHORUS", "two delays swept in opposite ways");
  Plot(dc, f.x + 2, f.y + 10, f.w - 4, f.h - 20, Colours().accent,
       [](double t) { return 0.5 + 0.4 * (2 * std::fabs(2 * std::fmod(t * 2, 1.0) - 1) - 1); });
  Plot(dc, f.x + 2, f.y + 10, f.w - 4, f.h - 20, Colours().bright,
       [](double t) { return 0.5 - 0.4 * (2 * std::fabs(2 * std::fmod(t * 2, 1.0) - 1) - 1); });
}

// ---- MIDI port filters (40 x 40): a funnel over the kind of message it holds back.

void Funnel(uxDC& dc, int w, const char* what, bool active) {
  const Palette& p = Colours();
  Fill(dc, w, 40, 0x101010);
  const uxCOLOR c = active ? p.accent : p.line;
  for (int k = 0; k < 4; ++k) Line(dc, 8 + 2 * k, 4 + k, 31 - 2 * k, 4 + k, c);
  for (int y = 8; y < 16; ++y) Line(dc, 8 + y - 4 - 2, y, 31 - (y - 4) + 2, y, c);
  dc.FillFrame(18, 16, 21, 22, c);
  Centred(dc, w / 2, 29, kTiny, active ? p.bright : p.text, 0x101010, what);
}

void DrawFilterNone(uxDC& dc, int w, int) { Funnel(dc, w, "-", false); }
void DrawFilterNote(uxDC& dc, int w, int) { Funnel(dc, w, "NOTE", true); }
void DrawFilterCc(uxDC& dc, int w, int) { Funnel(dc, w, "CC", true); }
void DrawFilterCcNote(uxDC& dc, int w, int) { Funnel(dc, w, "CC+NOTE", true); }

// ---- Switches (40 x 40): terminals as rings, the lever from the right-hand terminal. The
// backgrounds wire to the terminals at these points.

constexpr int kLeftX = 6, kRightX = 33, kMidY = 20, kUpperY = 8, kLowerY = 32;

void Terminal(uxDC& dc, int x, int y, uxCOLOR c) {
  dc.FillCircle(static_cast<int16_t>(x), static_cast<int16_t>(y), 3, c);
  dc.FillCircle(static_cast<int16_t>(x), static_cast<int16_t>(y), 1, Colours().ground);
}

void Lever(uxDC& dc, int x1, int y1, int x2, int y2, uxCOLOR c) {
  Line(dc, x1, y1, x2, y2, c);
  Line(dc, x1, y1 + 1, x2, y2 + 1, c);
}

void OneWaySwitch(uxDC& dc, int w, int h, bool closed) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  Terminal(dc, kLeftX, kMidY, p.bright);
  Terminal(dc, kRightX, kMidY, p.bright);
  if (closed)
    Lever(dc, kRightX - 3, kMidY, kLeftX + 3, kMidY, p.accent);
  else
    Lever(dc, kRightX - 3, kMidY, kLeftX + 5, kMidY - 12, p.text);
}

void TwoWaySwitch(uxDC& dc, int w, int h, bool up) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  Terminal(dc, kLeftX, kUpperY, p.bright);
  Terminal(dc, kLeftX, kLowerY, p.bright);
  Terminal(dc, kRightX, kMidY, p.bright);
  Lever(dc, kRightX - 3, kMidY, kLeftX + 3, up ? kUpperY + 1 : kLowerY - 1, p.accent);
}

void DrawSwitchOpen(uxDC& dc, int w, int h) { OneWaySwitch(dc, w, h, false); }
void DrawSwitchClosed(uxDC& dc, int w, int h) { OneWaySwitch(dc, w, h, true); }
void DrawSwitchUp(uxDC& dc, int w, int h) { TwoWaySwitch(dc, w, h, true); }
void DrawSwitchDown(uxDC& dc, int w, int h) { TwoWaySwitch(dc, w, h, false); }

// ---- Caption icons of the oscillator panels (40 x 40, in the 40-pixel caption).

void DrawOscIcon(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.band);
  Plot(dc, 4, 8, w - 8, h - 16, p.bright, [](double t) { return 0.5 + 0.45 * std::sin(2 * kPi * t); });
}

void DrawConfigIcon(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.band);
  // Three sliders.
  for (int k = 0; k < 3; ++k) {
    const int x = 9 + 11 * k;
    Line(dc, x, 6, x, 33, p.text);
    dc.FillFrame(static_cast<int16_t>(x - 3), static_cast<int16_t>(10 + 8 * k), static_cast<int16_t>(x + 3),
                 static_cast<int16_t>(14 + 8 * k), p.bright);
  }
}

// ---- Shaper icons of the mixer (60 x 60): the shaper's curve, lit where a shaper is inserted.

void ShaperIcon(uxDC& dc, int w, int h, bool inserted) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  dc.DrawFrame(0, 0, static_cast<int16_t>(w - 1), static_cast<int16_t>(h - 1), inserted ? p.accent : p.line);
  Plot(dc, 6, 6, w - 12, h - 20, inserted ? p.bright : p.line, [](double t) { return 0.5 + 0.5 * std::tanh(4 * (2 * t - 1)); });
  Centred(dc, w / 2, h - 11, kTiny, inserted ? p.bright : p.text, p.ground, "SHAPER");
}

void DrawShaperOff(uxDC& dc, int w, int h) { ShaperIcon(dc, w, h, false); }
void DrawShaperOn(uxDC& dc, int w, int h) { ShaperIcon(dc, w, h, true); }

// ---- The mixer (background 800 x 400 under the caption; routing pictures 200 x 130 at (261,
// 24) of it). Oscillator 1 reaches the routing picture at its y 25, oscillator 2 at 93; the
// picture hands filter A on at its y 20 and filter B at 115.

constexpr int kRoutingX = 261, kRoutingY = 24, kRoutingW = 200;
constexpr int kInOsc1 = 25, kInOsc2 = 93, kOutA = 20, kOutB = 115;

void Routing(uxDC& dc, int w, int h, int osc1To, int osc2To, bool crossfade) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  const int outA = kOutA, outB = kOutB;
  Text(dc, w - 40, outA - 12, kTiny, p.text, p.ground, "FLT A");
  Text(dc, w - 40, outB + 6, kTiny, p.text, p.ground, "FLT B");
  Text(dc, 4, kInOsc1 - 12, kTiny, p.text, p.ground, "OSC1");
  Text(dc, 4, kInOsc2 - 12, kTiny, p.text, p.ground, "OSC2");
  if (crossfade) {
    const int cx = 100;
    Box(dc, cx - 30, 40, 60, 40, "X-FADE", kTiny, p.panel, p.accent, p.bright);
    Line(dc, 0, kInOsc1, cx - 40, kInOsc1, p.bright);
    Arrow(dc, cx - 40, kInOsc1, cx - 40, 40, p.bright);
    Line(dc, 0, kInOsc2, cx - 40, kInOsc2, p.bright);
    Arrow(dc, cx - 40, kInOsc2, cx - 40, 80, p.bright);
    Line(dc, cx + 30, 60, cx + 50, 60, p.accent);
    Line(dc, cx + 50, 60, cx + 50, outA, p.accent);
    Arrow(dc, cx + 50, outA, w - 1, outA, p.accent);
    return;
  }
  // Each oscillator's wire turns at its own column so the two never meet.
  const int turn[2] = {90, 120};
  const int from[2] = {kInOsc1, kInOsc2};
  const int to[2] = {osc1To == 0 ? outA : outB, osc2To == 0 ? outA : outB};
  const uxCOLOR colour[2] = {p.bright, p.accent};
  for (int o = 0; o < 2; ++o) {
    Line(dc, 0, from[o], turn[o], from[o], colour[o]);
    Line(dc, turn[o], from[o], turn[o], to[o] + (o == 0 ? -2 : 2), colour[o]);
    Arrow(dc, turn[o], to[o] + (o == 0 ? -2 : 2), w - 1, to[o] + (o == 0 ? -2 : 2), colour[o]);
  }
}

void DrawMixXFade(uxDC& dc, int w, int h) { Routing(dc, w, h, 0, 0, true); }
void DrawMixO1AO2A(uxDC& dc, int w, int h) { Routing(dc, w, h, 0, 0, false); }
void DrawMixO1BO2A(uxDC& dc, int w, int h) { Routing(dc, w, h, 1, 0, false); }
void DrawMixO1AO2B(uxDC& dc, int w, int h) { Routing(dc, w, h, 0, 1, false); }
void DrawMixO1BO2B(uxDC& dc, int w, int h) { Routing(dc, w, h, 1, 1, false); }

void DrawMixer(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  // Sources: shaper icons at (163, 32) and (163, 102), level bars at (240, 24), (240, 92) and,
  // for the noise, (240, 160); the blend bar at (306, 160); shaper 3 at (470, 64).
  const struct {
    const char* name;
    int y;  // centre of the row
    bool shaper;
  } kRows[] = {{"OSC 1", 62, true}, {"OSC 2", 132, true}, {"NOISE", 185, false}};
  for (const auto& r : kRows) {
    Box(dc, 20, r.y - 15, 90, 30, r.name, kSmall, p.panel, p.line, p.bright);
    if (r.shaper) {
      Arrow(dc, 110, r.y, 162, r.y, p.line);
      Line(dc, 223, r.y, 239, r.y, p.line);
    } else {
      Arrow(dc, 110, r.y, 239, r.y, p.line);
    }
  }
  Line(dc, 255, 185, 305, 185, p.line);
  Text(dc, 326, 176, kSmall, p.text, p.ground, "NOISE TO A / B");
  Arrow(dc, kRoutingX + kRoutingW, kRoutingY + kOutA, 600, kRoutingY + kOutA, p.line);
  Arrow(dc, kRoutingX + kRoutingW, kRoutingY + kOutB, 600, kRoutingY + kOutB, p.line);
  Box(dc, 600, kRoutingY + kOutA - 15, 120, 30, "FILTER A", kSmall, p.panel, p.line, p.bright);
  Box(dc, 600, kRoutingY + kOutB - 15, 120, 30, "FILTER B", kSmall, p.panel, p.line, p.bright);
}

// ---- Oscillator configuration (background 800 x 400 under the caption): the switches stand
// at (117, 50), (117, 90) and (117, 130) for pitch bend, glide and keyboard tracking.

void DrawOscConfig(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  const struct {
    const char* name;
    int y;
  } kSwitches[] = {{"PITCH BEND", 50}, {"GLIDE", 90}, {"KEYBOARD", 130}};
  for (const auto& s : kSwitches) {
    Text(dc, 10, s.y + kMidY - 5, kSmall, p.text, p.ground, s.name);
    Line(dc, 10 + TextWidth(dc, kSmall, s.name) + 4, s.y + kMidY, 117 + kLeftX - 3, s.y + kMidY, p.line);
    Line(dc, 117 + kRightX + 3, s.y + kMidY, 200, s.y + kMidY, p.line);
  }
  Line(dc, 200, 50 + kMidY, 200, 130 + kMidY, p.line);
  Arrow(dc, 200, 90 + kMidY, 250, 90 + kMidY, p.line);
  Box(dc, 250, 90, 140, 40, "OSCILLATOR PITCH", kSmall, p.panel, p.line, p.bright);
}

// ---- The voice page's background (800 x 440 at (0, 40)): every editor's touch area framed
// and named from the page's own table, and the signal's way between them.

constexpr int kVoiceTop = 40;

void DrawVoice(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  const auto centreY = [](int editor) {
    for (const voice_layout::AreaSpec& a : voice_layout::kAreas)
      if (a.editor == editor) return a.y - kVoiceTop + a.h / 2;
    return 0;
  };
  // The signal: sources into the mixer, the mixer into both filters, the filters to the
  // amplifiers the envelopes drive.
  for (int source : {voice_layout::kOsc1, voice_layout::kOsc2, voice_layout::kNoise}) Arrow(dc, 270, centreY(source), 299, centreY(source), p.line);
  for (int filter : {voice_layout::kFilterA, voice_layout::kFilterB}) {
    Arrow(dc, 365, centreY(filter), 379, centreY(filter), p.line);
    Line(dc, 507, centreY(filter), 600, centreY(filter), p.line);
  }
  Line(dc, 600, centreY(voice_layout::kFilterA), 600, centreY(voice_layout::kFilterB), p.line);
  Arrow(dc, 600, 160, 640, 160, p.line);
  Box(dc, 640, 140, 137, 40, "AMP > OUT", kSmall, p.panel, p.line, p.text);
  Arrow(dc, 708, 258, 708, 181, p.line);
  Text(dc, 716, 205, kSmall, p.text, p.ground, "EG");
  for (const voice_layout::AreaSpec& a : voice_layout::kAreas) {
    const std::string name = Trimmed(voice_layout::kEditorSpecs[a.editor].name);
    Box(dc, a.x, a.y - kVoiceTop, a.w, a.h, name, kSmall, p.panel, p.accent, p.bright);
  }
}

// ---- MIDI clock and transport (800 x 400 at (0, 80)): the clock source switch (two-way) at
// (320, 158), clock out at (500, 160), transport in at (320, 224) and out at (500, 224).

void DrawClock(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  Text(dc, 20, 20, kMedium, p.bright, p.ground, "MIDI CLOCK AND TRANSPORT");
  // Clock row.
  Box(dc, 120, 130, 150, 30, "MIDI IN CLOCK", kSmall, p.panel, p.line, p.bright);
  Box(dc, 120, 182, 150, 30, "INTERNAL TEMPO", kSmall, p.panel, p.line, p.bright);
  Line(dc, 270, 145, 300, 145, p.line);
  Line(dc, 300, 145, 300, 158 + kUpperY, p.line);
  Line(dc, 300, 158 + kUpperY, 320 + kLeftX - 3, 158 + kUpperY, p.line);
  Line(dc, 270, 197, 300, 197, p.line);
  Line(dc, 300, 197, 300, 158 + kLowerY, p.line);
  Line(dc, 300, 158 + kLowerY, 320 + kLeftX - 3, 158 + kLowerY, p.line);
  Text(dc, 400, 162, kSmall, p.text, p.ground, "CLOCK");
  Line(dc, 320 + kRightX + 3, 158 + kMidY, 500 + kLeftX - 3, 160 + kMidY, p.line);
  Arrow(dc, 500 + kRightX + 3, 160 + kMidY, 600, 160 + kMidY, p.line);
  Box(dc, 600, 165, 150, 30, "MIDI OUT CLOCK", kSmall, p.panel, p.line, p.bright);
  // Transport row.
  Box(dc, 120, 229, 150, 30, "MIDI IN START/STOP", kSmall, p.panel, p.line, p.bright);
  Line(dc, 270, 224 + kMidY, 320 + kLeftX - 3, 224 + kMidY, p.line);
  Text(dc, 385, 228, kSmall, p.text, p.ground, "TRANSPORT");
  Line(dc, 320 + kRightX + 3, 224 + kMidY, 500 + kLeftX - 3, 224 + kMidY, p.line);
  Arrow(dc, 500 + kRightX + 3, 224 + kMidY, 600, 224 + kMidY, p.line);
  Box(dc, 600, 229, 150, 30, "MIDI OUT START/STOP", kSmall, p.panel, p.line, p.bright);
}

// ---- Page backgrounds without a diagram: the ground with a quiet grid, so the page's boxes
// stand out from it.

void DrawPageGround(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  const uxCOLOR grid = (p.ground + p.panel) / 2 & 0xFEFEFE;
  for (int x = 0; x < w; x += 40) Line(dc, x, 0, x, h - 1, grid);
  for (int y = 0; y < h; y += 40) Line(dc, 0, y, w - 1, y, grid);
}

// ---- The splash (800 x 480): the start-up messages take (10, 10)-(790, 310); the name and
// version stand below them.

void DrawSplash(uxDC& dc, int w, int h) {
  const Palette& p = Colours();
  Fill(dc, w, h, p.ground);
  dc.FillFrame(0, 318, static_cast<int16_t>(w - 1), 321, p.accent);
  Centred(dc, w / 2, 335, kGiant, p.bright, p.ground, firmware::kModel);
  Centred(dc, w / 2, 395, kLarge, p.text, p.ground, firmware::kSystem);
  Centred(dc, w / 2, 430, kMedium, p.text, p.ground,
          std::string("FIRMWARE ") + firmware::kVersion + "  REV " + firmware::kRevision);
}

}  // namespace

const FactoryPictures::Picture FactoryPictures::kPictures[kCount] = {
    // Effect panels.
    {"Blank.png", 380, 240, DrawBlank},
    {"Chorus.png", 380, 240, DrawModDelay},
    {"3BandEQ.png", 380, 240, DrawEq},
    {"Delay.png", 380, 240, DrawDelay},
    {"MoogLadder.png", 380, 240, DrawMoog},
    {"TubePreamp.png", 380, 240, DrawTube},
    {"Reverb.png", 380, 240, DrawReverb},
    {"Dynamics.png", 380, 240, DrawDynamics},
    {"Phaser.png", 380, 240, DrawPhaser},
    {"J6Chorus.png", 380, 240, DrawJ6Chorus},
    // MIDI devices page.
    {"Filter_None.png", 40, 40, DrawFilterNone},
    {"Filter_Note.png", 40, 40, DrawFilterNote},
    {"Filter_CC.png", 40, 40, DrawFilterCc},
    {"Filter_CC-Note.png", 40, 40, DrawFilterCcNote},
    // Clock page.
    {"MidiClockSetting.png", 800, 400, DrawClock},
    {"sw-l1r1-open.png", 40, 40, DrawSwitchOpen},
    {"sw-l1r1-closed.png", 40, 40, DrawSwitchClosed},
    {"sw-l2r1-up.png", 40, 40, DrawSwitchUp},
    {"sw-l2r1-down.png", 40, 40, DrawSwitchDown},
    // Voice page and its editors.
    {"VoiceBackGround.png", 800, 440, DrawVoice},
    {"MixerBKG.png", 800, 400, DrawMixer},
    {"MixXFade.png", kRoutingW, 130, DrawMixXFade},
    {"MixO1AO2A.png", kRoutingW, 130, DrawMixO1AO2A},
    {"MixO1BO2A.png", kRoutingW, 130, DrawMixO1BO2A},
    {"MixO1AO2B.png", kRoutingW, 130, DrawMixO1AO2B},
    {"MixO1BO2B.png", kRoutingW, 130, DrawMixO1BO2B},
    {"ShaperIconBKG.png", 60, 60, DrawShaperOff},
    {"ShaperIcon.png", 60, 60, DrawShaperOn},
    {"OSCConfigBKG.png", 800, 400, DrawOscConfig},
    {"OSCSwitchOpen.png", 40, 40, DrawSwitchOpen},
    {"OSCSwitchClosed.png", 40, 40, DrawSwitchClosed},
    {"OscIcon.png", 40, 40, DrawOscIcon},
    {"ConfigIcon.png", 40, 40, DrawConfigIcon},
    // Page backgrounds.
    {"part_bkg.png", 800, 440, DrawPageGround},
    {"song_bkg.png", 800, 440, DrawPageGround},
    {"kit_bkg.png", 800, 400, DrawPageGround},
    {"midifile_bkg.png", 800, 320, DrawPageGround},
    {"Diagnostics.png", 800, 440, DrawPageGround},
    {"SplashScreen.png", 800, 480, DrawSplash},
};

bool FactoryPictures::Write() {
  const std::string folder = platform::DataPath(PATH_IMAGES);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  platform::MemoryFrameBuffer screen;
  uxDC dc(&screen);
  if (!screen.Valid() || dc.Init() != 0) {
    std::fprintf(stderr, "factory-bank: no screen in memory to draw the pictures on\n");
    return false;
  }
  std::vector<uint32_t> pixels;
  for (const Picture& picture : kPictures) {
    dc.BeginPaint(0, 0, static_cast<int16_t>(picture.width), static_cast<int16_t>(picture.height));
    picture.draw(dc, picture.width, picture.height);
    dc.EndPaint();
    pixels.resize(std::size_t(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x) pixels[std::size_t(y) * picture.width + x] = dc.ScreenPixel(x, y);
    if (!WritePngFile(folder + picture.name, pixels.data(), picture.width, picture.height)) {
      std::fprintf(stderr, "factory-bank: cannot write the picture %s%s\n", folder.c_str(), picture.name);
      return false;
    }
  }
  return true;
}
