#pragma once

#include <QString>

#include <memory>
#include <string>

#include "platform/framework/ProfileStore.h"

class QSettings;

namespace framework {

// The per-user profile on QSettings: ~/.config/Tamsford/<appName>.conf (under XDG_CONFIG_HOME
// when set), one group per section.
class QtProfileStore : public ProfileStore {
 public:
  explicit QtProfileStore(const std::string& appName);
  ~QtProfileStore() override;
  QtProfileStore(const QtProfileStore&) = delete;
  QtProfileStore& operator=(const QtProfileStore&) = delete;

  int GetProfileInt(const std::string& section, const std::string& key,
                    int fallback) const override;
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& fallback) const override;
  bool WriteProfileInt(const std::string& section, const std::string& key, int value) override;
  bool WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value) override;

 private:
  std::unique_ptr<QSettings> open() const;
  void reopenAfterError();
  bool syncOk();

  QString appName_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace framework
