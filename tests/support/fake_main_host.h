// A main window host without a toolkit, for the tests of src/ui's logic: it
// answers the open dialog from a queue, records messages, cursor and
// progress, and repaints onto a recording canvas as a window would.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/recording_canvas.h"
#include "ui/main_logic.h"

namespace chizro::test {

class TFakeHost final : public TMainHost {
public:
  std::optional<TOpenChoice> ChooseFile() override {
    if (choices.empty()) return std::nullopt;
    TOpenChoice c = choices.front();
    choices.pop_front();
    return c;
  }
  std::optional<TSaveChoice> ChooseSaveFile(const std::string& fileType,
                                            const std::string& /*suggested*/) override {
    saveTypes.push_back(fileType);
    return saveChoice;
  }
  void ShowError(const std::string& m) override { errors.push_back(m); }
  void ShowNotice(const std::string& m) override { notices.push_back(m); }
  bool Ask(const std::string& q) override {
    questions.push_back(q);
    return answer;
  }
  bool ShowSettings(const std::string& fileName) override {
    ++settingsShown;
    settingsFile = fileName;
    return onSettings ? onSettings() : false;
  }
  void Close() override { closed = true; }
  void RepaintImage() override {
    ++repaints;
    if (logic) logic->Paint(canvas);
  }
  double PixelsPerInch() override { return 96; }
  void SetBusy(bool busy) override { log += busy ? "busy " : "idle "; }
  std::unique_ptr<TProgress> StartProgress(int count) override {
    log += "progress/" + std::to_string(count) + " ";
    struct TLogged final : TProgress {
      explicit TLogged(std::string& l) : log(l) {}
      ~TLogged() override { log += "closed "; }
      void Step(int done) override { log += std::to_string(done) + " "; }
      std::string& log;
    };
    return std::make_unique<TLogged>(log);
  }
  std::unique_ptr<TOpenProgressBox> StartOpenProgress() override {
    log += "open-progress ";
    struct TLogged final : TOpenProgressBox {
      explicit TLogged(TFakeHost& h) : host(h) {}
      ~TLogged() override { host.log += "closed "; }
      void Show(const std::string& text, int done, int total) override {
        host.log += "[" + text + "] " + std::to_string(done) + "/" + std::to_string(total) + " ";
        ++host.openSteps;
      }
      bool Cancelled() override {
        return host.cancelAfter >= 0 && host.openSteps >= host.cancelAfter;
      }
      TFakeHost& host;
    };
    return std::make_unique<TLogged>(*this);
  }
  TPoint ImageSize() override {
    const TRect r = canvas.ClipRect();
    return {r.right - r.left, r.bottom - r.top};
  }
  void ShowStatus(const TStatusLine& s) override { status = s; }
  void ShowPlacement() override { ++placementShown; }
  void PlacementChanged() override { ++placementChanges; }

  TMainLogic* logic = nullptr;
  TStatusLine status;
  int openSteps = 0;
  int cancelAfter = -1;  // the open's cancel is pressed after this many steps
  TRecordingCanvas canvas;
  std::deque<TOpenChoice> choices;
  std::optional<TSaveChoice> saveChoice;
  std::vector<std::string> saveTypes;
  std::vector<std::string> errors;
  std::vector<std::string> notices;
  std::vector<std::string> questions;
  bool answer = false;  // to every question
  std::string log;  // cursor and progress, in order
  int settingsShown = 0;
  std::string settingsFile;
  std::function<bool()> onSettings;  // what the user does in the dialog
  int repaints = 0;
  int placementShown = 0;
  int placementChanges = 0;
  bool closed = false;
};

}  // namespace chizro::test
