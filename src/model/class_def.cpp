#include "model/class_def.h"

#include <utility>

#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/program_dir.h"
#include "platform/text_case.h"

namespace chizro {
namespace {

using Fields = std::vector<std::string>;

// Field `i` of a split value; a value with too few fields fails with the
// index of the first one missing.
const std::string& Field(const Fields& fields, std::size_t i) {
  if (i >= fields.size()) throw EListIndexError(static_cast<long long>(i));
  return fields[i];
}

std::int32_t IntField(const Fields& fields, std::size_t i) { return StrToInt(Field(fields, i)); }

// Flags keep the low 8 bits of the integer, as a byte field would.
std::uint8_t ByteField(const Fields& fields, std::size_t i) {
  return static_cast<std::uint8_t>(IntField(fields, i));
}

std::int16_t SmallIntField(const Fields& fields, std::size_t i) {
  return static_cast<std::int16_t>(IntField(fields, i));
}

// Style switches of a font are on only for the exact text "1".
bool SwitchField(const Fields& fields, std::size_t i) { return Field(fields, i) == "1"; }

// The extension of the file name in `path`, from its last dot, upper-cased
// (ASCII letters only); empty when the name has no dot.
std::string UpperExtension(const std::string& path) {
  const std::string name = PathText(FsPath(path).filename());
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : UpperAscii(name.substr(dot));
}

// A symbol image from a file: bitmaps and icons, by extension. Null when
// there is no loader, the file is missing, the extension is another, or the
// loader cannot read the file.
std::unique_ptr<TBitmap> LoadSymbolImage(TBitmapLoader* loader, const std::string& path) {
  if (loader == nullptr || !IsRegularFile(path)) return nullptr;
  const std::string ext = UpperExtension(path);
  if (ext == ".BMP") return loader->LoadBitmap(path);
  if (ext == ".ICO") return loader->LoadIcon(path);
  return nullptr;
}

// Drawing order: smaller Order first. Compared in 64 bits so that orders far
// apart cannot overflow the difference.
int CompareOrder(const TClassDef* a, const TClassDef* b) noexcept {
  const std::int64_t d = std::int64_t{a->Order} - std::int64_t{b->Order};
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

}  // namespace

TClassDef::TClassDef(std::string code, TClassDefGrp* group) : Group(group) {
  Name = std::move(code);
}

bool TClassDef::IsVisibleAt(double scale) const noexcept {
  if (Visible == 0) return false;
  if (MinScale > 0 && MinScale > scale) return false;
  if (MaxScale > 0 && MaxScale < scale) return false;
  return true;
}

TClassDefGrp::TClassDefGrp() = default;

TClassDefGrp::~TClassDefGrp() = default;

TClassDef* TClassDefGrp::Items(int i) const {
  if (i < 0 || i >= Count()) throw EListIndexError(i);
  return items_[static_cast<std::size_t>(i)].get();
}

TClassDef* TClassDefGrp::Add(std::unique_ptr<TClassDef> def) {
  if (!def) return nullptr;
  def->Group = this;
  items_.push_back(std::move(def));
  return items_.back().get();
}

bool TClassDefGrp::IsClassVisible(std::string_view code, double scale) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if ((*it)->Name == code) return (*it)->IsVisibleAt(scale);
  return false;
}

const TBitmap* TClassDefGrp::SymbolImage(int symbolIndex) const {
  if (symbolIndex < 0 || static_cast<std::size_t>(symbolIndex) >= SymbolKeys.Count())
    return nullptr;
  const int image = SymbolKeys[static_cast<std::size_t>(symbolIndex)].Object;
  return image < 0 || image >= Images.Count() ? nullptr : Images.Get(image);
}

bool TClassDefGrp::LoadFromFile(const std::string& fileName, TBitmapLoader* images,
                               const std::string& programFolder) {
  // Start from the state of a new group, so that a missing file leaves
  // nothing of an earlier load behind.
  Clear();
  SymbolKeys.Clear();
  SymbolFiles.clear();
  SymSize = kDefaultSymSize;
  Images.SetSize(SymSize, SymSize);
  if (!IsRegularFile(fileName)) return false;

  const TIniFile ini(fileName);
  SymSize = ini.ReadInteger("Size", "SymSize", kDefaultSymSize);
  Images.SetSize(SymSize, SymSize);
  LoadSymbols(ini, images, programFolder);

  // The prefix test is case-sensitive, unlike the profile lookups: "c_..."
  // sections are not classes.
  for (const std::string& section : ini.ReadSections())
    if (section.starts_with("C_"))
      Add(std::make_unique<TClassDef>(section.substr(2, kMaxCodeLength), this));
  // Every class exists before the first is read, so a failing section leaves
  // the later ones in place with their construction values.
  for (const auto& def : items_) ReadClass(ini, *def);
  SortByOrder();
  return true;
}

void TClassDefGrp::LoadSymbols(const TIniFile& ini, TBitmapLoader* images,
                               const std::string& programFolder) {
  for (std::string& key : ini.ReadSection("Symbols")) SymbolKeys.Add(std::move(key), -1);
  SymbolKeys.Sort();
  for (std::size_t i = 0; i < SymbolKeys.Count(); ++i) {
    auto& entry = SymbolKeys[i];
    SymbolFiles.push_back(ini.ReadString("Symbols", entry.Key, ""));
    // A key whose file gives no image keeps -1, and the keys after it still
    // point at their own images.
    entry.Object =
        Images.Add(LoadSymbolImage(images, ProgramPath(programFolder, SymbolFiles.back())));
  }
}

void TClassDefGrp::ReadClass(const TIniFile& ini, TClassDef& def) const {
  // Looked up by the code as stored: a code cut at kMaxCodeLength no longer
  // names its section, and the class then fails for want of "Visible".
  const std::string section = "C_" + def.Name;
  // An entry that cannot be read is named with its file and line.
  auto entry = [&](const char* key, const auto& read) {
    LocatedAt(
        ini.FileName(),
        [&] { return TErrorPlace::Line(ini.LineOf(section, key), "[" + section + "] " + key); },
        read);
  };
  def.Title = ini.ReadString(section, "ClassTitle", "");
  def.Order = ini.ReadInteger(section, "Order", 0);

  Fields f;
  entry("Visible", [&] {
    SplitCommaText(ini.ReadString(section, "Visible", ""), f);
    def.Visible = ByteField(f, 0);
    def.MinScale = static_cast<double>(IntField(f, 1));
    def.MaxScale = static_cast<double>(IntField(f, 2));
  });

  entry("Pen", [&] {
    SplitCommaText(ini.ReadString(section, "Pen", ""), f);
    def.Pen.Color = static_cast<TColor>(IntField(f, 0));
    def.Pen.Style = IntField(f, 1);
    def.Pen.Width = IntField(f, 2);
  });

  entry("Brush", [&] {
    SplitCommaText(ini.ReadString(section, "Brush", ""), f);
    def.Brush.Color = static_cast<TColor>(IntField(f, 0));
    def.Brush.Style = IntField(f, 1);
  });

  // A face name with a blank must be quoted; unquoted, it splits into two
  // fields and shifts the size and styles.
  entry("Font", [&] {
    SplitCommaText(ini.ReadString(section, "Font", ""), f);
    def.Font.Color = static_cast<TColor>(IntField(f, 0));
    def.Font.Name = Field(f, 1);
    def.Font.Size = IntField(f, 2);
    def.Font.Bold = SwitchField(f, 3);
    def.Font.Italic = SwitchField(f, 4);
    def.Font.Underline = SwitchField(f, 5);
    def.Font.StrikeOut = SwitchField(f, 6);
    def.OpaqueText = ByteField(f, 7);
  });

  entry("Prop", [&] {
    SplitCommaText(ini.ReadString(section, "Prop", "0,0"), f);
    def.LabelOn = ByteField(f, 0);
    def.LabelSource = SmallIntField(f, 1);
    def.LabelAttrIndex = f.size() == 2 ? std::int16_t{0} : SmallIntField(f, 2);
    def.LabelAttrName = f.size() > 3 ? f[3] : std::string();
  });

  def.SymbolName = ini.ReadString(section, "Symbol", "");
  def.SymbolIndex = -1;
  std::size_t index = 0;
  if (!def.SymbolName.empty() && SymbolKeys.Find(def.SymbolName, index))
    def.SymbolIndex = static_cast<std::int16_t>(index);
}

void TClassDefGrp::SortByOrder() {
  QuickSort(items_, [](const std::unique_ptr<TClassDef>& a, const std::unique_ptr<TClassDef>& b) {
    return CompareOrder(a.get(), b.get());
  });
}

}  // namespace chizro
