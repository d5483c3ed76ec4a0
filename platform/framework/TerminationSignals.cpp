#include "platform/framework/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>

#include "platform/base/Text.h"

namespace framework {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int gPipe[2] = {-1, -1};  // written by the handler, read on the UI thread

extern "C" void NoteSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe already holds a wake-up; losing this byte loses nothing.
  [[maybe_unused]] const ssize_t ignored = ::write(gPipe[1], &number, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    error_ = "Cannot watch for termination signals: " + base::ErrnoText(errno);
    return;
  }
  notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) {
    if (::sigaction(signal, &action, nullptr) != 0 && error_.empty()) {
      error_ = "Cannot watch for termination signals: " + base::ErrnoText(errno);
    }
  }
}

TerminationSignals::~TerminationSignals() {
  for (const int signal : kSignals) ::signal(signal, SIG_DFL);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : gPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void TerminationSignals::drain() {
  unsigned char numbers[16];
  ssize_t n = 0;
  while ((n = ::read(gPipe[0], numbers, sizeof numbers)) > 0) {
    for (ssize_t i = 0; i < n; ++i) onSignal_(numbers[i]);
  }
}

}  // namespace framework
