#include "iso8211.h"

#include <algorithm>

namespace iso8211 {

namespace {

constexpr std::size_t kLeaderSize = 24;
// Bounds that no real file comes near; they keep a hostile DDR from making
// the reader expand format controls without end.
constexpr std::size_t kMaxFormats = 10000;
constexpr int kMaxFormatDepth = 8;

[[noreturn]] void Fail(const std::string& what, std::size_t offset) {
  throw TFormatError(what + " (offset " + std::to_string(offset) + ")");
}

// An unsigned number written in ASCII digits, possibly after blanks.
std::size_t Digits(std::string_view text, std::size_t offset, const char* what) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size()) Fail(std::string("no ") + what, offset);
  std::size_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') Fail(std::string("bad digit in ") + what, offset);
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

int SizeDigit(char c, std::size_t offset, const char* what) {
  if (c < '1' || c > '9') Fail(std::string("bad ") + what + " in the leader", offset);
  return c - '0';
}

struct TEntry {
  std::string_view Tag;
  std::string_view Data;  // the whole field, terminator included
};

struct TLayout {
  std::size_t Length = 0;  // of the whole record
  char LeaderId = ' ';
  std::size_t FieldControlLength = 0;
  std::vector<TEntry> Entries;
};

// Reads the leader and directory of the record at `offset` and locates its
// fields.
TLayout ReadLayout(std::string_view data, std::size_t offset, bool descriptive) {
  if (data.size() - offset < kLeaderSize) Fail("record leader cut short", offset);
  const std::string_view leader = data.substr(offset, kLeaderSize);
  TLayout layout;
  std::size_t length = Digits(leader.substr(0, 5), offset, "record length");
  layout.LeaderId = leader[6];
  if (descriptive) {
    if (layout.LeaderId != 'L') Fail("not an ISO 8211 file: no descriptive record", offset);
    const std::string_view fcl = leader.substr(10, 2);
    layout.FieldControlLength = fcl == "  " ? 6 : Digits(fcl, offset + 10, "field control length");
  } else if (layout.LeaderId == 'R') {
    Fail("records with a leader to be reused are not supported", offset);
  } else if (layout.LeaderId != 'D') {
    Fail("bad leader identifier of a data record", offset);
  }
  const std::size_t base = Digits(leader.substr(12, 5), offset + 12, "field area address");
  const int sizeLength = SizeDigit(leader[20], offset + 20, "field length size");
  const int sizePosition = SizeDigit(leader[21], offset + 21, "field position size");
  const int sizeTag = SizeDigit(leader[23], offset + 23, "field tag size");
  const std::size_t entrySize = static_cast<std::size_t>(sizeLength + sizePosition + sizeTag);

  const std::size_t remaining = data.size() - offset;
  if (base < kLeaderSize + 1) Fail("bad field area address", offset + 12);
  if (base > remaining || length > remaining)
    Fail("record cut short: the file ends inside it", offset);
  if (length != 0 && length < base) Fail("bad record length", offset);
  if (data[offset + base - 1] != kFieldTerminator) Fail("directory not terminated", offset + base);

  // Directory entries up to the terminator before the field area.
  struct TRaw {
    std::string_view Tag;
    std::size_t Length, Position;
  };
  std::vector<TRaw> raw;
  std::size_t p = offset + kLeaderSize;
  const std::size_t directoryEnd = offset + base - 1;
  while (p < directoryEnd) {
    if (directoryEnd - p < entrySize) Fail("directory entry cut short", p);
    const std::string_view entry = data.substr(p, entrySize);
    TRaw r;
    r.Tag = entry.substr(0, static_cast<std::size_t>(sizeTag));
    r.Length = Digits(
        entry.substr(static_cast<std::size_t>(sizeTag), static_cast<std::size_t>(sizeLength)), p,
        "field length");
    r.Position =
        Digits(entry.substr(static_cast<std::size_t>(sizeTag + sizeLength)), p, "field position");
    for (char c : r.Tag)
      if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F)
        Fail("bad field tag", p);
    raw.push_back(r);
    p += entrySize;
  }

