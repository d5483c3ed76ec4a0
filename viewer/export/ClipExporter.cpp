#include "viewer/export/ClipExporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include "platform/avi/AviReader.h"
#include "platform/base/Text.h"
#include "platform/video/Ffmpeg.h"
#include "viewer/document/EntryTable.h"
#include "viewer/document/EventLogReader.h"
#include "viewer/document/RecordingPair.h"
#include "viewer/review/LogTimeline.h"

namespace casebook::exporter {
namespace {

struct FreeGraph {
  void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
// An output context and the file it writes; the file is closed before the context goes.
struct FreeOutput {
  void operator()(AVFormatContext* context) const {
    if (context->pb != nullptr && !(context->oformat->flags & AVFMT_NOFILE)) {
      avio_closep(&context->pb);
    }
    avformat_free_context(context);
  }
};
using GraphPtr = std::unique_ptr<AVFilterGraph, FreeGraph>;
using OutputPtr = std::unique_ptr<AVFormatContext, FreeOutput>;

// Fine enough for frames that share one second of log time, and within what MPEG-4 part 2
// accepts (a denominator up to 65535).
constexpr AVRational kRecordedTimeBase{1, 60000};
// The longest time text, "Wed Dec 09 14:02:11 2026", and a mono face's advance per point.
constexpr int kLongestText = 24;
constexpr double kAdvancePerPoint = 0.61;
constexpr int kBoxBorder = 3;
// The frame metadata that carries the burned text to drawtext.
constexpr const char* kTextKey = "corvane_time";

std::string Reason(const char* what, int code) {
  std::string text = what;
  text += ": ";
  text += ffmpeg::ErrorText(code);
  return text;
}

// The recording's rate as a rational, as playback takes it: 1 to 1000 frames a second.
AVRational RateOf(const avi::AviFileInfo& info) {
  if (info.dwScale == 0 || info.dwRate < info.dwScale) return {1, 1};
  if (info.dwRate / info.dwScale >= 1000) return {1000, 1};
  AVRational rate{};
  av_reduce(&rate.num, &rate.den, info.dwRate, info.dwScale, 65535);
  return rate;
}

// A file of a free name beside `target`, made here so that no other export takes it; its name.
bool MakeTemporaryBeside(const std::string& target, std::string& path, std::string& error) {
  const std::filesystem::path wanted(target);
  const std::string stem =
      base::FillIn(".%1.part-%2", {wanted.filename().string(), std::to_string(getpid())});
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        (wanted.parent_path() / base::FillIn("%1-%2", {stem, std::to_string(attempt)})).string();
    // The usual permissions of a new file (umask applied), as the target would get.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      path = candidate;  // only a file made here is ever removed again
      return true;
    }
    if (errno != EEXIST) {
      error =
          base::FillIn("Cannot write in the folder of %1: %2", {target, base::ErrnoText(errno)});
      return false;
    }
  }
  error = base::FillIn("Cannot find a free temporary name beside %1", {target});
  return false;
}

// Which of the recording's files (its AVI, log or reasons) `target` is, if any: the export would
// put the clip in its place.
std::string OwnFileAt(const std::string& video, const std::string& target) {
  std::vector<std::pair<std::string, const char*>> own = {{video, "video"}};
  if (const std::optional<std::string> stem = WithoutLastThree(video)) {
    own.emplace_back(PartnerPath(*stem, "log"), "log");
    own.emplace_back(PartnerPath(*stem, "csv"), "file of reasons");
  }
  for (const auto& [path, what] : own) {
    std::error_code ignored;
    if (path == target || std::filesystem::equivalent(path, target, ignored)) return what;
  }
  return {};
}

// The export's FFmpeg state: the reader, the filter graph, the encoder and the muxer.
class Exporter {
 public:
  explicit Exporter(const ExportRequest& request) : request_(request) {}
  ~Exporter() { Discard(); }

  ExportResult Run(const ExportProgress& progress);

 private:
  bool Fail(const std::string& why) {
    result_.error = why;
    return false;
  }
  bool OpenRecording();
  bool OpenGraph();
  bool OpenEncoder();
  bool OpenOutput();
  bool PushFrame(std::int32_t index);
  bool Drain();
  bool Encode(const AVFrame* frame);
  bool Finish();
  bool Verify();
  std::int64_t PtsOf(std::int32_t index);
  void Discard();

