#include "ui/pref_logic.h"

#include <cstdio>
#include <optional>

#include "coords/zone_of_place.h"

#include "platform/sjis.h"

namespace chizro {

void TPrefLogic::Load(const std::string& fileName) {
  fileName_ = fileName;
  TOutputSettings settings;
  settings.Load(fileName_);
  settings_ = std::move(settings);
  mode_ = settings_.Mode();
}

std::string TPrefLogic::FieldText(int row, std::size_t field) const {
  if (row < 0 || row >= RowCount()) return {};
  const auto& fields = settings_.Rows[static_cast<std::size_t>(row)].Fields;
  return field < fields.size() ? SjisToUtf8(fields[field]) : std::string();
}

std::vector<std::string> TPrefLogic::Choices(std::size_t field) {
  // The layer is a hexadecimal digit, the others small decimal numbers; the
  // candidates are cut to what JW_CAD reads.
  const char* const hex = "0123456789ABCDEF";
  std::vector<std::string> choices;
  for (int i = 0; i <= 16; ++i) {
    const std::string candidate =
        field == 1 ? (i < 16 ? std::string(1, hex[i]) : std::string()) : std::to_string(i);
    if (!candidate.empty() && SettingValue(field, candidate)) choices.push_back(candidate);
  }
  return choices;
}

TPrefEdit TPrefLogic::Edit(int row, std::size_t field, const std::string& text) {
  TPrefEdit edit;
  const TSettingRange* range = SettingRange(field);
  if (row < 0 || row >= RowCount() || !range || text.empty()) return edit;
  auto& fields = settings_.Rows[static_cast<std::size_t>(row)].Fields;
  const std::optional<std::string> value = SettingValue(field, Utf8ToSjis(text));
  if (!value) {
    edit.Result = TPrefEdit::Refused;
    edit.Text = FieldText(row, field);
    const std::string name = range->Name;
    edit.Message = name + " \"" + text + "\" は JW_CAD が読めません。" + name + " は " +
                   range->Allowed + " で指定してください。";
    return edit;
  }
  if (fields.size() <= field) fields.resize(field + 1);
  fields[field] = *value;
  edit.Result = TPrefEdit::Stored;
  edit.Text = SjisToUtf8(*value);
  return edit;
}

std::vector<std::string> TPrefLogic::ZoneChoices() {
  static const char* const kRoman[] = {"",   "I",   "II",   "III", "IV",  "V",    "VI",
                                       "VII", "VIII", "IX", "X",   "XI",  "XII",  "XIII",
                                       "XIV", "XV",  "XVI", "XVII", "XVIII", "XIX"};
  std::vector<std::string> choices = {"自動（最初に開いたデータの位置の系）"};
  for (int zone = 1; zone <= 19; ++zone)
    choices.push_back(std::string(kRoman[zone]) + "系  " + ZoneAreasText(zone));
  return choices;
}

std::string TPrefLogic::ContourText() const {
  if (settings_.ContourInterval <= 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%g", settings_.ContourInterval);
  return text;
}

TPrefEdit TPrefLogic::EditContour(const std::string& text) {
  TPrefEdit edit;
  const std::optional<double> value = ParseContourInterval(text);
  if (!value) {
    edit.Result = TPrefEdit::Refused;
    edit.Text = ContourText();
    edit.Message = "等高線間隔 \"" + text +
                   "\" は使えません。0 より大きく 1000 以下のメートル数で指定してください"
                   "（空欄は格子の間隔による既定値）。";
    return edit;
  }
  settings_.ContourInterval = *value;
  edit.Result = TPrefEdit::Stored;
  edit.Text = text;
  return edit;
}

void TPrefLogic::Save() const {
  TOutputSettings settings = settings_;
  settings.SetMode(mode_);
  settings.Save(fileName_);
}

}  // namespace chizro