  // A record length of 0 stands for a record too long for five digits: its
  // end is that of its last field.
  if (length == 0) {
    std::size_t end = 0;
    for (const TRaw& r : raw) {
      if (r.Position > remaining || r.Length > remaining) Fail("field outside the file", offset);
      end = std::max(end, r.Position + r.Length);
    }
    if (end > remaining - base) Fail("field outside the file", offset);
    length = base + end;
  }
  layout.Length = length;
  const std::size_t areaSize = length - base;
  layout.Entries.reserve(raw.size());
  for (const TRaw& r : raw) {
    if (r.Position > areaSize || r.Length > areaSize - r.Position)
      Fail("field outside its record", offset + base + std::min(r.Position, areaSize));
    layout.Entries.push_back({r.Tag, data.substr(offset + base + r.Position, r.Length)});
  }
  return layout;
}

// The field's bytes without its terminator.
std::string_view StripTerminator(std::string_view field, bool wide) {
  if (wide && field.size() >= 2 && field[field.size() - 2] == kFieldTerminator &&
      field.back() == '\0')
    return field.substr(0, field.size() - 2);
  if (!field.empty() && field.back() == kFieldTerminator) return field.substr(0, field.size() - 1);
  return field;
}

class TFormatParser {
public:
  explicit TFormatParser(std::string_view text) : s_(text) {}

  std::vector<TSubfieldDefn> Parse() {
    std::vector<TSubfieldDefn> out;
    SkipBlanks();
    if (p_ == s_.size()) return out;
    // The list stands in parentheses; a bare list is taken as well.
    if (Peek() == '(') {
      ++p_;
      List(out, 1);
      Expect(')');
    } else {
      List(out, 1);
    }
    SkipBlanks();
    if (p_ != s_.size()) Error("unexpected text after the format list");
    return out;
  }

private:
  char Peek() const { return p_ < s_.size() ? s_[p_] : '\0'; }
  void SkipBlanks() {
    while (p_ < s_.size() && s_[p_] == ' ') ++p_;
  }
  bool Consume(char c) {
    SkipBlanks();
    if (Peek() != c) return false;
    ++p_;
    return true;
  }
  void Expect(char c) {
    if (!Consume(c)) Error(std::string("'") + c + "' expected");
  }
  [[noreturn]] void Error(const std::string& what) const {
    throw TFormatError("format controls \"" + std::string(s_) + "\": " + what + " at " +
                       std::to_string(p_));
  }
  bool AtDigit() const { return Peek() >= '0' && Peek() <= '9'; }
  std::size_t Number() {
    std::size_t n = 0;
    if (!AtDigit()) Error("number expected");
    while (AtDigit()) {
      n = n * 10 + static_cast<std::size_t>(Peek() - '0');
      if (n > kMaxFormats * 8) Error("number too large");
      ++p_;
    }
    return n;
  }

  void Append(std::vector<TSubfieldDefn>& out, const std::vector<TSubfieldDefn>& items,
              std::size_t times) {
    if (items.empty()) return;
    if (times > (kMaxFormats - out.size()) / items.size()) Error("too many formats");
    for (std::size_t t = 0; t < times; ++t) out.insert(out.end(), items.begin(), items.end());
  }

  void List(std::vector<TSubfieldDefn>& out, int depth) {
    do {
      Item(out, depth);
    } while (Consume(','));
  }

  void Item(std::vector<TSubfieldDefn>& out, int depth) {
    SkipBlanks();
    std::size_t count = 1;
    if (AtDigit()) {
      count = Number();
      if (count == 0) Error("repeat count of 0");
    }
    SkipBlanks();
    if (Peek() == '(') {
      if (depth >= kMaxFormatDepth) Error("groups nested too deep");
      ++p_;
      std::vector<TSubfieldDefn> group;
      List(group, depth + 1);
      Expect(')');
      Append(out, group, count);
      return;
    }
    Append(out, {Descriptor()}, count);
  }

