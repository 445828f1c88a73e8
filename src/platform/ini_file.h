// Windows-style profile (ini) files.
//
// Reading follows the Windows profile reader: section and key names match
// without regard to letter case (ASCII letters), the first of duplicate
// sections or keys wins, blanks around names and values are trimmed, one pair
// of enclosing quotes (double or single) around a whole value is removed, and
// values are cut at 2047 bytes. CR LF and LF files both read. Bytes pass
// unchanged, so Shift_JIS names and values survive as they are.
//
// Writing keeps every other line of the file as it was, creates the file when
// it is missing, and replaces it atomically (a temporary file in the same
// folder, then a rename), so a failed write never leaves half a settings file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

class TIniFile final {
public:
  // Reads `fileName` if it exists; a missing file reads as empty.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const noexcept { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // The whole value as an integer: decimal, or hexadecimal after "0x"; any
  // other text, or a missing key, gives `def`.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  bool KeyExists(std::string_view section, std::string_view key) const;

  // The 1-based line of the key in the section, 0 when it is not there.
  std::size_t LineOf(std::string_view section, std::string_view key) const;
  // Key names of a section, in file order (empty for a missing section).
  std::vector<std::string> ReadSection(std::string_view section) const;
  // Section names of the file, in file order, each once.
  std::vector<std::string> ReadSections() const;

  // Sets one value and rewrites the file at once. Throws EInOutError when the
  // file cannot be written; the file on disk is then unchanged.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  static constexpr std::size_t kMaxValueLength = 2047;

private:
  struct Line {
    std::string text;  // the line as it stands in the file, without its line end
    // The line end as read ("\r\n", "\n", a lone "\r" at the end of the
    // file, or none): written back as it was, so that a write changes no
    // other line. Lines the program adds take the file's style.
    std::string eol;
    bool isSection = false;
    bool isKey = false;
    std::string name;          // trimmed section or key name
    std::size_t valuePos = 0;  // key lines: offset of the value's first byte in text
  };

  static Line ParseLine(std::string text);
  // Index of the header line of the first section named `section`, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index of the first key line named `key` in the section starting at
  // `header`, or npos.
  std::size_t FindKey(std::size_t header, std::string_view key) const;
  void Save() const;

  std::string fileName_;
  std::vector<Line> lines_;
  std::string eol_ = "\r\n";
  bool endsWithEol_ = true;
};

}  // namespace chizro
