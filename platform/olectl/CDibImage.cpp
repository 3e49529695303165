#include "platform/olectl/CDibImage.h"

#include "platform/base/LittleEndian.h"

namespace {


size_t RowBytes(int width, int bits) { return ((static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32) * 4; }

// Header, palette and colour rows of a 4-bit image; heightField is the
// stored height (doubled for icons, which append a mask).
std::vector<uint8_t> Dib4(int width, int height, int heightField, const std::vector<uint8_t>& indices) {
  std::vector<uint8_t> o;
  const size_t row = RowBytes(width, 4);
  PutLe32(o, 40);
  PutLe32(o, static_cast<uint32_t>(width));
  PutLe32(o, static_cast<uint32_t>(heightField));
  PutLe16(o, 1);
  PutLe16(o, 4);
  PutLe32(o, 0);  // BI_RGB
  PutLe32(o, static_cast<uint32_t>(row * static_cast<size_t>(height)));
  PutLe32(o, 0);
  PutLe32(o, 0);
  PutLe32(o, 16);
  PutLe32(o, 0);
  for (uint32_t c : CDibImage::StandardPalette()) {
    o.push_back(static_cast<uint8_t>(c));        // blue
    o.push_back(static_cast<uint8_t>(c >> 8));   // green
    o.push_back(static_cast<uint8_t>(c >> 16));  // red
    o.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> r(row, 0);
    for (int x = 0; x < width; ++x) {
      uint8_t v = indices[static_cast<size_t>(y * width + x)] & 0x0F;
      r[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>(x % 2 == 0 ? v << 4 : v);
    }
    o.insert(o.end(), r.begin(), r.end());
  }
  return o;
}

}  // namespace

const std::array<uint32_t, 16>& CDibImage::StandardPalette() {
  static const std::array<uint32_t, 16> palette = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  return palette;
}

std::vector<uint8_t> CDibImage::Build4(int width, int height, const std::vector<uint8_t>& indices) {
  return Dib4(width, height, height, indices);
}

std::vector<uint8_t> CDibImage::BuildIcon(const std::vector<IconImage>& images) {
  std::vector<std::vector<uint8_t>> bodies;
  for (const IconImage& im : images) {
    std::vector<uint8_t> body = Dib4(im.size, im.size, im.size * 2, im.indices);
    const size_t maskRow = RowBytes(im.size, 1);
    for (int y = im.size - 1; y >= 0; --y) {
      std::vector<uint8_t> r(maskRow, 0);
      for (int x = 0; x < im.size; ++x)
        if (im.indices[static_cast<size_t>(y * im.size + x)] >= 16)
          r[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      body.insert(body.end(), r.begin(), r.end());
    }
    bodies.push_back(std::move(body));
  }
  std::vector<uint8_t> o;
  PutLe16(o, 0);
  PutLe16(o, 1);
  PutLe16(o, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    o.push_back(static_cast<uint8_t>(images[i].size >= 256 ? 0 : images[i].size));
    o.push_back(static_cast<uint8_t>(images[i].size >= 256 ? 0 : images[i].size));
    o.push_back(16);
    o.push_back(0);
    PutLe16(o, 1);
    PutLe16(o, 4);
    PutLe32(o, static_cast<uint32_t>(bodies[i].size()));
    PutLe32(o, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const auto& b : bodies) o.insert(o.end(), b.begin(), b.end());
  return o;
}

std::optional<CDibImage> CDibImage::ParseDib(const uint8_t* p, size_t n, bool withMask) {
  if (n < 40) return std::nullopt;
  const uint32_t headerSize = GetLe32(p);
  if (headerSize < 40 || headerSize > n) return std::nullopt;
  const int32_t width = static_cast<int32_t>(GetLe32(p + 4));
  int32_t height = static_cast<int32_t>(GetLe32(p + 8));
  const uint32_t bits = GetLe16(p + 14);
  const uint32_t compression = GetLe32(p + 16);
  uint32_t used = GetLe32(p + 32);
  if (compression != 0 || width <= 0 || width > 4096) return std::nullopt;
  bool topDown = false;
  if (height < 0) {
    if (withMask || height == INT32_MIN) return std::nullopt;
    topDown = true;
    height = -height;
  }
  if (withMask) height /= 2;
  if (height <= 0 || height > 4096) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  size_t paletteSize = 0;
  if (bits <= 8) {
    const uint32_t maxColours = 1u << bits;
    if (used == 0 || used > maxColours) used = maxColours;
    paletteSize = used;
  }
  size_t pos = headerSize;
  if (pos + paletteSize * 4 > n) return std::nullopt;
  const uint8_t* palette = p + pos;
  pos += paletteSize * 4;
  const size_t row = RowBytes(width, static_cast<int>(bits));
  const size_t colourBytes = row * static_cast<size_t>(height);
  if (pos + colourBytes > n) return std::nullopt;
  const uint8_t* pixels = p + pos;
  const size_t maskRow = RowBytes(width, 1);
  const uint8_t* mask = nullptr;
  if (withMask) {
    if (pos + colourBytes + maskRow * static_cast<size_t>(height) > n) return std::nullopt;
    mask = pixels + colourBytes;
  }
  CDibImage img;
  img.width = width;
  img.height = height;
  img.bitCount = static_cast<int>(bits);
  img.argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    const int src = topDown ? y : height - 1 - y;
    const uint8_t* r = pixels + row * static_cast<size_t>(src);
    for (int x = 0; x < width; ++x) {
      uint32_t colour = 0;
      if (bits <= 8) {
        uint32_t index = 0;
        if (bits == 8) index = r[x];
        if (bits == 4) index = (r[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
        if (bits == 1) index = (r[x / 8] >> (7 - x % 8)) & 1;
        if (index < paletteSize) {
          const uint8_t* q = palette + index * 4;
          colour = (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
        }
      } else {
        const uint8_t* q = r + static_cast<size_t>(x) * (bits / 8);
        colour = (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
      }
      bool clear = false;
      if (mask) clear = (mask[maskRow * static_cast<size_t>(src) + static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1;
      img.argb[static_cast<size_t>(y * width + x)] = clear ? 0 : (0xFF000000u | colour);
    }
  }
  return img;
}

std::optional<CDibImage> CDibImage::ParseBitmap(const std::vector<uint8_t>& data) {
  return ParseDib(data.data(), data.size(), false);
}

std::optional<std::vector<CDibImage>> CDibImage::ParseIcon(const std::vector<uint8_t>& data) {
  if (data.size() < 6 || GetLe16(data.data()) != 0 || GetLe16(data.data() + 2) != 1) return std::nullopt;
  const uint32_t count = GetLe16(data.data() + 4);
  if (count == 0 || 6 + static_cast<size_t>(count) * 16 > data.size()) return std::nullopt;
  std::vector<CDibImage> images;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = data.data() + 6 + i * 16;
    const uint32_t size = GetLe32(e + 8);
    const uint32_t offset = GetLe32(e + 12);
    if (offset > data.size() || size > data.size() - offset) return std::nullopt;
    std::optional<CDibImage> img = ParseDib(data.data() + offset, size, true);
    if (!img) return std::nullopt;
    images.push_back(std::move(*img));
  }
  return images;
}
