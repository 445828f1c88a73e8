#include "readers/shape/shape_builder.h"

#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <optional>
#include <string_view>
#include <vector>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/feature_set.h"
#include "readers/common/file_scan.h"
#include "readers/common/leaf_path.h"
#include "readers/common/zip_source.h"

namespace chizro {
namespace {

// ---------------------------------------------------------------------------
// shapelib's I/O hooks: a plain file through stdio, an archive member as a
// stream read front to back (a seek backwards opens it again, a seek forward
// reads over the bytes between). shapelib reads the index (".shx") whole
// and the records in their order, so a member is read about once.

struct THookFile {
  std::FILE* Plain = nullptr;
  std::string Name;  // leaf path of a member
  std::unique_ptr<TByteSource> Member;
  unsigned long long Pos = 0;
  std::optional<unsigned long long> Size;  // of a member read to its end
};

// shapelib's last complaint on this thread (its Error hook has no context).
thread_local std::string tLastError;

THookFile* AsHook(SAFile f) { return reinterpret_cast<THookFile*>(f); }

SAFile HookOpen(const char* name, const char* access) {
  if (std::strchr(access, 'w') || std::strchr(access, '+') || std::strchr(access, 'a'))
    return nullptr;  // the reader never writes
  auto file = std::make_unique<THookFile>();
  if (TLeafPath::Parse(name).InArchive()) {
    try {
      file->Member = OpenSource(name);
    } catch (const std::exception&) {
      return nullptr;
    }
    file->Name = name;
  } else {
    file->Plain = OpenFile(name, "rb");
    if (!file->Plain) return nullptr;
  }
  return reinterpret_cast<SAFile>(file.release());
}

SAOffset HookRead(void* p, SAOffset size, SAOffset count, SAFile f) {
  THookFile& file = *AsHook(f);
  if (size == 0 || count == 0) return 0;
  if (file.Plain) return static_cast<SAOffset>(std::fread(p, size, count, file.Plain));
  const std::size_t want = static_cast<std::size_t>(size * count);
  std::size_t got = 0;
  auto* out = static_cast<char*>(p);
  while (got < want) {
    const std::size_t n = file.Member->Read(out + got, want - got);
    if (n == 0) break;
    got += n;
  }
  file.Pos += got;
  if (got < want && file.Member->Error.empty()) file.Size = file.Pos;
  return static_cast<SAOffset>(got / size);
}

SAOffset HookWrite(void* /*p*/, SAOffset /*size*/, SAOffset /*count*/, SAFile /*f*/) { return 0; }

// Reads a member over `count` bytes; false at its end.
bool SkipMember(THookFile& file, unsigned long long count) {
  char buffer[65536];
  while (count > 0) {
    const std::size_t n =
        file.Member->Read(buffer, static_cast<std::size_t>(std::min<unsigned long long>(count, sizeof buffer)));
    if (n == 0) {
      file.Size = file.Pos;
      return false;
    }
    file.Pos += n;
    count -= n;
  }
  return true;
}

SAOffset HookSeek(SAFile f, SAOffset offset, int whence) {
  THookFile& file = *AsHook(f);
  if (file.Plain) {
#ifdef _WIN32
    return _fseeki64(file.Plain, static_cast<long long>(offset), whence) == 0 ? 0 : static_cast<SAOffset>(-1);
#else
    return fseeko(file.Plain, static_cast<off_t>(offset), whence) == 0 ? 0 : static_cast<SAOffset>(-1);
#endif
  }
  unsigned long long target = offset;
  if (whence == SEEK_CUR) target = file.Pos + offset;
  if (whence == SEEK_END) {
    if (!file.Size) SkipMember(file, ~0ull);
    target = *file.Size + offset;
  }
  if (target < file.Pos) {
    try {
      file.Member = OpenSource(file.Name);
    } catch (const std::exception&) {
      return static_cast<SAOffset>(-1);
    }
    file.Pos = 0;
  }
  SkipMember(file, target - file.Pos);
  return 0;
}

SAOffset HookTell(SAFile f) {
  THookFile& file = *AsHook(f);
  if (file.Plain) {
#ifdef _WIN32
    return static_cast<SAOffset>(_ftelli64(file.Plain));
#else
    return static_cast<SAOffset>(ftello(file.Plain));
#endif
  }
  return static_cast<SAOffset>(file.Pos);
}

int HookFlush(SAFile /*f*/) { return 0; }

int HookClose(SAFile f) {
  THookFile* file = AsHook(f);
  if (file->Plain) std::fclose(file->Plain);
  delete file;
  return 0;
}

int HookRemove(const char* /*name*/) { return -1; }

void HookError(const char* message) { tLastError = message ? message : ""; }

double HookAtof(const char* text) { return std::strtod(text, nullptr); }

SAHooks Hooks() {
  SAHooks hooks{};
  hooks.FOpen = HookOpen;
  hooks.FRead = HookRead;
  hooks.FWrite = HookWrite;
  hooks.FSeek = HookSeek;
  hooks.FTell = HookTell;
  hooks.FFlush = HookFlush;
  hooks.FClose = HookClose;
  hooks.Remove = HookRemove;
  hooks.Error = HookError;
  hooks.Atof = HookAtof;
  return hooks;
}

// ---------------------------------------------------------------------------

// The file and the place of an error.
[[noreturn]] void Fail(const std::string& fileName, long long record, const std::string& detail) {
  EInOutError error(detail);
  error.Locate(fileName, record > 0 ? TErrorPlace::Element("レコード " + std::to_string(record))
                                    : TErrorPlace{});
  throw error;
}

// An error of the file's head, at its first byte.
[[noreturn]] void FailAtStart(const std::string& fileName, const std::string& detail) {
  EInOutError error(detail);
  error.Locate(fileName, TErrorPlace::Offset(0));
  throw error;
}

// The leaf path without its ending ("a.zip|b/c.shp" -> "a.zip|b/c").
std::string StemOf(const std::string& leafFileName) {
  const std::size_t dot = leafFileName.rfind('.');
  const std::size_t sep = leafFileName.find_last_of("/\\|");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return leafFileName;
  return leafFileName.substr(0, dot);
}

// The side file `stem` + `ending` (either letter case) opened, or null.
std::unique_ptr<TByteSource> OpenSideFile(const std::string& stem, std::string_view ending) {
  std::string upper(ending);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& name : {stem + std::string(ending), stem + upper}) {
    if (!TLeafPath::Parse(name).InArchive() && !IsFile(name)) continue;
    try {
      return OpenSource(name);
    } catch (const std::exception&) {
      continue;
    }
  }
  return nullptr;
}

// Reads from `source` until `limit` bytes are in `text` or the source ends;
// the bytes read.
std::size_t ReadUpTo(TByteSource& source, std::uint64_t limit, std::string* text) {
  char buffer[1 << 14];
  std::uint64_t got = 0;
  while (got < limit) {
    const std::size_t n =
        source.Read(buffer, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, limit - got)));
    if (n == 0) break;
    if (text) text->append(buffer, n);
    got += n;
  }
  return static_cast<std::size_t>(got);
}

