// Reading and checking entries with libarchive.
#include "package/package_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_map>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/kelmo_error.h"
#include "charfile/regular_file.h"
#include "charfile/text_utils.h"
#include "package/package_error.h"
#include "package/utf8_locale.h"

namespace kelmo {
namespace {

// Bytes libarchive asks the file for at a time.
constexpr size_t kReadBlockSize = 256 * 1024;

struct TArchiveFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using TArchive = std::unique_ptr<archive, TArchiveFree>;

// A name as shown in a message: printable, whatever the archive held.
std::string ShownName(const char* name) {
  if (name == nullptr) return "";
  const std::string raw = name;
  if (IsValidUtf8(raw)) return raw;
  std::string shown;
  for (const unsigned char c : raw) {
    if (c < 0x80) {
      shown += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 15];
    }
  }
  return shown;
}

// Whether a failure to find a format means the bytes are no archive at all, rather than an
// archive compressed by a known filter and cut short or damaged inside.
// libarchive says "Unrecognized archive format" with EILSEQ on Linux, and a gzip stream cut
// short otherwise.
bool IsNoArchive(archive* reader) {
  return archive_format(reader) == 0 && archive_errno(reader) == EILSEQ;
}

TArchive OpenReader(const TPackageSource& source, TFileDescriptor& file) {
  TArchive reader(archive_read_new());
  if (!reader) throw EPackageError(TPackageCode::CannotOpen, source.Path);
  // Debian's libarchive decodes these itself; none of them starts an outside program.
  archive_read_support_filter_gzip(reader.get());
  archive_read_support_filter_bzip2(reader.get());
  archive_read_support_filter_xz(reader.get());
  archive_read_support_format_zip(reader.get());
  archive_read_support_format_tar(reader.get());
  // ZIP names without the UTF-8 flag are code page 932; flagged ones stay UTF-8.
  archive_read_set_format_option(reader.get(), "zip", "hdrcharset", "CP932");
  int opened;
  if (source.Path.empty()) {
    opened = archive_read_open_memory(reader.get(), source.Bytes.data(), source.Bytes.size());
  } else {
    try {
      file = OpenRegularFile(source.Path, O_RDONLY);
    } catch (const EFileError&) {
      throw EPackageError(TPackageCode::CannotOpen, source.Path);
    }
    opened = archive_read_open_fd(reader.get(), file.Get(), kReadBlockSize);
  }
  if (opened != ARCHIVE_OK) {
    throw EPackageError(
        IsNoArchive(reader.get()) ? TPackageCode::NotAnArchive : TPackageCode::Corrupt,
        IsNoArchive(reader.get()) ? source.Path : "");
  }
  return reader;
}

// Remembers the names seen, each folder above an entry counting as a folder.
class TNameRegister {
 public:
  // Raises Duplicate when name clashes with an entry seen before: the same name twice (two
  // folders excepted), or a file where a folder is or was implied.
  void Add(const std::string& name, bool isFolder) {
    size_t slash = 0;
    while ((slash = name.find('/', slash)) != std::string::npos) {
      const std::string parent = name.substr(0, slash);
      const auto [seen, added] = kinds_.try_emplace(EntryNameKey(parent), true);
      if (!added && !seen->second) throw EPackageError(TPackageCode::Duplicate, parent);
      ++slash;
    }
    const auto [seen, added] = kinds_.try_emplace(EntryNameKey(name), isFolder);
    if (!added && !(seen->second && isFolder)) {
      throw EPackageError(TPackageCode::Duplicate, name);
    }
  }

 private:
  std::unordered_map<std::u16string, bool> kinds_;  // key -> is a folder
};

class TReader {
 public:
  TReader(const TPackageSource& source, const TPackageLimits& limits, TEntrySink& sink)
      : source_(source), limits_(limits), sink_(sink) {}

  int64_t Run() {
    const TUtf8Locale utf8;
    TFileDescriptor file;
    reader_ = OpenReader(source_, file);
    int64_t entries = 0;
    for (;;) {
      archive_entry* entry = nullptr;
      const int status = archive_read_next_header(reader_.get(), &entry);
      if (status == ARCHIVE_EOF) break;
      if (status < ARCHIVE_WARN) ThrowReadFailure(entries == 0 ? "" : lastName_, entries == 0);
      if (++entries > limits_.MaxEntries) throw EPackageError(TPackageCode::TooManyEntries, "");
      TakeEntry(entry, status);
    }
    if (entries == 0) throw EPackageError(TPackageCode::NotAnArchive, source_.Path);
    return entries;
  }

 private:
  [[noreturn]] void ThrowReadFailure(const std::string& name, bool atStart) {
    if (atStart && IsNoArchive(reader_.get())) {
      throw EPackageError(TPackageCode::NotAnArchive, source_.Path);
    }
    throw EPackageError(TPackageCode::Corrupt, name);
  }

