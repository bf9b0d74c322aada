// The console's side of a full-screen update at 1920x1080: taking it into
// the screen copy (inflate and section copy), copying the changed rows into
// the viewer's image and painting the window, offscreen. Reported with and
// without the inflate; and a burst of small updates, which costs one
// repaint for all of them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <random>

#include "common/screen/register_screen.h"
#include "common/screen/update_block_builder.h"
#include "console/core/viewer_messages.h"
#include "console/ui/child_view.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_console_paint";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

// A desktop-like picture: flat areas with some noise, compressed the way the
// agent does (level 6).
std::vector<uint8_t> FullUpdateStream(uint32_t seed) {
  VkScreenGeometry g{kWidth, kHeight, 4};
  std::vector<uint8_t> frame(g.FrameBytes());
  std::mt19937 rng(seed);
  for (size_t i = 0; i < frame.size(); i += 4) {
    const uint32_t pixel = (i / 4 / 97) % 7 == 0 ? rng() : 0x002F4F6F + static_cast<uint32_t>(i / (4 * kWidth * 40));
    for (int b = 0; b < 4; ++b) frame[i + b] = static_cast<uint8_t>(pixel >> (8 * b));
  }
  cVkUpdateBlockBuilder builder;
  builder.Init(g, 6);
  std::vector<uint8_t> stream;
  builder.SetSink([&](std::span<const uint8_t> message) {
    stream.assign(message.begin() + 8, message.end());
    return 0;
  });
  builder.AddSection(VkRect{0, 0, kWidth, kHeight}, frame.data());
  builder.Flush();
  return stream;
}

struct Viewer {
  Viewer() : holder((App(), std::make_unique<CChildView>(nullptr))), view(*holder) {
    view.resize(kWidth + 40, kHeight + 40);
    view.show();
    view.ScreenBuffer()->ApplyScreenInfo(cVkScreenInfo::ForTrueColour(kWidth, kHeight, 32, 0xFF0000, 0xFF00, 0xFF));
    view.PostViewerMessage(UM_SCREEN_FORMAT, 0);
    QCoreApplication::processEvents();
  }
  // What the window does for UM_SCREEN_DATA, and the paint that follows.
  void ShowUpdates() {
    view.PostViewerMessage(UM_SCREEN_DATA, 0);
    QCoreApplication::processEvents();
    view.viewport()->repaint();
  }
  std::unique_ptr<CChildView> holder;
  CChildView& view;
};

void BM_FullUpdatePaintOnly(benchmark::State& state) {
  Viewer viewer;
  const std::vector<uint8_t> stream = FullUpdateStream(1);
  for (auto _ : state) {
    state.PauseTiming();
    viewer.view.ScreenBuffer()->ApplyBlock(stream);
    state.ResumeTiming();
    viewer.ShowUpdates();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FullUpdatePaintOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FullUpdateInflateAndPaint(benchmark::State& state) {
  Viewer viewer;
  const std::vector<uint8_t> stream = FullUpdateStream(2);
  for (auto _ : state) {
    viewer.view.ScreenBuffer()->ApplyBlock(stream);
    viewer.ShowUpdates();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FullUpdateInflateAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 small updates (a typing burst) before the window gets to them.
void BM_BurstOfSmallUpdates(benchmark::State& state) {
  Viewer viewer;
  std::vector<std::vector<uint8_t>> streams;
  VkScreenGeometry g{kWidth, kHeight, 4};
  std::vector<uint8_t> frame(g.FrameBytes(), 0x7F);
  cVkUpdateBlockBuilder builder;
  builder.Init(g, 6);
  builder.SetSink([&](std::span<const uint8_t> m) {
    streams.emplace_back(m.begin() + 8, m.end());
    return 0;
  });
  for (int i = 0; i < 100; ++i) {
    builder.AddSection(VkRect{40 + 8 * i, 300, 48 + 8 * i, 316}, frame.data());
    builder.Flush();
  }
  for (auto _ : state) {
    for (const auto& stream : streams) {
      viewer.view.ScreenBuffer()->ApplyBlock(stream);
      viewer.view.PostViewerMessage(UM_SCREEN_DATA, 0);  // only the first is queued
    }
    QCoreApplication::processEvents();
    viewer.view.viewport()->repaint();
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_BurstOfSmallUpdates)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
