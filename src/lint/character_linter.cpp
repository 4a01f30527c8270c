// Loading the character with listeners, then what the loaded character judges.
#include "lint/character_linter.h"

#include <sys/stat.h>

#include <QColor>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/data_root.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_b.h"
#include "engine/character.h"
#include "lint/definition_lint.h"
#include "lint/dictionary_lint.h"
#include "lint/group_meaning.h"
#include "pictures/picture_set.h"
#include "shell/nadenade.h"

namespace kelmo {
namespace {

// The kind of a listener that is no dictionary's.
constexpr int kNoKind = -1;

// The balloon pictures' keys, checked when the character brings its own balloons.
constexpr TDefinitionKey kBalloonKeys[] = {TDefinitionKey::BalloonChar, TDefinitionKey::BalloonUser};

bool IsRegularFile(const std::string& fileSystemPath) {
  struct stat info;
  return ::stat(fileSystemPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The construction failures of a character (TCharacter), as authors read them.
std::string LoadFailureText(const EKelmoInvalidCharacter& error) {
  using TReason = EKelmoInvalidCharacter::TReason;
  std::string_view text = "人格を読み込めません";
  switch (error.Reason()) {
    case TReason::Invalid:
      text = "name と folder がどちらも空なので人格として読み込めません";
      break;
    case TReason::OldVersion:
      text = "version が 210 より小さいか数でないので読み込めません";
      break;
    case TReason::ContainsNoData:
      text = "選ばれうる辞書の行がひとつもないので読み込めません";
      break;
    case TReason::NotFound:
      break;
  }
  return std::string(text) + " (" + error.what() + ")";
}

class TLinter {
 public:
  explicit TLinter(const TLintOptions& options)
      : options_(options),
        appDir_(IncludeTrailingDelimiter(FromFileSystemPath(options.AppDir))),
        definitionPath_(options.Character),
        definitionData_(FromFileSystemPath(options.Character)),
        root_(TDataRoot::ForCharacter(definitionData_, appDir_)) {}

  TLintReport Run() {
    report_.NoteFile(definitionPath_);
    if (!IsRegularFile(definitionPath_)) {
      report_.Add({definitionPath_, 1, TLintSeverity::Error, "load", "人格ファイルがありません"});
      return std::move(report_);
    }
    TDefinitionLint definitionLint(definitionPath_);
    try {
      definition_ = std::make_unique<TCharacterFile>(definitionData_, &definitionLint);
    } catch (const EFileError& error) {
      report_.Add({definitionPath_, 1, TLintSeverity::Error, "load",
                   std::string("人格ファイルを読めません: ") + error.what()});
      return std::move(report_);
    }
    report_.NoteUsedFile(definitionPath_);
    definitionLint.CheckKeys(*definition_);
    folder_ = ResolveCharacterFolder(definitionData_, definition_->ReadValue(TDefinitionKey::Folder));
    const TDefinitionPlace comment = Place(TDefinitionKey::Comment);
    if (comment.Line > 0) {
      definitionLint.AddMacroText(comment.Line, definition_->ReadValue(TDefinitionKey::Comment),
                                  TMacroTextPlace::About);
    }

    std::vector<std::unique_ptr<TDictionaryLint>> dictionaries;
    for (const TDictionarySlot& slot : kDictionarySlots) {
      dictionaries.push_back(
          std::make_unique<TDictionaryLint>(slot.Kind, Place(slot.Key), folder_));
    }
    LoadCharacter(dictionaries);
    TPettingLint petting(definitionPath_, Place(TDefinitionKey::DataNadenade), "なでなでメニューのファイル",
                         folder_);
    TNadenadeMenu().Load(*definition_, appDir_, &root_, &petting);

    Take(definitionLint, kNoKind);
    for (size_t i = 0; i < dictionaries.size(); ++i) {
      const std::set<std::string> repeated =
          Take(*dictionaries[i], static_cast<int>(kDictionarySlots[i].Kind));
      for (const TCatchAllEntry& entry : dictionaries[i]->CatchAllEntries()) {
        if (repeated.count(entry.Path) == 0) WarnCatchAll(entry);
      }
    }
    Take(petting, kNoKind);
    CheckDefinitionPictures();
    return std::move(report_);
  }

 private:
  TDefinitionPlace Place(TDefinitionKey key) const {
    return PlaceOf(*definition_, definitionPath_, DefinitionKeyName(key));
  }

  void LoadCharacter(const std::vector<std::unique_ptr<TDictionaryLint>>& dictionaries) {
    TCharacterEnvironment environment;
    environment.Plugins.ProgramFolder = appDir_;
    environment.KeepsStateFile = false;
    for (size_t i = 0; i < dictionaries.size(); ++i) {
      environment.DictionaryListeners[i] = dictionaries[i].get();
    }
    try {
      character_ = std::make_unique<TCharacter>(definitionData_, environment);
    } catch (const EKelmoInvalidCharacter& error) {
      const int versionLine = Place(TDefinitionKey::Version).Line;
      const bool version = error.Reason() == EKelmoInvalidCharacter::TReason::OldVersion;
      report_.Add({definitionPath_, version && versionLine > 0 ? versionLine : 1,
                   TLintSeverity::Error, "load", LoadFailureText(error)});
    } catch (const EFileError& error) {
      report_.Add({definitionPath_, 1, TLintSeverity::Error, "load",
                   std::string("読めないファイルがあるので人格を読み込めません: ") + error.what()});
    }
  }

  // Takes what a listener heard: its files in order, its findings, and the judgement of its
  // nameless groups and named files. A file that a dictionary of the same kind (kind, or kNoKind)
  // read before gives the same findings again, which are left out. Returns those files.
  std::set<std::string> Take(const TFileLint& lint, int kind) {
    std::set<std::string> repeated;
    for (const std::string& file : lint.Files()) {
      report_.NoteFile(file);
      report_.NoteUsedFile(file);
      if (kind != kNoKind && !taken_.emplace(file, kind).second) repeated.insert(file);
    }
    const auto fresh = [&](const std::string& path) { return repeated.count(path) == 0; };
    for (const TLintFinding& finding : lint.Findings()) {
      if (fresh(finding.Path)) report_.Add(finding);
    }
    for (const TPlacedCheck& placed : lint.PlacedChecks()) {
      const std::string& path = lint.PathOf(placed.File);
      if (!fresh(path)) continue;
      for (const TNamelessGroup& group : placed.Check->NamelessGroups) {
        if (group.MayBeMark && IsMark(group.Normalized)) continue;
        report_.Add({path, placed.Line, TLintSeverity::Warning, "unknown-command", group.Message});
      }
      for (const TNamedFile& file : placed.Check->Files) {
        const bool picture = file.Kind == TNamedFile::TKind::Picture;
        if (const std::optional<std::string> problem = FileProblem(file.Name, picture)) {
          report_.Add({path, placed.Line, TLintSeverity::Error,
                       picture ? "picture" : "missing-file",
                       "「" + file.Command + "」の" + *problem});
        }
      }
    }
    return repeated;
  }

  // A kind A entry that takes every line after its previous reply: the keywords of kind B are
  // asked only after it, so none of them can answer there.
  void WarnCatchAll(const TCatchAllEntry& entry) {
    std::string hidden = "種類 B のキーワード";
    if (character_ != nullptr) {
      hidden += " " +
                std::to_string(character_->DataB1->AvailableCount +
                               character_->DataB2->AvailableCount) +
                " 件 (datab1、datab2)";
    }
    report_.Add({entry.Path, entry.Line, TLintSeverity::Warning, "catch-all",
                 "入力のパターン「" + ShiftJisToUtf8(entry.Input) +
                     "」はどの行にも当てはまります: 前の返答のパターン「" +
                     ShiftJisToUtf8(entry.PreviousReply) +
                     "」が当たった次の行にはいつもこの行が答えるので、" + hidden +
                     "はそこで答えられません"});
  }

  // Whether a kind A entry looks for the group in the previous reply.
  bool IsMark(const std::string& normalized) {
    if (character_ == nullptr) return false;
    const auto [known, added] = marks_.try_emplace(normalized, false);
    if (added) known->second = IsFollowUpMark(*character_, normalized);
    return known->second;
  }

  // What is wrong with the file of the character folder named name (Shift-JIS), as the end of a
  // message: missing, or a picture that does not decode; nothing when it is fine.
  std::optional<std::string> FileProblem(const std::string& name, bool picture) {
    const auto [known, added] = files_.try_emplace(name + (picture ? "\1" : ""));
    if (!added) return known->second;
    const std::string what =
        std::string(picture ? "絵" : "音") + "「" + ShiftJisToUtf8(name) + "」";
    const std::string path = ResolveDataPath(definition_->PathInFolder(name));
    if (!IsRegularFile(path) || !root_.Contains(path)) {
      known->second = what + "がありません";
      return known->second;
    }
    report_.NoteUsedFile(path);
    if (picture && !Pictures().LoadPicture(TPictureSlot::Shown, path, false)) {
      known->second =
          what + (Pictures().CharacterDecoderFiles().empty()
                      ? "を読み込めません: 壊れているか、読める画像デコーダーがありません"
                      : "を読み込めません: 読めるとすれば人格のフォルダーにある画像デコーダーだけ"
                        "です (作者のツールは人格のコードを実行しないので、確かめていません)");
    }
    return known->second;
  }

  // The pictures as the program decodes them, but without the character's own decoders: an
  // author's tool never runs a character's code. Nothing is written to the error log.
  TPictureSet& Pictures() {
    if (!pictures_) {
      TPictureOptions pictureOptions = ProgramPictureOptions(options_.AppDir);
      pictureOptions.CharacterDecoders = false;
      pictureOptions.Report = [](const std::string&) {};
      pictures_ = std::make_unique<TPictureSet>(options_.AppDir, QColor(), pictureOptions);
      pictures_->SetCharacterFolder(ResolveDataPath(folder_));
    }
    return *pictures_;
  }

  void CheckDefinitionPictures() {
    CheckDefinitionPicture(TDefinitionKey::DefaultBitmap, TLintSeverity::Warning,
                           " がないので、人格の絵が表示されません");
    if (!TextToBool(definition_->ReadValue(TDefinitionKey::OriginalBalloon))) return;
    for (const TDefinitionKey key : kBalloonKeys) {
      CheckDefinitionPicture(key, TLintSeverity::Error,
                             " がないので、originalballoon が True なのに吹き出しの絵がありません");
    }
  }

  // The picture named by key; absent, it is reported with severity and unset.
  void CheckDefinitionPicture(TDefinitionKey key, TLintSeverity absentSeverity,
                              const char* unset) {
    const TDefinitionPlace place = Place(key);
    const std::string name = definition_->ReadValue(key);
    const std::string keyName(DefinitionKeyName(key));
    if (name.empty()) {
      report_.Add({definitionPath_, std::max(place.Line, 1), absentSeverity, "missing-file",
                   keyName + unset});
      return;
    }
    if (const std::optional<std::string> problem = FileProblem(name, true)) {
      report_.Add({definitionPath_, place.Line, TLintSeverity::Error, "picture",
                   *problem + " (" + keyName + ")"});
    }
  }

  const TLintOptions& options_;
  const std::string appDir_;  // data path, ending in a delimiter
  const std::string definitionPath_;
  const std::string definitionData_;
  const TDataRoot root_;
  std::string folder_;  // the character folder, a data path
  std::unique_ptr<TCharacterFile> definition_;
  std::unique_ptr<TCharacter> character_;
  std::unique_ptr<TPictureSet> pictures_;
  std::unordered_map<std::string, bool> marks_;
  std::set<std::pair<std::string, int>> taken_;  // dictionary files taken, with their kind
  std::map<std::string, std::optional<std::string>> files_;
  TLintReport report_;
};

}  // namespace

TLintReport LintCharacter(const TLintOptions& options) {
  return TLinter(options).Run();
}

int RunLint(const TLintOptions& options, bool json, std::ostream& out) {
  const TLintReport report = LintCharacter(options);
  if (json) {
    WriteLintJson(report, options.AppDir, options.Character, out);
  } else {
    WriteLintText(report, options.AppDir, options.Character, out);
  }
  return report.ExitStatus();
}

}  // namespace kelmo
