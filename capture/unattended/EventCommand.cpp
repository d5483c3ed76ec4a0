#include "capture/unattended/EventCommand.h"

#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <string_view>

#include "resources/WatchpostTexts.h"

namespace watchpost {

const char* EventName(WatchEvent event) {
  switch (event) {
    case WatchEvent::Movement: return "movement";
    case WatchEvent::CameraLost: return "camera-lost";
    case WatchEvent::CameraBack: return "camera-back";
  }
  return "movement";
}

std::string IsoLocalTime(std::uint32_t seconds) {
  const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
  // Through the offset, so that the text carries it ("+01:00") rather than leaving it out.
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

std::vector<std::pair<std::string, std::string>> EventVariables(const EventFacts& facts) {
  return {{"CORVANE_AVI", facts.avi},
          {"CORVANE_LOG", facts.log},
          {"CORVANE_TIME", IsoLocalTime(facts.time)},
          {"CORVANE_FRAME", std::to_string(facts.frame)},
          {"CORVANE_EVENT", EventName(facts.event)}};
}

bool SplitCommand(const std::string& command, std::vector<std::string>& words, std::string& why) {
  // QProcess::splitCommand knows no single quotes, and sh -c '...' is what users write.
  words.clear();
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (quote == '\'') {
      if (c == '\'') {
        quote = 0;
      } else {
        word += c;
      }
    } else if (quote == '"') {
      if (c == '"') {
        quote = 0;
      } else if (c == '\\' && i + 1 < command.size() &&
                 std::string_view("\"\\$`").find(command[i + 1]) != std::string_view::npos) {
        word += command[++i];
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      inWord = true;
      if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == '\\' && i + 1 < command.size()) {
        word += command[++i];
      } else {
        word += c;
      }
    }
  }
  if (quote != 0) {
    why = res::text::kOpenQuote;
    return false;
  }
  if (inWord) words.push_back(std::move(word));
  if (words.empty()) {
    why = res::text::kEmptyCommand;
    return false;
  }
  return true;
}

bool LaunchEventCommand(const std::string& command, const EventFacts& facts, std::string& why) {
  std::vector<std::string> words;
  if (!SplitCommand(command, words, why)) return false;
  QStringList arguments;
  for (std::size_t i = 1; i < words.size(); ++i) arguments << QString::fromStdString(words[i]);
  QProcess process;
  process.setProgram(QString::fromStdString(words.front()));
  process.setArguments(arguments);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : EventVariables(facts)) {
    environment.insert(QString::fromStdString(name), QString::fromStdString(value));
  }
  process.setProcessEnvironment(environment);
  // Nothing of ours for it to read; it is never waited for.
  process.setStandardInputFile(QProcess::nullDevice());
  if (process.startDetached()) return true;
  why = process.errorString().toStdString();
  return false;
}

}  // namespace watchpost
