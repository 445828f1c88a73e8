#include "platform/file_path.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/comma_text.h"
#include "platform/sjis.h"
#endif

#include <cstdio>

#include "platform/errors.h"

namespace chizro {

void WriteWholeFile(const std::string& fileName, std::string_view text) {
  namespace fs = std::filesystem;
  const std::string temp = fileName + ".tmp~";
  std::FILE* f = OpenFile(temp, "wb");
  if (!f) throw EInOutError(Quoted(fileName) + " を作成できません");
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(f) == 0;
  std::error_code ec;
  if (!written || !closed) {
    fs::remove(FsPath(temp), ec);
    throw EInOutError(Quoted(fileName) + " に書き込めません");
  }
  RenameOver(FsPath(temp), FsPath(fileName), ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(FsPath(temp), ignored);
    throw EInOutError(Quoted(fileName) + " を作成できません: " + ec.message());
  }
}

#ifdef _WIN32

std::filesystem::path FsPath(std::string_view text) {
  return std::filesystem::path(SjisToWide(text));
}

std::string PathText(const std::filesystem::path& path) { return WideToSjis(path.native()); }

std::FILE* OpenFile(std::string_view path, const char* mode) {
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(SjisToWide(path).c_str(), wideMode.c_str());
}

void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                std::error_code& ec) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ec.clear();
  else
    ec.assign(static_cast<int>(GetLastError()), std::system_category());
}

std::size_t FindLastOf(std::string_view path, std::string_view chars) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size();) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (IsSjisLeadByte(c) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    if (chars.find(static_cast<char>(c)) != std::string_view::npos) last = i;
    ++i;
  }
  return last;
}

std::string PathForMessage(std::string_view path) { return SjisToUtf8(path); }

bool SamePath(std::string_view a, std::string_view b) {
  if (a == b) return true;
  const std::wstring wa = SjisToWide(a);
  const std::wstring wb = SjisToWide(b);
  return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

#else

std::filesystem::path FsPath(std::string_view text) { return std::filesystem::path(text); }

std::string PathText(const std::filesystem::path& path) { return path.string(); }

std::FILE* OpenFile(std::string_view path, const char* mode) {
  return std::fopen(std::string(path).c_str(), mode);
}

void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                std::error_code& ec) {
  std::filesystem::rename(from, to, ec);
}

std::size_t FindLastOf(std::string_view path, std::string_view chars) {
  return path.find_last_of(chars);
}

std::string PathForMessage(std::string_view path) { return std::string(path); }

bool SamePath(std::string_view a, std::string_view b) { return a == b; }

#endif

bool IsRegularFile(std::string_view path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(FsPath(path), ec);
}

bool IsDirectory(std::string_view path) {
  std::error_code ec;
  return std::filesystem::is_directory(FsPath(path), ec);
}

bool EndsWithSeparator(std::string_view path) {
  constexpr char kSeparators[] = {
      '/', static_cast<char>(std::filesystem::path::preferred_separator), '\0'};
  return !path.empty() && FindLastOf(path, kSeparators) == path.size() - 1;
}

std::string Quoted(std::string_view fileName) { return "'" + PathForMessage(fileName) + "'"; }

}  // namespace chizro
