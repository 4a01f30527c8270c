// Writes the entries the package reader hands on into a folder: folders as folders, files as new
// regular files (mode 0644 whatever the archive says: nothing a package brings is executable or
// set-user-id). Every file and folder is created where nothing existed, without following links,
// and only below the folder, so even an entry the reader's checks missed cannot reach outside it.
#pragma once

#include <string>
#include <vector>

#include "charfile/regular_file.h"
#include "package/package_reader.h"

namespace kelmo {

class TFolderUnpacker : public TEntrySink {
 public:
  // Unpacks into folder (a UTF-8 file-system path to an empty folder).
  explicit TFolderUnpacker(std::string folder);

  // Raise EPackageError: DiskFull or WriteFailed naming the entry; OutsideFolder when a folder
  // on the entry's way is no folder of the unpacking.
  void Folder(const TPackageEntry& entry) override;
  void BeginFile(const TPackageEntry& entry) override;
  void Write(std::string_view data) override;
  void EndFile() override;

  // The entries unpacked, in package order.
  const std::vector<TPackageEntry>& Entries() const { return entries_; }

 private:
  // Makes the folders of name's path that do not exist yet (the whole of it when withLast).
  void MakeFolders(const std::string& name, bool withLast);

  std::string folder_;
  std::vector<TPackageEntry> entries_;
  TFileDescriptor file_;
  std::string fileName_;
};

}  // namespace kelmo
