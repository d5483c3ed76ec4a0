#include "platform/framework/QtProfileStore.h"

#include "platform/base/ProfileNumber.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <limits>

namespace framework {

namespace {

constexpr const char* kOrganization = "Tamsford";

// "Section/Key" addresses Key in group Section without beginGroup(), which reads cannot call.
QString Path(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

QtProfileStore::QtProfileStore(const std::string& appName)
    : appName_(QString::fromStdString(appName)), settings_(open()) {}

std::unique_ptr<QSettings> QtProfileStore::open() const {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QString::fromLatin1(kOrganization), appName_);
}

QtProfileStore::~QtProfileStore() = default;

int QtProfileStore::GetProfileInt(const std::string& section, const std::string& key,
                                  int fallback) const {
  const QVariant value = settings_->value(Path(section, key));
  if (!value.isValid()) return fallback;
  // Values read back from the file are texts, and a hand-edited one may be anything.
  bool ok = false;
  const qlonglong number = value.toString().toLongLong(&ok);
  const std::optional<int> stored = ok ? base::ProfileNumber(number) : std::nullopt;
  return stored.value_or(fallback);
}

std::string QtProfileStore::GetProfileString(const std::string& section, const std::string& key,
                                             const std::string& fallback) const {
  const QVariant value = settings_->value(Path(section, key));
  return value.isValid() ? value.toString().toStdString() : fallback;
}

bool QtProfileStore::WriteProfileInt(const std::string& section, const std::string& key,
                                     int value) {
  reopenAfterError();
  settings_->setValue(Path(section, key), value);
  return syncOk();
}

bool QtProfileStore::WriteProfileString(const std::string& section, const std::string& key,
                                        const std::string& value) {
  reopenAfterError();
  settings_->setValue(Path(section, key), QString::fromStdString(value));
  return syncOk();
}

void QtProfileStore::reopenAfterError() {
  // QSettings goes on reporting its first error for good. A fresh one (which retries what the
  // old one could not save) lets this write say whether it was saved.
  if (settings_->status() != QSettings::NoError) settings_ = open();
}

bool QtProfileStore::syncOk() {
  // QSettings writes lazily; only a sync tells whether the file took the value.
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

}  // namespace framework
