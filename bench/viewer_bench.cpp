// Casebook's costs, beside what FFmpeg's bare API takes for the same file where there is one:
// - ReadEventLog of a log Watchpost's own writer made, from the page cache: once into the
//   table of the recording open before (same length, nothing allocated), and once into a fresh
//   table, as at the first open of a recording of that length.
// - Open/<who>/<codec>: a recording opened to its first picture. Casebook is the whole
//   CCasebookDoc::OnOpenDocument (reader, frame 0, the log); AviReader its reader calls alone;
//   Libavformat the steps of FFmpeg's demux_decode.c up to the first decoded picture, and
//   LibavformatToDib the same with that picture converted into a DIB's rows as the reader does.
// - Seek/<who>/<codec>: the slider let go at a random frame (one sequence for all): the
//   document's ShowPosition against av_seek_frame + read + decode of that frame (OneDecode),
//   and the same converted into a DIB's rows (OneDecodeToDib).
// - PlaybackTimer/15fps: the main frame's timer at Casebook's 1000 / 15 = 66 ms, bare and with
//   the document's PlayTick on every tick.
// - ReviewFromLog: what the bursts and the activity strip cost once a recording opens: the log
//   read, the timeline (times and bursts) built from it, the strip's minutes and columns.
// - NextBurst/<codec>: Action > Next Burst in the whole program (offscreen), from the command to
//   the burst's first picture, against Seek/Casebook (one seek).
// The recordings (2,000 frames of 640x480 with their logs, per compressor) are written once
// at start-up by Watchpost's AviWriter and removed at exit. Their logs are a night's: bursts of
// 40 frames at four a second, 20 minutes apart.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "bench/PreparedFrames.h"
#include "capture/eventlog/EventLog.h"
#include "platform/avi/AviReader.h"
#include "platform/avi/AviWriter.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/WindowTimer.h"
#include "platform/video/Ffmpeg.h"
#include "platform/video/FrameFormat.h"
#include "resources/CasebookResources.h"
#include "viewer/app/CasebookApp.h"
#include "viewer/app/ReviewCommands.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/document/CasebookShell.h"
#include "viewer/document/EventLogReader.h"
#include "viewer/review/Activity.h"
#include "viewer/review/LogTimeline.h"

