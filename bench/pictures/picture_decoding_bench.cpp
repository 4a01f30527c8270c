// Decoding a 1024 x 1024 picture the way the program loads it (TPictureSet::LoadPicture: the file
// read, the decoder chosen by extension, the picture made ready to paint; PNG through the shipped
// decoder in SPIs/ and the decoder list) against QImage::load of the same file. The target: each
// of ours at most 1.5 times QImage::load.
//
// Every iteration times one decode of each, one after the other, so both run under the same load
// of a shared machine; the reported time is ours, and the counters give QImage::load's mean and
// the ratio of the two means.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <string>

#include "pictures/picture_set.h"

namespace kelmo {
namespace {

constexpr int kSide = 1024;

// A picture with what photographs and drawn characters have: smooth gradients, hard edges, a
// little noise, and (for PNG) an alpha channel with a transparent background.
QImage SamplePicture(bool alpha) {
  QImage picture(kSide, kSide, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  uint32_t noise = 12345;
  for (int y = 0; y < kSide; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < kSide; ++x) {
      noise = noise * 1103515245 + 12345;
      const int jitter = static_cast<int>(noise >> 28);
      line[x] = qRgba((x / 4 + jitter) & 255, (y / 4 + jitter) & 255,
                      static_cast<int>(128 + 127 * std::sin((x + y) / 50.0)), 255);
    }
  }
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(250, 220, 200));
  painter.drawEllipse(QPoint(kSide / 2, kSide / 2), kSide / 3, kSide / 3);
  if (alpha) {
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.setBrush(QColor(0, 0, 0, 255));
    QImage mask(kSide, kSide, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    QPainter maskPainter(&mask);
    maskPainter.setRenderHint(QPainter::Antialiasing);
    maskPainter.setBrush(Qt::black);
    maskPainter.drawEllipse(QPoint(kSide / 2, kSide / 2), kSide * 2 / 5, kSide * 2 / 5);
    maskPainter.end();
    painter.drawImage(0, 0, mask);
  }
  return picture;
}

// The sample files, written into the benchmark's build folder before the benchmarks run.
struct TSample {
  const char* Name;
  const char* Format;
  bool Alpha;
};
constexpr TSample kSamples[] = {{"alpha.png", "PNG", true},
                                {"opaque.png", "PNG", false},
                                {"picture.jpg", "JPG", false},
                                {"picture.bmp", "BMP", false}};
constexpr int kJpegQuality = 90;

std::string SamplePath(const char* name) {
  return std::string(KELMO_BENCH_FOLDER) + name;
}

bool WriteSamples() {
  for (const TSample& sample : kSamples) {
    const bool jpeg = std::string(sample.Format) == "JPG";
    if (!SamplePicture(sample.Alpha)
             .save(QString::fromStdString(SamplePath(sample.Name)), sample.Format,
                   jpeg ? kJpegQuality : -1)) {
      return false;
    }
  }
  return true;
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void OursAgainstQImageLoad(benchmark::State& state, const std::string& path) {
  TPictureSet pictures(KELMO_PROGRAM_DIR, Qt::white, "");
  const QString qtPath = QString::fromStdString(path);
  double ours = 0;
  double qt = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!pictures.LoadPicture(TPictureSlot::Shown, path, false)) {
      state.SkipWithError("the picture does not decode");
      return;
    }
    const auto middle = std::chrono::steady_clock::now();
    QImage reference;
    if (!reference.load(qtPath)) {
      state.SkipWithError("QImage::load fails");
      return;
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(Seconds(middle - start));
    ours += Seconds(middle - start);
    qt += Seconds(end - middle);
    benchmark::DoNotOptimize(reference);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["qimage_load_ms"] = qt / iterations * 1e3;
  state.counters["ratio"] = ours / qt;
}

void BM_PngWithAlpha(benchmark::State& state) {
  OursAgainstQImageLoad(state, SamplePath("alpha.png"));
}
void BM_PngOpaque(benchmark::State& state) {
  OursAgainstQImageLoad(state, SamplePath("opaque.png"));
}
void BM_Jpeg(benchmark::State& state) {
  OursAgainstQImageLoad(state, SamplePath("picture.jpg"));
}
void BM_Bmp(benchmark::State& state) {
  OursAgainstQImageLoad(state, SamplePath("picture.bmp"));
}

BENCHMARK(BM_PngWithAlpha)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOpaque)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelmo

// QImage::load finds its JPEG reader among Qt's plug-ins, which want an application object.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (!kelmo::WriteSamples()) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
