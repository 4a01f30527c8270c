#include "package/package_writer.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/regular_file.h"
#include "charfile/text_utils.h"
#include "lint/character_linter.h"
#include "package/package_paths.h"
#include "package/utf8_locale.h"

namespace kelmo {
namespace fs = std::filesystem;
namespace {

// How file names of readmes and licences begin (compared in lower case).
constexpr std::string_view kReadmeStems[] = {"readme", "license", "licence", "copying"};
// Image decoders a character folder may bring for its pictures.
constexpr std::string_view kDecoderExtension = ".spi";
constexpr size_t kCopyChunk = 256 * 1024;

struct TWriterFree {
  void operator()(archive* writer) const { archive_write_free(writer); }
};

// The files to pack: the used ones, then the decoders, readmes and licences of the folder.
std::vector<fs::path> FilesToPack(const TLintReport& report, const fs::path& definition,
                                  const fs::path& folder) {
  std::vector<fs::path> files;
  const auto add = [&](const fs::path& path) {
    if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
  };
  for (const std::string& used : report.UsedFiles()) add(NormalPath(used));
  std::vector<fs::path> beside;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    std::error_code ignored;
    if (!entry.is_regular_file(ignored) || entry.is_symlink(ignored)) continue;
    const std::string name = entry.path().filename().string();
    if (IsReadmeOrLicence(name) ||
        AsciiLowerCase(entry.path().extension().string()) == kDecoderExtension) {
      beside.push_back(NormalPath(entry.path().string()));
    }
  }
  std::sort(beside.begin(), beside.end());
  for (const fs::path& path : beside) add(path);
  std::erase_if(files, [&](const fs::path& path) {
    return path != definition && AsciiLowerCase(path.extension().string()) == kStateFileExtension;
  });
  return files;
}

class TZipWriter {
 public:
  explicit TZipWriter(int descriptor) : writer_(archive_write_new()) {
    if (!writer_ || archive_write_set_format_zip(writer_.get()) != ARCHIVE_OK ||
        archive_write_set_format_option(writer_.get(), "zip", "hdrcharset", "UTF-8") !=
            ARCHIVE_OK ||
        archive_write_open_fd(writer_.get(), descriptor) != ARCHIVE_OK) {
      throw EPackageError(TPackageCode::WriteFailed, Error());
    }
  }

  void AddFile(const fs::path& path, const std::string& name) {
    const TFileDescriptor file = OpenRegularFile(path.string(), O_RDONLY);
    struct stat info;
    if (::fstat(file.Get(), &info) != 0) throw EPackageError(TPackageCode::WriteFailed, name);
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                        archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), info.st_size);
    archive_entry_set_mtime(entry.get(), info.st_mtime, 0);
    if (archive_write_header(writer_.get(), entry.get()) != ARCHIVE_OK) Fail(name);
    std::string buffer(kCopyChunk, '\0');
    for (;;) {
      const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw EPackageError(TPackageCode::WriteFailed, name);
      if (got == 0) break;
      if (archive_write_data(writer_.get(), buffer.data(), static_cast<size_t>(got)) != got) {
        Fail(name);
      }
    }
  }

  void Close() {
    if (archive_write_close(writer_.get()) != ARCHIVE_OK) Fail("");
  }

 private:
  std::string Error() const {
    const char* text = writer_ ? archive_error_string(writer_.get()) : nullptr;
    return text != nullptr ? text : "";
  }
  [[noreturn]] void Fail(const std::string& name) {
    throw EPackageError(WriteFailureCode(archive_errno(writer_.get())), name);
  }

  std::unique_ptr<archive, TWriterFree> writer_;
};

// The package file being written: a temporary file beside the output, renamed over it at the
// end, removed on failure.
class TPendingFile {
 public:
  explicit TPendingFile(const std::string& output)
      : output_(output), path_(output + ".kelmo-tmp-XXXXXX") {
    file_.Reset(::mkstemp(path_.data()));
    if (!file_.IsOpen()) throw EPackageError(WriteFailureCode(errno), output);
  }
  ~TPendingFile() {
    if (!committed_) ::unlink(path_.c_str());
  }
  int Descriptor() const { return file_.Get(); }
  void Commit() {
    ::fchmod(file_.Get(), 0644);
    if (::fsync(file_.Get()) != 0 || ::close(file_.Release()) != 0 ||
        ::rename(path_.c_str(), output_.c_str()) != 0) {
      throw EPackageError(WriteFailureCode(errno), output_);
    }
    committed_ = true;
  }

 private:
  std::string output_;
  std::string path_;
  TFileDescriptor file_;
  bool committed_ = false;
};

}  // namespace

bool IsReadmeOrLicence(std::string_view fileName) {
  const std::string lower = AsciiLowerCase(fileName);
  return std::any_of(std::begin(kReadmeStems), std::end(kReadmeStems),
                     [&](std::string_view stem) { return lower.starts_with(stem); });
}

namespace {

// Lints, checks and writes the package; raises EPackageError.
void Pack(const TPackRequest& request, TPackResult& result) {
  result.Lint = LintCharacter({request.ProgramFolder, request.Definition});
  const fs::path definition = NormalPath(request.Definition);
  if (result.Lint.Errors() > 0) {
    throw EPackageError(TPackageCode::LintErrors, definition.filename().string());
  }
  const fs::path top = definition.parent_path();
  const fs::path folder =
      NormalPath(ResolveDataPath(TCharacterFile(FromFileSystemPath(definition.string())).Folder));
  if (folder == top) {
    throw EPackageError(TPackageCode::NoCharacterFolder, definition.filename().string());
  }
  if (!IsStrictlyBelow(folder, top)) {
    throw EPackageError(TPackageCode::OutsideCharacterFolder, folder.string());
  }
  const std::vector<fs::path> files = FilesToPack(result.Lint, definition, folder);
  for (const fs::path& file : files) {
    if (file != definition && !IsStrictlyBelow(file, folder)) {
      throw EPackageError(TPackageCode::OutsideCharacterFolder, file.string());
    }
    result.Names.push_back(file.lexically_relative(top).generic_string());
  }
  const TUtf8Locale utf8;
  TPendingFile pending(request.Output);
  TZipWriter zip(pending.Descriptor());
  for (size_t i = 0; i < files.size(); ++i) zip.AddFile(files[i], result.Names[i]);
  zip.Close();
  pending.Commit();
}

}  // namespace

TPackResult PackCharacter(const TPackRequest& request) {
  TPackResult result;
  const TPackageOutcome outcome = RunPackageOperation([&] { Pack(request, result); });
  result.Code = outcome.Code;
  result.Entry = outcome.Entry;
  if (result.Code != TPackageCode::Ok) {
    result.Names.clear();
    result.Message = PackageMessage(result.Code, result.Entry);
  }
  return result;
}

}  // namespace kelmo