namespace {

using Clock = std::chrono::steady_clock;

// Capture times three a second from December 2026, one per frame line.
std::vector<std::uint32_t> CaptureTimes(std::int32_t frames) {
  std::vector<std::uint32_t> times(static_cast<std::size_t>(frames));
  for (std::size_t i = 0; i < times.size(); ++i) {
    times[i] = 1796625075u + static_cast<std::uint32_t>(i / 3);
  }
  return times;
}

// A night's capture times: bursts of 40 frames at four a second, each 20 minutes after the one
// before.
constexpr std::int32_t kBurstFrames = 40;
std::vector<std::uint32_t> NightTimes(std::int32_t frames) {
  std::vector<std::uint32_t> times(static_cast<std::size_t>(frames));
  for (std::size_t i = 0; i < times.size(); ++i) {
    const auto burst = static_cast<std::uint32_t>(i / kBurstFrames);
    const auto within = static_cast<std::uint32_t>(i % kBurstFrames);
    times[i] = 1796625075u + burst * 1200u + within / 4;
  }
  return times;
}

// A genuine log of `frames` frame lines and the settings lines, gone with the object.
class GenuineLog {
 public:
  explicit GenuineLog(std::int32_t frames, bool night = false)
      : path_((std::filesystem::temp_directory_path() /
               ("viewer-bench-" + std::to_string(::getpid()) + ".log"))
                  .string()) {
    const std::vector<std::uint32_t> times = night ? NightTimes(frames) : CaptureTimes(frames);
    std::ofstream(path_, std::ios::binary)
        << watchpost::EventLogText(times.data(), frames, watchpost::CaptureSettings{});
  }
  ~GenuineLog() { std::filesystem::remove(path_); }
  GenuineLog(const GenuineLog&) = delete;
  GenuineLog& operator=(const GenuineLog&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void Check(benchmark::State& state, const casebook::EventLogResult& result, std::int32_t frames) {
  if (!result.loaded || result.suspect || result.entriesShown != frames) {
    state.SkipWithError("the log was not read whole");
  }
}

void BM_ReadEventLog(benchmark::State& state) {
  const auto frames = static_cast<std::int32_t>(state.range(0));
  const GenuineLog log(frames);
  casebook::EntryTable table;
  casebook::EventLogResult result;
  for (auto _ : state) {
    result = casebook::ReadEventLog(log.path(), frames, table, nullptr);
    benchmark::DoNotOptimize(table.Entry(frames - 1));
  }
  Check(state, result, frames);
  state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_ReadEventLog)->Name("ReadEventLog")->Arg(64000)->Unit(benchmark::kMillisecond);

void BM_ReadEventLogFreshTable(benchmark::State& state) {
  const auto frames = static_cast<std::int32_t>(state.range(0));
  const GenuineLog log(frames);
  casebook::EventLogResult result;
  for (auto _ : state) {
    casebook::EntryTable table;
    result = casebook::ReadEventLog(log.path(), frames, table, nullptr);
    benchmark::DoNotOptimize(table.Entry(frames - 1));
  }
  Check(state, result, frames);
  state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_ReadEventLogFreshTable)
    ->Name("ReadEventLogFreshTable")
    ->Arg(64000)
    ->Unit(benchmark::kMillisecond);

// From the open's log read to the strip's columns: all that the bursts and the activity strip
// need, none of it decoding a frame. The strip is as wide as the slider's handle travels
// (about 220 pixels).
void BM_ReviewFromLog(benchmark::State& state) {
  using Ms = std::chrono::duration<double, std::milli>;
  const auto frames = static_cast<std::int32_t>(state.range(0));
  const GenuineLog log(frames, true);
  casebook::EntryTable table;
  casebook::review::LogTimeline timeline;
  std::vector<std::int32_t> peaks;
  casebook::EventLogResult result;
  double read = 0, build = 0, strip = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    result = casebook::ReadEventLog(log.path(), frames, table, nullptr);
    const Clock::time_point readDone = Clock::now();
    timeline.Build(table, frames);
    const Clock::time_point built = Clock::now();
    peaks =
        casebook::review::ColumnPeaks(casebook::review::MinuteBuckets(timeline), frames - 1, 220);
    benchmark::DoNotOptimize(peaks.data());
    strip += Ms(Clock::now() - built).count();
    build += Ms(built - readDone).count();
    read += Ms(readDone - start).count();
  }
  Check(state, result, frames);
  if (timeline.bursts().size() !=
      static_cast<std::size_t>((frames + kBurstFrames - 1) / kBurstFrames)) {
    state.SkipWithError("the bursts are not the night's");
  }
  using benchmark::Counter;
  state.counters["read_ms"] = Counter(read, Counter::kAvgIterations);
  state.counters["build_ms"] = Counter(build, Counter::kAvgIterations);
  state.counters["strip_ms"] = Counter(strip, Counter::kAvgIterations);
}
BENCHMARK(BM_ReviewFromLog)->Name("ReviewFromLog")->Arg(64000)->Unit(benchmark::kMillisecond);

// ---- The recordings ----

constexpr camera::FrameFormat kFormat{640, 480, 24};
constexpr std::int32_t kRecordingFrames = 2000;
constexpr std::uint32_t kMicroSecPerFrame = 250000;  // Watchpost's default, 4 a second

struct Recording {
  avi::Compressor compressor;
  std::string avi;
  std::string log;
};

// One recording per compressor in a folder of its own, made from the pattern frames in turn
// (frame k is pattern frame k % 16), gone with the object.
class Recordings {
 public:
  Recordings()
      : folder_(std::filesystem::temp_directory_path() /
                ("corvane-viewer-bench-" + std::to_string(::getpid()))) {}
  ~Recordings() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  Recordings(const Recordings&) = delete;
  Recordings& operator=(const Recordings&) = delete;

