// Casebook's tables, checked by the compiler.
#include "resources/CasebookResources.h"
#include "resources/TemplateChecks.h"

namespace casebook::res {
namespace {

using resources_check::Sound;

static_assert(Sound(kCasebookForm));
static_assert(Sound(kPropertiesDialog));
static_assert(Sound(kSpeedDialog));
static_assert(Sound(kAboutDialog));
static_assert(resources_check::StringIdsUnique(detail::kStrings));

}  // namespace
}  // namespace casebook::res
