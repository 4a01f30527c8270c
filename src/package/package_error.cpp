// The message table.
#include "package/package_error.h"

#include <array>
#include <cerrno>

namespace kelmo {
namespace {

struct TMessage {
  TPackageCode Code;
  const char* Before;           // the sentence up to the entry's name
  const char* After;            // the rest; a message about no entry is Before alone
  const char* Alone = nullptr;  // the sentence when the entry is not known, where it may not be
};

// One row per code, in the enumeration's order; the entry's name stands between Before and After.
constexpr std::array kMessages = {
    TMessage{TPackageCode::Ok, "人格をインストールしました", ""},
    TMessage{TPackageCode::Cancelled, "インストールを取りやめました", ""},
    TMessage{TPackageCode::Busy,
             "ほかの人格のインストールが終わらないため、インストールできませんでした", ""},
    TMessage{TPackageCode::CannotOpen, "パッケージ「", "」を開けません"},
    TMessage{TPackageCode::NotAnArchive, "「",
             "」は ZIP でも tar でもないため、人格のパッケージとして読めません"},
    TMessage{TPackageCode::Corrupt, "パッケージが「", "」のところで途中で切れているか壊れています",
             "パッケージが途中で切れているか壊れています"},
    TMessage{TPackageCode::Encrypted, "「", "」が暗号化されているため、パッケージを読めません"},
    TMessage{TPackageCode::AbsolutePath, "「",
             "」はルートやドライブから始まる名前なので、インストールできません"},
    TMessage{TPackageCode::ParentReference, "「",
             "」は名前に「..」を含むので、インストールできません"},
    TMessage{TPackageCode::OutsideFolder, "「",
             "」は展開するフォルダの外を指すので、インストールできません"},
    TMessage{TPackageCode::Link, "「", "」はリンクなので、インストールできません"},
    TMessage{TPackageCode::SpecialFile, "「",
             "」はデバイスや FIFO などの特殊なファイルなので、インストールできません"},
    TMessage{TPackageCode::Duplicate, "「",
             "」と同じ名前 (大文字と小文字の違いを除いて) がパッケージに二つあります"},
    TMessage{TPackageCode::UnreadableName, "名前を読めない項目「", "」がパッケージにあります"},
    TMessage{TPackageCode::TooManyEntries,
             "パッケージの項目が多すぎるため (20,000 まで)、インストールできません", ""},
    TMessage{TPackageCode::TooLarge, "「",
             "」まで展開すると 1 GiB を超えるため、パッケージをインストールできません",
             "展開すると 1 GiB を超えるため、パッケージをインストールできません"},
    TMessage{TPackageCode::Bomb, "「",
             "」は圧縮前の 200 倍を超える大きさに展開されるため、インストールできません"},
    TMessage{TPackageCode::NoDefinition,
             "パッケージの一番上 (または一つだけのフォルダの中) に人格ファイル (.klc) "
             "がないため、人格ではありません",
             ""},
    TMessage{TPackageCode::DefinitionDoesNotLoad, "人格ファイル「", "」を人格として読み込めません"},
    TMessage{TPackageCode::NoCharacterFolder, "人格ファイル「",
             "」の folder がパッケージの中に人格専用のフォルダを指していません"},
    TMessage{TPackageCode::FolderConflict, "人格ファイル「",
             "」のフォルダがほかの人格のフォルダと重なるため、インストールできません"},
    TMessage{TPackageCode::ExtraFileConflict, "「",
             "」と同じ名前のファイルが人格のフォルダにもあるため、インストールできません"},
    TMessage{TPackageCode::DiskFull, "ディスクの空きが足りないため「",
             "」を書き込めず、何も変えませんでした"},
    TMessage{TPackageCode::WriteFailed, "「", "」を書き込めなかったため、何も変えませんでした"},
    TMessage{TPackageCode::ListNotSaved, "人格の一覧「",
             "」を保存できなかったため、何も変えませんでした"},
    TMessage{TPackageCode::Running, "「", "」は使っている人格なので削除できません"},
    TMessage{TPackageCode::NotInstalled, "「",
             "」はプログラムのフォルダにインストールされた人格ではありません"},
    TMessage{TPackageCode::TrashFailed, "「", "」をゴミ箱に移せませんでした"},
    TMessage{TPackageCode::LintErrors, "人格「",
             "」にエラーがあるため、パッケージを作りませんでした"},
    TMessage{TPackageCode::OutsideCharacterFolder, "「",
             "」は人格のフォルダの外にあるため、パッケージに入れられません"},
};

constexpr bool RowsFollowCodes() {
  for (size_t i = 0; i < kMessages.size(); ++i) {
    if (static_cast<size_t>(kMessages[i].Code) != i) return false;
  }
  return kMessages.back().Code == TPackageCode::OutsideCharacterFolder;
}
static_assert(RowsFollowCodes(), "one message per code, in the enumeration's order");

}  // namespace

std::string PackageMessage(TPackageCode code, const std::string& entry) {
  const TMessage& message = kMessages.at(static_cast<size_t>(code));
  if (*message.After == '\0') return message.Before;
  if (entry.empty() && message.Alone != nullptr) return message.Alone;
  return std::string(message.Before) + entry + message.After;
}

TPackageCode WriteFailureCode(int errorNumber) {
  const bool full = errorNumber == ENOSPC || errorNumber == EDQUOT || errorNumber == EFBIG;
  return full ? TPackageCode::DiskFull : TPackageCode::WriteFailed;
}

TPackageOutcome RunPackageOperation(const std::function<void()>& action) {
  try {
    action();
  } catch (const EPackageError& error) {
    return {error.Code(), error.Entry()};
  } catch (const std::exception& error) {
    return {TPackageCode::WriteFailed, error.what()};
  }
  return {};
}

}  // namespace kelmo
