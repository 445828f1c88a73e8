// Error types of the runtime: each data failure kind is an exception class of
// its own, carrying the exact message text that the user sees. The window
// shows what().  The headless converter prints it and exits non-zero.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// Where in a file an error was found: a 1-based line of a text file (with
// the entry of a settings or definition file on it, if any), a byte offset
// of a binary file (0 the first byte), or an element's id in an XML file.
struct TErrorPlace {
  enum class TKind { None, Line, Offset, Element };
  TKind Kind = TKind::None;
  unsigned long long Number = 0;  // the line (0: not in the file) or the offset
  // The element (its name and id: "GeometricFeature id=\"F1\""), or the
  // entry of a settings or definition file ("[C_1101] Pen").
  std::string Id;

  static TErrorPlace Line(unsigned long long line, std::string entry = {}) {
    return {TKind::Line, line, std::move(entry)};
  }
  static TErrorPlace Offset(unsigned long long offset) { return {TKind::Offset, offset, {}}; }
  static TErrorPlace Element(std::string id) { return {TKind::Element, 0, std::move(id)}; }
};

// Base of every data error. Messages are UTF-8 text. A reader that knows
// where its file went wrong adds the file and the place (Locate): the
// message then begins with them and ends with the reader's own words
// ("'a.txt' の 12 行目: 'x' は数値ではありません").
class EChizroError : public std::runtime_error {
public:
  explicit EChizroError(const std::string& message)
      : std::runtime_error(message), message_(message), detail_(message) {}
  explicit EChizroError(const char* message) : EChizroError(std::string(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  // The reader's own words, without file and place.
  const std::string& Detail() const noexcept { return detail_; }
  // The file (path text) and the place, once located.
  const std::string& FileName() const noexcept { return fileName_; }
  const TErrorPlace& Place() const noexcept { return place_; }
  bool Located() const noexcept { return !fileName_.empty(); }

  // Names the file and the place in the message. The innermost reader's
  // place stands: an error located already stays as it is.
  void Locate(const std::string& fileName, const TErrorPlace& place);

private:
  std::string message_;
  std::string detail_;
  std::string fileName_;
  TErrorPlace place_;
};

// Runs `step`; an EChizroError from it is located in `fileName` at the
// place `where()` gives then (unless located already) and goes on with its
// own type.
template <class Where, class Step>
decltype(auto) LocatedAt(const std::string& fileName, Where&& where, Step&& step) {
  try {
    return step();
  } catch (EChizroError& e) {
    e.Locate(fileName, where());
    throw;
  }
}

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

// "ファイルが見つかりません: '<path>'": a file that must exist is missing;
// `hint` (a line of its own) says what to do about it.
class EFileNotFound final : public EChizroError {
public:
  explicit EFileNotFound(std::string path, const std::string& hint = {});
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
