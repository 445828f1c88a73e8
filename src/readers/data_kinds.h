// The one table of the data kinds this program reads: for each its code, its
// definition file, its reader, the filter the window's open dialog offers
// for it and the forms it can be opened in. The registry handed to every
// project, the window's open dialog and the converter's --kind all read it.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "model/map_builder.h"

namespace chizro {

// Data-kind codes.
inline constexpr int kKindSdf2500 = 11;
inline constexpr int kKindKsj = 21;
inline constexpr int kKindGkuPnt = 22;
inline constexpr int kKindStcXml = 51;
inline constexpr int kKindFgd = 52;
inline constexpr int kKindMoj = 53;
inline constexpr int kKindEnc = 61;
inline constexpr int kKindRaster = 81;
inline constexpr int kKindGpsWpt = 91;
inline constexpr int kKindGpx = 92;
// Kinds of 1000 and above are the binary vector file, with the definition
// file of (kind mod 1000).
inline constexpr int kKindVectorBase = 1000;

struct TDataKind {
  int Kind;
  // Relative to the program's folder, beginning with the separator.
  const char* DefFile;
  std::unique_ptr<TMapBuilder> (*Create)(TBitmapLoader* images);
  // The open dialog's filter (UTF-8): a caption and its name patterns.
  const char* Filter;
  bool SingleFile;  // opens one file (TOpenMode::File)
  bool Folder;      // scans a folder (TOpenMode::Folder)
};

// Every kind, in the order the open dialog lists them; the vector file once,
// under the code the dialog opens it with (1011, the SDF map's classes).
std::span<const TDataKind> DataKinds();

// The row that reads `dataKind` (the vector row for every kind of 1000 and
// above), or null.
const TDataKind* FindDataKind(int dataKind);

// The registry of this table, for projects.
const TBuilderRegistry& DefaultBuilders();

}  // namespace chizro
