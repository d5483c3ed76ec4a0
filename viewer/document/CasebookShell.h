#pragma once

#include <string>

class QWidget;

namespace casebook {

// What the viewer's document asks of the program around it: the main window (owner of its
// message boxes), the status bar, the playback timer, and the windows fitted to a picture.
// The application provides the real ones; tests give their own.
class CasebookShell {
 public:
  virtual ~CasebookShell() = default;
  virtual QWidget* mainWindow() = 0;
  // Pane 0 of the status bar, painted at once (the log is read while the user waits).
  virtual void setStatusText(const std::string& text) = 0;
  // The main frame's playback timer.
  virtual void killPlayTimer() = 0;
  // The frame at the top left of the screen with room for a picture of width x height, the
  // view sized to the picture and its band of controls.
  virtual void fitToPicture(int width, int height) = 0;
  // The view forgets the picture it was drawing and paints the empty picture area.
  virtual void dropPicture() = 0;
};

}  // namespace casebook
