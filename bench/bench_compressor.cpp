// zlib's compress2 against the stream compressor (libdeflate at the mapped
// level) on captured screens: CPU time and bytes per full frame at each zlib
// level. The screens are X window dumps (xwd -root) named on the command
// line after the benchmark flags; bench/latency_vs_vnc.sh makes two.
//
//   build/bin/bench_compressor --benchmark_counters_tabular=true a.xwd b.xwd
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/screen/stream_compressor.h"

namespace {

std::vector<std::vector<uint8_t>> screens;

// The pixels of a dump: the last width x height x 4 bytes (32-bit ZPixmap).
std::vector<uint8_t> ReadDump(const std::string& path, size_t frameBytes) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < frameBytes) return {};
  return std::vector<uint8_t>(bytes.end() - static_cast<std::ptrdiff_t>(frameBytes), bytes.end());
}

void Report(benchmark::State& state, size_t bytes) {
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Zlib(benchmark::State& state) {
  const auto& frame = screens.at(static_cast<size_t>(state.range(1)));
  std::vector<uint8_t> out(compressBound(frame.size()));
  uLongf length = 0;
  for (auto _ : state) {
    length = out.size();
    compress2(out.data(), &length, frame.data(), frame.size(), static_cast<int>(state.range(0)));
  }
  Report(state, length);
}

void BM_StreamCompressor(benchmark::State& state) {
  const auto& frame = screens.at(static_cast<size_t>(state.range(1)));
  cVkStreamCompressor compressor(static_cast<int32_t>(state.range(0)));
  std::vector<uint8_t> out(cVkStreamCompressor::Bound(frame.size()));
  size_t length = 0;
  for (auto _ : state) compressor.Compress(frame, out, &length);
  Report(state, length);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  constexpr size_t kFrameBytes = size_t{1920} * 1080 * 4;
  for (int i = 1; i < argc; ++i) {
    auto frame = ReadDump(argv[i], kFrameBytes);
    if (frame.empty()) {
      std::fprintf(stderr, "%s: not a 1920x1080 32-bit screen dump\n", argv[i]);
      return 1;
    }
    screens.push_back(std::move(frame));
  }
  if (screens.empty()) {
    std::fprintf(stderr, "usage: bench_compressor [benchmark flags] SCREEN.xwd ...\n");
    return 1;
  }
  for (int64_t screen = 0; screen < static_cast<int64_t>(screens.size()); ++screen) {
    for (int64_t level : {1, 3, 6, 9}) {
      benchmark::RegisterBenchmark("zlib", BM_Zlib)
          ->Args({level, screen})
          ->MeasureProcessCPUTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark("libdeflate", BM_StreamCompressor)
          ->Args({level, screen})
          ->MeasureProcessCPUTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
