#include "ui/pref_logic.h"

#include <optional>

#include "platform/sjis.h"

namespace chizro {

void TPrefLogic::Load() {
  fileName_ = TOutputSettings::DefaultFileName();
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

void TPrefLogic::Save() const {
  TOutputSettings settings = settings_;
  settings.SetMode(mode_);
  settings.Save(fileName_.empty() ? TOutputSettings::DefaultFileName() : fileName_);
}

}  // namespace chizro
