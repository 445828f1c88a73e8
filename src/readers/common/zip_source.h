// Where a leaf's bytes come from: a file, a member of a zip archive, or a
// member of a zip inside a zip (readers/common/leaf_path.h names them), and
// which members of an archive a reader looks at. Nothing here knows the
// format of the bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// A source of bytes read front to back.
class TByteSource {
public:
  virtual ~TByteSource() = default;
  // Up to `size` bytes; 0 at the end. A read error is kept in Error.
  virtual std::size_t Read(void* buffer, std::size_t size) = 0;
  std::string Error;
};

// The bytes of a leaf path (its string form). EInOutError naming it when it
// cannot be opened.
std::unique_ptr<TByteSource> OpenSource(const std::string& leafFileName);

// Upper bound of a zip member that is read into memory to be opened as an
// archive itself (a zip inside a zip).
inline constexpr std::size_t kMaxNestedArchive = std::size_t{1} << 31;

// The leaf paths of the members of an archive whose names end in one of
// `endings` (small letters, for example ".xml"), in archive order; zips inside
// the archive are opened in turn when `nested` is set, one level deep.
// EInOutError naming the archive when it cannot be opened as a zip.
std::vector<std::string> ArchiveMembers(const std::string& archive,
                                        const std::vector<std::string_view>& endings,
                                        bool nested = false);

}  // namespace chizro