  bool make(const avi::Compressor& compressor, std::string& error) {
    std::filesystem::create_directories(folder_);
    const std::string stem = (folder_ / compressor.codec).string();
    Recording recording{compressor, stem + ".avi", stem + ".log"};
    avi::AviWriter writer;
    const video::BitmapInfo info = video::ToBitmapInfo(kFormat);
    if (!writer.open(recording.avi, info.bmiHeader, kMicroSecPerFrame, compressor, 0, error)) {
      return false;
    }
    const bench::Frames& frames = bench::PatternFrames(kFormat);
    for (std::int32_t k = 0; k < kRecordingFrames; ++k) {
      const auto& frame = frames[static_cast<std::size_t>(k) % frames.size()];
      if (!writer.writeFrame(frame.data(), frame.size(), error)) return false;
    }
    if (!writer.close(error)) return false;
    const std::vector<std::uint32_t> times = NightTimes(kRecordingFrames);
    std::ofstream log(recording.log, std::ios::binary);
    log << watchpost::EventLogText(times.data(), kRecordingFrames, watchpost::CaptureSettings{});
    if (!log.flush()) {
      error = "cannot write " + recording.log;
      return false;
    }
    // On disk before the first benchmark, so that no writeback runs beside it.
    for (const std::string& path : {recording.avi, recording.log}) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      const bool synced = fd >= 0 && ::fsync(fd) == 0;
      if (fd >= 0) ::close(fd);
      if (!synced) {
        error = "cannot sync " + path;
        return false;
      }
    }
    made_.push_back(std::move(recording));
    return true;
  }
  const std::vector<Recording>& made() const { return made_; }

 private:
  std::filesystem::path folder_;
  std::vector<Recording> made_;
};

// The program around the document does nothing here: no window, no status bar, no timer.
class QuietShell final : public casebook::CasebookShell {
 public:
  QWidget* mainWindow() override { return nullptr; }
  void setStatusText(const std::string&) override {}
  void killPlayTimer() override {}
  void fitToPicture(int, int) override {}
  void dropPicture() override {}
};

// A document as Casebook keeps one: reused for every recording opened.
struct Document {
  framework::MemoryProfileStore profile;
  QuietShell shell;
  casebook::CCasebookDoc doc{profile, shell};

  // Opened with its frames, its first picture and its whole log: nothing asked for a message
  // box (which would wait for a click).
  bool open(const std::string& path) {
    return doc.OnOpenDocument(path) && doc.recordingOpen && doc.currentPicture != nullptr &&
           doc.lastFrame == kRecordingFrames - 1 && doc.logLoaded &&
           doc.entryCount == doc.lastFrame;
  }
};

// Whether a picture (a packed bottom-up DIB) is the recorded frame `frame`: nearer to its
// pattern frame than to any other (mean absolute difference), and equal to it when lossless.
bool IsFrame(const video::BitmapInfoHeader* picture, std::int32_t frame,
             const avi::Compressor& compressor) {
  if (picture == nullptr) return false;
  const bench::Frames& patterns = bench::PatternFrames(kFormat);
  const auto* pixels = reinterpret_cast<const std::uint8_t*>(picture) + sizeof *picture;
  std::vector<std::uint64_t> distance;
  for (const auto& pattern : patterns) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      sum += static_cast<std::uint64_t>(std::abs(int(pixels[i]) - int(pattern[i])));
    }
    distance.push_back(sum);
  }
  const auto nearest = std::min_element(distance.begin(), distance.end()) - distance.begin();
  const auto own = static_cast<std::size_t>(frame) % patterns.size();
  return nearest == static_cast<std::ptrdiff_t>(own) &&
         (compressor.codec != "rawvideo" || distance[own] == 0);
}

// The peer: FFmpeg's demux_decode.c example, the same calls in the same order, on one decoder
// thread as the reader has (the same decoding work on both sides).
class BareDecoder {
 public:
  bool open(const std::string& path) { return openInput(path) && openDecoder(); }

  bool openInput(const std::string& path) {
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return false;
    input_.reset(input);
    if (avformat_find_stream_info(input, nullptr) < 0) return false;
    stream_ = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    return stream_ >= 0;
  }

