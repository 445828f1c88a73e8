// Progress while files are opened, and the user's cancel. The window sets a
// TOpenProgress for the length of an open (TOpenProgressScope); the readers
// report to it as they go through the members of an archive or a folder,
// and the byte sources as they read a file. Without a scope every report is
// a no-op, so readers and tests need nothing.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace chizro {

class TOpenProgress {
public:
  virtual ~TOpenProgress() = default;
  // The open is at file `done` (0-based) of `total` in an archive or folder,
  // named `name` (UTF-8 or path text, as messages show it).
  virtual void Files(const std::string& name, std::int64_t done, std::int64_t total) = 0;
  // `done` of `total` bytes of the file `name` are read.
  virtual void Bytes(const std::string& name, std::int64_t done, std::int64_t total) = 0;
  // True once the user has asked to stop the open.
  virtual bool Cancelled() = 0;

protected:
  TOpenProgress() = default;
  TOpenProgress(const TOpenProgress&) = default;
  TOpenProgress& operator=(const TOpenProgress&) = default;
};

// The open was cancelled by the user. Not a data error (no EChizroError):
// readers that go on past a member's error do not go on past this one. The
// scan of an archive or folder keeps the leaves of the files it had read
// whole, and says of how many files it was (`Files`; 0 when the open was not
// one of several files).
class EOpenCancelled final : public std::exception {
public:
  EOpenCancelled() = default;
  explicit EOpenCancelled(std::int64_t files) : Files(files) {}
  const char* what() const noexcept override { return "地図を開くのを中止しました"; }

  std::int64_t Files = 0;
};

// Makes `progress` the one the reports of this thread go to, for the life of
// the scope (the one before comes back after).
class TOpenProgressScope final {
public:
  explicit TOpenProgressScope(TOpenProgress* progress);
  ~TOpenProgressScope();
  TOpenProgressScope(const TOpenProgressScope&) = delete;
  TOpenProgressScope& operator=(const TOpenProgressScope&) = delete;

private:
  TOpenProgress* previous_;
};

// The reports of readers and byte sources. EOpenCancelled when the user has
// cancelled.
void ReportOpenFiles(const std::string& name, std::int64_t done, std::int64_t total);
void ReportOpenBytes(const std::string& name, std::int64_t done, std::int64_t total);

}  // namespace chizro
