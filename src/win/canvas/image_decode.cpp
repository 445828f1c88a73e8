// The BMP and ICO decoders. Every offset and size read from a file is
// checked against the bytes there are before it is used, in 64 bits, so that
// a damaged or hostile file is refused with a reason instead of being read
// out of bounds.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>

#include "win/canvas/gdi_bitmap.h"

namespace chizro {
namespace {

using TBytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kOpaque = 0xFF000000;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

[[noreturn]] void Fail(const std::string& why) { throw EImageFormat(why); }

std::uint32_t U16(TBytes b, std::size_t at) {
  if (at > b.size() || b.size() - at < 2) Fail("truncated header");
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(TBytes b, std::size_t at) {
  if (at > b.size() || b.size() - at < 4) Fail("truncated header");
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::int32_t S32(TBytes b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

// The header of a device-independent bitmap, as a BMP file and an icon
// entry hold it.
struct TDibHeader {
  std::uint32_t Size = 0;  // of the header [bytes]
  bool Core = false;       // the 12-byte core header: 3-byte palette entries
  std::int64_t Width = 0;
  std::int64_t Height = 0;  // rows, without the sign
  bool TopDown = false;
  int Bits = 0;
  std::uint32_t Compression = kRgb;
  std::uint32_t ColorsUsed = 0;
  std::array<std::uint32_t, 4> Masks{};  // red, green, blue, alpha
  bool HasMasks = false;
  bool AlphaMask = false;  // the alpha mask is meaningful
};

TDibHeader ReadDibHeader(TBytes dib) {
  TDibHeader h;
  h.Size = U32(dib, 0);
  if (h.Size == 12) {
    h.Core = true;
    h.Width = U16(dib, 4);
    h.Height = U16(dib, 6);
    h.Bits = static_cast<int>(U16(dib, 10));
  } else if (h.Size == 40 || h.Size == 52 || h.Size == 56 || h.Size == 64 || h.Size == 108 ||
             h.Size == 124) {
    h.Width = S32(dib, 4);
    const std::int64_t height = S32(dib, 8);
    h.TopDown = height < 0;
    h.Height = height < 0 ? -height : height;
    h.Bits = static_cast<int>(U16(dib, 14));
    h.Compression = U32(dib, 16);
    h.ColorsUsed = U32(dib, 32);
    // The OS/2 header numbers its own compressions (Huffman, RLE24) alike.
    if (h.Size == 64 && h.Compression >= kBitFields) Fail("unsupported OS/2 compression");
    if (h.Size >= 52) {
      for (std::size_t i = 0; i < 3; ++i) h.Masks[i] = U32(dib, 40 + 4 * i);
      h.HasMasks = true;
    }
    if (h.Size >= 56 && h.Size != 64) {
      h.Masks[3] = U32(dib, 52);
      h.AlphaMask = true;
    }
  } else {
    Fail("unknown bitmap header size " + std::to_string(h.Size));
  }
  if (h.Width <= 0 || h.Height <= 0) Fail("no pixels (bad width or height)");
  if (h.Width * h.Height > kMaxImagePixels) Fail("image too large");
  switch (h.Compression) {
    case kRgb:
      if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 && h.Bits != 32)
        Fail("unsupported bits per pixel: " + std::to_string(h.Bits));
      break;
    case kRle8:
    case kRle4:
      if (h.Bits != (h.Compression == kRle8 ? 8 : 4)) Fail("bits per pixel do not fit RLE");
      if (h.TopDown) Fail("top-down RLE bitmap");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (h.Bits != 16 && h.Bits != 32) Fail("bit fields need 16 or 32 bits per pixel");
      break;
    default:
      Fail("unsupported compression " + std::to_string(h.Compression));
  }
  return h;
}

// Reads the masks that follow a 40-byte header, and the palette; returns the
// offset just after them within `dib`.
std::size_t ReadMasksAndPalette(TBytes dib, TDibHeader& h, std::vector<std::uint32_t>& palette) {
  std::size_t at = h.Size;
  if (h.Compression == kBitFields || h.Compression == kAlphaBitFields) {
    if (!h.HasMasks) {
      const std::size_t n = h.Compression == kAlphaBitFields ? 4 : 3;
      for (std::size_t i = 0; i < n; ++i) h.Masks[i] = U32(dib, at + 4 * i);
      h.AlphaMask = n == 4;
      at += 4 * n;
    }
  } else if (h.Compression == kRgb && h.Bits == 16) {
    h.Masks = {0x7C00, 0x03E0, 0x001F, 0};
    h.AlphaMask = false;
  } else if (h.Compression == kRgb && h.Bits == 32) {
    // Plain 32-bit pixels carry no alpha: the fourth byte is padding.
    h.Masks = {0xFF0000, 0xFF00, 0xFF, 0};
    h.AlphaMask = false;
  }
  if (h.Bits <= 8) {
    const std::uint32_t full = 1u << h.Bits;
    const std::uint32_t count = h.ColorsUsed == 0 || h.ColorsUsed > full ? full : h.ColorsUsed;
    const std::size_t entry = h.Core ? 3 : 4;
    // A short palette is read as far as it goes; missing colours are black.
    const std::size_t available = at < dib.size() ? (dib.size() - at) / entry : 0;
    palette.assign(full, kOpaque);
    for (std::size_t i = 0; i < std::min<std::size_t>(count, available); ++i) {
      const std::size_t e = at + i * entry;
      palette[i] =
          kOpaque | (std::uint32_t{dib[e + 2]} << 16) | (std::uint32_t{dib[e + 1]} << 8) | dib[e];
    }
    at += static_cast<std::size_t>(count) * entry;
  }
  return at;
}

// The value of a bit field scaled to 0..255.
std::uint32_t Field(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint64_t max = mask >> shift;
  return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / max);
}

std::size_t Stride(const TDibHeader& h) {
  return static_cast<std::size_t>((h.Width * h.Bits + 31) / 32 * 4);
}

// The pixels of an uncompressed or bit-field bitmap from `data`.
TPixels DecodeRows(TBytes data, const TDibHeader& h, const std::vector<std::uint32_t>& palette) {
  const std::size_t stride = Stride(h);
  if (static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(h.Height) > data.size())
    Fail("truncated pixel data");
  TPixels out{static_cast<int>(h.Width), static_cast<int>(h.Height), {}};
  out.Data.resize(static_cast<std::size_t>(h.Width * h.Height));
  const bool alpha = h.AlphaMask && h.Masks[3] != 0;
  for (std::int64_t row = 0; row < h.Height; ++row) {
    const std::size_t y = static_cast<std::size_t>(h.TopDown ? row : h.Height - 1 - row);
    const std::uint8_t* line = data.data() + static_cast<std::size_t>(row) * stride;
    std::uint32_t* dest = out.Data.data() + y * static_cast<std::size_t>(h.Width);
    for (std::int64_t x = 0; x < h.Width; ++x) {
      const std::size_t i = static_cast<std::size_t>(x);
      std::uint32_t p = 0;
      switch (h.Bits) {
        case 1:
          p = palette[(line[i / 8] >> (7 - i % 8)) & 1];
          break;
        case 4:
          p = palette[(line[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0xF];
          break;
        case 8:
          p = palette[line[i]];
          break;
        case 24:
          p = kOpaque | (std::uint32_t{line[3 * i + 2]} << 16) |
              (std::uint32_t{line[3 * i + 1]} << 8) | line[3 * i];
          break;
        default: {  // 16 and 32 bits, by the masks
          std::uint32_t v = line[h.Bits / 8 * i] | (std::uint32_t{line[h.Bits / 8 * i + 1]} << 8);
          if (h.Bits == 32)
            v |= (std::uint32_t{line[4 * i + 2]} << 16) | (std::uint32_t{line[4 * i + 3]} << 24);
          const std::array<std::uint32_t, 4>& m = h.Masks;
          p = (Field(v, m[0]) << 16) | (Field(v, m[1]) << 8) | Field(v, m[2]) |
              ((alpha ? Field(v, m[3]) : 0xFF) << 24);
        }
      }
      dest[i] = p;
    }
  }
  return out;
}

// The pixels of an RLE8 or RLE4 bitmap. Pixels that the runs skip with a
// move or leave out at the end are transparent.
TPixels DecodeRle(TBytes data, const TDibHeader& h, const std::vector<std::uint32_t>& palette) {
  const std::size_t width = static_cast<std::size_t>(h.Width);
  const std::size_t height = static_cast<std::size_t>(h.Height);
  TPixels out{static_cast<int>(width), static_cast<int>(height), {}};
  out.Data.assign(width * height, 0);
  const bool four = h.Compression == kRle4;
  std::size_t x = 0, row = 0, at = 0;  // rows count from the bottom
  auto put = [&](std::uint8_t value) {
    if (x < width && row < height) out.Data[(height - 1 - row) * width + x] = palette[value];
    ++x;
  };
  while (row < height) {
    if (data.size() - at < 2) break;  // the end mark is missing: keep what came
    const std::uint8_t count = data[at], code = data[at + 1];
    at += 2;
    if (count > 0) {  // a run of `count` pixels
      for (unsigned i = 0; i < count; ++i)
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? code >> 4 : code & 0xF) : code);
    } else if (code == 0) {  // end of line
      x = 0;
      ++row;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // a move right and up
      if (data.size() - at < 2) break;
      x += data[at];
      row += data[at + 1];
      at += 2;
    } else {  // `code` literal pixels, padded to a whole word
      const std::size_t bytes = four ? (code + 1u) / 2 : code;
      if (data.size() - at < bytes) Fail("truncated RLE data");
      for (unsigned i = 0; i < code; ++i)
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? data[at + i / 2] >> 4
                                                        : data[at + i / 2] & 0xF)
                 : data[at + i]);
      at += (bytes + 1) / 2 * 2;
      at = std::min(at, data.size());
    }
  }
  return out;
}

TPixels DecodePixels(TBytes data, const TDibHeader& h, const std::vector<std::uint32_t>& palette) {
  if (h.Compression == kRle8 || h.Compression == kRle4) return DecodeRle(data, h, palette);
  return DecodeRows(data, h, palette);
}

}  // namespace

