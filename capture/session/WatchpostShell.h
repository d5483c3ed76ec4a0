#pragma once

#include <cstdint>
#include <optional>
#include <string>

class QWidget;

namespace watchpost {

// What the capture document asks of the program around it: the main window, the clock, the
// status bar, the restart timer of the control panel, the folder browser. The application
// provides the real ones; tests give their own. At exit the main frame goes before the
// document, and the capture window closing its AVI still reports through the document: every
// call here must stay harmless until the document is gone.
class WatchpostShell {
 public:
  virtual ~WatchpostShell() = default;

  // Parent of the capture window and owner of the document's message boxes; may be null.
  virtual QWidget* mainWindow() = 0;
  // Whole seconds since 1970-01-01 00:00 UTC.
  virtual std::uint32_t now() = 0;
  // Milliseconds since 1970-01-01 00:00 UTC, on the clock now() reads.
  virtual std::int64_t nowMs() { return std::int64_t{now()} * 1000; }
  virtual void beep() = 0;
  // Pane 0 of the main frame's status bar.
  virtual void setStatusText(const std::string& text) = 0;
  // The main frame's caption; the document's title when `title` is set (the frame shows it as
  // "<title> - Corvane").
  virtual void setFrameCaption(const std::string& caption) = 0;
  virtual void titleChanged(const std::string& title) = 0;
  // The control panel's window timers: `id` fires every periodMs until killed and reaches the
  // panel's OnTimer.
  virtual void setTimer(int id, int periodMs) = 0;
  virtual void killTimer(int id) = 0;
  // The folder browser: a folder, or nothing when the user cancelled.
  virtual std::optional<std::string> browseForFolder(const std::string& title,
                                                     const std::string& current) = 0;
  // The control panel's Start/Stop toggle, which every start and stop goes through (the limit,
  // the restart timer); where there is no panel, the document's OnStartStop.
  virtual void startStop() = 0;
  // The control panel takes up work again after the profile analysis.
  virtual void enableControlPanel() = 0;
  // What would have been a message box while nobody may be there to answer, shown as a message
  // of the notification icon where the desktop has one; nothing otherwise.
  virtual void notify(const std::string& caption, const std::string& text) = 0;
};

}  // namespace watchpost
