// chizro-enclist: turns an S-57 chart cell (an ISO/IEC 8211 file such as
// "US1AK90M.000") into the record listing that chizro opens as an ENC chart.
//
//   chizro-enclist CELL.000            writes CELL.txt beside the cell
//   chizro-enclist CELL.000 LISTING    writes LISTING ("-": standard output)
//
// Without LISTING an existing CELL.txt is replaced only when it is itself a
// listing.
// The listing is written to a temporary file first and put in place only
// when the whole cell has been read, so a failed run leaves nothing behind.
// File names are path text as chizro holds them (Shift_JIS on Windows).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "iso8211.h"
#include "platform/file_path.h"
#include "s57_listing.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
  std::cerr << "usage: chizro-enclist CELL.000 [LISTING]\n"
               "Writes the record listing of an S-57 chart cell for chizro (ENC, data kind 61).\n"
               "Without LISTING it is written beside the cell with the extension .txt;\n"
               "LISTING '-' writes it to standard output.\n";
  return kUsageError;
}

std::string ReadCell(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + chizro::PathText(path));
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + chizro::PathText(path));
  return data;
}

// True when the file starts as a listing does.
bool IsListing(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[5] = {};
  in.read(head, 5);
  return in.gcount() == 5 && std::string_view(head, 5) == "RECN ";
}

void Report(const iso8211::TListingStats& stats, const std::string& where) {
  std::cerr << "chizro-enclist: " << stats.Records << " records, " << stats.Fields << " fields";
  if (stats.BadFields > 0) std::cerr << " (" << stats.BadFields << " listed as raw bytes)";
  std::cerr << " -> " << where << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return Usage();
  const std::filesystem::path cellPath = chizro::FsPath(argv[1]);
  std::filesystem::path listingPath =
      argc == 3 ? chizro::FsPath(argv[2])
                : std::filesystem::path(cellPath).replace_extension(".txt");
  std::filesystem::path partPath;
  try {
    const std::string cell = ReadCell(cellPath);
    if (argc == 3 && listingPath == "-") {
      const iso8211::TListingStats stats = iso8211::WriteListing(cell, std::cout, &std::cerr);
      std::cout.flush();
      if (!std::cout) throw std::runtime_error("cannot write the listing");
      Report(stats, "standard output");
      return 0;
    }
    std::error_code ec;
    if (std::filesystem::equivalent(cellPath, listingPath, ec) ||
        listingPath.lexically_normal() == cellPath.lexically_normal())
      throw std::runtime_error("the listing would overwrite the cell");
    // The default name may be taken by a text of the exchange set: only an
    // earlier listing is replaced without being asked for by name.
    if (argc == 2 && std::filesystem::exists(listingPath, ec) && !IsListing(listingPath))
      throw std::runtime_error(chizro::PathText(listingPath) +
                               " exists and is not a listing; name the listing to write");
    partPath = listingPath;
    partPath += ".part";
    iso8211::TListingStats stats;
    {
      std::ofstream out(partPath, std::ios::binary | std::ios::trunc);
      if (!out) throw std::runtime_error("cannot create " + chizro::PathText(partPath));
      stats = iso8211::WriteListing(cell, out, &std::cerr);
      out.close();
      if (!out) throw std::runtime_error("cannot write " + chizro::PathText(partPath));
    }
    chizro::RenameOver(partPath, listingPath, ec);
    if (ec) throw std::filesystem::filesystem_error("cannot rename", partPath, listingPath, ec);
    Report(stats, chizro::PathText(listingPath));
    return 0;
  } catch (const std::exception& e) {
    if (!partPath.empty()) {
      std::error_code ec;
      std::filesystem::remove(partPath, ec);
    }
    std::cerr << "chizro-enclist: " << chizro::PathText(cellPath) << ": " << e.what() << "\n";
    return 1;
  }
}
