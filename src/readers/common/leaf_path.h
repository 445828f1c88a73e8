// The name of a leaf's file: a file, a member of a zip archive, or a member
// of a zip inside that archive. Its string form, which is the leaf's FileName
// and what messages and output show, is the archive file followed by one
// member per level of nesting, each after a "|":
//
//   "dir/a.xml"                   a file
//   "dir/a.zip|b/c.xml"           a member of a.zip
//   "dir/a.zip|b.zip|c.xml"       a member of b.zip inside a.zip
//
// Each level but the last ends in ".zip" (any letter case): that is how the
// string form is read back, so a member name may hold any byte but the
// separator, which Shift_JIS never uses as a trailing byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// The ending of an archive's name (small letters).
inline constexpr std::string_view kArchiveEnding = ".zip";

// True when `s` ends in `tail` (given in small letters), ASCII case aside.
bool EndsWithNoCase(std::string_view s, std::string_view tail);

// True when `name` ends in ".zip" (an archive to look into).
inline bool IsArchiveName(std::string_view name) { return EndsWithNoCase(name, kArchiveEnding); }

struct TLeafPath {
  // The separator between the archive and a member, and between the levels.
  static constexpr char kSeparator = '|';

  std::string File;                  // on disk: the archive, or the file itself
  std::vector<std::string> Members;  // one per level of nesting, the file last

  // The path of the string form `text`.
  static TLeafPath Parse(std::string_view text);
  // The string form.
  std::string Text() const;

  // True when the leaf is a member of an archive.
  bool InArchive() const noexcept { return !Members.empty(); }
  // The last member, or the file itself.
  std::string Innermost() const { return Members.empty() ? File : Members.back(); }
  // The member `member` of this path (an archive, or a zip inside it).
  TLeafPath Member(std::string member) const;

  friend bool operator==(const TLeafPath&, const TLeafPath&) = default;
};

}  // namespace chizro
