// Device-independent bitmaps as resources carry them: BITMAP resources are a
// BITMAPINFOHEADER with its palette and bottom-up rows; ICON resources are an
// icon directory holding one such image per size, each with its AND mask.
// Palette images of 1, 4 and 8 bits and true-colour images of 24 and 32 bits
// are read; every size and offset is checked.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "platform/com/ComTypes.h"

class PX_EXPORT CDibImage {
 public:
  int width = 0;
  int height = 0;
  int bitCount = 0;            // as stored
  std::vector<uint32_t> argb;  // width * height, top row first, 0xAARRGGBB

  // The 16 colours of the platform's standard palette (0x00RRGGBB).
  static const std::array<uint32_t, 16>& StandardPalette();

  // A 16-colour DIB from palette indices (top row first, width*height).
  static std::vector<uint8_t> Build4(int width, int height, const std::vector<uint8_t>& indices);
  // An icon directory holding the given 16-colour images (index 16 or more
  // in an image marks a transparent pixel).
  struct IconImage {
    int size;
    std::vector<uint8_t> indices;
  };
  static std::vector<uint8_t> BuildIcon(const std::vector<IconImage>& images);

  static std::optional<CDibImage> ParseBitmap(const std::vector<uint8_t>& data);
  static std::optional<std::vector<CDibImage>> ParseIcon(const std::vector<uint8_t>& data);

 private:
  static std::optional<CDibImage> ParseDib(const uint8_t* p, size_t n, bool withMask);
};