  const ExportRequest& request_;
  ExportResult result_;
  avi::AviReader reader_;
  int width_ = 0, height_ = 0;
  AVRational rate_{1, 1};
  AVRational timeBase_{1, 1};
  GraphPtr graph_;
  AVFilterContext* source_ = nullptr;  // owned by the graph
  AVFilterContext* sink_ = nullptr;
  ffmpeg::CodecPtr encoder_;
  OutputPtr output_;
  AVStream* stream_ = nullptr;  // owned by the output
  ffmpeg::FramePtr input_{av_frame_alloc()};
  ffmpeg::FramePtr filtered_{av_frame_alloc()};
  ffmpeg::PacketPtr packet_{av_packet_alloc()};
  std::string temporary_;
  std::int64_t lastPts_ = AV_NOPTS_VALUE;
  std::int32_t framesIn_ = 0, framesOut_ = 0;
};

bool Exporter::OpenRecording() {
  std::string error;
  if (!reader_.openFile(request_.videoPath, error) || !reader_.openStream(error) ||
      !reader_.openFrameGetter(error)) {
    return Fail(error);
  }
  const std::int32_t frames = reader_.streamLength();
  const FrameRange& range = request_.range;
  if (range.first < 0 || range.last >= frames || range.count() <= 0) {
    return Fail(base::FillIn(
        "Frames %1 to %2 are not in the recording, which has frames 1 to %3",
        {std::to_string(range.first + 1), std::to_string(range.last + 1), std::to_string(frames)}));
  }
  if (request_.recordedTimes && (request_.timeline == nullptr || !request_.timeline->hasTimes())) {
    return Fail("The recording's log has no times to export at");
  }
  // The picture's own size: the header's may say anything.
  const video::BitmapInfoHeader* first = reader_.getFrame(range.first, error);
  if (first == nullptr) return Fail(error);
  width_ = first->biWidth;
  height_ = std::abs(first->biHeight);
  // yuv420p halves both sizes; an odd edge row or column is dropped by the crop in the graph.
  if (width_ < 2 || height_ < 2) return Fail("The recording's picture is too small to export");
  rate_ = RateOf(reader_.fileInfo());
  timeBase_ = request_.recordedTimes ? kRecordedTimeBase : av_inv_q(rate_);
  return true;
}

// buffer (bgr24, the DIB's rows handed over bottom-up) -> crop to even sizes -> yuv420p ->
// drawtext -> buffersink. Each frame carries its own text as frame metadata, which drawtext
// expands: exact per frame, with no file in between (a textfile with reload would need one
// written per frame) and nothing kept per frame (FFmpeg 5.1's drawtext "reinit" command keeps
// about 100 bytes of the options it replaces, each time).
bool Exporter::OpenGraph() {
  // drawtext falls back on fontconfig's choice for a font file it cannot open: a font asked
  // for must be there.
  std::string font = request_.fontFile.empty() ? FindFontFile() : FindFontFile({request_.fontFile});
  if (font.empty() && !request_.fontFile.empty()) {
    return Fail(base::FillIn("The font %1 is not there", {request_.fontFile}));
  }
  if (font.empty()) {
    std::string known;
    for (const std::string& path : KnownFontFiles()) {
      known += "\n  ";
      known += path;
    }
    return Fail("No font for the burned time was found (install fonts-dejavu-core); looked for:" +
                known);
  }
  graph_.reset(avfilter_graph_alloc());
  if (!graph_) return Fail("Out of memory for the filter graph");
  graph_->nb_threads = request_.threads;

  char args[160];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=1/1",
                width_, height_, static_cast<int>(AV_PIX_FMT_BGR24), timeBase_.num, timeBase_.den);
  int code = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", args,
                                          nullptr, graph_.get());
  if (code < 0) return Fail(Reason("The filter graph's source", code));
  AVFilterContext* crop = nullptr;
  code = avfilter_graph_create_filter(&crop, avfilter_get_by_name("crop"), "even",
                                      "w=iw-mod(iw\\,2):h=ih-mod(ih\\,2):x=0:y=0", nullptr,
                                      graph_.get());
  if (code < 0) return Fail(Reason("The filter graph's crop", code));
  AVFilterContext* format = nullptr;
  code = avfilter_graph_create_filter(&format, avfilter_get_by_name("format"), "yuv",
                                      "pix_fmts=yuv420p", nullptr, graph_.get());
  if (code < 0) return Fail(Reason("The filter graph's format", code));

  const AVFilter* drawtext = avfilter_get_by_name("drawtext");
  if (drawtext == nullptr) return Fail("This FFmpeg has no drawtext filter (it needs libfreetype)");
  AVFilterContext* text = avfilter_graph_alloc_filter(graph_.get(), drawtext, "time");
  if (text == nullptr) return Fail("Out of memory for the drawtext filter");
  const int size = BurnedFontSize(width_ - width_ % 2, height_ - height_ % 2);
  // Set one by one rather than through a filter description, so that no path needs escaping.
  const std::string border = std::to_string(kBoxBorder);
  const std::pair<const char*, std::string> options[] = {
      {"fontfile", font},
      // The metadata's value is put in as it is: a '%' in a log line is only a character.
      {"text", base::FillIn("%{metadata:%1}", {kTextKey})},
      {"expansion", "normal"},
      {"fontsize", std::to_string(size)},
      {"fontcolor", "white"},
      {"box", "1"},
      {"boxcolor", "black@0.75"},
      {"boxborderw", border},
      {"x", border},
      {"y", base::FillIn("h-th-%1", {border})},
  };
  for (const auto& [name, value] : options) {
    code = av_opt_set(text, name, value.c_str(), AV_OPT_SEARCH_CHILDREN);
    if (code < 0) return Fail(Reason(name, code));
  }
  code = avfilter_init_str(text, nullptr);
  if (code < 0) return Fail(Reason("The drawtext filter", code));

  code = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                      nullptr, graph_.get());
  if (code < 0) return Fail(Reason("The filter graph's sink", code));
  if ((code = avfilter_link(source_, 0, crop, 0)) < 0 ||
      (code = avfilter_link(crop, 0, format, 0)) < 0 ||
      (code = avfilter_link(format, 0, text, 0)) < 0 ||
      (code = avfilter_link(text, 0, sink_, 0)) < 0) {
    return Fail(Reason("Linking the filter graph", code));
  }
  code = avfilter_graph_config(graph_.get(), nullptr);
  if (code < 0) return Fail(Reason("The filter graph", code));
  return true;
}

