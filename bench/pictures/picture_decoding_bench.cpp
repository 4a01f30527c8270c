// Decoding pictures the way the program loads them, against a reference, each iteration timing
// one of each one after the other so that both run under the same load of a shared machine; the
// reported time is ours, and the counters give the reference's mean and the ratio of the means.
//
//   BM_Png*, BM_Jpeg, BM_Bmp: a 1024 x 1024 picture through TPictureSet::LoadPicture (the file
//     read, the decoder chosen by extension, PNG through the program's own decoder) against
//     QImage::load. Target: at most 1.5 times QImage::load.
//   BM_PictureChange: a picture change to a PNG picture as the program makes it, its own PNG
//     decoder first in the list, against the same decoder loaded into this process the way the
//     program decoded before the helper: the bundled characters' PNG pictures and the 1024 x 1024
//     sample. Target: at most 1.2 times in process.
//   BM_HelperAgainstInProcess: the same pictures through the decoder helper, as a decoder that is
//     not the program's own decodes them (the cost of the helper's round trip; no target).
//   BM_JpegBomb: small JPEG files made to cost libjpeg seconds or hundreds of megabytes, each
//     refused. Target: under one second each.
//   BM_PngLargest: the costliest PNG the program decodes in process (4096 x 4096, 16 bits per
//     sample with alpha, all one colour, so a small file), and one pixel wider, which goes to the
//     helper. Target: under one second each.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include <unistd.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <vector>
#include "picture_files.h"
#include "pictures/dib_image.h"
#include "pictures/picture_file.h"
#include "pictures/picture_set.h"
#include "pictures/susie_plugin_list.h"

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
  QImage onePixel(1, 1, QImage::Format_ARGB32);
  onePixel.fill(Qt::red);
  if (!onePixel.save(QString::fromStdString(SamplePath("one_pixel.png")), "PNG")) return false;
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

// The in-tree program's picture options (its PNG decoder beside the executable, so its own and
// decoded in process) or, without ownDecoder, the same decoder as any other, in the helper.
TPictureOptions PictureOptions(bool ownDecoder) {
  TPictureOptions options = ProgramPictureOptions(KELMO_PROGRAM_DIR);
  options.SystemFolder.clear();
  options.ExecutableFolder = ownDecoder ? KELMO_PROGRAM_DIR : "";
  return options;
}

double Seconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void OursAgainstQImageLoad(benchmark::State& state, const std::string& path) {
  TPictureSet pictures(KELMO_PROGRAM_DIR, Qt::white, PictureOptions(true));
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

// Processor time of the calling thread, in seconds.
double ThreadSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Processor time a process has used so far, in seconds (from /proc, in clock ticks).
double ProcessSeconds(pid_t process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string line;
  std::getline(stat, line);
  const size_t end = line.rfind(')');
  if (end == std::string::npos) return 0;
  std::istringstream fields(line.substr(end + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
    if (i == 15) break;
  }
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A picture change (through the helper when throughHelper, else with the program's own decoder
// in this process) against the same decoder in this process (read, decode, adopt the blocks).
// Besides the times, the processor time both processes spend on a picture against the processor
// time of the decode in process ("cpu_ratio"): the work, whatever else the machine is doing.
void ChangeAgainstInProcess(benchmark::State& state, const std::string& path, bool throughHelper) {
  TPictureSet pictures(KELMO_PROGRAM_DIR, Qt::white, PictureOptions(!throughHelper));
  TSusiePlugInList inProcess;
  inProcess.LoadFolder(std::string(KELMO_PROGRAM_DIR) + "SPIs/");
  if (!pictures.LoadPicture(TPictureSlot::Shown, path, false)) {  // a helper starts here
    state.SkipWithError("the picture does not decode");
    return;
  }
  if ((pictures.DecoderHelperProcess() >= 0) != throughHelper) {
    state.SkipWithError(throughHelper ? "the helper did not decode the picture"
                                      : "the picture went to the helper");
    return;
  }
  const pid_t helperProcess = pictures.DecoderHelperProcess();
  const double helperStart = throughHelper ? ProcessSeconds(helperProcess) : 0;
  double change = 0;
  double local = 0;
  double changeCpu = 0;
  double localCpu = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = ThreadSeconds();
    if (!pictures.LoadPicture(TPictureSlot::Shown, path, false)) {
      state.SkipWithError("the picture does not decode");
      return;
    }
    const auto middle = std::chrono::steady_clock::now();
    const double middleCpu = ThreadSeconds();
    const std::optional<std::string> bytes = ReadPictureFile(path);
    std::optional<TDecodedDib> decoded =
        bytes ? inProcess.LoadFromMemory(bytes->data(), bytes->size()) : std::nullopt;
    if (!decoded) {
      state.SkipWithError("the picture does not decode in process");
      return;
    }
    const QImage picture = AdoptDecodedDib(std::move(*decoded));
    const auto end = std::chrono::steady_clock::now();
    localCpu += ThreadSeconds() - middleCpu;
    changeCpu += middleCpu - startCpu;
    benchmark::DoNotOptimize(picture);
    state.SetIterationTime(Seconds(middle - start));
    change += Seconds(middle - start);
    local += Seconds(end - middle);
  }
  if (pictures.DecoderHelperProcess() != helperProcess) {
    state.SkipWithError("the helper was started again");
    return;
  }
  if (throughHelper) changeCpu += ProcessSeconds(helperProcess) - helperStart;
  state.counters["in_process_ms"] = local / static_cast<double>(state.iterations()) * 1e3;
  state.counters["ratio"] = change / local;
  state.counters["cpu_ratio"] = changeCpu / localCpu;
}

// The bundled characters' PNG pictures, and the large sample.
std::vector<std::string> HelperSamples() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::string(KELMO_PROGRAM_DIR) + "characters")) {
    if (entry.path().extension() == ".png") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  paths.push_back(SamplePath("alpha.png"));
  paths.push_back(SamplePath("one_pixel.png"));  // the fixed cost of a picture change
  return paths;
}

// The JPEG bombs. Each is a small file; without the limits each costs seconds or hundreds of
// megabytes.

// The file with the size of its first frame header changed.
std::string Claiming(std::string jpeg, int width, int height) {
  size_t frame = jpeg.find("\xff\xc2");
  if (frame == std::string::npos) frame = jpeg.find("\xff\xc0");
  jpeg[frame + 5] = static_cast<char>(height >> 8), jpeg[frame + 6] = static_cast<char>(height);
  jpeg[frame + 7] = static_cast<char>(width >> 8), jpeg[frame + 8] = static_cast<char>(width);
  return jpeg;
}

QImage Flat() {
  QImage flat(16, 16, QImage::Format_RGB32);
  flat.fill(Qt::gray);
  return flat;
}

// A progressive grey file of side x side pixels (claimed) followed by count empty scans.
std::string EmptyScansBomb(int side, int count) {
  const std::string jpeg = Claiming(testing::ProgressiveGreyJpegFile(Flat(), 64), side, side);
  return jpeg.substr(0, jpeg.size() - 2) + testing::EmptyJpegScans(count) + "\xff\xd9";
}

// A tiny CMYK file claiming side x side pixels.
std::string CmykBomb(int side) {
  return Claiming(testing::JpegFile(Flat(), 4), side, side);
}

void JpegBomb(benchmark::State& state, const std::string& name, const std::string& bytes) {
  const std::string path = SamplePath(name.c_str());
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), bytes.size()) < 0) {
    state.SkipWithError("the bomb cannot be written");
    return;
  }
  file.close();
  TPictureSet pictures(KELMO_PROGRAM_DIR, Qt::white, "");
  for (auto _ : state) {
    if (pictures.LoadPicture(TPictureSlot::Shown, path, false)) {
      state.SkipWithError("the bomb was decoded");
      return;
    }
  }
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

