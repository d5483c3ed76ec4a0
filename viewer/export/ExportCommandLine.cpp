#include "viewer/export/ExportCommandLine.h"

#include <csignal>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/avi/AviReader.h"
#include "platform/base/Text.h"
#include "viewer/document/EntryTable.h"
#include "viewer/document/EventLogReader.h"
#include "viewer/document/RecordingPair.h"
#include "viewer/export/ClipExporter.h"
#include "viewer/review/LogTimeline.h"

namespace casebook::exporter {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) { stopRequested = 1; }

// Ctrl+C or a stop of the script's own ends the export the way Cancel does, so no partial file
// stays behind; the handlers before are put back afterwards.
class StopSignals {
 public:
  StopSignals() {
    stopRequested = 0;
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the signal; the export stops at its next frame, cancelled.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

// A frame or thread number as typed: digits only, 1 or more, within a recording's reach.
std::optional<std::int32_t> FrameNumber(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

struct Arguments {
  std::string recording, output;
  std::optional<std::int32_t> from, to;  // 1-based, as typed
  int threads = 0;
  bool recordedTimes = false;
  bool help = false;
};

// False with the reason when the command line is not one this program takes.
bool Parse(const std::vector<std::string>& arguments, Arguments& into, std::string& why) {
  std::vector<std::string> files;
  bool exporting = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--help" || a == "-h") {
      into.help = true;
    } else if (a == "--export") {
      exporting = true;
    } else if (a == "--recorded-times") {
      into.recordedTimes = true;
    } else if (a == "--threads") {
      const std::optional<std::int32_t> number =
          i + 1 < arguments.size() ? FrameNumber(arguments[i + 1]) : std::nullopt;
      if (!number || *number > 64) {
        why = "--threads takes a number from 1 to 64";
        return false;
      }
      into.threads = *number;
      ++i;
    } else if (a == "--from" || a == "--to") {
      if (i + 1 >= arguments.size()) {
        why = a + " needs a frame number";
        return false;
      }
      const std::optional<std::int32_t> number = FrameNumber(arguments[++i]);
      if (!number) {
        why = base::FillIn("%1 takes a frame number from 1, not \"%2\"", {a, arguments[i]});
        return false;
      }
      (a == "--from" ? into.from : into.to) = number;
    } else if (a.starts_with("-") && a.size() > 1) {
      why = base::FillIn("unknown option %1", {a});
      return false;
    } else {
      files.push_back(a);
    }
  }
  if (into.help) return true;
  if (!exporting) {
    why = "nothing to do without --export";
    return false;
  }
  if (files.size() != 2) {
    why = "--export takes a recording and the MP4 to write";
    return false;
  }
  into.recording = files[0];
  into.output = files[1];
  if (into.from && into.to && *into.from > *into.to) {
    why = base::FillIn("--from %1 is after --to %2",
                       {std::to_string(*into.from), std::to_string(*into.to)});
    return false;
  }
  return true;
}

int Usage(std::FILE* err, const std::string& why) {
  std::fprintf(err, "casebook: %s\nTry 'casebook --help'.\n", why.c_str());
  return kExitUsage;
}

// Progress as a script's log wants it: a line at every tenth, and at the end.
class ProgressLines {
 public:
  explicit ProgressLines(std::FILE* err) : err_(err) {}
  bool operator()(std::int32_t done, std::int32_t total) {
    const int tenth = static_cast<int>(std::int64_t{done} * 10 / std::max(total, 1));
    if (tenth != shown_) {
      shown_ = tenth;
      std::fprintf(err_, "casebook: %d of %d frames (%d%%)\n", done, total, tenth * 10);
      std::fflush(err_);
    }
    return stopRequested == 0;
  }

 private:
  std::FILE* err_;
  int shown_ = 0;
};

}  // namespace