  bool openDecoder() {
    const AVCodecParameters* parameters = input_->streams[stream_]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr) return false;
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), parameters) < 0) return false;
    decoder_->thread_count = 1;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) return false;
    packet_.reset(av_packet_alloc());
    picture_.reset(av_frame_alloc());
    return packet_ && picture_;
  }

  // The next picture, as the example's read-send-receive loop gets it.
  bool decodeNext() {
    for (;;) {
      int result = avcodec_receive_frame(decoder_.get(), picture_.get());
      if (result == 0) return true;
      if (result != AVERROR(EAGAIN)) return false;
      if (av_read_frame(input_.get(), packet_.get()) < 0) return false;
      if (packet_->stream_index == stream_) {
        result = avcodec_send_packet(decoder_.get(), packet_.get());
      }
      av_packet_unref(packet_.get());
      if (result < 0) return false;
    }
  }

  // Frame `frame` alone: to its place in the index, then one packet and one picture.
  bool decodeFrame(std::int64_t frame) {
    if (av_seek_frame(input_.get(), stream_, frame, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(decoder_.get());
    return decodeNext();
  }

  // The picture into bottom-up BGR rows, as a DIB holds them: the same swscale calls as the
  // reader's (bilinear, full range given apart), the scaler and rows made at the first call.
  bool toDib() {
    const AVFrame& p = *picture_;
    AVPixelFormat from = static_cast<AVPixelFormat>(p.format);
    bool full = p.color_range == AVCOL_RANGE_JPEG;
    if (from == AV_PIX_FMT_YUVJ420P) {
      from = AV_PIX_FMT_YUV420P;
      full = true;
    }
    const int stride = p.width * 3;
    if (!scaler_) {
      scaler_.reset(sws_getContext(p.width, p.height, from, p.width, p.height, AV_PIX_FMT_BGR24,
                                   SWS_BILINEAR, nullptr, nullptr, nullptr));
      rows_.reset(static_cast<std::uint8_t*>(
          av_mallocz(sizeof(video::BitmapInfoHeader) + std::size_t(stride) * p.height)));
      if (!scaler_ || !rows_) return false;
      const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
      sws_setColorspaceDetails(scaler_.get(), coefficients, full ? 1 : 0, coefficients, 1, 0,
                               1 << 16, 1 << 16);
    }
    std::uint8_t* last =
        rows_.get() + sizeof(video::BitmapInfoHeader) + std::size_t(stride) * (p.height - 1);
    std::uint8_t* rows[4] = {last};
    int strides[4] = {-stride};
    return sws_scale(scaler_.get(), p.data, p.linesize, 0, p.height, rows, strides) > 0;
  }
  const video::BitmapInfoHeader* dib() const {
    return reinterpret_cast<const video::BitmapInfoHeader*>(rows_.get());
  }

  const AVFrame& picture() const { return *picture_; }

 private:
  struct AvFree {
    void operator()(std::uint8_t* p) const { av_free(p); }
  };
  ffmpeg::InputPtr input_;
  ffmpeg::CodecPtr decoder_;
  ffmpeg::PacketPtr packet_;
  ffmpeg::FramePtr picture_;
  int stream_ = -1;
  ffmpeg::ScalerPtr scaler_;
  std::unique_ptr<std::uint8_t, AvFree> rows_;
};

// ---- Open to the first picture ----

void OpenCasebook(benchmark::State& state, const Recording& recording) {
  Document document;
  bool opened = true;
  for (auto _ : state) {
    opened = document.open(recording.avi) && opened;
    benchmark::DoNotOptimize(document.doc.currentPicture);
  }
  if (!opened) {
    state.SkipWithError("the recording did not open whole");
  } else if (!IsFrame(document.doc.currentPicture, 0, recording.compressor)) {
    state.SkipWithError("frame 0 is not the picture recorded");
  }
}

// The reader's steps one after the other, each timed on its own as well: the file (its
// headers), the stream (FFmpeg's open and the frame count), the frame getter (the decoder,
// the DIB and frame 0, which getFrame(0) then finds shown).
void OpenAviReader(benchmark::State& state, const Recording& recording) {
  using Ms = std::chrono::duration<double, std::milli>;
  avi::AviReader reader;
  std::string error;
  const video::BitmapInfoHeader* picture = nullptr;
  double file = 0, stream = 0, getter = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const bool fileOpen = reader.openFile(recording.avi, error);
    const Clock::time_point fileDone = Clock::now();
    const bool streamOpen = fileOpen && reader.openStream(error);
    const Clock::time_point streamDone = Clock::now();
    picture = streamOpen && reader.openFrameGetter(error) ? reader.getFrame(0, error) : nullptr;
    getter += Ms(Clock::now() - streamDone).count();
    stream += Ms(streamDone - fileDone).count();
    file += Ms(fileDone - start).count();
    if (picture == nullptr) break;
  }
  if (picture == nullptr) {
    state.SkipWithError(("the reader failed: " + error).c_str());
  } else if (reader.streamLength() != kRecordingFrames ||
             !IsFrame(picture, 0, recording.compressor)) {
    state.SkipWithError("frame 0 is not the picture recorded");
  }
  using benchmark::Counter;
  state.counters["file_ms"] = Counter(file, Counter::kAvgIterations);
  state.counters["stream_ms"] = Counter(stream, Counter::kAvgIterations);
  state.counters["getter_ms"] = Counter(getter, Counter::kAvgIterations);
}

