// Error types of the runtime: each data failure kind is an exception class of
// its own, carrying the exact message text that the user sees. The window
// shows what().  The headless converter prints it and exits non-zero.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// Base of every data error. Messages are UTF-8 text.
class EChizroError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// "'%s' は数値ではありません": text that is not a 32-bit integer.
class EConvertError final : public EChizroError {
public:
  explicit EConvertError(std::string_view text);
  const std::string& Text() const noexcept { return text_; }

private:
  std::string text_;
};

// "'%s' は浮動小数点数ではありません": text that is not a real number.
class EFloatConvertError final : public EChizroError {
public:
  explicit EFloatConvertError(std::string_view text);
  const std::string& Text() const noexcept { return text_; }

private:
  std::string text_;
};

// "リストのインデックスが範囲を超えています (%d)": a list index out of range.
class EListIndexError final : public EChizroError {
public:
  explicit EListIndexError(long long index);
  long long Index() const noexcept { return index_; }

private:
  long long index_;
};

// "ファイルが見つかりません": a file that must exist is missing.
class EFileNotFound final : public EChizroError {
public:
  explicit EFileNotFound(std::string path);
  const std::string& Path() const noexcept { return path_; }

private:
  std::string path_;
};

// A zone number outside 1..19 reached a coordinate conversion.
class EZoneError final : public EChizroError {
public:
  explicit EZoneError(int zone);
  int Zone() const noexcept { return zone_; }

private:
  int zone_;
};

// A value of the output settings that JW_CAD cannot read: the class code,
// the field's name and the value as UTF-8, and the values allowed.
class ESettingsError final : public EChizroError {
public:
  ESettingsError(const std::string& code, const std::string& field, const std::string& value,
                 const std::string& allowed);
};

// A binary or text input file is corrupt or truncated ("input/output error").
class EInOutError final : public EChizroError {
public:
  explicit EInOutError(const std::string& what);
};

// A file that was read without error but yields no figure to draw or write:
// "'<file>' に描ける図形がありません (<reason>)", the reason in the reader's
// words ("航跡点がありません").
class ENoFigures final : public EChizroError {
public:
  ENoFigures(const std::string& fileName, const std::string& reason);
};

// A folder scan that went on past units it could not open: every other unit
// opened. One line per failed unit, "'<path>': <its error>".
class EScanError final : public EChizroError {
public:
  explicit EScanError(const std::vector<std::string>& failures);
  std::size_t Count() const noexcept { return count_; }

private:
  std::size_t count_;
};

}  // namespace chizro