bool Exporter::OpenEncoder() {
  const AVCodec* codec = nullptr;
  if (!request_.encoder.empty()) {
    codec = avcodec_find_encoder_by_name(request_.encoder.c_str());
    if (codec == nullptr)
      return Fail(base::FillIn("This FFmpeg has no encoder %1", {request_.encoder}));
  } else {
    codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (codec == nullptr) return Fail("This FFmpeg has neither libx264 nor an MPEG-4 encoder");
  }
  result_.encoder = codec->name;
  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_) return Fail("Out of memory for the encoder");
  AVCodecContext& c = *encoder_;
  c.width = av_buffersink_get_w(sink_);
  c.height = av_buffersink_get_h(sink_);
  c.pix_fmt = AV_PIX_FMT_YUV420P;
  c.time_base = timeBase_;
  c.framerate = rate_;
  c.sample_aspect_ratio = {1, 1};
  c.thread_count = request_.threads;
  // Where a player starts when it is moved: every two seconds of the recording's rate.
  c.gop_size = std::clamp(2 * rate_.num / std::max(rate_.den, 1), 2, 250);
  AVDictionary* options = nullptr;
  if (codec->id == AV_CODEC_ID_H264) {
    // Fast enough for a long clip on one core, and a picture a person can read the plates in.
    av_dict_set(&options, "preset", "veryfast", 0);
    av_dict_set(&options, "crf", "23", 0);
    av_dict_set(&options, "profile", "high", 0);
  } else {
    c.flags |= AV_CODEC_FLAG_QSCALE;
    c.global_quality = FF_QP2LAMBDA * 4;
    c.max_b_frames = 0;
  }
  if (output_->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int code = avcodec_open2(encoder_.get(), codec, &options);
  av_dict_free(&options);
  if (code < 0) return Fail(Reason(codec->name, code));
  return true;
}

