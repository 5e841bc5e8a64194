#pragma once
// Writes a picture as the pages load them: an opaque PNG of `width` x `height` pixels, each a
// word 0x00RRGGBB (the screen's format), rows of `width` words one after another.
#include <cstdint>
#include <string>

bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height);
