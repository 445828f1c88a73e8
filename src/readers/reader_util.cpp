#include "readers/reader_util.h"

#include <fstream>

#include "platform/errors.h"

namespace chizro {

std::string Quoted(const std::string& fileName) { return "'" + fileName + "'"; }

std::string BaseName(const std::string& fileName) {
  const std::size_t sep = fileName.find_last_of("\\:/");
  return sep == std::string::npos ? fileName : fileName.substr(sep + 1);
}

std::string ReadWholeFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw EInOutError(Quoted(fileName) + " を開けません");
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw EInOutError(Quoted(fileName) + " を読めません");
  in.seekg(0, std::ios::beg);
  std::string data(static_cast<std::size_t>(size), '\0');
  in.read(data.data(), size);
  if (in.gcount() != size) throw EInOutError(Quoted(fileName) + " を読めません");
  return data;
}

}  // namespace chizro