TPixels DecodeBmp(TBytes file) {
  if (file.size() < 14 || file[0] != 'B' || file[1] != 'M') Fail("not a BMP file");
  const TBytes dib = file.subspan(14);
  TDibHeader h = ReadDibHeader(dib);
  std::vector<std::uint32_t> palette;
  const std::size_t after = ReadMasksAndPalette(dib, h, palette);
  // The pixels start where the file header says; writers that leave it 0
  // mean right after the palette.
  std::size_t offset = U32(file, 10);
  if (offset == 0) offset = 14 + after;
  if (offset >= file.size()) Fail("pixel data beyond the end of the file");
  return DecodePixels(file.subspan(offset), h, palette);
}

TPixels DecodeIco(TBytes file, TPixels (*decodePng)(TBytes)) {
  if (U16(file, 0) != 0 || (U16(file, 2) != 1 && U16(file, 2) != 2)) Fail("not an icon file");
  if (U16(file, 4) == 0) Fail("icon file without images");
  // The first image of the directory.
  const std::uint64_t size = U32(file, 6 + 8);
  const std::uint64_t offset = U32(file, 6 + 12);
  if (offset >= file.size() || size > file.size() - offset)
    Fail("icon image beyond the end of the file");
  const TBytes dib = file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
  constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (dib.size() >= 8 && std::equal(dib.begin(), dib.begin() + 8, kPngSignature)) {
    if (!decodePng) Fail("PNG icon image");
    return decodePng(dib);
  }
  TDibHeader h = ReadDibHeader(dib);
  if (h.Compression != kRgb && h.Compression != kBitFields) Fail("unsupported icon compression");
  // The height covers the colour image and the AND mask below it.
  h.Height /= 2;
  h.TopDown = false;
  if (h.Height == 0) Fail("no pixels (bad width or height)");
  std::vector<std::uint32_t> palette;
  const std::size_t at = ReadMasksAndPalette(dib, h, palette);
  if (at >= dib.size()) Fail("truncated pixel data");
  // Icons of 32 bits per pixel have alpha in the fourth byte.
  const bool hasAlpha = h.Bits == 32;
  if (hasAlpha) {
    h.Masks[3] = 0xFF000000;
    h.AlphaMask = true;
  }
  TPixels out = DecodePixels(dib.subspan(at), h, palette);
  // An icon of 32 bits with any alpha keeps it; otherwise the AND mask, one
  // bit per pixel below the colours, makes the transparent pixels.
  if (hasAlpha &&
      std::any_of(out.Data.begin(), out.Data.end(), [](std::uint32_t p) { return (p >> 24) != 0; }))
    return out;
  const std::size_t maskAt = at + Stride(h) * static_cast<std::size_t>(h.Height);
  const std::size_t maskStride = static_cast<std::size_t>((h.Width + 31) / 32 * 4);
  const std::size_t width = static_cast<std::size_t>(h.Width);
  const std::size_t height = static_cast<std::size_t>(h.Height);
  const bool hasMask = maskAt <= dib.size() && (dib.size() - maskAt) / maskStride >= height;
  for (std::size_t r = 0; r < height; ++r) {
    for (std::size_t c = 0; c < width; ++c) {
      std::uint32_t& p = out.Data[(height - 1 - r) * width + c];
      const bool clear = hasMask && (dib[maskAt + r * maskStride + c / 8] >> (7 - c % 8)) & 1;
      p = clear ? 0 : (p | kOpaque);
    }
  }
  return out;
}

}  // namespace chizro