void BM_PngLargest(benchmark::State& state, int width) {
  const std::string path = SamplePath(("largest_" + std::to_string(width) + ".png").c_str());
  QImage picture(width, 4096, QImage::Format_RGBA64);
  picture.fill(Qt::transparent);
  if (!picture.save(QString::fromStdString(path), "PNG", 0)) {
    state.SkipWithError("the picture cannot be written");
    return;
  }
  TPictureSet pictures(KELMO_PROGRAM_DIR, Qt::white, PictureOptions(true));
  for (auto _ : state) {
    if (!pictures.LoadPicture(TPictureSlot::Shown, path, false)) {
      state.SkipWithError("the picture does not decode");
      return;
    }
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  state.counters["through_helper"] = pictures.DecoderHelperProcess() >= 0 ? 1 : 0;
}

void RegisterGeneratedBenchmarks() {
  for (const bool throughHelper : {false, true}) {
    for (const std::string& path : HelperSamples()) {
      const std::string name =
          std::string(throughHelper ? "BM_HelperAgainstInProcess/" : "BM_PictureChange/") +
          std::filesystem::path(path).parent_path().filename().string() + "/" +
          std::filesystem::path(path).filename().string();
      benchmark::RegisterBenchmark(name.c_str(), ChangeAgainstInProcess, path, throughHelper)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  const struct {
    const char* Name;
    std::string Bytes;
  } bombs[] = {
      {"ten_thousand_empty_scans_1024.jpg", EmptyScansBomb(1024, 10000)},
      {"ten_thousand_empty_scans_4096.jpg", EmptyScansBomb(4096, 10000)},
      {"cmyk_claiming_8192.jpg", CmykBomb(8192)},
      {"cmyk_claiming_4096.jpg", CmykBomb(4096)},
  };
  for (const auto& bomb : bombs) {
    benchmark::RegisterBenchmark((std::string("BM_JpegBomb/") + bomb.Name).c_str(), JpegBomb,
                                 std::string(bomb.Name), bomb.Bytes)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  }
}

BENCHMARK(BM_PngWithAlpha)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngOpaque)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PngLargest, in_process_4096, 4096)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_PngLargest, through_helper_4097, 4097)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace kelmo

// QImage::load finds its JPEG reader among Qt's plug-ins, which want an application object.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (!kelmo::WriteSamples()) return 1;
  kelmo::RegisterGeneratedBenchmarks();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
