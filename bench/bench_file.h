// The generated input of a benchmark: a file in the temporary folder, named
// "<stem>-<process id><ending>", written once per process piece by piece
// and removed when the process ends; and the process's peak memory.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace chizro::bench {

class TBenchFile {
public:
  TBenchFile(const std::string& stem, const std::string& ending)
      : path_((std::filesystem::temp_directory_path() /
               (stem + "-" + std::to_string(::getpid()) + ending))
                  .string()),
        file_(std::fopen(path_.c_str(), "wb")) {
    // A benchmark without its input measures nothing.
    if (!file_) std::abort();
  }
  ~TBenchFile() {
    if (file_) std::fclose(file_);
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  TBenchFile(const TBenchFile&) = delete;
  TBenchFile& operator=(const TBenchFile&) = delete;

  void Put(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) std::abort();
    bytes_ += text.size();
  }
  // The file is complete.
  void Close() {
    if (std::fclose(file_) != 0) std::abort();
    file_ = nullptr;
  }

  const std::string& Path() const { return path_; }
  std::size_t Bytes() const { return bytes_; }

private:
  std::string path_;
  std::FILE* file_;
  std::size_t bytes_ = 0;
};

// Peak resident set of the process [MB].
inline double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace chizro::bench
