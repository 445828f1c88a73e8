#include "readers/common/zip_source.h"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "model/open_progress.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "readers/common/leaf_path.h"

namespace chizro {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

class TFileSource final : public TByteSource {
public:
  explicit TFileSource(const std::string& fileName)
      : file_(OpenFile(fileName, "rb")), name_(PathForMessage(fileName)) {
    if (!file_) throw EInOutError(Quoted(fileName) + " を開けません");
    std::error_code ec;
    const auto size = std::filesystem::file_size(FsPath(fileName), ec);
    size_ = ec ? 0 : static_cast<std::int64_t>(size);
  }
  ~TFileSource() override { std::fclose(file_); }
  std::size_t Read(void* buffer, std::size_t size) override {
    const std::size_t n = std::fread(buffer, 1, size, file_);
    if (n < size && std::ferror(file_)) Error = "読み込みに失敗しました";
    read_ += static_cast<std::int64_t>(n);
    // The window shows how far a large file is read, and may stop here.
    ReportOpenBytes(name_, read_, size_);
    return n;
  }

private:
  std::FILE* file_;
  std::string name_;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;
};

// An open archive, closed at scope exit: a file, or bytes held in memory (a
// zip read out of another zip).
class TZipArchive final {
public:
  explicit TZipArchive(const std::string& fileName) : path_{fileName, {}} {
    zip_error_t e;
    zip_error_init(&e);
#ifdef _WIN32
    // By the UTF-16 name: zip_open would take the name in the ANSI code page.
    zip_source_t* source =
        zip_source_win32w_create(FsPath(fileName).c_str(), 0, -1, &e);  // -1: to the end
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &e);
      if (!zip_) zip_source_free(source);
    }
#else
    int error = 0;
    zip_ = zip_open(fileName.c_str(), ZIP_RDONLY, &error);
    if (!zip_) zip_error_set(&e, error, 0);
#endif
    Check(&e);
  }
  TZipArchive(TLeafPath path, std::string bytes)
      : path_(std::move(path)), bytes_(std::move(bytes)) {
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &e);
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &e);
      if (!zip_) zip_source_free(source);
    }
    Check(&e);
  }
  ~TZipArchive() { zip_discard(zip_); }
  TZipArchive(const TZipArchive&) = delete;
  TZipArchive& operator=(const TZipArchive&) = delete;

  zip_t* Get() const noexcept { return zip_; }
  const TLeafPath& Path() const noexcept { return path_; }

  // Names of the members in archive order (directories left out).
  std::vector<std::string> Members() const {
    std::vector<std::string> names;
    const zip_int64_t n = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
      const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
      if (name && *name && name[std::strlen(name) - 1] != '/') names.emplace_back(name);
    }
    return names;
  }

  zip_file_t* OpenMember(const std::string& member) const {
    const zip_int64_t index = zip_name_locate(zip_, member.c_str(), ZIP_FL_ENC_RAW);
    zip_file_t* file =
        index >= 0 ? zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0) : nullptr;
    if (!file) throw EInOutError(Quoted(path_.Member(member).Text()) + " を書庫から読み出せません");
    return file;
  }

  // The member's size unpacked [bytes]; 0 when the archive does not say.
  std::int64_t MemberSize(const std::string& member) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(zip_, member.c_str(), ZIP_FL_ENC_RAW, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
      return 0;
    return static_cast<std::int64_t>(stat.size);
  }

  // A member read whole, for a zip inside the zip.
  std::unique_ptr<TZipArchive> OpenNested(const std::string& member) const {
    zip_file_t* file = OpenMember(member);
    std::string bytes;
    std::string chunk(kReadChunk, '\0');
    for (;;) {
      const zip_int64_t n = zip_fread(file, chunk.data(), chunk.size());
      if (n < 0) {
        const std::string why = zip_file_strerror(file);
        zip_fclose(file);
        throw EInOutError(Quoted(path_.Member(member).Text()) + " の展開に失敗しました: " + why);
      }
      if (n == 0) break;
      if (bytes.size() + static_cast<std::size_t>(n) > kMaxNestedArchive) {
        zip_fclose(file);
        throw EInOutError(Quoted(path_.Member(member).Text()) + " は大きすぎます");
      }
      bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
    zip_fclose(file);
    return std::make_unique<TZipArchive>(path_.Member(member), std::move(bytes));
  }

private:
  void Check(zip_error_t* e) {
    if (!zip_) {
      const std::string why = zip_error_strerror(e);
      zip_error_fini(e);
      throw EInOutError(Quoted(path_.Text()) + " は zip 書庫として開けません: " + why);
    }
    zip_error_fini(e);
  }

  TLeafPath path_;
  std::string bytes_;  // the archive itself when it came out of another one
  zip_t* zip_ = nullptr;
};

class TZipMemberSource final : public TByteSource {
public:
  explicit TZipMemberSource(const TLeafPath& path) : outer_(path.File) {
    const TZipArchive* archive = &outer_;
    for (std::size_t i = 0; i + 1 < path.Members.size(); ++i) {
      inner_.push_back(archive->OpenNested(path.Members[i]));
      archive = inner_.back().get();
    }
    file_ = archive->OpenMember(path.Members.back());
    size_ = archive->MemberSize(path.Members.back());
    name_ = PathForMessage(path.Members.back());
  }
  ~TZipMemberSource() override { zip_fclose(file_); }
  std::size_t Read(void* buffer, std::size_t size) override {
    const zip_int64_t n = zip_fread(file_, buffer, size);
    if (n < 0) {
      Error = std::string("書庫の展開に失敗しました: ") + zip_file_strerror(file_);
      return 0;
    }
    read_ += n;
    // A large member alone in its archive shows its progress as a file does.
    ReportOpenBytes(name_, read_, size_);
    return static_cast<std::size_t>(n);
  }

private:
  std::string name_;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;
  TZipArchive outer_;
  std::vector<std::unique_ptr<TZipArchive>> inner_;
  zip_file_t* file_ = nullptr;
};

bool EndsWithAny(const std::string& name, const std::vector<std::string_view>& endings) {
  return std::any_of(endings.begin(), endings.end(),
                     [&](std::string_view e) { return EndsWithNoCase(name, e); });
}

}  // namespace

std::unique_ptr<TByteSource> OpenSource(const std::string& leafFileName) {
  const TLeafPath path = TLeafPath::Parse(leafFileName);
  if (!path.InArchive()) return std::make_unique<TFileSource>(path.File);
  return std::make_unique<TZipMemberSource>(path);
}

std::vector<std::string> ArchiveMembers(const std::string& archive,
                                        const std::vector<std::string_view>& endings, bool nested) {
  std::vector<std::string> paths;
  const TZipArchive zip(archive);
  for (const std::string& member : zip.Members()) {
    if (EndsWithAny(member, endings)) {
      paths.push_back(zip.Path().Member(member).Text());
    } else if (nested && IsArchiveName(member)) {
      const std::unique_ptr<TZipArchive> inner = zip.OpenNested(member);
      for (const std::string& innerMember : inner->Members())
        if (EndsWithAny(innerMember, endings))
          paths.push_back(inner->Path().Member(innerMember).Text());
    }
  }
  return paths;
}

}  // namespace chizro
