// Screen capture on a private Xvfb at 1920x1080x24: a full frame through
// MIT-SHM, the frame comparison, the full-screen pipeline (capture, store,
// compress) against zlib alone on the same frame, the time a small change
// takes from the X server to the update builder, and the CPU time of the
// whole screen side on a static screen.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "agent/desktop/capture_set.h"
#include "agent/screen/update_builder.h"
#include "log/orklog.h"
#include "platform/x11/screen_grabber.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

vk::x11::testing::XDrawing* drawing = nullptr;

void BM_CaptureFullFrameShm(benchmark::State& state) {
  vk::x11::ScreenGrabber grabber;
  if (grabber.Open() != 0 || !grabber.UsesSharedMemory()) return state.SkipWithError("no MIT-SHM capture");
  vk::x11::CapturedRows rows;
  for (auto _ : state) {
    if (grabber.Capture({0, 0, kWidth, kHeight}, rows) != 0) return state.SkipWithError("capture failed");
    benchmark::DoNotOptimize(rows.data);
  }
}
BENCHMARK(BM_CaptureFullFrameShm)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_CaptureLineOfText(benchmark::State& state) {
  vk::x11::ScreenGrabber grabber;
  if (grabber.Open() != 0) return state.SkipWithError("no display");
  vk::x11::CapturedRows rows;
  for (auto _ : state) {
    if (grabber.Capture({100, 500, 900, 516}, rows) != 0) return state.SkipWithError("capture failed");
    benchmark::DoNotOptimize(rows.data);
  }
}
BENCHMARK(BM_CaptureLineOfText)->Unit(benchmark::kMicrosecond);

// Comparing a captured frame with an equal frame copy: what a refresh of an
// unchanged screen costs.
void BM_StoreUnchangedFullFrame(benchmark::State& state) {
  vk::x11::ScreenGrabber grabber;
  if (grabber.Open() != 0) return state.SkipWithError("no display");
  vk::x11::CapturedRows rows;
  grabber.Capture({0, 0, kWidth, kHeight}, rows);
  cVkUpdateBuilder builder;
  builder.Init(kHeight, kWidth, 4, 6);
  builder.StoreSection(rows.data, rows.stride, {0, 0, kWidth, kHeight});
  builder.ReleaseFormatHold();
  builder.SendUpdate([](std::span<const uint8_t>) { return 0; });
  for (auto _ : state) builder.StoreSection(rows.data, rows.stride, {0, 0, kWidth, kHeight});
  if (!builder.ChangedRects().empty()) state.SkipWithError("unchanged frame reported as changed");
}
BENCHMARK(BM_StoreUnchangedFullFrame)->Unit(benchmark::kMillisecond);

// Capture, store against a black frame copy (all of it differs), compress
// and hand over the messages: one full-screen update.
void BM_FullScreenPipeline(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  vk::x11::ScreenGrabber grabber;
  if (grabber.Open() != 0) return state.SkipWithError("no display");
  cVkUpdateBuilder builder;
  size_t sent = 0;
  for (auto _ : state) {
    state.PauseTiming();
    builder.Init(kHeight, kWidth, 4, level);
    builder.ReleaseFormatHold();
    state.ResumeTiming();
    vk::x11::CapturedRows rows;
    grabber.Capture({0, 0, kWidth, kHeight}, rows);
    builder.StoreSection(rows.data, rows.stride, {0, 0, kWidth, kHeight});
    builder.SendUpdate([&](std::span<const uint8_t> m) {
      sent += m.size();
      return 0;
    });
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["bytes_per_frame"] = static_cast<double>(sent) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FullScreenPipeline)->Arg(6)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// zlib alone on the same frame, as the reference for the pipeline.
void BM_ZlibAloneFullFrame(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  vk::x11::ScreenGrabber grabber;
  if (grabber.Open() != 0) return state.SkipWithError("no display");
  vk::x11::CapturedRows rows;
  grabber.Capture({0, 0, kWidth, kHeight}, rows);
  std::vector<uint8_t> frame(rows.data, rows.data + size_t{kWidth} * kHeight * 4);
  std::vector<uint8_t> out(compressBound(frame.size()));
  for (auto _ : state) {
    uLongf length = out.size();
    compress2(out.data(), &length, frame.data(), frame.size(), level);
    benchmark::DoNotOptimize(length);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ZlibAloneFullFrame)->Arg(6)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// From drawing a line of text on the X screen to its pixels waiting in the
// update builder, with the default capture interval (100 ms) and the capture
// thread idle before the change.
void BM_SmallChangeToBuilder(benchmark::State& state) {
  cVkScreenCaptureSettings settings;
  cVkCaptureSet set({[&] { return settings; }, nullptr});
  cOrkLog log;
  set.Screen().Start(log);
  set.Desktop().Start(log);
  while (!set.Screen().TakeFormatPending()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto drain = [&] { set.Builder().SendUpdate([](std::span<const uint8_t>) { return 0; }); };
  uint32_t colour = 0x101010;
  for (auto _ : state) {
    // Let the capture thread go idle past its interval, then change a line.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    drain();
    colour = (colour + 0x0F0F0F) & 0xFFFFFF;
    const auto start = std::chrono::steady_clock::now();
    drawing->FillRoot(200, 600, 700, 14, colour);
    while (set.Builder().ChangedRects().empty()) std::this_thread::yield();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  set.Desktop().Stop(log);
  set.Screen().Stop(log);
}
BENCHMARK(BM_SmallChangeToBuilder)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// CPU time of the whole screen side (hooks, message window, capture and
// desktop threads) over 5 s of a static screen, in percent of one core.
// Argument 0: no refresh timers; 1: the default foreground refresh (1 s; with
// no focused window that refreshes the whole screen).
void BM_IdleCpuStaticScreen(benchmark::State& state) {
  cVkScreenCaptureSettings settings;
  if (state.range(0) == 0) settings.foregroundRefreshInterval = -1;
  cVkCaptureSet set({[&] { return settings; }, nullptr});
  cOrkLog log;
  set.Screen().Start(log);
  set.Desktop().Start(log);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // first full capture done
  for (auto _ : state) {
    const std::clock_t cpu0 = std::clock();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    state.counters["cpu_percent"] = cpu / 5.0 * 100.0;
  }
  set.Desktop().Stop(log);
  set.Screen().Stop(log);
}
BENCHMARK(BM_IdleCpuStaticScreen)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  vk::testing::XvfbServer xvfb(kWidth, kHeight);
  if (!xvfb.Running()) return 1;
  vk::x11::testing::XDrawing x;
  drawing = &x;
  // A desktop-like screen: bands of background, flat windows, one noisy area.
  for (int y = 0; y < kHeight; y += 40) x.FillRoot(0, y, kWidth, 40, static_cast<uint32_t>(y / 40 * 0x050302));
  x.FillRoot(200, 100, 1200, 800, 0xF0F0F0);
  x.FillRoot(200, 100, 1200, 30, 0x2050A0);
  x.FillRoot(1500, 200, 300, 600, 0xFFFFE0);
  x.PatternRoot(300, 200, 600, 300, 1234);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