// The text of a small file beside the .shp (".prj", ".cpg"), in small or
// capital letters; nothing when there is none. At most 64 kB.
std::optional<std::string> SideFile(const std::string& stem, std::string_view ending) {
  const std::unique_ptr<TByteSource> source = OpenSideFile(stem, ending);
  if (!source) return std::nullopt;
  std::string text;
  ReadUpTo(*source, 1 << 16, &text);
  return text;
}

// shapelib sizes its record tables by the length the index's header states,
// before it reads a record: an index shorter than its header says is
// refused here, so that a damaged one never costs more memory than its
// bytes. Empty when the index is missing or holds what it states (a
// header too short for shapelib is its own to refuse).
std::string ShortIndex(const std::string& stem) {
  const std::unique_ptr<TByteSource> shx = OpenSideFile(stem, ".shx");
  if (!shx) return {};
  std::string head;
  if (ReadUpTo(*shx, 100, &head) < 100) return {};
  const auto byte = [&](int i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(head[i])); };
  const std::uint64_t stated = 2 * (byte(24) << 24 | byte(25) << 16 | byte(26) << 8 | byte(27));
  if (stated <= 100) return {};
  const std::uint64_t have = 100 + ReadUpTo(*shx, stated - 100, nullptr);
  if (have >= stated) return {};
  return "索引ファイル (.shx) が途中で切れています (ヘッダでは " + std::to_string(stated) +
         " バイト、ファイルは " + std::to_string(have) + " バイト)";
}

