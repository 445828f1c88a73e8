// Small helpers shared by the tests: a scratch folder, whole-file I/O and a
// registry of readers of the test's own.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "readers/data_kinds.h"

namespace chizro::test {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const noexcept { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// The readers' own table with the readers of some kinds replaced by the
// test's (the definition files stay those of the table).
class FakeBuilders final : public TBuilderRegistry {
public:
  using Factory = std::function<std::unique_ptr<TMapBuilder>()>;
  FakeBuilders() = default;
  FakeBuilders(int kind, Factory factory) { Set(kind, std::move(factory)); }
  void Set(int kind, Factory factory) { factories_[kind] = std::move(factory); }

  std::string DefFileForKind(int kind) const override {
    return DefaultBuilders().DefFileForKind(kind);
  }
  std::unique_ptr<TMapBuilder> CreateBuilder(int kind) const override {
    const auto it = factories_.find(kind);
    return it != factories_.end() ? it->second() : DefaultBuilders().CreateBuilder(kind);
  }

private:
  std::map<int, Factory> factories_;
};

}  // namespace chizro::test
