#include "capture/unattended/Autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/base/Text.h"

namespace watchpost {

std::string AutostartPath() {
  return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
          "/autostart/watchpost.desktop")
      .toStdString();
}

std::string ExecArgument(const std::string& argument) {
  // The Exec key's reserved characters make an argument need quotes; inside them the quote,
  // backquote, dollar and backslash take a backslash. Then the whole value takes the string escapes
  // of every desktop entry value (\\ for a backslash), and %% for a percent sign, which would be a
  // field code.
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string word;
  if (argument.empty() || argument.find_first_of(kReserved) != std::string::npos) {
    word += '"';
    for (const char c : argument) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') word += '\\';
      word += c;
    }
    word += '"';
  } else {
    word = argument;
  }
  std::string value;
  for (const char c : word) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '%') {
      value += "%%";
    } else if (c == '\n') {
      value += "\\n";
    } else {
      value += c;
    }
  }
  return value;
}

std::string AutostartEntry(const std::string& program) {
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Watchpost\n"
      "Comment=Corvane motion recorder, started hidden with the desktop session\n"
      "Exec=";
  entry += ExecArgument(program);
  entry +=
      " --start --hidden\n"
      "Icon=watchpost\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return entry;
}

bool AutostartExists(const std::string& path) {
  return QFileInfo::exists(QString::fromStdString(path));
}

bool WriteAutostart(const std::string& path, const std::string& program, std::string& why) {
  const QString file = QString::fromStdString(path);
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
    why = base::FillIn("cannot make the folder %1", {QFileInfo(file).absolutePath().toStdString()});
    return false;
  }
  // Written beside and moved into place: a session never finds half an entry.
  QSaveFile out(file);
  const std::string entry = AutostartEntry(program);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(entry.data(), static_cast<qint64>(entry.size())) !=
          static_cast<qint64>(entry.size()) ||
      !out.commit()) {
    why = out.errorString().toStdString();
    return false;
  }
  return true;
}

bool RemoveAutostart(const std::string& path, std::string& why) {
  if (std::remove(path.c_str()) == 0 || errno == ENOENT) return true;
  why = base::ErrnoText(errno);
  return false;
}

}  // namespace watchpost