// How the .dbf's text is encoded.
enum class TDbfText { Utf8, Sjis, Unknown };

TDbfText DbfTextOf(DBFHandle dbf) {
  const char* page = DBFGetCodePage(dbf);
  if (!page) return TDbfText::Unknown;
  std::string text;
  for (const char* c = page; *c; ++c)
    if (*c != '-' && *c != '_' && *c != ' ' && *c != '\r' && *c != '\n')
      text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*c))));
  if (text == "UTF8" || text == "65001") return TDbfText::Utf8;
  if (text == "932" || text == "CP932" || text == "SJIS" || text == "SHIFTJIS" ||
      text == "MS932" || text == "WINDOWS31J" || text == "ANSI932" || text == "LDID/19")
    return TDbfText::Sjis;
  return TDbfText::Unknown;
}

std::string Utf8Of(std::string_view bytes, TDbfText text) {
  switch (text) {
    case TDbfText::Utf8:
      return std::string(bytes);
    case TDbfText::Sjis:
      return SjisToUtf8(bytes);
    case TDbfText::Unknown:
      break;
  }
  return Utf8OfUnknown(bytes);
}

// The signed area of a ring: negative when it runs clockwise.
double SignedArea(const TFPointGrp& ring) {
  double sum = 0;
  for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
    const TFPoint& a = ring[i];
    const TFPoint& b = ring[(i + 1) % n];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum / 2;
}

struct TShpCloser {
  void operator()(SHPInfo* h) const { SHPClose(h); }
};
struct TDbfCloser {
  void operator()(DBFInfo* h) const { DBFClose(h); }
};
struct TObjCloser {
  void operator()(SHPObject* o) const { SHPDestroyObject(o); }
};

// What the head of a Shapefile says: the system and the extent.
struct TShapeHead {
  TFeatureCrs Crs;
  std::string Notice;
  TExtentBuilder Extent;
  int Records = 0;
};

// The system of the .prj beside the file, or the one assumed for `extent`.
TFeatureCrs CrsOfFile(const std::string& stem, const TExtentBuilder& extent, std::string& notice) {
  const std::optional<std::string> prj = SideFile(stem, ".prj");
  if (!prj) return AssumedCrs(extent, "座標系 (.prj) がありません", notice);
  std::string name;
  const int code = IdentifyWkt(*prj, &name);
  if (const std::optional<TFeatureCrs> crs = CrsOfEpsg(code)) return *crs;
  const std::string what = code > 0 ? "EPSG:" + std::to_string(code)
                                    : (name.empty() ? std::string("不明") : name);
  return AssumedCrs(extent, "座標系 (.prj) の " + what + " には対応していません", notice);
}

// One read of a Shapefile. Opens the three files; Run reads the records into
// `set` (everything, or only the head when `whole` is false).
class TShapeRead {
public:
  explicit TShapeRead(const std::string& fileName) : fileName_(fileName), stem_(StemOf(fileName)) {}

