#include "platform/framework/WindowTimer.h"

#include <QTimerEvent>

#include <algorithm>
#include <utility>

namespace framework {

namespace {
constexpr int kMinimumPeriodMs = 10;
}

WindowTimers::WindowTimers(Handler onTimer, QObject* parent)
    : QObject(parent), onTimer_(std::move(onTimer)) {}

WindowTimers::~WindowTimers() {
  for (const auto& [id, qtId] : running_) killTimer(qtId);
}

bool WindowTimers::SetTimer(int id, int periodMs) {
  KillTimer(id);
  // Precise: a coarse timer may come 5% late, 25 ms of a 500 ms tick.
  const int qtId = startTimer(std::max(periodMs, kMinimumPeriodMs), Qt::PreciseTimer);
  if (qtId == 0) return false;
  running_[id] = qtId;
  return true;
}

bool WindowTimers::KillTimer(int id) {
  const auto it = running_.find(id);
  if (it == running_.end()) return false;
  killTimer(it->second);
  running_.erase(it);
  return true;
}

void WindowTimers::timerEvent(QTimerEvent* event) {
  // Looked up on every tick: a tick of a timer killed meanwhile is dropped.
  const auto it = std::find_if(running_.begin(), running_.end(),
                               [&](const auto& entry) { return entry.second == event->timerId(); });
  if (it == running_.end()) {
    QObject::timerEvent(event);
    return;
  }
  if (onTimer_) onTimer_(it->first);
}

}  // namespace framework
