#include "sdfgen/sdf_city.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "coords/projection.h"
#include "sdfgen/sheet_writer.h"

namespace chizro::sdfgen {

TCityOptions SampleOptions() {
  TCityOptions o;
  o.Origin = "09LD183";
  o.SheetsX = 2;
  o.SheetsY = 1;
  o.Density = 0.3;
  o.Seed = 1;
  o.Buildings = 0.12;
  o.ControlPoints = 0.03;
  return o;
}

std::string SheetName(const TSheetId& id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%c%c%d%d%d", id.Zone, 'A' + id.Row / 20, 'A' + id.Col / 20,
                (id.Row % 20) / 2, (id.Col % 20) / 2, 1 + (id.Row % 2) * 2 + id.Col % 2);
  return buf;
}

bool ParseSheetName(std::string_view s, TSheetId& id) {
  if (s.size() != 7) return false;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(s[0]) || !digit(s[1]) || !digit(s[4]) || !digit(s[5]) || !digit(s[6])) return false;
  const char r = static_cast<char>(std::toupper(static_cast<unsigned char>(s[2])));
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[3])));
  if (r < 'A' || r > 'T' || c < 'A' || c > 'H' || s[6] < '1' || s[6] > '4') return false;
  id.Zone = (s[0] - '0') * 10 + (s[1] - '0');
  if (id.Zone < kMinZone || id.Zone > kMaxZone) return false;
  const int q = s[6] - '1';
  id.Row = (r - 'A') * 20 + (s[4] - '0') * 2 + q / 2;
  id.Col = (c - 'A') * 20 + (s[5] - '0') * 2 + q % 2;
  return true;
}

namespace {

// 16 x 16 24-bit bitmap, bottom-up rows; `pixel(x, y)` gives 0x00RRGGBB
// with y from the top.
template <class F>
std::string Bitmap16(F pixel) {
  constexpr int w = 16, h = 16, rowBytes = w * 3;
  constexpr int imageSize = rowBytes * h, fileSize = 54 + imageSize;
  std::string b;
  auto u16 = [&](int v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
  };
  auto u32 = [&](long v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b += "BM";
  u32(fileSize);
  u32(0);
  u32(54);
  u32(40);
  u32(w);
  u32(h);
  u16(1);
  u16(24);
  u32(0);
  u32(imageSize);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const unsigned rgb = pixel(x, y);
      b += static_cast<char>(rgb & 0xFF);
      b += static_cast<char>((rgb >> 8) & 0xFF);
      b += static_cast<char>((rgb >> 16) & 0xFF);
    }
  return b;
}

}  // namespace

TStats WriteSheet(const std::filesystem::path& outDir, const TCityOptions& o, const TSheetId& id) {
  TSheetWriter w(o, id);
  return w.Write(outDir);
}

TStats WriteCity(const std::filesystem::path& outDir, const TCityOptions& o) {
  TSheetId origin;
  if (!ParseSheetName(o.Origin, origin)) throw std::invalid_argument("bad sheet name: " + o.Origin);
  if (origin.Row + o.SheetsY > 400 || origin.Col + o.SheetsX > 160)
    throw std::invalid_argument("the city runs off the zone's sheet grid");
  TStats total;
  for (int j = 0; j < o.SheetsY; ++j)
    for (int i = 0; i < o.SheetsX; ++i) {
      TSheetId id = origin;
      id.Row += j;
      id.Col += i;
      total += WriteSheet(outDir, o, id);
    }
  return total;
}

void WriteSymbols(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  auto save = [&](const char* name, const std::string& bytes) {
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error(std::string("cannot write ") + name);
  };
  save("Eki.bmp", Bitmap16([](int x, int y) -> unsigned {
         const bool frame = (x == 2 || x == 13) && y >= 4 && y <= 11;
         const bool edge = (y == 4 || y == 11) && x >= 2 && x <= 13;
         const bool bar = y >= 7 && y <= 8 && x >= 2 && x <= 13;
         return frame || edge || bar ? 0x000000u : 0xFFFFFFu;
       }));
  save("Sankaku.bmp", Bitmap16([](int x, int y) -> unsigned {
         // triangle with apex (7.5, 1) and base y = 14 from x = 0.5 to 14.5
         const double cx = 7.5, top = 1.0, base = 14.0;
         const double t = (y - top) / (base - top);
         const double half = 7.0 * t;
         const bool inside = y >= 1 && y <= 14 && std::fabs(x - cx) <= half + 0.5;
         const bool border = inside && (y == 14 || std::fabs(std::fabs(x - cx) - half) <= 1.0);
         const bool dot = (x == 7 || x == 8) && (y == 9 || y == 10);
         return border || dot ? 0x000000u : 0xFFFFFFu;
       }));
}

}  // namespace chizro::sdfgen