// The peer's steps likewise: input (open + stream info + best stream), decoder, frame 0; with
// `toDib`, frame 0 is also converted into a DIB's rows, as the reader does.
void OpenLibavformat(benchmark::State& state, const Recording& recording, bool toDib) {
  using Ms = std::chrono::duration<double, std::milli>;
  bool decoded = true;
  double input = 0, decoder = 0, first = 0;
  std::unique_ptr<BareDecoder> peer;
  for (auto _ : state) {
    peer.reset();  // in the timing, as the document closes the recording before
    const Clock::time_point start = Clock::now();
    peer = std::make_unique<BareDecoder>();
    decoded = peer->openInput(recording.avi);
    const Clock::time_point inputDone = Clock::now();
    decoded = decoded && peer->openDecoder();
    const Clock::time_point decoderDone = Clock::now();
    decoded =
        decoded && peer->decodeNext() && peer->picture().pts == 0 && (!toDib || peer->toDib());
    first += Ms(Clock::now() - decoderDone).count();
    decoder += Ms(decoderDone - inputDone).count();
    input += Ms(inputDone - start).count();
    if (!decoded) break;
  }
  if (!decoded || (toDib && !IsFrame(peer->dib(), 0, recording.compressor))) {
    state.SkipWithError("frame 0 was not decoded");
  }
  using benchmark::Counter;
  state.counters["input_ms"] = Counter(input, Counter::kAvgIterations);
  state.counters["decoder_ms"] = Counter(decoder, Counter::kAvgIterations);
  state.counters["frame0_ms"] = Counter(first, Counter::kAvgIterations);
}

// ---- Random seek ----

// Where the slider is let go: a fixed sequence, the same for both sides. Never the frame shown
// nor the one after it (the reader would fetch nothing, or go on without a seek), including
// across the wrap-around to the start.
const std::vector<std::int32_t>& SeekSequence() {
  static const std::vector<std::int32_t> sequence = [] {
    constexpr std::size_t kLength = 4096;
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::int32_t> any(0, kRecordingFrames - 1);
    std::vector<std::int32_t> frames;
    std::int32_t shown = 0;  // opening shows frame 0
    while (frames.size() < kLength) {
      const std::int32_t k = any(random);
      if (k == shown || k == shown + 1) continue;
      if (frames.size() + 1 == kLength && (frames[0] == k || frames[0] == k + 1)) continue;
      frames.push_back(k);
      shown = k;
    }
    return frames;
  }();
  return sequence;
}

// The slider's let-go: the document's position set, then ShowPosition (the fetch; the views'
// update has no views here).
void SeekCasebook(benchmark::State& state, const Recording& recording) {
  Document document;
  if (!document.open(recording.avi)) {
    state.SkipWithError("the recording did not open whole");
    return;
  }
  const std::vector<std::int32_t>& sequence = SeekSequence();
  std::size_t next = 0;
  std::int32_t frame = 0;
  const video::BitmapInfoHeader* picture = nullptr;
  for (auto _ : state) {
    frame = sequence[next];
    next = (next + 1) % sequence.size();
    document.doc.position = frame;
    document.doc.ShowPosition();
    picture = document.doc.currentPicture;
    benchmark::DoNotOptimize(picture);
  }
  if (!IsFrame(picture, frame, recording.compressor)) {
    state.SkipWithError("the last frame fetched is not the picture recorded");
  }
}

