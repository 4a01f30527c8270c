// The controller's side of character packages: a package installed while the program runs, with
// the update question before and the offer to switch after, and a character removed from the
// selection dialog after a confirmation. Both block the main thread for as long as the package
// library works (an install waits for the folder's install lock); the conversation is suspended
// meanwhile, so no timed talk or hand-over acts in between.
#include "shell/character_install.h"

#include <exception>

#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "engine/character.h"
#include "package/character_removal.h"
#include "package/package_paths.h"
#include "shell/character_selection.h"
#include "shell/chat_controller.h"

namespace kelmo {
namespace {

// The names as one quoted list: 「はな」「ムギ」.
std::string QuotedNames(const std::vector<TInstalledCharacter>& characters) {
  std::string names;
  for (const TInstalledCharacter& character : characters) names += "「" + character.Name + "」";
  return names;
}

}  // namespace

std::string UpdateQuestion(const std::vector<TInstalledCharacter>& installed) {
  return QuotedNames(installed) +
         "はインストールされています。新しいものに更新しますか？\n"
         "(覚えていることと一覧の順番はそのまま残ります)";
}

std::string InstalledText(const TInstallResult& result) {
  std::string text;
  for (const TInstalledCharacter& character : result.Characters) {
    if (!text.empty()) text += '\n';
    text += InstalledLine(character, result.Updated);
  }
  return text;
}

std::string SwitchQuestion(const TInstallResult& result) {
  return InstalledText(result) + "\n「" + result.Characters.front().Name + "」に切り替えますか？";
}

std::string ReloadNotice(const TInstalledCharacter& character) {
  return "使っている人格「" + character.Name + "」を更新したので、読み込み直します";
}

std::string RemoveQuestion(const std::string& name, const std::string& definitionPath) {
  return "「" + name +
         "」を削除しますか？\n定義ファイルとフォルダをゴミ箱に移します: " + definitionPath;
}

std::optional<TInstallResult> TChatController::InstallCharacterPackage(const std::string& package) {
  if (!MayInstallNow()) return std::nullopt;
  TPackageOffer offer;
  RunSuspended([&] { offer = InstallAndOffer(package); });
  if (!offer.SwitchTo.empty()) SayFarewell(offer.SwitchTo);
  return std::move(offer.Result);
}

bool TChatController::MayInstallNow() const {
  return AcceptsInput() && !closing_ && character_ != nullptr && state_ != stSuspended &&
         state_ != stIdle;
}

TPackageOffer TChatController::InstallAndOffer(const std::string& package) {
  TPackageOffer offer{InstallAskingFirst(package), {}};
  offer.SwitchTo = FollowUpInstall(offer.Result);
  return offer;
}

TInstallResult TChatController::InstallAskingFirst(const std::string& package) {
  TInstallRequest request;
  request.Package = package;
  request.ProgramFolder = options_.AppDir;
  // A view that cannot ask updates: its user asked for this very package.
  request.ConfirmUpdate = [this](const std::vector<TInstalledCharacter>& installed) {
    return view_.AskYesNo(UpdateQuestion(installed)).value_or(true);
  };
  return InstallPackage(request, *characterList_);
}

std::string TChatController::FollowUpInstall(const TInstallResult& result) {
  if (result.Code == TPackageCode::Cancelled) return {};
  if (result.Code != TPackageCode::Ok || result.Characters.empty()) {
    view_.ShowMessage(result.Message);
    return {};
  }
  if (character_ != nullptr) {
    // The character in use runs on files that are gone: it is loaded again, keeping its state.
    const auto running = NormalPath(ResolveDataPath(character_->DefinitionPath));
    for (const TInstalledCharacter& installed : result.Characters) {
      if (NormalPath(installed.DefinitionPath) != running) continue;
      view_.ShowMessage(ReloadNotice(installed));
      return character_->DefinitionPath;
    }
  }
  const std::optional<bool> wanted = view_.AskYesNo(SwitchQuestion(result));
  if (!wanted) view_.ShowMessage(InstalledText(result));
  if (!wanted.value_or(false)) return {};
  return FromFileSystemPath(result.Characters.front().DefinitionPath);
}

void TChatController::FollowUpHandedOverInstall() {
  const TInstallResult result = std::move(*pendingInstall_);
  pendingInstall_.reset();
  std::string switchTo;
  RunSuspended([&] { switchTo = FollowUpInstall(result); });
  if (!switchTo.empty()) SayFarewell(switchTo);
}

THandOverAnswer TChatController::TakeHandedOverPackage(const std::string& package) {
  view_.ShowAndActivate();
  TInstallResult result;
  RunSuspended([&] { result = InstallAskingFirst(package); });
  THandOverAnswer answer;
  if (result.Code == TPackageCode::Ok) {
    answer = {THandOverStatus::Done, InstalledText(result)};
  } else {
    const bool busy = result.Code == TPackageCode::Busy;
    answer = {busy ? THandOverStatus::Busy : THandOverStatus::Refused, result.Message};
  }
  // The second start has its answer before the window asks or tells anything more.
  if (result.Code != TPackageCode::Cancelled) pendingInstall_ = std::move(result);
  return answer;
}

bool TChatController::RemoveWithConfirmation(const std::string& dataPath) {
  std::string name;
  try {
    name = ShiftJisToUtf8(TCharacterFile(dataPath).ReadValue(TDefinitionKey::Name));
  } catch (const std::exception&) {
    // A definition file that cannot be read any more is named by its path alone.
  }
  const std::string path = ResolveDataPath(dataPath);
  if (!view_.AskYesNo(RemoveQuestion(name, path)).value_or(false)) return false;
  TRemoveRequest request;
  request.ProgramFolder = options_.AppDir;
  request.DefinitionPath = path;
  if (character_ != nullptr)
    request.RunningDefinitionPath = ResolveDataPath(character_->DefinitionPath);
  const TRemoveResult result = RemoveCharacter(request, *characterList_);
  if (result.Code == TPackageCode::Ok) return true;
  view_.ShowMessage(result.Message);
  // The files are in the trash already; the list drops the entry at its next load.
  return result.Code == TPackageCode::ListNotSaved;
}

TSelectionPackageActions TChatController::PackageActions() {
  TSelectionPackageActions actions;
  actions.Install = [this](const std::string& package) {
    TPackageOffer offer = InstallAndOffer(package);
    TPackageAdded added;
    for (const TInstalledCharacter& character : offer.Result.Characters) {
      added.Installed.push_back(FromFileSystemPath(character.DefinitionPath));
    }
    added.SwitchTo = std::move(offer.SwitchTo);
    return added;
  };
  actions.Remove = [this](const std::string& dataPath) { return RemoveWithConfirmation(dataPath); };
  if (character_ != nullptr) actions.RunningPath = character_->DefinitionPath;
  return actions;
}

}  // namespace kelmo