bool Exporter::OpenOutput() {
  std::string error;
  if (!MakeTemporaryBeside(request_.outputPath, temporary_, error)) return Fail(error);
  AVFormatContext* context = nullptr;
  int code = avformat_alloc_output_context2(&context, nullptr, "mp4", temporary_.c_str());
  if (code < 0 || context == nullptr) return Fail(Reason("The MP4 muxer", code));
  output_.reset(context);
  if (!OpenEncoder()) return false;
  stream_ = avformat_new_stream(output_.get(), nullptr);
  if (stream_ == nullptr) return Fail("Out of memory for the MP4 stream");
  code = avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
  if (code < 0) return Fail(Reason("The MP4 stream", code));
  stream_->time_base = timeBase_;
  if (!request_.recordedTimes) stream_->avg_frame_rate = stream_->r_frame_rate = rate_;
  code = avio_open(&output_->pb, temporary_.c_str(), AVIO_FLAG_WRITE);
  if (code < 0) return Fail(Reason(request_.outputPath.c_str(), code));
  code = avformat_write_header(output_.get(), nullptr);
  if (code < 0) return Fail(Reason(request_.outputPath.c_str(), code));
  return true;
}

std::int64_t Exporter::PtsOf(std::int32_t index) {
  std::int64_t pts = index - request_.range.first;
  if (request_.recordedTimes) {
    const review::LogTimeline& timeline = *request_.timeline;
    const double seconds = timeline.playTimeOf(index) - timeline.playTimeOf(request_.range.first);
    pts = std::llround(seconds * kRecordedTimeBase.den);
  }
  // A timestamp never goes back or repeats, which no encoder takes.
  if (lastPts_ != AV_NOPTS_VALUE && pts <= lastPts_) pts = lastPts_ + 1;
  lastPts_ = pts;
  return pts;
}

bool Exporter::PushFrame(std::int32_t index) {
  std::string error;
  const video::BitmapInfoHeader* picture = reader_.getFrame(index, error);
  if (picture == nullptr) {
    return Fail(base::FillIn("Frame %1 cannot be read: %2", {std::to_string(index + 1), error}));
  }
  if (picture->biWidth != width_ || std::abs(picture->biHeight) != height_) {
    return Fail(base::FillIn("Frame %1 has another picture size than the first",
                             {std::to_string(index + 1)}));
  }
  const std::string text =
      BurnedText(request_.entries != nullptr ? request_.entries->Entry(index) : "");

  // The DIB's rows are bottom-up, 4-byte aligned: the top row is the last, walked backwards.
  const int rowBytes = (width_ * 3 + 3) & ~3;
  auto* pixels = reinterpret_cast<std::uint8_t*>(const_cast<video::BitmapInfoHeader*>(picture)) +
                 sizeof(video::BitmapInfoHeader);
  AVFrame& frame = *input_;
  av_frame_unref(&frame);
  frame.width = width_;
  frame.height = height_;
  frame.format = AV_PIX_FMT_BGR24;
  frame.sample_aspect_ratio = {1, 1};
  if (picture->biHeight > 0) {
    frame.data[0] = pixels + static_cast<std::ptrdiff_t>(height_ - 1) * rowBytes;
    frame.linesize[0] = -rowBytes;
  } else {
    frame.data[0] = pixels;
    frame.linesize[0] = rowBytes;
  }
  frame.pts = PtsOf(index);
  int code = av_dict_set(&frame.metadata, kTextKey, text.c_str(), 0);
  if (code < 0) return Fail(Reason("The burned time", code));
  // KEEP_REF copies the picture, which is the reader's until the next fetch; PUSH runs it
  // through the graph now, so the next frame's text cannot reach it.
  code = av_buffersrc_add_frame_flags(source_, &frame,
                                      AV_BUFFERSRC_FLAG_KEEP_REF | AV_BUFFERSRC_FLAG_PUSH);
  av_frame_unref(&frame);
  if (code < 0) return Fail(Reason("The filter graph", code));
  ++framesIn_;
  if (!Drain()) return false;
  if (framesOut_ != framesIn_) return Fail("The filter graph held a frame back");
  return true;
}

