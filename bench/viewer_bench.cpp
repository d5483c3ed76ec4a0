// Casebook's costs at open. ReadEventLog of a log Watchpost's own writer made, from the page
// cache: once into the table of the recording open before (same length, nothing allocated), and
// once into a fresh table, as at the first open of a recording of that length.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "viewer/document/EventLogReader.h"

namespace {

// A genuine log of `frames` frame lines and the settings lines, gone with the object.
class GenuineLog {
 public:
  explicit GenuineLog(std::int32_t frames)
      : path_((std::filesystem::temp_directory_path() /
               ("viewer-bench-" + std::to_string(::getpid()) + ".log"))
                  .string()) {
    std::vector<std::uint32_t> times(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < times.size(); ++i) {
      times[i] = 1796625075u + static_cast<std::uint32_t>(i / 3);  // December 2026, 3 a second
    }
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

}  // namespace

BENCHMARK_MAIN();