  // False when the file is not a Shapefile (its first bytes).
  bool Open(std::string* foreign) {
    SAHooks hooks = Hooks();
    tLastError.clear();
    {
      // The magic number first, so that a file of another kind is told apart
      // from a broken Shapefile.
      std::unique_ptr<TByteSource> source = OpenSource(fileName_);
      unsigned char head[4] = {};
      std::size_t got = 0;
      while (got < 4) {
        const std::size_t n = source->Read(head + got, 4 - got);
        if (n == 0) break;
        got += n;
      }
      if (got < 4 || head[0] != 0 || head[1] != 0 || head[2] != 0x27 || head[3] != 0x0A) {
        const std::string why = "Shapefile (.shp) ではありません (先頭が 0x0000270A でない)";
        if (foreign) {
          *foreign = Quoted(fileName_) + ": " + why;
          return false;
        }
        FailAtStart(fileName_, why);
      }
    }
    if (const std::string shortIndex = ShortIndex(stem_); !shortIndex.empty())
      FailAtStart(fileName_, shortIndex);
    shp_.reset(SHPOpenLL(fileName_.c_str(), "rb", &hooks));
    if (!shp_) {
      const bool noIndex = !SideFile(stem_, ".shx");
      FailAtStart(fileName_,
           noIndex ? std::string("索引ファイル (.shx) がありません")
                   : "Shapefile を開けません (" + (tLastError.empty() ? std::string("ヘッダが壊れています") : tLastError) + ")");
    }
    // A file cut short keeps the length its header states: the records are
    // checked against the bytes there are, so that a record past the end
    // is named as such (and never makes shapelib allocate for it).
    if (!TLeafPath::Parse(fileName_).InArchive()) {
      std::error_code ec;
      const auto size = std::filesystem::file_size(FsPath(fileName_), ec);
      if (!ec && size < shp_->nFileSize) shp_->nFileSize = static_cast<unsigned int>(size);
    }
    dbf_.reset(DBFOpenLL((stem_ + ".dbf").c_str(), "rb", &hooks));
    if (dbf_) {
      text_ = DbfTextOf(dbf_.get());
      const int fields = DBFGetFieldCount(dbf_.get());
      for (int j = 0; j < fields; ++j) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(dbf_.get(), j, name, &width, &decimals);
        names_.push_back(std::string(TrimBlanks(Utf8Of(name, text_))));
      }
    }
    return true;
  }

  TShapeHead Head() const {
    TShapeHead head;
    int type = 0;
    double lo[4] = {}, hi[4] = {};
    SHPGetInfo(shp_.get(), &head.Records, &type, lo, hi);
    if (head.Records > 0 && std::isfinite(lo[0]) && std::isfinite(lo[1]) && std::isfinite(hi[0]) &&
        std::isfinite(hi[1])) {
      head.Extent.Add(TFPoint{lo[0], lo[1]});
      head.Extent.Add(TFPoint{hi[0], hi[1]});
    }
    return head;
  }

  const std::string& Stem() const { return stem_; }

  // The record being read (from 1), for messages.
  long long Record() const { return record_; }

  void Run(TFeatureSet& set) {
    int records = 0, type = 0;
    double lo[4], hi[4];
    SHPGetInfo(shp_.get(), &records, &type, lo, hi);
    const int dbfRecords = dbf_ ? DBFGetRecordCount(dbf_.get()) : 0;
    std::vector<std::string> values(names_.size());
    TFPointGrp ring;
    for (int i = 0; i < records; ++i) {
      record_ = i + 1;
      if (dbf_) {
        if (i >= dbfRecords)
          Fail(fileName_, record_,
               "属性表 (.dbf) にこのレコードがありません (.dbf は " + std::to_string(dbfRecords) +
                   " レコード、.shp は " + std::to_string(records) + " レコード)");
        for (int j = 0; j < static_cast<int>(names_.size()); ++j) {
          const char* v = DBFIsAttributeNULL(dbf_.get(), i, j) ? nullptr
                                                               : DBFReadStringAttribute(dbf_.get(), i, j);
          values[static_cast<std::size_t>(j)] = v ? std::string(TrimBlanks(Utf8Of(v, text_))) : std::string();
        }
      }
      set.BeginFeature(record_, names_, values);
      CheckRecord(i);
      tLastError.clear();
      std::unique_ptr<SHPObject, TObjCloser> obj(SHPReadObject(shp_.get(), i));
      if (!obj)
        Fail(fileName_, record_,
             "レコードを読めません" + (tLastError.empty() ? std::string() : " (" + tLastError + ")"));
      CheckNumber();
      AddShape(*obj, set, ring);
    }
  }

