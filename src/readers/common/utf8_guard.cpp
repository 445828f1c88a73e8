#include "readers/common/utf8_guard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/text_case.h"

namespace chizro {

std::string TUtf8Guard::CutDetail() const {
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", CutByte);
  return std::string("UTF-8 として読めないバイト ") + byte + " があります (" +
         std::to_string(CutColumn) + " 文字目、壊れたファイル)";
}

std::size_t TUtf8Guard::Read(void* buffer, std::size_t size) {
  while (begin_ == ready_) {
    if (done_) return 0;
    Fill();
  }
  const std::size_t n = std::min(size, ready_ - begin_);
  std::memcpy(buffer, chunk_.get() + begin_, n);
  begin_ += n;
  return n;
}

// Reads the next chunk and makes ready the part of it to hand on; the
// start of a character cut by the read (at most 3 bytes) waits at the
// front of the buffer for the next one.
void TUtf8Guard::Fill() {
  if (!chunk_) chunk_ = std::make_unique<char[]>(kChunk + 4);
  const std::size_t held = filled_ - ready_;
  std::memmove(chunk_.get(), chunk_.get() + ready_, held);
  base_ += ready_;
  const std::size_t got = inner_.Read(chunk_.get() + held, kChunk);
  Error = inner_.Error;
  const std::size_t n = held + got;
  const bool ended = got == 0;
  if (first_) {
    first_ = false;
    checking_ = IsUtf8(std::string_view(chunk_.get(), n));
  }
  std::size_t good = n;
  if (checking_) good = Check(reinterpret_cast<const unsigned char*>(chunk_.get()), n, ended);
  begin_ = 0;
  ready_ = good;
  filled_ = n;
  done_ = ended || Cut;
}

// False for a document that starts with the BOM of UTF-16 or UTF-32, or
// whose XML declaration names another encoding than UTF-8.
bool TUtf8Guard::IsUtf8(std::string_view head) {
  if (head.size() >= 2 &&
      ((head[0] == '\xFE' && head[1] == '\xFF') || (head[0] == '\xFF' && head[1] == '\xFE')))
    return false;
  if (head.size() >= 2 && (head[0] == '\0' || head[1] == '\0')) return false;
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  if (!head.starts_with("<?xml")) return true;
  head = head.substr(0, head.find("?>"));
  const std::size_t at = head.find("encoding");
  if (at == std::string_view::npos) return true;
  const std::size_t open = head.find_first_of("\"'", at);
  if (open == std::string_view::npos) return true;
  const std::size_t close = head.find(head[open], open + 1);
  const std::string name = LowerAscii(std::string(head.substr(open + 1, close - open - 1)));
  return name == "utf-8" || name == "utf8";
}

// The length of the part of `p[0, n)` to hand on: up to the first bad
// sequence (setting Cut), or without an incomplete character at the end
// while more bytes may follow. Counts the lines handed on.
std::size_t TUtf8Guard::Check(const unsigned char* p, std::size_t n, bool ended) {
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7Fu;
  constexpr std::uint64_t kNewlines = 0x0A0A0A0A0A0A0A0Au;
  std::size_t i = 0;
  while (i < n) {
    // Eight bytes of ASCII at a time, counting their line feeds: a byte
    // of x is 0 for a line feed, and only such a byte gets its top bit in
    // `feeds`.
    for (std::uint64_t w; i + 8 <= n; i += 8) {
      std::memcpy(&w, p + i, 8);
      if (w & kHigh) break;
      const std::uint64_t x = w ^ kNewlines;
      const std::uint64_t feeds = ~(((x & kLow) + kLow) | x | kLow);
      // One bit in each byte that was a line feed, summed into the top
      // byte (without a popcount instruction in the portable build).
      line_ += ((feeds >> 7) * 0x0101010101010101u) >> 56;
      if (feeds != 0)
        for (std::size_t b = 8; b-- > 0;)
          if (p[i + b] == '\n') {
            lineStart_ = base_ + i + b + 1;
            trailing_ = 0;
            break;
          }
    }
    if (i >= n) break;
    const unsigned c = p[i];
    if (c < 0x80) {
      if (c == '\n') {
        ++line_;
        lineStart_ = base_ + i + 1;
        trailing_ = 0;
      }
      ++i;
      continue;
    }
    // The length of the sequence and the range of its second byte
    // (overlong forms, surrogates and values above U+10FFFF refused).
    std::size_t len = 0;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    }
    bool bad = len == 0;
    for (std::size_t k = 1; !bad && k < len; ++k) {
      if (i + k >= n) {
        if (!ended) return i;  // the rest comes with the next read
        bad = true;
        break;
      }
      const unsigned b = p[i + k];
      bad = k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF);
    }
    if (bad) {
      Cut = true;
      CutLine = line_;
      CutColumn = base_ + i - lineStart_ - trailing_ + 1;
      CutByte = c;
      return i;
    }
    trailing_ += len - 1;
    i += len;
  }
  return i;
}

std::size_t TControlCharFilter::Read(void* buffer, std::size_t size) {
  const std::size_t n = inner_.Read(buffer, size);
  Error = inner_.Error;
  auto* p = static_cast<unsigned char*>(buffer);
  if (first_ && n > 0) {
    first_ = false;
    filtering_ = !(n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) &&
                 !(p[0] == 0 || (n >= 2 && p[1] == 0));
  }
  if (!filtering_) return n;
  const auto filter = [this, p](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      const unsigned char c = p[i];
      if (c >= 0x20) continue;
      if (c == '\n') {
        ++line_;
      } else if (c != '\t' && c != '\r') {
        p[i] = '?';
        if (Replaced++ == 0) FirstLine = line_;
      }
    }
  };
  // Eight bytes at a time: a word without a byte below 0x20 but tabs, line
  // feeds and carriage returns only counts its line feeds; another goes
  // byte by byte.
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7Fu;
  // The top bit of each byte of x that is 0, and of no other.
  const auto zeros = [](std::uint64_t x) { return ~(((x & kLow) + kLow) | x | kLow); };
  std::size_t i = 0;
  for (std::uint64_t w; i + 8 <= n; i += 8) {
    std::memcpy(&w, p + i, 8);
    const std::uint64_t control = zeros(w & (kOnes * 0xE0));
    if (control == 0) continue;
    const std::uint64_t feeds = zeros(w ^ (kOnes * '\n'));
    if ((control & ~(feeds | zeros(w ^ (kOnes * '\t')) | zeros(w ^ (kOnes * '\r')))) != 0) {
      filter(i, i + 8);
      continue;
    }
    line_ += ((feeds >> 7) * kOnes) >> 56;
  }
  filter(i, n);
  return n;
}

}  // namespace chizro
