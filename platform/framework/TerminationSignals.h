#pragma once

#include <QObject>

#include <functional>
#include <string>

class QSocketNotifier;

namespace framework {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the UI thread, so that a logout, a service
// stop or Ctrl+C ends the program the way its Exit command does: nothing is done inside the
// signal handler but a write to a pipe. One instance per process; signals that arrive again
// while the first is being handled call `onSignal` again.
class TerminationSignals : public QObject {
 public:
  explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
  ~TerminationSignals() override;  // puts the default handlers back
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // False, with the reason, when the pipe or a handler could not be set up.
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  void drain();

  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
  std::string error_;
};

}  // namespace framework