// One frame decode with the bare API: av_seek_frame to frame k, read its packet, decode it.
// The picture stays in the decoder's own format; with `toDib` it is also converted into a
// DIB's rows, as the reader does.
void SeekOneDecode(benchmark::State& state, const Recording& recording, bool toDib) {
  BareDecoder peer;
  if (!peer.open(recording.avi) || !peer.decodeNext()) {
    state.SkipWithError("the file did not open");
    return;
  }
  const std::vector<std::int32_t>& sequence = SeekSequence();
  std::size_t next = 0;
  std::int32_t frame = 0;
  bool decoded = true;
  for (auto _ : state) {
    frame = sequence[next];
    next = (next + 1) % sequence.size();
    decoded = peer.decodeFrame(frame) && peer.picture().pts == frame && (!toDib || peer.toDib());
    if (!decoded) break;
  }
  if (!decoded || (toDib && !IsFrame(peer.dib(), frame, recording.compressor))) {
    state.SkipWithError("a frame was not decoded, or another one was");
  }
}

// ---- Playback timer ----

constexpr int kPlaybackRate = 15;
constexpr int kTimerTicks = 60;

// The main frame's playback timer at 15 frames a second, on the event loop: one iteration is
// one run of 60 ticks, its time the mean interval. With a recording, each tick is the main
// frame's: the document's PlayTick (fetch of the next frame).
void PlaybackTimer(benchmark::State& state, const Recording* recording) {
  std::unique_ptr<Document> document;
  if (recording != nullptr) {
    document = std::make_unique<Document>();
    if (!document->open(recording->avi)) {
      state.SkipWithError("the recording did not open whole");
      return;
    }
  }
  using Ms = std::chrono::duration<double, std::milli>;
  double meanSum = 0, jitterSum = 0, worstLate = 0, worstInterval = 0, workSum = 0;
  int runs = 0, intervalMs = 0;
  bool played = true;
  for (auto _ : state) {
    casebook::CCasebookDoc* doc = document ? &document->doc : nullptr;
    if (doc != nullptr) {
      doc->playbackRate = kPlaybackRate;
      doc->position = 0;
    }
    // The interval as the main frame asks for it: 1000 / 15 = 66 ms.
    intervalMs = doc != nullptr ? doc->TimerIntervalMs() : 1000 / kPlaybackRate;
    std::vector<Clock::time_point> ticks;
    ticks.reserve(kTimerTicks);
    double work = 0;
    QEventLoop loop;
    framework::WindowTimers* timersSeen = nullptr;
    framework::WindowTimers timers([&](int id) {
      ticks.push_back(Clock::now());
      if (doc != nullptr) {
        played = doc->PlayTick() && played;
        work += Ms(Clock::now() - ticks.back()).count();
      }
      if (static_cast<int>(ticks.size()) == kTimerTicks) {
        timersSeen->KillTimer(id);
        loop.quit();
      }
    });
    timersSeen = &timers;
    const Clock::time_point start = Clock::now();
    if (!timers.SetTimer(0, intervalMs)) {
      state.SkipWithError("no timer");
      break;
    }
    loop.exec();

    const double mean = Ms(ticks.back() - start).count() / kTimerTicks;
    double squares = 0;
    Clock::time_point before = start;
    for (int i = 0; i < kTimerTicks; ++i) {
      const double interval = Ms(ticks[i] - before).count();
      squares += (interval - mean) * (interval - mean);
      worstInterval = std::max(worstInterval, interval);
      // Against the tick's due time on a timer that does not drift.
      const double late = Ms(ticks[i] - start).count() - double(intervalMs) * (i + 1);
      worstLate = std::max(worstLate, late);
      before = ticks[i];
    }
    meanSum += mean;
    jitterSum += std::sqrt(squares / kTimerTicks);
    workSum += work / kTimerTicks;
    ++runs;
    state.SetIterationTime(mean / 1e3);
  }
  if (!played) state.SkipWithError("a tick did not play its frame");
  if (runs == 0) return;
  state.counters["interval_ms"] = intervalMs;
  state.counters["mean_ms"] = meanSum / runs;
  state.counters["deviation_ms"] = meanSum / runs - intervalMs;
  state.counters["jitter_ms"] = jitterSum / runs;
  state.counters["worst_late_ms"] = worstLate;
  state.counters["worst_interval_ms"] = worstInterval;
  state.counters["fps"] = 1e3 * runs / meanSum;
  if (recording != nullptr) state.counters["tick_work_ms"] = workSum / runs;
}