bool Exporter::Drain() {
  for (;;) {
    const int code = av_buffersink_get_frame(sink_, filtered_.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) return Fail(Reason("The filter graph", code));
    ++framesOut_;
    filtered_->pict_type = AV_PICTURE_TYPE_NONE;
    const bool encoded = Encode(filtered_.get());
    av_frame_unref(filtered_.get());
    if (!encoded) return false;
  }
}

bool Exporter::Encode(const AVFrame* frame) {
  int code = avcodec_send_frame(encoder_.get(), frame);
  if (code < 0) return Fail(Reason(result_.encoder.c_str(), code));
  for (;;) {
    code = avcodec_receive_packet(encoder_.get(), packet_.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) return Fail(Reason(result_.encoder.c_str(), code));
    if (!request_.recordedTimes) packet_->duration = 1;
    av_packet_rescale_ts(packet_.get(), timeBase_, stream_->time_base);
    packet_->stream_index = stream_->index;
    code = av_interleaved_write_frame(output_.get(), packet_.get());
    if (code < 0) return Fail(Reason(request_.outputPath.c_str(), code));
  }
}

bool Exporter::Finish() {
  int code = av_buffersrc_add_frame_flags(source_, nullptr, 0);
  if (code < 0) return Fail(Reason("The filter graph", code));
  if (!Drain() || !Encode(nullptr)) return false;
  code = av_write_trailer(output_.get());
  if (code < 0) return Fail(Reason(request_.outputPath.c_str(), code));
  // Closing flushes the last bytes: a full disk may only show here.
  code = avio_closep(&output_->pb);
  if (code < 0) return Fail(Reason(request_.outputPath.c_str(), code));
  output_.reset();
  return true;
}

// The file is read back as a player would read it: it must hold every frame exported.
bool Exporter::Verify() {
  WrittenVideo written;
  std::string error;
  if (!ReadWrittenVideo(temporary_, written, error)) {
    return Fail(base::FillIn("The exported file cannot be read back: %1", {error}));
  }
  if (written.frames != request_.range.count()) {
    return Fail(
        base::FillIn("The exported file holds %1 frames instead of %2",
                     {std::to_string(written.frames), std::to_string(request_.range.count())}));
  }
  result_.framesWritten = written.frames;
  return true;
}

void Exporter::Discard() {
  output_.reset();
  if (!temporary_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
    temporary_.clear();
  }
}

ExportResult Exporter::Run(const ExportProgress& progress) {
  if (!input_ || !filtered_ || !packet_) {
    result_.error = "Out of memory for the export";
    return result_;
  }
  if (const std::string own = OwnFileAt(request_.videoPath, request_.outputPath); !own.empty()) {
    result_.error = base::FillIn("%1 is the recording's own %2: choose another name for the clip",
                                 {request_.outputPath, own});
    return result_;
  }
  if (!OpenRecording() || !OpenGraph() || !OpenOutput()) {
    Discard();
    return result_;
  }
  const FrameRange range = request_.range;
  for (std::int32_t index = range.first; index <= range.last; ++index) {
    if (!PushFrame(index)) {
      Discard();
      return result_;
    }
    if (progress && !progress(index - range.first + 1, range.count())) {
      result_.cancelled = true;
      result_.error = "The export was cancelled";
      Discard();
      return result_;
    }
  }
  if (!Finish() || !Verify()) {
    Discard();
    return result_;
  }
  if (std::rename(temporary_.c_str(), request_.outputPath.c_str()) != 0) {
    Fail(base::FillIn("Cannot make %1: %2", {request_.outputPath, base::ErrnoText(errno)}));
    Discard();
    return result_;
  }
  temporary_.clear();
  result_.ok = true;
  return result_;
}

}  // namespace