  TSubfieldDefn Descriptor() {
    TSubfieldDefn d;
    const char c = Peek();
    switch (c) {
      case 'A':
      case 'I':
      case 'R':
      case 'S':
      case 'C':
        ++p_;
        d.Form = c;
        if (Peek() == '(') {
          ++p_;
          d.Width = Number();
          if (d.Width == 0) Error("width of 0");
          if (Peek() != ')') Error("')' expected");
          ++p_;
        }
        return d;
      case 'B': {
        ++p_;
        d.Form = 'B';
        if (Peek() != '(') Error("bit string without a length");
        ++p_;
        const std::size_t bits = Number();
        if (bits == 0) Error("bit string of 0 bits");
        if (Peek() != ')') Error("')' expected");
        ++p_;
        d.Width = (bits + 7) / 8;
        return d;
      }
      case 'b': {
        ++p_;
        d.Form = 'b';
        if (p_ + 2 > s_.size()) Error("binary form cut short");
        const char type = s_[p_];
        const char width = s_[p_ + 1];
        if (type < '1' || type > '5') Error("unknown binary type");
        if (width < '1' || width > '8') Error("bad binary width");
        d.BinaryType = type - '0';
        d.Width = static_cast<std::size_t>(width - '0');
        if (d.BinaryType == 4 && d.Width != 4 && d.Width != 8) Error("bad float width");
        p_ += 2;
        return d;
      }
      default:
        Error("unknown format");
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

TFieldDefn ParseFieldDefn(const TEntry& entry, std::size_t fieldControlLength, std::size_t offset) {
  TFieldDefn defn;
  defn.Tag = std::string(entry.Tag);
  std::string_view f = StripTerminator(entry.Data, false);
  if (f.size() < fieldControlLength)
    Fail("field description of " + defn.Tag + " cut short", offset);
  if (fieldControlLength >= 2) {
    defn.StructureCode = f[0];
    defn.TypeCode = f[1];
  }
  if (fieldControlLength >= 9) defn.EscapeSequence = std::string(f.substr(6, 3));
  defn.WideText = defn.EscapeSequence == "%/A";
  f.remove_prefix(fieldControlLength);

  // name, array descriptor and format controls, parted by unit terminators
  std::string_view parts[3];
  for (int i = 0; i < 3; ++i) {
    const std::size_t t = f.find(kUnitTerminator);
    parts[i] = f.substr(0, t);
    if (t == std::string_view::npos) {
      f = {};
      break;
    }
    f.remove_prefix(t + 1);
  }
  defn.Name = std::string(parts[0]);

  std::vector<std::string_view> labels;
  std::size_t repeatFrom = std::string_view::npos;
  for (std::string_view rest = parts[1]; !rest.empty();) {
    const std::size_t bang = rest.find('!');
    std::string_view label = rest.substr(0, bang);
    if (!label.empty() && label.front() == '*') {
      if (repeatFrom == std::string_view::npos) repeatFrom = labels.size();
      label.remove_prefix(1);
    }
    labels.push_back(label);
    if (bang == std::string_view::npos) break;
    rest.remove_prefix(bang + 1);
    if (labels.size() > kMaxFormats) Fail("too many subfields in " + defn.Tag, offset);
  }

  std::vector<TSubfieldDefn> formats;
  try {
    formats = ParseFormatControls(parts[2]);
  } catch (const TFormatError& e) {
    Fail("field " + defn.Tag + ": " + e.what(), offset);
  }
  if (labels.empty()) {
    // An elementary field: one value without a label.
    if (!formats.empty()) defn.Subfields.push_back(formats.front());
  } else {
    if (formats.size() < labels.size())
      Fail("field " + defn.Tag + " has fewer formats than subfields", offset);
    for (std::size_t i = 0; i < labels.size(); ++i) {
      TSubfieldDefn s = formats[i];
      s.Label = std::string(labels[i]);
      defn.Subfields.push_back(std::move(s));
    }
  }
  defn.RepeatFrom = repeatFrom == std::string_view::npos ? defn.Subfields.size() : repeatFrom;
  return defn;
}

// Reads one value at `pos` of `data` and moves `pos` past it.
std::string_view ReadValue(const TSubfieldDefn& s, std::string_view data, std::size_t& pos,
                           bool wide) {
  if (s.Width > 0) {
    if (s.Width > data.size() - pos) throw TFormatError("subfield " + s.Label + " cut short");
    const std::string_view v = data.substr(pos, s.Width);
    pos += s.Width;
    return v;
  }
  const bool text = s.Form == 'A' || s.Form == 'C';
  if (wide && text) {
    for (std::size_t k = pos; k + 1 < data.size(); k += 2) {
      if ((data[k] == kUnitTerminator || data[k] == kFieldTerminator) && data[k + 1] == '\0') {
        const std::string_view v = data.substr(pos, k - pos);
        pos = k + 2;
        return v;
      }
    }
  } else {
    for (std::size_t k = pos; k < data.size(); ++k) {
      if (data[k] == kUnitTerminator || data[k] == kFieldTerminator) {
        const std::string_view v = data.substr(pos, k - pos);
        pos = k + 1;
        return v;
      }
    }
  }
  const std::string_view v = data.substr(pos);
  pos = data.size();
  return v;
}

}  // namespace

std::vector<TSubfieldDefn> ParseFormatControls(std::string_view formats) {
  return TFormatParser(formats).Parse();
}

TModule::TModule(std::string_view data) : data_(data) {
  const TLayout layout = ReadLayout(data_, 0, true);
  for (const TEntry& entry : layout.Entries) {
    // The file control field holds no subfield description.
    if (entry.Tag == "0000") continue;
    const std::size_t offset = static_cast<std::size_t>(entry.Data.data() - data_.data());
    defns_.push_back(ParseFieldDefn(entry, layout.FieldControlLength, offset));
  }
  std::stable_sort(defns_.begin(), defns_.end(),
                   [](const TFieldDefn& a, const TFieldDefn& b) { return a.Tag < b.Tag; });
  next_ = layout.Length;
}

const TFieldDefn* TModule::FindDefn(std::string_view tag) const noexcept {
  const auto it =
      std::lower_bound(defns_.begin(), defns_.end(), tag,
                       [](const TFieldDefn& d, std::string_view t) { return d.Tag < t; });
  return it != defns_.end() && it->Tag == tag ? &*it : nullptr;
}

bool TModule::NextRecord(std::vector<TField>& fields, std::size_t& offset) {
  fields.clear();
  if (next_ >= data_.size()) return false;
  // Bytes after the last record that are only padding end the file too (a
  // leader starts with a digit, so this is looked at only once).
  const auto isPadding = [](char c) { return c == '\0' || c == ' ' || c == '\x1A'; };
  if (isPadding(data_[next_]) &&
      std::all_of(data_.begin() + static_cast<std::ptrdiff_t>(next_), data_.end(), isPadding))
    return false;
  offset = next_;
  const TLayout layout = ReadLayout(data_, next_, false);
  fields.reserve(layout.Entries.size());
  for (const TEntry& entry : layout.Entries) {
    const TFieldDefn* defn = FindDefn(entry.Tag);
    fields.push_back({entry.Tag, StripTerminator(entry.Data, defn && defn->WideText), defn});
  }
  next_ += layout.Length;
  return true;
}

void TModule::SplitField(const TField& field, std::vector<TValue>& values,
                         std::size_t& repetitions) {
  values.clear();
  repetitions = 0;
  const TFieldDefn* defn = field.Defn;
  if (!defn) throw TFormatError("field " + std::string(field.Tag) + " is not described");
  const std::string_view data = field.Data;
  const auto& subfields = defn->Subfields;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < defn->RepeatFrom; ++i)
    values.push_back({&subfields[i], ReadValue(subfields[i], data, pos, defn->WideText)});
  if (!defn->Repeats()) {
    repetitions = 1;
    return;
  }
  // Every repetition takes at least one byte, so this ends.
  while (pos < data.size()) {
    const std::size_t start = pos;
    for (std::size_t i = defn->RepeatFrom; i < subfields.size(); ++i)
      values.push_back({&subfields[i], ReadValue(subfields[i], data, pos, defn->WideText)});
    ++repetitions;
    if (pos == start) break;
  }
}

}  // namespace iso8211
