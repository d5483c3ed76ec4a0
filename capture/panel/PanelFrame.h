#pragma once

#include <string>

namespace watchpost {

// What the control panel asks of the main frame around it.
class PanelFrame {
 public:
  virtual ~PanelFrame() = default;
  // Places the frame window on the screen (its outer size).
  virtual void MoveFrame(int x, int y, int width, int height) = 0;
  // Pane 0 of the status bar, painted at once.
  virtual void SetMessageText(const std::string& text) = 0;
  // The frame's Peek command.
  virtual void Peek() = 0;
  // Ends the program with `exitCode` once the start-up in progress is done.
  virtual void PostQuitMessage(int exitCode) = 0;
};

}  // namespace watchpost
