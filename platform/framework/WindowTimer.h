#pragma once

#include <QObject>

#include <functional>
#include <map>

class QTimerEvent;

namespace framework {

// Numbered timers of one window. Each repeats every periodMs until killed and calls `onTimer`
// with its number on the thread the object lives on (the UI thread). A window keeps one as a
// member or as a child object.
class WindowTimers : public QObject {
 public:
  using Handler = std::function<void(int id)>;
  explicit WindowTimers(Handler onTimer, QObject* parent = nullptr);
  ~WindowTimers() override;
  WindowTimers(const WindowTimers&) = delete;
  WindowTimers& operator=(const WindowTimers&) = delete;

  // Starts timer `id`, or starts it afresh with the new period when it is running. Periods under
  // 10 ms count as 10 ms. Returns false when no timer could be had.
  bool SetTimer(int id, int periodMs);
  // Returns false when `id` was not running. No tick of a killed timer arrives afterwards.
  bool KillTimer(int id);
  bool isTimerSet(int id) const { return running_.count(id) != 0; }

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  Handler onTimer_;
  std::map<int, int> running_;  // our number -> Qt's
};

}  // namespace framework
