// Installing a large character package against unzip of the same file (target: the install takes
// at most 1.5 times as long). The package is a character with 2,000 pictures of 50 KiB each
// (100 MB in all, as incompressible as real PNG and JPEG pictures), made once per run. Each
// iteration installs into a fresh program folder; the folder is removed outside the timing.
// Both report wall time; run them on a quiet machine.
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "charfile/code_page.h"
#include "package/package_installer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 2000;
constexpr size_t kPictureBytes = 50 * 1024;

class TBenchFolder {
 public:
  TBenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kelmo-bench-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TBenchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

void AddFile(archive* writer, const std::string& name, const std::string& data) {
  std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                      archive_entry_free);
  archive_entry_set_pathname(entry.get(), name.c_str());
  archive_entry_set_filetype(entry.get(), AE_IFREG);
  archive_entry_set_perm(entry.get(), 0644);
  archive_entry_set_size(entry.get(), static_cast<la_int64_t>(data.size()));
  archive_write_header(writer, entry.get());
  archive_write_data(writer, data.data(), data.size());
}

// The package: "sora.klc", "sora/dict.txt" and the pictures "sora/pictures/NNNN.bmp".
std::string MakePackage(const fs::path& folder) {
  const std::string path = (folder / "sora.klz").string();
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_open_filename(writer, path.c_str());
  AddFile(writer, "sora.klc",
          kelmo::Utf8ToShiftJis("name\r\nそら\r\nfolder\r\nsora\r\nversion\r\n210\r\n"
                                "data02\r\ndict.txt\r\nDefaultBitmap\r\npictures/0000.bmp\r\n"));
  AddFile(writer, "sora/dict.txt", kelmo::Utf8ToShiftJis("\"TRUE\",\"やあ\"\r\n"));
  std::mt19937_64 random(7);
  std::string picture(kPictureBytes, '\0');
  for (int i = 0; i < kPictures; ++i) {
    for (size_t at = 0; at + 8 <= picture.size(); at += 8) {
      const uint64_t value = random();
      std::memcpy(picture.data() + at, &value, sizeof value);
    }
    picture[0] = 'B';
    picture[1] = 'M';
    char name[64];
    std::snprintf(name, sizeof name, "sora/pictures/%04d.bmp", i);
    AddFile(writer, name, picture);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return path;
}

const std::string& Package() {
  static const TBenchFolder folder;
  static const std::string package = MakePackage(folder.Path());
  return package;
}

bool RunUnzip(const std::string& package, const fs::path& into) {
  const std::string target = into.string();
  const char* arguments[] = {"unzip", "-q", "-o", package.c_str(), "-d", target.c_str(), nullptr};
  pid_t child = 0;
  if (::posix_spawnp(&child, "unzip", nullptr, nullptr, const_cast<char**>(arguments), environ) !=
      0) {
    return false;
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_InstallPackage(benchmark::State& state) {
  const std::string& package = Package();
  for (auto _ : state) {
    state.PauseTiming();
    {
      const TBenchFolder home;
      kelmo::TInstallRequest request;
      request.Package = package;
      request.ProgramFolder = home.Path().string();
      state.ResumeTiming();
      const kelmo::TInstallResult result = kelmo::InstallPackage(request);
      state.PauseTiming();
      if (result.Code != kelmo::TPackageCode::Ok) state.SkipWithError(result.Message.c_str());
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kPictures * static_cast<int64_t>(kPictureBytes));
}
BENCHMARK(BM_InstallPackage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_UnzipPackage(benchmark::State& state) {
  const std::string& package = Package();
  for (auto _ : state) {
    state.PauseTiming();
    {
      const TBenchFolder home;
      state.ResumeTiming();
      const bool unpacked = RunUnzip(package, home.Path());
      state.PauseTiming();
      if (!unpacked) state.SkipWithError("unzip failed");
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kPictures * static_cast<int64_t>(kPictureBytes));
}
BENCHMARK(BM_UnzipPackage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
