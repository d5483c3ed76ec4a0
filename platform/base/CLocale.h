#pragma once

#include <locale.h>

namespace base {

// For as long as it lives, this thread formats and parses numbers and times in the C locale.
// QCoreApplication adopts the user's locale, where "%f" may use a decimal comma; files that
// other programs read must say the same everywhere.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(locale() != nullptr ? uselocale(locale()) : nullptr) {}
  ~CLocaleScope() {
    if (previous_ != nullptr) uselocale(previous_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

  // The C locale, for the *_l functions.
  static locale_t locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
  }

 private:
  locale_t previous_;
};

}  // namespace base
