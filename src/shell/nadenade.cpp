// The petting menu's data files: comma-text lines of label and text, read file after file into one
// list.
#include "shell/nadenade.h"

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/data_root.h"
#include "charfile/kelmo_error.h"
#include "charfile/load_listener.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

// The marker that ends a data file (compared after normalisation).
constexpr std::string_view kEndOfData = "{ENDOFDATA}";
// Fields of an action line: the label and the text it sends.
constexpr size_t kFieldsOfAnAction = 2;

}  // namespace

void TNadenadeMenu::Clear() {
  labels_.clear();
  actions_.clear();
}

std::vector<std::string> TNadenadeMenu::Load(const TCharacterFile& characterFile,
                                             const std::string& appDir, const TDataRoot* root,
                                             TLoadListener* listener) {
  Clear();
  std::vector<std::string> problems;
  if (!TextToBool(characterFile.ReadValue(TDefinitionKey::Nadenade))) {
    labels_.push_back(Utf8ToShiftJis("なでなで未対応人格"));
    return problems;
  }
  const std::string programFolder =
      IncludeTrailingDelimiter(appDir + characterFile.ReadValue(TDefinitionKey::Folder));
  // A file outside the root is reported only when the other place has none either: a character
  // opened from another folder finds the program folder's copy outside and its own inside.
  std::vector<std::string> outside;
  const auto usable = [&](const std::string& path) {
    if (!DataFileExists(path)) return false;
    if (root == nullptr || root->Contains(ResolveDataPath(path))) return true;
    outside.push_back(root->OutsideMessage(path));
    return false;
  };
  for (const std::string& name :
       SplitCommaText(characterFile.ReadValue(TDefinitionKey::DataNadenade))) {
    outside.clear();
    std::string path = programFolder + name;
    if (!usable(path)) {
      const std::string inFolder = characterFile.PathInFolder(name);
      if (inFolder == path || !usable(inFolder)) {
        problems.insert(problems.end(), outside.begin(), outside.end());
        problems.push_back(inFolder + " is not exists.");
        if (listener != nullptr) listener->FileMissing(inFolder);
        continue;
      }
      path = inFolder;
    }
    try {
      LoadFile(path, listener);
    } catch (const EFileError& error) {
      problems.push_back(path + " cannot be read: " + error.what());
    }
  }
  return problems;
}

void TNadenadeMenu::LoadFile(const std::string& path, TLoadListener* listener) {
  if (listener != nullptr) listener->FileStarted(ResolveDataPath(path));
  const std::vector<std::string> lines = LoadDataLines(path, listener);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNumber = static_cast<int>(i) + 1;
    const std::vector<std::string> fields = SplitCommaText(lines[i]);
    if (fields.size() < kFieldsOfAnAction) {
      if (listener != nullptr) {
        listener->LineIgnored(lineNumber, TIgnoredLine::TooFewFields, fields);
      }
      continue;
    }
    if (NormalizeShiftJis(fields[0]) == kEndOfData) {
      if (listener != nullptr) TellReadingEnded(*listener, lines, i, 1);
      return;
    }
    if (listener != nullptr) listener->EntryRead(lineNumber, fields);
    labels_.push_back(fields[0]);
    actions_.push_back(fields[1]);
  }
}

const std::string* TNadenadeMenu::ActionAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= actions_.size()) return nullptr;
  return &actions_[static_cast<size_t>(index)];
}

}  // namespace kelmo