  void TakeEntry(archive_entry* entry, int headerStatus) {
    const char* utf8Name = archive_entry_pathname_utf8(entry);
    if (utf8Name == nullptr || (headerStatus == ARCHIVE_WARN && !IsValidUtf8(utf8Name))) {
      throw EPackageError(TPackageCode::UnreadableName, ShownName(archive_entry_pathname(entry)));
    }
    lastName_ = utf8Name;
    if (archive_entry_is_encrypted(entry)) {
      throw EPackageError(TPackageCode::Encrypted, lastName_);
    }
    if (archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr ||
        archive_entry_filetype(entry) == AE_IFLNK) {
      throw EPackageError(TPackageCode::Link, lastName_);
    }
    const unsigned type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR) {
      throw EPackageError(TPackageCode::SpecialFile, lastName_);
    }
    const bool isFolder = type == AE_IFDIR;
    TPackageEntry checked{CleanEntryName(lastName_), isFolder};
    names_.Add(checked.Name, isFolder);
    if (isFolder) {
      sink_.Folder(checked);
      return;
    }
    if (archive_entry_size_is_set(entry) &&
        archive_entry_size(entry) > limits_.MaxUnpackedBytes - unpacked_) {
      throw EPackageError(TPackageCode::TooLarge, lastName_);
    }
    sink_.BeginFile(checked);
    CopyData();
    sink_.EndFile();
  }

  // Hands the current file's data to the sink, counting it against the limits before each
  // write, so a bound is met before its bytes land.
  void CopyData() {
    const int64_t packedStart = archive_filter_bytes(reader_.get(), -1);
    int64_t written = 0;
    for (;;) {
      const void* block = nullptr;
      size_t size = 0;
      la_int64_t offset = 0;
      const int status = archive_read_data_block(reader_.get(), &block, &size, &offset);
      if (status == ARCHIVE_EOF) return;
      if (status != ARCHIVE_OK || offset < written) {
        throw EPackageError(TPackageCode::Corrupt, lastName_);
      }
      // A sparse tar entry skips ahead: the gap reads as zeros and counts as data.
      while (written < offset) {
        const int64_t gap = std::min<int64_t>(offset - written, kReadBlockSize);
        Count(gap, written + gap, packedStart);
        sink_.Write(std::string(static_cast<size_t>(gap), '\0'));
        written += gap;
      }
      Count(static_cast<int64_t>(size), written + static_cast<int64_t>(size), packedStart);
      sink_.Write(std::string_view(static_cast<const char*>(block), size));
      written += static_cast<int64_t>(size);
    }
  }

  // Adds bytes about to be written to the package's total; entryBytes is what the current entry
  // will have unpacked to with them. Raises TooLarge or Bomb at a bound.
  void Count(int64_t bytes, int64_t entryBytes, int64_t packedStart) {
    unpacked_ += bytes;
    if (unpacked_ > limits_.MaxUnpackedBytes)
      throw EPackageError(TPackageCode::TooLarge, lastName_);
    if (entryBytes <= limits_.CompressionCheckFloor) return;
    // The packed bytes the entry has taken from the archive so far (the whole compressed stream
    // around it for a compressed tar).
    const int64_t packed =
        std::max<int64_t>(1, archive_filter_bytes(reader_.get(), -1) - packedStart);
    if (entryBytes > limits_.MaxCompressionRatio * packed) {
      throw EPackageError(TPackageCode::Bomb, lastName_);
    }
  }

  const TPackageSource& source_;
  const TPackageLimits& limits_;
  TEntrySink& sink_;
  TArchive reader_;
  TNameRegister names_;
  std::string lastName_;
  int64_t unpacked_ = 0;
};

}  // namespace

std::string CleanEntryName(std::string_view name) {
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  const std::string shown(name);
  if (path.starts_with('/')) throw EPackageError(TPackageCode::AbsolutePath, shown);
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    throw EPackageError(TPackageCode::AbsolutePath, shown);
  }
  std::string clean;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view component(path.data() + start, end - start);
    if (component == "..") throw EPackageError(TPackageCode::ParentReference, shown);
    if (!component.empty() && component != ".") {
      if (!clean.empty()) clean += '/';
      clean += component;
    }
    start = end + 1;
  }
  if (clean.empty()) throw EPackageError(TPackageCode::UnreadableName, shown);
  return clean;
}

std::u16string EntryNameKey(std::string_view cleanName) {
  return NormalizeText(Utf8ToUtf16(cleanName));
}

int64_t ReadPackage(const TPackageSource& source, const TPackageLimits& limits, TEntrySink& sink) {
  return TReader(source, limits, sink).Run();
}

}  // namespace kelmo
