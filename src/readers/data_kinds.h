// The one table of the data kinds this program reads: for each its public
// kind number, its definition file, its reader, the filter the window's open
// dialog offers for it, the forms it can be opened in and how its files are
// recognised. Each format's folder defines its own row next to its reader;
// the registry (data_kinds.cpp) lists the rows. The registry handed to every
// project, the window's open dialog, the converter's --kind and the
// recognition of files and folders all read it.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "model/map_builder.h"

namespace chizro {

class TFileHead;

// The data kinds by their public numbers: the codes themes carry, the
// converter's --kind takes and the window's settings name. The binary vector
// file is every number from 1000 on, read with the definition file of
// (number mod 1000); Vector is the one the open dialog uses (1011, the SDF
// map's classes). ByContent is no kind: "take the kind the file shows".
enum class TKind : int {
  ByContent = 0,
  Sdf2500 = 11,
  Ksj = 21,
  GkuPnt = 22,
  StcXml = 51,
  Fgd = 52,
  Moj = 53,
  Plateau = 54,
  Enc = 61,
  Shape = 71,
  GeoJson = 72,
  Raster = 81,
  GpsWpt = 91,
  Gpx = 92,
  Sima = 93,
  VectorBase = 1000,
  Vector = 1011,
};

// The public number of a kind, and the kind of a number (any number: the
// vector file's are not all named above).
constexpr int KindNumber(TKind kind) noexcept { return static_cast<int>(kind); }
constexpr TKind KindOfNumber(int number) noexcept { return static_cast<TKind>(number); }

// What a format says of a file's first bytes (and, for a zip, of its
// member names). Formats are asked in the registry's order; a row marked
// CatchAll (XML 地域データ, which reads any XML document) is asked only
// after every other row has passed the file over. A file no row claims is
// left to the 1:2500 SDF map, which has no signature of its own.
using TIdentify = bool (*)(const TFileHead& head);
// Whether a folder is one unit of a kind, which opens as a single file (a
// sheet folder of the SDF map) rather than as a scan of its files.
using TIdentifyUnitFolder = bool (*)(const std::string& folderName);

struct TDataKind {
  TKind Kind;
  // Relative to the program's folder, beginning with the separator.
  const char* DefFile;
  std::unique_ptr<TMapBuilder> (*Create)(TBitmapLoader* images);
  // The open dialog's filter (UTF-8): a caption and its name patterns.
  const char* Filter;
  bool SingleFile;  // opens one file (TOpenMode::File)
  bool Folder;      // scans a folder (TOpenMode::Folder)
  // The endings (small letters) of the files a folder scan of this kind
  // reads, which a folder opened by its content is judged by; empty for
  // kinds whose folders are not judged by their files.
  std::span<const std::string_view> FolderFiles;
  TIdentify Identify;  // null: recognised by nothing but the fallback
  bool CatchAll;       // asked after the other rows
  TIdentifyUnitFolder UnitFolder;  // null: no folder is one unit
};

// Every kind, in the order the open dialog lists them and the recognition
// asks them; the vector file once, under TKind::Vector.
std::span<const TDataKind* const> DataKinds();

// The row that reads `kind` (the vector row for every number of 1000 and
// above), or null.
const TDataKind* FindDataKind(TKind kind);

// The registry of this table, for projects.
const TBuilderRegistry& DefaultBuilders();

// A reader made with or without the image loader, as its constructor takes
// it: what the rows' Create points at.
template <class T>
std::unique_ptr<TMapBuilder> MakeBuilder(TBitmapLoader* images) {
  if constexpr (std::is_constructible_v<T, TBitmapLoader*>)
    return std::make_unique<T>(images);
  else
    return std::make_unique<T>();
}

}  // namespace chizro
