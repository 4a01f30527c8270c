#include "shell/file_error_text.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace kelmo {
namespace {

// What comes before the file in the message of a failed save.
constexpr std::string_view kSaveFailed = "ファイルを保存できませんでした: ";

struct TReason {
  int ErrorCode;
  std::string_view Text;
};

constexpr TReason kReasons[] = {
    {EACCES, "書き込みが許可されていません"},
    {EPERM, "書き込みが許可されていません"},
    {EROFS, "読み取り専用のドライブです"},
    {ENOSPC, "ディスクの空き容量が足りません"},
    {EDQUOT, "ディスクの使用量が上限に達しています"},
    {EFBIG, "ファイルが大きすぎます"},
    {EIO, "ディスクの読み書きに失敗しました"},
    {ENOENT, "フォルダがありません"},
    {ENOTDIR, "フォルダがありません"},
    {EISDIR, "同じ名前のフォルダがあります"},
    {ENAMETOOLONG, "ファイル名が長すぎます"},
    {EMFILE, "開いているファイルが多すぎます"},
    {ENFILE, "開いているファイルが多すぎます"},
};

}  // namespace

std::string SystemErrorReason(int errorCode) {
  for (const TReason& reason : kReasons) {
    if (reason.ErrorCode == errorCode) return std::string(reason.Text);
  }
  return std::strerror(errorCode);
}

std::string SaveFailureMessage(const EFileError& error) {
  return std::string(kSaveFailed) + error.Path() + " (" + SystemErrorReason(error.ErrorCode()) +
         ")";
}

}  // namespace kelmo
