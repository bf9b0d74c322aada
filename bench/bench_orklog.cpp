// LogMsg into memory and into a file, to compare later changes against.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "log/orklog.h"

namespace {

void BM_LogMsgToMemory(benchmark::State& state) {
  cOrkLog log;
  int64_t count = 0;
  for (auto _ : state) {
    log.LogMsg(LOG_ERROR, 10061, u"Error connecting to %s port %ld. Errorcode %ld.", u"host.example", 48384, 10061);
    if (++count == 4096) {  // keep the list from growing without bound
      state.PauseTiming();
      log.Clear();
      count = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogMsgToMemory);

void BM_LogNetMsgToMemory(benchmark::State& state) {
  cOrkLog log;
  log.SetMemLogMask(0);
  for (auto _ : state) log.LogNetMsg(LOG_ERROR, 5, u"Error opening '%s'. Errorcode %ld.", u"Settings.dat", 5);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogNetMsgToMemory);

void BM_LogMsgToFile(benchmark::State& state) {
  std::string pattern = (std::filesystem::temp_directory_path() / "bench-orklog-XXXXXX").string();
  const std::filesystem::path dir = mkdtemp(pattern.data());
  const std::string file = (dir / "bench.log").string();
  {
    cOrkLog log;
    log.SetMemLogMask(0);
    log.SetFileLogMask(LOG_ALL);
    log.InitializeLogFile(std::u16string(file.begin(), file.end()), 1);
    for (auto _ : state) log.LogMsg(LOG_ERROR, 5, u"Error writing the settings. Errorcode %ld.", 5);
    state.SetItemsProcessed(state.iterations());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LogMsgToFile);

}  // namespace

BENCHMARK_MAIN();
