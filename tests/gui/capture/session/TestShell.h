#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "capture/session/WatchpostDoc.h"
#include "capture/session/WatchpostShell.h"

namespace watchpost::testing {

// The program around the document, as a test sees it: a clock it sets, the status texts and
// captions it reads, the timers it was asked for (the control panel fires them; there is none
// here), a folder browser it answers.
class TestShell : public WatchpostShell {
 public:
  QWidget* mainWindow() override { return nullptr; }
  std::uint32_t now() override {
    return realClock ? static_cast<std::uint32_t>(std::time(nullptr)) : clock;
  }
  void beep() override { ++beeps; }
  void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void setFrameCaption(const std::string& caption) override { captions.push_back(caption); }
  void titleChanged(const std::string& title) override { titles.push_back(title); }
  void setTimer(int id, int periodMs) override { timers[id] = periodMs; }
  void killTimer(int id) override { timers.erase(id); }
  std::optional<std::string> browseForFolder(const std::string& title,
                                             const std::string& current) override {
    browseTitles.push_back(title);
    browseCurrent.push_back(current);
    return folderAnswer;
  }
  void enableControlPanel() override { ++panelEnabled; }
  void notify(const std::string& caption, const std::string& text) override {
    notices.push_back(caption + ": " + text);
  }
  void startStop() override {
    ++startStops;
    if (document != nullptr) document->OnStartStop();
  }

  std::uint32_t clock = 0;
  bool realClock = false;  // the machine's clock instead of `clock`
  int beeps = 0;
  int panelEnabled = 0;
  int startStops = 0;
  std::vector<std::string> statusTexts;
  std::vector<std::string> captions;
  std::vector<std::string> titles;
  std::vector<std::string> notices;  // "caption: text" of each notification message
  std::map<int, int> timers;         // armed: id -> period
  std::optional<std::string> folderAnswer;
  std::vector<std::string> browseTitles;
  std::vector<std::string> browseCurrent;

  CWatchpostDoc* document = nullptr;  // where the toggle goes
};

}  // namespace watchpost::testing
