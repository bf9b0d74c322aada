// The console's side of a full-screen update at 1920x1080: taking it into
// the screen copy (inflate and section copy) and painting the changed part
// of the window straight from it, offscreen. Reported with and without the
// inflate; the same through the update connection (an agent stand-in on
// loopback sends, the viewer's receiving thread takes it in); and a burst of
// small updates, which costs one repaint for all of them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <random>

#include "common/protocol/session_messages.h"
#include "common/protocol/wire_bytes.h"
#include "common/screen/register_screen.h"
#include "common/screen/stream_decompressor.h"
#include "common/socket/socket.h"
#include "common/viewer/tests/agent_wire.h"
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
  static const bool registered = (VkRegisterScreenClasses(), true);
  (void)registered;
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

// The two steps of taking an update in, without the window.
void BM_FullUpdateInflateOnly(benchmark::State& state) {
  const std::vector<uint8_t> stream = FullUpdateStream(2);
  std::vector<uint8_t> out(VkScreenGeometry{kWidth, kHeight, 4}.BlockBytes());
  cVkStreamDecompressor inflater;
  size_t written = 0;
  for (auto _ : state) {
    if (inflater.Inflate(stream, out, &written) != 0) state.SkipWithError("the stream did not inflate");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["stream_bytes"] = static_cast<double>(stream.size());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FullUpdateInflateOnly)->Unit(benchmark::kMillisecond);

void BM_FullUpdateApplyOnly(benchmark::State& state) {
  App();
  cVkScreenBuffer screen;
  screen.ApplyScreenInfo(cVkScreenInfo::ForTrueColour(kWidth, kHeight, 32, 0xFF0000, 0xFF00, 0xFF));
  const std::vector<uint8_t> stream = FullUpdateStream(2);
  for (auto _ : state) {
    if (screen.ApplyBlock(stream) != 0) state.SkipWithError("the update was refused");
    screen.TakeDirtyRects();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FullUpdateApplyOnly)->Unit(benchmark::kMillisecond);

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

// Counts the paints of a window.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// A full update sent by a stand-in agent over loopback, received by the
// viewer's own connection, applied and painted.
void BM_FullUpdateReceiveApplyPaint(benchmark::State& state) {
  App();
  cOrkLog log;
  cVkSocket listener(1), agent(60);
  if (listener.Create(log, vk::net::kStream) != 0 || listener.Bind(log, 0) != 0 || listener.Listen(log) != 0) {
    state.SkipWithError("no loopback listener");
    return;
  }
  CChildView view(nullptr);
  view.resize(kWidth + 40, kHeight + 40);
  view.show();
  PaintCounter counter;
  view.viewport()->installEventFilter(&counter);
  cVkConnectionInfo record;
  record.computerName = u"127.0.0.1";
  record.address = 0x0100007F;
  record.updatePort = listener.LocalPort();
  record.userName = u"bench";
  view.OpenConnection(record);
  if (listener.Accept(log, agent) != 0) {
    state.SkipWithError("the viewer did not connect");
    return;
  }
  uint8_t head[4];
  agent.ReceiveAll(head, 4);
  std::vector<uint8_t> rest(vk::ReadLe32(head) - 4);
  agent.ReceiveAll(rest.data(), rest.size());
  vktest::AgentWire format;
  format.Format(kWidth, kHeight);
  agent.SendAll(format.bytes.data(), format.bytes.size());
  const std::vector<uint8_t> stream = FullUpdateStream(3);
  vktest::AgentWire update;
  update.Dword(vk::kUpdateMessage);
  update.Dword(static_cast<uint32_t>(stream.size()));
  update.Append(stream);
  // Sleeps in the event loop until the viewer's events come (no spinning
  // beside its receiving thread); the timer only lets the deadline be seen.
  QTimer wake;
  wake.start(100);
  const auto painted = [&](int before) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (counter.paints == before && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return counter.paints != before;
  };
  painted(counter.paints);  // the format's first paint
  for (auto _ : state) {
    const int before = counter.paints;
    if (agent.SendAll(update.bytes.data(), update.bytes.size()) != 0 || !painted(before)) {
      state.SkipWithError(("the update was not painted; running " + std::to_string(view.IsRunning()) + " size " +
                           std::to_string(view.RemoteSize().width()) + " paints " + std::to_string(counter.paints))
                              .c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  view.CloseConnection();
}
BENCHMARK(BM_FullUpdateReceiveApplyPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

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
