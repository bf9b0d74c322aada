// The viewing pipeline's baseline: building a full 1920x1080x32 update
// (sections into one zlib stream, levels 1 and 6) and applying it to the
// console's screen copy. Throughput is in frame bytes per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "common/screen/screen_buffer.h"
#include "common/screen/update_block_builder.h"

namespace {

constexpr VkScreenGeometry kScreen{1920, 1080, 4};

// A desktop-like picture: flat windows and bars, a gradient background and
// some noisy "text" rows, in the B, G, R, 0 order of a 32-bit screen.
std::vector<uint8_t> DesktopFrame() {
  std::vector<uint8_t> frame(kScreen.FrameBytes());
  std::mt19937 rng(7);
  for (int32_t y = 0; y < kScreen.height; ++y) {
    for (int32_t x = 0; x < kScreen.width; ++x) {
      uint8_t* p = frame.data() + (static_cast<size_t>(y) * kScreen.width + x) * 4;
      bool window = x > 200 && x < 1400 && y > 100 && y < 900;
      bool text = window && (y / 8) % 3 == 0 && (x / 6) % 5 != 0;
      uint8_t shade = static_cast<uint8_t>(y * 255 / kScreen.height);
      p[0] = window ? (text ? static_cast<uint8_t>(rng() & 0x3F) : 0xF0) : shade;
      p[1] = window ? (text ? p[0] : 0xF0) : static_cast<uint8_t>(shade / 2);
      p[2] = window ? (text ? p[0] : 0xF0) : 0x40;
      p[3] = 0;
    }
  }
  return frame;
}

// Sections as a capture would report them: 0 = the whole screen, else
// square tiles of that side.
void AddSections(cVkUpdateBlockBuilder& builder, const std::vector<uint8_t>& frame, int32_t tile) {
  if (tile == 0) {
    builder.AddSection({0, 0, kScreen.width, kScreen.height}, frame.data());
    return;
  }
  for (int32_t y = 0; y < kScreen.height; y += tile) {
    for (int32_t x = 0; x < kScreen.width; x += tile) {
      builder.AddSection({x, y, std::min(x + tile, kScreen.width), std::min(y + tile, kScreen.height)}, frame.data());
    }
  }
}

void BM_BuildFullUpdate(benchmark::State& state) {
  std::vector<uint8_t> frame = DesktopFrame();
  cVkUpdateBlockBuilder builder;
  builder.Init(kScreen, static_cast<int32_t>(state.range(0)));
  size_t sent = 0;
  builder.SetSink([&](std::span<const uint8_t> message) {
    sent += message.size();
    return 0;
  });
  for (auto _ : state) {
    AddSections(builder, frame, static_cast<int32_t>(state.range(1)));
    builder.Flush();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
  state.counters["stream_bytes"] = static_cast<double>(sent) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BuildFullUpdate)
    ->ArgNames({"level", "tile"})
    ->Args({1, 0})
    ->Args({6, 0})
    ->Args({1, 64})
    ->Args({6, 64})
    ->Unit(benchmark::kMillisecond);

void BM_ApplyFullUpdate(benchmark::State& state) {
  std::vector<uint8_t> frame = DesktopFrame();
  cVkUpdateBlockBuilder builder;
  builder.Init(kScreen, static_cast<int32_t>(state.range(0)));
  std::vector<std::vector<uint8_t>> streams;
  builder.SetSink([&](std::span<const uint8_t> message) {
    streams.emplace_back(message.begin() + 8, message.end());
    return 0;
  });
  AddSections(builder, frame, static_cast<int32_t>(state.range(1)));
  builder.Flush();
  cVkScreenBuffer screen;
  screen.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(kScreen.width, kScreen.height, 32, 0xFF0000, 0xFF00, 0xFF));
  for (auto _ : state) {
    for (const auto& stream : streams) {
      if (screen.ApplyBlock(stream) != 0) state.SkipWithError("update refused");
    }
    benchmark::DoNotOptimize(screen.TakeDirtyRects());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_ApplyFullUpdate)
    ->ArgNames({"level", "tile"})
    ->Args({1, 0})
    ->Args({6, 0})
    ->Args({6, 64})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
