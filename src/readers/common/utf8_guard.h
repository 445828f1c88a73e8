// A byte source that hands on a UTF-8 document only up to its first byte
// that is not UTF-8, for the XML readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "readers/common/zip_source.h"

namespace chizro {

// The bytes of a UTF-8 document up to its first byte that is not UTF-8.
// The parser decodes a block at a time ahead of what it has parsed, so such
// a byte (stale data spliced into a log, a damaged download) would stop it
// before the elements in front of it in the same block reached the handler,
// and at a line that is not the byte's. Cut there instead, the parser sees a
// document that ends early, and the cut names the line. Documents in another
// encoding (a BOM of UTF-16 or UTF-32, or another encoding declared) pass
// unchecked.
class TUtf8Guard final : public TByteSource {
public:
  explicit TUtf8Guard(TByteSource& inner) : inner_(inner) {}

  // Set once the bytes were cut: the 1-based line and column (in
  // characters, as the parser counts them) of the first bad byte, and its
  // value. A device's log may be one line: the column tells where.
  bool Cut = false;
  std::uint64_t CutLine = 0;
  std::uint64_t CutColumn = 0;
  unsigned CutByte = 0;

  // The message of the cut: the bad byte and what it means.
  std::string CutDetail() const;
  // Whether the parser's complaint at `parserErrorLine` (0 for none) is
  // about the cut: a document cut short ends early, at or after the cut.
  bool Explains(std::uint64_t parserErrorLine) const {
    return Cut && parserErrorLine >= CutLine;
  }

  std::size_t Read(void* buffer, std::size_t size) override;

private:
  static constexpr std::size_t kChunk = 64 * 1024;

  void Fill();
  static bool IsUtf8(std::string_view head);
  std::size_t Check(const unsigned char* p, std::size_t n, bool ended);

  TByteSource& inner_;
  // The chunk read: [begin_, ready_) checked and not yet handed out,
  // [ready_, filled_) the start of a character that the next read completes.
  std::unique_ptr<char[]> chunk_;
  std::size_t begin_ = 0;
  std::size_t ready_ = 0;
  std::size_t filled_ = 0;
  bool done_ = false;
  bool first_ = true;
  bool checking_ = true;
  std::uint64_t line_ = 1;
  // The offset in the document of chunk_[0], of the start of the current
  // line, and the bytes after a character's first in the line so far.
  std::uint64_t base_ = 0;
  std::uint64_t lineStart_ = 0;
  std::uint64_t trailing_ = 0;
};

// The bytes of a document with its control characters other than tab, line
// feed and carriage return (U+0001-U+001F, which XML 1.0 forbids even as
// references) replaced by "?", so that a file published with one in a text
// opens. A byte below 0x20 is always a character of its own in UTF-8,
// Shift_JIS and EUC-JP; documents in UTF-16 or UTF-32 (a BOM, or a zero
// byte at the start) pass unchanged.
class TControlCharFilter final : public TByteSource {
public:
  explicit TControlCharFilter(TByteSource& inner) : inner_(inner) {}

  // How many characters were replaced, and the 1-based line of the first.
  std::uint64_t Replaced = 0;
  std::uint64_t FirstLine = 0;

  std::size_t Read(void* buffer, std::size_t size) override;

private:
  TByteSource& inner_;
  bool first_ = true;
  bool filtering_ = true;
  std::uint64_t line_ = 1;
};

}  // namespace chizro