std::string UsageText() {
  return "Usage: casebook [RECORDING]\n"
         "       casebook --export RECORDING OUT.mp4 [--from N] [--to M] [--recorded-times]\n"
         "                         [--threads T]\n"
         "\n"
         "Without --export, Casebook opens RECORDING (its .avi or its .log) in its window.\n"
         "\n"
         "--export writes frames of RECORDING to OUT.mp4 (H.264, or MPEG-4 part 2 where this\n"
         "FFmpeg has no libx264) with each frame's log time burned into the picture, with no\n"
         "window and no display. OUT.mp4 is replaced only once the export has succeeded.\n"
         "  --from N          first frame to export (default 1)\n"
         "  --to M            last frame to export, included (default the last frame)\n"
         "                    Frames count from 1, as the log's \"Frame# 1\" does.\n"
         "  --recorded-times  time the frames as the log says they were taken, long gaps\n"
         "                    shortened to 1 s, rather than at the recording's rate\n"
         "  --threads T       threads for the encoder and the filters (default: one a core)\n"
         "Progress and errors go to standard error. Exit status: 0 when OUT.mp4 holds every\n"
         "frame, 1 when the export failed (recording unreadable, file not written), 2 for a\n"
         "wrong command line (unknown option, bad number, frames outside the recording).\n";
}

bool IsCommandLineWork(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments) {
    if (a == "--export" || a == "--help" || a == "-h") return true;
  }
  return false;
}

int RunCommandLine(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  Arguments args;
  std::string why;
  if (!Parse(arguments, args, why)) return Usage(err, why);
  if (args.help) {
    std::fputs(UsageText().c_str(), out);
    return kExitDone;
  }

  // The pair is found as File > Open finds it: either file of it names the recording.
  const std::optional<std::string> stem = WithoutLastThree(args.recording);
  const std::string videoPath = stem ? PartnerPath(*stem, "avi") : args.recording;
  const std::string logPath = stem ? PartnerPath(*stem, "log") : std::string();
  if (!IsRegularFile(videoPath)) {
    std::fprintf(err, "casebook: %s: no recording (%s is no file)\n", args.recording.c_str(),
                 videoPath.c_str());
    return kExitFailed;
  }
  avi::AviReader reader;
  if (!reader.openFile(videoPath, why) || !reader.openStream(why)) {
    std::fprintf(err, "casebook: %s\n", why.c_str());
    return kExitFailed;
  }
  const std::int32_t frames = reader.streamLength();
  reader.close();
  if (frames <= 0) {
    std::fprintf(err, "casebook: %s holds no frames\n", videoPath.c_str());
    return kExitFailed;
  }
  const std::int32_t from = args.from.value_or(1), to = args.to.value_or(frames);
  if (from > frames || to > frames) {
    return Usage(err, base::FillIn("frames %1 to %2 are not all in %3, which has frames 1 to %4",
                                   {std::to_string(from), std::to_string(to), videoPath,
                                    std::to_string(frames)}));
  }

  EntryTable entries;
  const EventLogResult log = ReadEventLog(logPath, frames, entries, {});
  // Said, not refused: the frames are there, only their times are not.
  if (!log.loaded) {
    std::fprintf(err, "casebook: warning: no log at %s: the frames show \"%s\"\n", logPath.c_str(),
                 kNoLogTime);
  } else if (log.suspect) {
    std::fprintf(err, "casebook: warning: %s does not hold one line for each frame\n",
                 logPath.c_str());
  }
  review::LogTimeline timeline;
  timeline.Build(entries, frames);
  if (args.recordedTimes && !timeline.hasTimes()) {
    std::fprintf(err, "casebook: %s has no log times to export at (--recorded-times)\n",
                 args.recording.c_str());
    return kExitFailed;
  }

  ExportRequest request;
  request.videoPath = videoPath;
  request.outputPath = args.output;
  request.range = {from - 1, to - 1};
  request.recordedTimes = args.recordedTimes;
  request.entries = &entries;
  request.timeline = &timeline;
  request.threads = args.threads;
  std::fprintf(err, "casebook: exporting frames %d to %d of %s to %s\n", from, to,
               videoPath.c_str(), args.output.c_str());
  const StopSignals signals;
  ProgressLines progress(err);
  const ExportResult result = ExportClip(request, std::ref(progress));
  if (!result.ok) {
    std::fprintf(err, "casebook: %s; nothing was written\n", result.error.c_str());
    return kExitFailed;
  }
  std::fprintf(err, "casebook: wrote %d frames to %s (%s)\n", result.framesWritten,
               args.output.c_str(), result.encoder.c_str());
  return kExitDone;
}

}  // namespace casebook::exporter
