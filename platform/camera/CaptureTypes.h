#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/video/Dib.h"

// The plain records that cross the capture window's boundary, laid out byte for byte as the
// capture interface publishes them.
namespace camera {

using video::BitmapInfo;
using video::BitmapInfoHeader;
using video::kVideoFormatBytes;
using video::RgbQuad;

// The frame handed to the frame callback. lpData is writable: what the callback writes there is
// what the preview then paints.
struct VideoHdr {
  std::uint8_t* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;
  std::uint32_t dwBytesUsed = 0;
  std::uint32_t dwTimeCaptured = 0;  // milliseconds since the stream started
  std::uintptr_t dwUser = 0;
  std::uint32_t dwFlags = 0;
};

// The sequence set-up of a capture window: 24 four-byte members.
struct CaptureParms {
  std::uint32_t dwRequestMicroSecPerFrame = 0;
  std::int32_t fMakeUserHitOKToCapture = 0;
  std::uint32_t wPercentDropForError = 0;
  std::int32_t fYield = 0;
  std::uint32_t dwIndexSize = 0;
  std::uint32_t wChunkGranularity = 0;
  std::int32_t fUsingDOSMemory = 0;
  std::uint32_t wNumVideoRequested = 0;
  std::int32_t fCaptureAudio = 0;
  std::uint32_t wNumAudioRequested = 0;
  std::uint32_t vKeyAbort = 0;
  std::int32_t fAbortLeftMouse = 0;
  std::int32_t fAbortRightMouse = 0;
  std::int32_t fLimitEnabled = 0;
  std::uint32_t wTimeLimit = 0;
  std::int32_t fMCIControl = 0;
  std::int32_t fStepMCIDevice = 0;
  std::uint32_t dwMCIStartTime = 0;
  std::uint32_t dwMCIStopTime = 0;
  std::int32_t fStepCaptureAt2x = 0;
  std::uint32_t wStepCaptureAverageFrames = 0;
  std::uint32_t dwAudioBufferSize = 0;
  std::int32_t fDisableWriteCache = 0;
  std::uint32_t AVStreamMaster = 0;
};
inline constexpr std::uint32_t kCaptureParmsBytes = 96;
static_assert(sizeof(CaptureParms) == kCaptureParmsBytes);

// Driver names and versions are at most this many characters less one.
inline constexpr int kDriverTextChars = 200;

// Ids the error callback reports with, beside the platform's own text.
inline constexpr int kDriverErrorId = 418;      // the driver could not be connected
inline constexpr int kSourceLostErrorId = 419;  // the video source stopped delivering
inline constexpr int kFileCreateErrorId = 420;  // the capture file could not be created
inline constexpr int kFileWriteErrorId = 421;   // a frame could not be written (disk full...)
inline constexpr int kFileCloseErrorId = 422;   // the capture file could not be finished
inline constexpr int kFormatErrorId = 423;      // the video format could not be set

// Status ids: 0 clears the status text.
inline constexpr int kStatusConnected = 1;
inline constexpr int kStatusCapturing = 2;
inline constexpr int kStatusCaptureDone = 3;

}  // namespace camera
