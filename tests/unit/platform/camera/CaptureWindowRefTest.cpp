#include "platform/camera/CaptureService.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/FakeCaptureService.h"

namespace camera {
namespace {

using testing_support::FakeCaptureService;

struct OpCase {
  const char* op;
  std::function<LRESULT(const CaptureWindowRef&)> send;
  std::vector<long long> args;
  std::string text;
};

// Every operation of the reference, with arguments that are not its defaults.
std::vector<OpCase> AllOps() {
  static BitmapInfo format;
  static const CaptureParms parms{};
  const auto noop = [](CaptureWindowHandle, int, const char*) -> LRESULT { return 1; };
  return {
      {"driverConnect", [](auto& r) { return r.driverConnect(3); }, {3}, ""},
      {"driverDisconnect", [](auto& r) { return r.driverDisconnect(); }, {}, ""},
      {"setCallbackStatus", [=](auto& r) { return r.setCallbackStatus(noop); }, {1}, ""},
      {"setCallbackError", [](auto& r) { return r.setCallbackError(nullptr); }, {0}, ""},
      {"setCallbackFrame",
       [](auto& r) { return r.setCallbackFrame([](CaptureWindowHandle, VideoHdr*) -> LRESULT {
           return 1;
         }); },
       {1}, ""},
      {"getVideoFormat", [](auto& r) { return r.getVideoFormat(&format, 44); }, {44}, ""},
      {"setScale", [](auto& r) { return r.setScale(true); }, {1}, ""},
      {"setSequenceSetup", [](auto& r) { return r.setSequenceSetup(&parms, 96); }, {96, 0, 0}, ""},
      {"setPreviewRate", [](auto& r) { return r.setPreviewRate(250); }, {250}, ""},
      {"setPreview", [](auto& r) { return r.setPreview(true); }, {1}, ""},
      {"setOverlay", [](auto& r) { return r.setOverlay(true); }, {1}, ""},
      {"fileSetCaptureFile", [](auto& r) { return r.fileSetCaptureFile("/v/a.avi"); }, {},
       "/v/a.avi"},
      {"fileAllocate", [](auto& r) { return r.fileAllocate(1048576); }, {1048576}, ""},
      {"singleFrameOpen", [](auto& r) { return r.singleFrameOpen(); }, {0}, ""},
      {"singleFrame", [](auto& r) { return r.singleFrame(); }, {}, ""},
      {"singleFrameClose", [](auto& r) { return r.singleFrameClose(); }, {}, ""},
      {"dlgVideoCompression", [](auto& r) { return r.dlgVideoCompression(); }, {}, ""},
      {"dlgVideoFormat", [](auto& r) { return r.dlgVideoFormat(); }, {}, ""},
      {"dlgVideoSource", [](auto& r) { return r.dlgVideoSource(); }, {}, ""},
  };
}

enum class Missing { NoService, NeverCreated, CreateFailed, Destroyed };

class MissingWindow : public testing::TestWithParam<Missing> {};

TEST_P(MissingWindow, EveryOperationIsSkippedAndReturnsZero) {
  FakeCaptureService fake;
  fake.setCompressionResult(1);
  CaptureWindowHandle handle = FakeCaptureService::kWindow;
  switch (GetParam()) {
    case Missing::NoService:
    case Missing::NeverCreated:
      break;
    case Missing::CreateFailed:
      fake.setCreateFails(true);
      handle = fake.createCaptureWindow("Capture", 0, 0, 0, 320, 240, nullptr, 0);
      break;
    case Missing::Destroyed:
      handle = fake.createCaptureWindow("Capture", 0, 0, 0, 320, 240, nullptr, 0);
      fake.destroyWindow();
      break;
  }
  fake.clearCalls();
  const CaptureWindowRef ref(GetParam() == Missing::NoService ? nullptr : &fake, handle);

  EXPECT_FALSE(ref.exists());
  for (const OpCase& c : AllOps()) EXPECT_EQ(c.send(ref), 0) << c.op;
  EXPECT_TRUE(fake.calls().empty());
  EXPECT_TRUE(fake.strayCalls().empty()) << fake.strayCalls().front().op << " was sent";
}

std::string MissingName(const testing::TestParamInfo<Missing>& info) {
  switch (info.param) {
    case Missing::NoService: return "NoService";
    case Missing::NeverCreated: return "NeverCreated";
    case Missing::CreateFailed: return "CreateFailed";
    case Missing::Destroyed: return "Destroyed";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(CaptureWindowRef, MissingWindow,
                         testing::Values(Missing::NoService, Missing::NeverCreated,
                                         Missing::CreateFailed, Missing::Destroyed),
                         MissingName);

TEST(CaptureWindowRefTest, LiveWindowReceivesEachOperationWithItsArguments) {
  FakeCaptureService fake;
  fake.setCompressionResult(1);
  const CaptureWindowRef ref(&fake, fake.createCaptureWindow("Capture", 0, 0, 0, 320, 240,
                                                             nullptr, 0));
  ASSERT_TRUE(ref.exists());

  for (const OpCase& c : AllOps()) {
    fake.clearCalls();
    EXPECT_NE(c.send(ref), 0) << c.op;
    ASSERT_EQ(fake.calls().size(), 1u) << c.op;
    EXPECT_EQ(fake.calls()[0].op, c.op);
    EXPECT_EQ(fake.calls()[0].args, c.args) << c.op;
    EXPECT_EQ(fake.calls()[0].text, c.text) << c.op;
  }
}

}  // namespace
}  // namespace camera
