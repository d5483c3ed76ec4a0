// The modal script must not pass a test quietly: a dialog that never came and one nobody
// expected both fail it.
#include "tests/support/ModalScript.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/framework/MessageBox.h"

namespace testing_support {
namespace {

using framework::IDCANCEL;
using framework::MB_OKCANCEL;
using framework::MessageBox;

TEST(ModalScriptTest, AnExpectedDialogThatNeverCameFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        ModalScript script;
        script.expectMessage("Delete all recordings?");
      },
      "Expected message box \"Delete all recordings?\" never appeared");
}

TEST(ModalScriptTest, AnUnexpectedDialogFailsTheTestAndIsCancelled) {
  int result = 0;
  EXPECT_NONFATAL_FAILURE(
      {
        ModalScript script;
        result = MessageBox(nullptr, "Surprise", "Caption", MB_OKCANCEL);
      },
      "Unexpected QMessageBox \"Caption\" saying \"Surprise\"; expected no dialog");
  EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
}  // namespace testing_support