private:
  // The index's entry against the .shp: a record must lie inside the file
  // and begin with its own number.
  void CheckRecord(int i) {
    const unsigned long long offset = shp_->panRecOffset[i];
    const unsigned long long size = shp_->panRecSize[i];
    if (offset < 100 || offset + size + 8 > shp_->nFileSize)
      Fail(fileName_, record_,
           "レコードがファイルの終わりを越えています (索引 .shx の位置 " + std::to_string(offset) +
               "、長さ " + std::to_string(size + 8) + " バイト、.shp は " +
               std::to_string(shp_->nFileSize) + " バイト)");
  }

  // The record read begins with its number (big-endian, from 1): another
  // number means that the index points elsewhere than the .shp's records.
  void CheckNumber() {
    const unsigned char* h = shp_->pabyRec;
    if (!h) return;
    const long long number = (static_cast<long long>(h[0]) << 24) | (h[1] << 16) | (h[2] << 8) | h[3];
    if (number != record_)
      Fail(fileName_, record_,
           "索引 (.shx) が .shp と合いません (索引の位置にあるのはレコード番号 " +
               std::to_string(number) + ")");
  }

  void AddShape(const SHPObject& obj, TFeatureSet& set, TFPointGrp& ring) {
    const int n = obj.nVertices;
    for (int k = 0; k < n; ++k)
      if (!std::isfinite(obj.padfX[k]) || !std::isfinite(obj.padfY[k]))
        Fail(fileName_, record_, "座標が有限の数ではありません (" + std::to_string(k + 1) + " 点目)");
    switch (obj.nSHPType) {
      case SHPT_POINT:
      case SHPT_POINTZ:
      case SHPT_POINTM:
      case SHPT_MULTIPOINT:
      case SHPT_MULTIPOINTZ:
      case SHPT_MULTIPOINTM:
        if (n == 0) set.SkipEmpty();
        for (int k = 0; k < n; ++k) set.AddPoint(TFPoint{obj.padfX[k], obj.padfY[k]});
        return;
      case SHPT_ARC:
      case SHPT_ARCZ:
      case SHPT_ARCM:
      case SHPT_POLYGON:
      case SHPT_POLYGONZ:
      case SHPT_POLYGONM:
        break;
      default:  // null shapes, multipatches
        set.SkipEmpty();
        return;
    }
    if (n == 0 || obj.nParts == 0) {
      set.SkipEmpty();
      return;
    }
    const bool polygon = obj.nSHPType == SHPT_POLYGON || obj.nSHPType == SHPT_POLYGONZ ||
                         obj.nSHPType == SHPT_POLYGONM;
    for (int part = 0; part < obj.nParts; ++part) {
      const int from = std::clamp(obj.panPartStart[part], 0, n);
      const int to = part + 1 < obj.nParts ? std::clamp(obj.panPartStart[part + 1], from, n) : n;
      ring.assign(static_cast<std::size_t>(to - from), TFPoint{});
      for (int k = from; k < to; ++k)
        ring[static_cast<std::size_t>(k - from)] = TFPoint{obj.padfX[k], obj.padfY[k]};
      if (polygon) {
        // The format's exterior rings run clockwise, its holes the other way.
        const bool exterior = SignedArea(ring) <= 0;
        set.AddRing(std::move(ring), exterior);
      }
      else
        set.AddLine(std::move(ring));
      ring = TFPointGrp{};
    }
  }

  std::string fileName_;
  std::string stem_;
  std::unique_ptr<SHPInfo, TShpCloser> shp_;
  std::unique_ptr<DBFInfo, TDbfCloser> dbf_;
  TDbfText text_ = TDbfText::Unknown;
  std::vector<std::string> names_;
  long long record_ = 0;
};

std::string SkippedNotice(long long skipped) {
  return "空の図形 (Null シェイプなど) " + std::to_string(skipped) + " 件を飛ばしました。";
}

