#include "package/test_archives.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "charfile/code_page.h"
#include "package/utf8_locale.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace fs = std::filesystem;
namespace {

uint32_t Crc32(const std::string& data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> values{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      values[i] = c;
    }
    return values;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (const unsigned char byte : data) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

mode_t FileType(TEntryKind kind) {
  switch (kind) {
    case TEntryKind::Folder:
      return AE_IFDIR;
    case TEntryKind::Symlink:
      return AE_IFLNK;
    case TEntryKind::CharDevice:
      return AE_IFCHR;
    case TEntryKind::BlockDevice:
      return AE_IFBLK;
    case TEntryKind::Fifo:
      return AE_IFIFO;
    case TEntryKind::File:
    case TEntryKind::Hardlink:
      return AE_IFREG;
  }
  return AE_IFREG;
}

la_ssize_t WriteToString(archive*, void* client, const void* buffer, size_t length) {
  static_cast<std::string*>(client)->append(static_cast<const char*>(buffer), length);
  return static_cast<la_ssize_t>(length);
}

}  // namespace

std::string MakeArchive(const std::vector<TTestEntry>& entries, TArchiveFormat format) {
  const TUtf8Locale utf8;
  std::unique_ptr<archive, decltype(&archive_write_free)> writer(archive_write_new(),
                                                                 archive_write_free);
  if (format == TArchiveFormat::Tar || format == TArchiveFormat::TarGzip) {
    archive_write_set_format_pax_restricted(writer.get());
    if (format == TArchiveFormat::TarGzip) archive_write_add_filter_gzip(writer.get());
  } else {
    archive_write_set_format_zip(writer.get());
    archive_write_set_format_option(writer.get(), "zip", "hdrcharset", "UTF-8");
    if (format == TArchiveFormat::StoredZip) {
      archive_write_set_format_option(writer.get(), "zip", "compression", "store");
    }
  }
  archive_write_set_bytes_in_last_block(writer.get(), 1);
  std::string out;
  archive_write_open(writer.get(), &out, nullptr, WriteToString, nullptr);
  for (const TTestEntry& item : entries) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                        archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), item.Name.c_str());
    archive_entry_set_filetype(entry.get(), FileType(item.Kind));
    archive_entry_set_perm(entry.get(), item.Kind == TEntryKind::Folder ? 0755 : 0644);
    if (item.Kind == TEntryKind::Symlink)
      archive_entry_set_symlink(entry.get(), item.Target.c_str());
    if (item.Kind == TEntryKind::Hardlink)
      archive_entry_set_hardlink(entry.get(), item.Target.c_str());
    if (item.Kind == TEntryKind::CharDevice || item.Kind == TEntryKind::BlockDevice) {
      archive_entry_set_rdev(entry.get(), makedev(1, 3));
    }
    const bool data = item.Kind == TEntryKind::File;
    archive_entry_set_size(entry.get(), data ? static_cast<int64_t>(item.Data.size()) : 0);
    if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK) {
      throw std::runtime_error(archive_error_string(writer.get()));
    }
    if (data) archive_write_data(writer.get(), item.Data.data(), item.Data.size());
  }
  archive_write_close(writer.get());
  return out;
}

std::string MakeRawZip(const std::vector<TRawZipEntry>& entries) {
  std::string out;
  std::string directory;
  for (const TRawZipEntry& entry : entries) {
    const uint32_t offset = static_cast<uint32_t>(out.size());
    const uint32_t crc = Crc32(entry.Data);
    const auto size = static_cast<uint32_t>(entry.Data.size());
    const auto nameSize = static_cast<uint32_t>(entry.Name.size());
    Put32(out, 0x04034B50);
    Put16(out, 20);
    Put16(out, entry.Flags);
    Put16(out, 0);  // stored
    Put32(out, 0);  // time and date
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, nameSize);
    Put16(out, 0);
    out += entry.Name;
    out += entry.Data;

    Put32(directory, 0x02014B50);
    Put16(directory, 0x0314);  // made by Unix, version 2.0
    Put16(directory, 20);
    Put16(directory, entry.Flags);
    Put16(directory, 0);
    Put32(directory, 0);
    Put32(directory, crc);
    Put32(directory, size);
    Put32(directory, size);
    Put16(directory, nameSize);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, entry.ExternalAttributes);
    Put32(directory, offset);
    directory += entry.Name;
  }
  const auto directoryOffset = static_cast<uint32_t>(out.size());
  out += directory;
  const auto count = static_cast<uint32_t>(entries.size());
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count > 0xFFFF ? 0xFFFF : count);
  Put16(out, count > 0xFFFF ? 0xFFFF : count);
  Put32(out, static_cast<uint32_t>(directory.size()));
  Put32(out, directoryOffset);
  Put16(out, 0);
  return out;
}

std::string MakeRawTar(const std::string& name, int64_t size) {
  std::string header(512, '\0');
  header.replace(0, name.size(), name);
  const auto field = [&](size_t at, size_t width, int64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(width - 1),
                  static_cast<unsigned long long>(value));
    header.replace(at, width - 1, text);
  };
  field(100, 8, 0644);
  field(108, 8, 0);
  field(116, 8, 0);
  field(124, 12, size);
  field(136, 12, 0);
  header[156] = '0';
  header.replace(257, 6, std::string("ustar\0", 6));
  header.replace(263, 2, "00");
  header.replace(148, 8, "        ");
  unsigned sum = 0;
  for (const unsigned char c : header) sum += c;
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%06o", sum);
  header.replace(148, 7, std::string(checksum, 6) + '\0');
  return header + std::string(1024, '\0');
}

std::vector<TTestEntry> CharacterEntries(const std::string& stem, const std::string& name,
                                         const std::string& word, const std::string& reply,
                                         const std::string& folder) {
  const TempFolder stage;
  WriteCharacter(stage, stem, name, {{word, reply}, {"", "…"}});
  const std::string value = folder.empty() ? stem : folder;
  std::string path = value;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  const std::string definition =
      "name\r\n" + name + "\r\nfolder\r\n" + value + "\r\nversion\r\n210\r\ndata02\r\ndict.txt\r\n";
  return {{stem + ".klc", Utf8ToShiftJis(definition)},
          {path.empty() || path == "." ? "dict.txt" : path + "/dict.txt",
           stage.Read(stem + "/dict.txt")}};
}

std::map<std::string, std::string> FolderListing(const std::string& folder) {
  std::map<std::string, std::string> listing;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string relative = fs::relative(entry.path(), folder).generic_string();
    if (entry.is_symlink()) {
      listing[relative] = "link -> " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      listing[relative] = "folder";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      const QByteArray hash = QCryptographicHash::hash(
          QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
          QCryptographicHash::Sha256);
      listing[relative] = std::to_string(bytes.size()) + " " + hash.toHex().toStdString();
    }
  }
  return listing;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace kelmo::testing