std::optional<FrameRange> RangeOf(Scope scope, std::int32_t frames,
                                  const review::LogTimeline& timeline, std::int32_t position,
                                  std::int32_t markIn, std::int32_t markOut) {
  if (frames <= 0) return std::nullopt;
  const std::int32_t lastFrame = frames - 1;
  switch (scope) {
    case Scope::Whole: return FrameRange{0, lastFrame};
    case Scope::Burst: {
      const int burst = timeline.burstOf(std::clamp(position, 0, lastFrame));
      if (burst < 0 || burst >= static_cast<int>(timeline.bursts().size())) return std::nullopt;
      const review::Burst& b = timeline.bursts()[static_cast<std::size_t>(burst)];
      if (b.count <= 0) return std::nullopt;
      return FrameRange{std::clamp(b.first, 0, lastFrame),
                        std::clamp(b.first + b.count - 1, 0, lastFrame)};
    }
    case Scope::Marks: {
      const bool hasIn = markIn >= 0 && markIn <= lastFrame;
      const bool hasOut = markOut >= 0 && markOut <= lastFrame;
      if (!hasIn && !hasOut) return std::nullopt;
      const std::int32_t from = hasIn ? markIn : 0;
      const std::int32_t to = hasOut ? markOut : lastFrame;
      return FrameRange{std::min(from, to), std::max(from, to)};
    }
  }
  return std::nullopt;
}

std::string BurnedText(const char* entry) {
  if (entry == nullptr || !review::FrameLineSeconds(entry)) return kNoLogTime;
  // "Frame# 12 Wed Dec 09 14:02:11 2026": the time text follows the frame number.
  const char* text = entry + std::min(std::strlen(entry), kFrameNumberAt);
  while (*text >= '0' && *text <= '9') ++text;
  while (*text == ' ') ++text;
  std::string time(text);
  while (!time.empty() && std::isspace(static_cast<unsigned char>(time.back()))) time.pop_back();
  return time.empty() ? kNoLogTime : time;
}

std::vector<std::string> KnownFontFiles() {
  return {
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",         // Debian, Ubuntu
      "/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono.ttf",  // Fedora
      "/usr/share/fonts/dejavu/DejaVuSansMono.ttf",
      "/usr/share/fonts/TTF/DejaVuSansMono.ttf",  // Arch
      "/usr/local/share/fonts/DejaVuSansMono.ttf",
  };
}

std::string FindFontFile(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates.empty() ? KnownFontFiles() : candidates) {
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) return path;
  }
  return {};
}

int BurnedFontSize(int width, int height) {
  const int fits =
      static_cast<int>((width - 2 * kBoxBorder - 4) / (kLongestText * kAdvancePerPoint));
  const int wanted = std::max(height / 18, 10);
  return std::max(std::min(wanted, fits), 4);
}

ExportResult ExportClip(const ExportRequest& request, const ExportProgress& progress) {
  Exporter exporter(request);
  return exporter.Run(progress);
}

bool ReadWrittenVideo(const std::string& path, WrittenVideo& into, std::string& error) {
  into = WrittenVideo{};
  AVFormatContext* opened = nullptr;
  int code = avformat_open_input(&opened, path.c_str(), nullptr, nullptr);
  if (code < 0) {
    error = Reason(path.c_str(), code);
    return false;
  }
  const ffmpeg::InputPtr input(opened);
  code = avformat_find_stream_info(input.get(), nullptr);
  if (code < 0) {
    error = Reason(path.c_str(), code);
    return false;
  }
  const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (stream < 0) {
    error = Reason(path.c_str(), stream);
    return false;
  }
  const AVStream& video = *input->streams[stream];
  into.width = video.codecpar->width;
  into.height = video.codecpar->height;
  into.frameRate = av_q2d(video.avg_frame_rate);
  into.codec = avcodec_get_name(video.codecpar->codec_id);
  const ffmpeg::PacketPtr packet(av_packet_alloc());
  if (!packet) {
    error = "Out of memory";
    return false;
  }
  while ((code = av_read_frame(input.get(), packet.get())) >= 0) {
    if (packet->stream_index == stream) {
      ++into.frames;
      into.seconds.push_back(packet->pts == AV_NOPTS_VALUE
                                 ? -1.0
                                 : static_cast<double>(packet->pts) * av_q2d(video.time_base));
    }
    av_packet_unref(packet.get());
  }
  if (code != AVERROR_EOF) {
    error = Reason(path.c_str(), code);
    return false;
  }
  std::sort(into.seconds.begin(), into.seconds.end());
  return true;
}

}  // namespace casebook::exporter