// ---- Next Burst ----

// Action > Next Burst as the menu and Ctrl+Right send it, in the whole program offscreen: the
// command routed, the next burst found, its first frame fetched and the views told (the screen
// paints later, as after a seek). At the last burst the program goes back to the first, outside
// the timing.
void NextBurst(benchmark::State& state, const Recording& recording) {
  framework::MemoryProfileStore profile;
  casebook::CCasebookApp app(profile);
  if (!app.InitInstance({QString::fromStdString(recording.avi)}) ||
      app.document()->timeline.bursts().size() != kRecordingFrames / kBurstFrames) {
    state.SkipWithError("the recording did not open with its bursts");
    return;
  }
  casebook::CCasebookDoc& doc = *app.document();
  framework::CommandRouter& router = app.router();
  bool moved = true;
  for (auto _ : state) {
    if (!router.query(casebook::res::cmd::NextBurst).enabled) {
      state.PauseTiming();
      app.review()->GoToBurst(0);
      state.ResumeTiming();
    }
    const std::int32_t before = doc.pictureIndex;
    moved = router.dispatch(casebook::res::cmd::NextBurst) &&
            doc.pictureIndex == before + kBurstFrames && moved;
    benchmark::DoNotOptimize(doc.currentPicture);
  }
  if (!moved) {
    state.SkipWithError("a Next Burst did not go to the next burst");
  } else if (!IsFrame(doc.currentPicture, doc.pictureIndex, recording.compressor)) {
    state.SkipWithError("the picture is not the burst's first frame");
  }
  QCoreApplication::processEvents();
}

void RegisterAll(const Recordings& recordings) {
  for (const Recording& r : recordings.made()) {
    const std::string& codec = r.compressor.codec;
    benchmark::RegisterBenchmark(("Open/Casebook/" + codec).c_str(), OpenCasebook, r)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Open/AviReader/" + codec).c_str(), OpenAviReader, r)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Open/Libavformat/" + codec).c_str(), OpenLibavformat, r, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Open/LibavformatToDib/" + codec).c_str(), OpenLibavformat, r,
                                 true)
        ->Unit(benchmark::kMillisecond);
  }
  for (const Recording& r : recordings.made()) {
    const std::string& codec = r.compressor.codec;
    benchmark::RegisterBenchmark(("Seek/Casebook/" + codec).c_str(), SeekCasebook, r)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Seek/OneDecode/" + codec).c_str(), SeekOneDecode, r, false)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Seek/OneDecodeToDib/" + codec).c_str(), SeekOneDecode, r, true)
        ->Unit(benchmark::kMicrosecond);
  }
  for (const Recording& r : recordings.made()) {
    benchmark::RegisterBenchmark(("NextBurst/Casebook/" + r.compressor.codec).c_str(), NextBurst, r)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("PlaybackTimer/15fps", PlaybackTimer, nullptr)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  for (const Recording& r : recordings.made()) {
    benchmark::RegisterBenchmark(("PlaybackTimer/15fps/PlayTick/" + r.compressor.codec).c_str(),
                                 PlaybackTimer, &r)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Frame-sized blocks from the heap and kept between opens, as glibc arranges by itself once
  // a large block has been freed (ReadEventLog's 6.4 MB tables do it). Fixed here, so that a
  // filtered run measures what a whole run does: otherwise each open pays page faults on
  // megabytes of packets (about 4 ms, not 0.5 ms, for the uncompressed file on this VM).
  mallopt(M_MMAP_THRESHOLD, 16 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  Recordings recordings;
  std::vector<avi::Compressor> compressors{avi::UncompressedDib()};
  for (const avi::Compressor& c : avi::AvailableCompressors()) {
    if (c.codec == "mjpeg" || c.codec == "mpeg4") compressors.push_back(c);
  }
  for (const avi::Compressor& c : compressors) {
    std::string error;
    if (!recordings.make(c, error)) {
      std::fprintf(stderr, "cannot make the %s recording: %s\n", c.codec.c_str(), error.c_str());
      return 1;
    }
  }
  RegisterAll(recordings);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
