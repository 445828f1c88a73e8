// The control IDs of the Windows window and dialogs. They stay fixed so that
// scripts that drive the window (tests under Wine) can find each control.
#pragma once

namespace chizro {

// The main window: SpeedButton1 to SpeedButton6 are kIdSpeedButton1 + 0..5.
inline constexpr int kIdSpeedButton1 = 101;
inline constexpr int kIdImage = 110;
inline constexpr int kIdStatusBar = 111;
// The paint box's context menu: "全体表示", "位置合わせ...".
inline constexpr int kIdFitAll = 120;
inline constexpr int kIdPlacement = 121;

// The settings dialog "出力設定". OK and Cancel are IDOK and IDCANCEL.
inline constexpr int kIdGroupBox1 = 201;
inline constexpr int kIdRadLayer = 202;  // then radGroup 203, radNone 204
inline constexpr int kIdLabel1 = 211;    // Label1 to Label5: 211 to 215
inline constexpr int kIdListBox = 220;
inline constexpr int kIdCmbLayer = 231;  // then cmbPen 232, cmbSyu 233, cmbMoji 234
inline constexpr int kIdZoneLabel = 241;
inline constexpr int kIdCmbZone = 242;
inline constexpr int kIdContourLabel = 243;
inline constexpr int kIdEdtContour = 244;

// The 位置合わせ dialog. OK and キャンセル are IDOK and IDCANCEL.
inline constexpr int kIdPlacementHint = 401;
inline constexpr int kIdPlacementNote = 402;
inline constexpr int kIdPlacementList = 403;
inline constexpr int kIdPlacementX = 404;
inline constexpr int kIdPlacementY = 405;
inline constexpr int kIdPlacementEnter = 406;
inline constexpr int kIdPlacementRemove = 407;
inline constexpr int kIdPlacementHelmert = 408;
inline constexpr int kIdPlacementAffine = 409;
inline constexpr int kIdPlacementSummary = 410;

// The progress window of a long output.
inline constexpr int kIdProgressText = 301;
inline constexpr int kIdProgressBar = 302;

}  // namespace chizro