void AddNotice(TMapLeaf& leaf, const std::string& text) {
  if (text.empty()) return;
  leaf.Notice += leaf.Notice.empty() ? text : " " + text;
}

// Reads a file (or member) for its leaf; with `build` the figures too.
std::unique_ptr<TMapLeaf> ScanLeaf(TMapLeafGrp& leaves, const std::string& leafFileName,
                                   std::string* foreign, bool build, const TFeatureRules& rules) {
  TShapeRead read(leafFileName);
  if (!read.Open(foreign)) return nullptr;
  TShapeHead head = read.Head();
  std::unique_ptr<TMapLeaf> leaf = NewFileLeaf(leaves, leafFileName);
  std::string notice;
  if (!build) {
    SetLeafCrs(*leaf, CrsOfFile(read.Stem(), head.Extent, notice));
    AddNotice(*leaf, notice);
    if (head.Extent.Empty) {
      // Without a usable header box the records are read for the extent.
      TFeatureSet set(rules, false);
      read.Run(set);
      head.Extent = set.Extent;
    }
    if (head.Extent.Empty) Fail(leafFileName, 0, "図形がありません");
    leaf->Extent = head.Extent.Rect;
    return leaf;
  }
  TFeatureSet set(rules, true);
  std::string error;
  try {
    read.Run(set);
  } catch (const EChizroError& e) {
    if (!set.AnyFigure()) throw;
    error = e.what();
  }
  const TExtentBuilder& extent = set.Extent.Empty ? head.Extent : set.Extent;
  SetLeafCrs(*leaf, CrsOfFile(read.Stem(), extent, notice));
  AddNotice(*leaf, notice);
  if (set.Skipped > 0) AddNotice(*leaf, SkippedNotice(set.Skipped));
  if (!error.empty()) {
    // The load reads it again and reports the damage.
    if (!head.Extent.Empty) set.Extent.Add(head.Extent);
    leaf->Extent = set.Extent.Rect;
    return leaf;
  }
  set.AttachTo(*leaf);
  FinishBuiltLeaf(*leaf);
  if (!leaf->NoFigureReason.empty() && !leaf->HasFigures()) leaf->Loaded = true;
  return leaf;
}

TFileScan ShapeScan(const TFeatureRules& rules) {
  TFileScan scan;
  scan.Endings = {".shp"};
  scan.NestedArchives = true;
  scan.What = "Shapefile (.shp) ";
  scan.ReadLeaf = [&rules](TMapLeafGrp& leaves, const std::string& leafFileName,
                           std::string* foreign, bool build) {
    return ScanLeaf(leaves, leafFileName, foreign, build, rules);
  };
  return scan;
}

}  // namespace

TMapBuilder_Shape::TMapBuilder_Shape() = default;
TMapBuilder_Shape::~TMapBuilder_Shape() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_Shape::OpenFile(TMapLeafGrp& leaves,
                                                      const std::string& fileName) {
  const TFeatureRules rules = TFeatureRules::ForProgram(ProgramFolder());
  return ShapeScan(rules).OpenFile(leaves, fileName);
}

TMapLeafGrp* TMapBuilder_Shape::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) {
  const TFeatureRules rules = TFeatureRules::ForProgram(ProgramFolder());
  return ShapeScan(rules).OpenFolder(leaves, folderName);
}

void TMapBuilder_Shape::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                 double /*scale*/) {
  const TFeatureRules rules = TFeatureRules::ForProgram(ProgramFolder());
  TShapeRead read(leaf.FileName);
  read.Open(nullptr);
  TFeatureSet set(rules, true);
  ReadThenAttach([&] { read.Run(set); },
                 [&] {
                   std::string notice;
                   SetLeafCrs(leaf, CrsOfFile(read.Stem(), set.Extent.Empty ? read.Head().Extent
                                                                            : set.Extent,
                                              notice));
                   set.AttachTo(leaf);
                 });
  leaf.Loaded = true;
}

}  // namespace chizro
