// Checks on Watchpost's tables that the compiler can make: every control lies inside its dialog
// and no two controls of one dialog share a number.
#include <span>

#include "resources/TemplateChecks.h"
#include "resources/WatchpostDialogs.h"
#include "resources/WatchpostMenus.h"
#include "resources/WatchpostStrings.h"

namespace watchpost::res {
namespace {

using resources_check::Sound;
using resources_check::StringIdsUnique;

static_assert(Sound(kAboutDialog));
static_assert(Sound(kWatchpostForm));
static_assert(Sound(kPeekWindowDialog));
static_assert(Sound(kAllocateFileDialog));
static_assert(Sound(kDriverChoiceDialog));
static_assert(Sound(kFileNamingDialog));
static_assert(Sound(kEventCommandDialog));
static_assert(StringIdsUnique(detail::kStrings));

}  // namespace
}  // namespace watchpost::res
