// The terminal settings dialog: the first run's profile questions and the numbered editor.
#include "tty/profile_questions.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/plugin_list.h"
#include "shell/config_dialog.h"
#include "tty/answer_text.h"
#include "tty/line_input.h"
#include "tty/terminal_balloon.h"

namespace kelmo {
namespace {

constexpr std::string_view kSettingsTitle = "設定";
constexpr std::string_view kProfileIntro = "はじめに、あなたのことを教えてください。";
// The note of the dialog's "ユーザー" page.
constexpr std::string_view kProfileNote =
    "ハンドルネームとニックネームの違いが分からない場合は同じにしておいて下さい(^^;\n"
    "個人情報の取得なんて考えは毛頭ありませんのでご安心を(笑)";
constexpr std::string_view kEditorHelp = "番号: 変更 / ok: 決定 / 空行: 取り消し";
constexpr std::string_view kEditorPrompt = "設定> ";
constexpr std::string_view kConfirmWord = "ok";
constexpr std::string_view kNoSuchField = "その番号はありません";

// Field captions, as the dialog labels them.
constexpr std::string_view kSurnameCaption = "苗字";
constexpr std::string_view kGivenNameCaption = "名前";
constexpr std::string_view kHandleNameCaption = "ハンドルネーム";
constexpr std::string_view kNicknameCaption = "ニックネーム";
constexpr std::string_view kSexCaption = "性別";
constexpr std::string_view kBirthdayCaption = "誕生日";
constexpr std::string_view kIntervalCaption = "速度";
constexpr std::string_view kLogCaption = "ログを保存する";
constexpr std::string_view kSoundCaption = "サウンドを使用";
constexpr std::string_view kExecuteCaption = "外部 EXE 実行を許可";
constexpr std::string_view kPluginCaption = "Plug-in を有効にする";
constexpr std::string_view kExtendedPluginsCaption = "拡張 Plug-in";
constexpr std::string_view kBasicPluginsCaption = "基本 Plug-in";
constexpr std::string_view kFontCaption = "フォント";

constexpr std::string_view kMale = "男";
constexpr std::string_view kFemale = "女";
constexpr std::string_view kYes = "はい";
constexpr std::string_view kNo = "いいえ";
constexpr std::string_view kMilliseconds = "ms";
constexpr std::string_view kSexHint = "男 か 女 で答えてください";
constexpr std::string_view kBirthdayHint = "yyyy/mm/dd の形で入力してください";
constexpr std::string_view kIntervalHint = "1 から 1000 までの数で入力してください";

void Say(std::ostream& out, std::string_view message) {
  out << message << '\n';
  out.flush();
}

std::string BirthdayText(const TConfigDialogData& data) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", data.BirthYear, data.BirthMonth,
                data.BirthDay);
  return text;
}

// "yyyy/mm/dd" within the dialog's up-down ranges into the three fields; false otherwise.
bool ReadBirthday(std::string_view text, TConfigDialogData& data) {
  const size_t first = text.find('/');
  const size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
  if (second == std::string_view::npos) return false;
  const std::optional<int> year = ParseNumber(text.substr(0, first));
  const std::optional<int> month = ParseNumber(text.substr(first + 1, second - first - 1));
  const std::optional<int> day = ParseNumber(text.substr(second + 1));
  if (!year || !month || !day) return false;
  if (*year < kMinBirthYear || *year > kMaxBirthYear || *month < 1 || *month > 12 || *day < 1 ||
      *day > 31) {
    return false;
  }
  data.BirthYear = *year;
  data.BirthMonth = *month;
  data.BirthDay = *day;
  return true;
}

// Asks caption with the current value in brackets; an empty answer keeps it. Empty when the
// input ended.
std::optional<std::string> Ask(TLineInput& input, std::string_view caption,
                               const std::string& current) {
  std::string prompt(caption);
  if (!current.empty()) prompt += " [" + SanitizeForTerminal(current) + "]";
  prompt += "> ";
  const std::optional<std::string> answer = input.ReadLine(prompt);
  if (!answer) return std::nullopt;
  const std::string trimmed = TrimBlanks(*answer);
  return trimmed.empty() ? current : trimmed;
}

bool AskName(TLineInput& input, std::string_view caption, std::string& field) {
  const std::optional<std::string> answer = Ask(input, caption, field);
  if (!answer) return false;
  field = *answer;
  return true;
}

bool AskSex(TLineInput& input, std::ostream& out, TConfigDialogData& data) {
  while (true) {
    const std::optional<std::string> answer = Ask(input, std::string(kSexCaption) + " (男/女)",
                                                  std::string(data.IsMale ? kMale : kFemale));
    if (!answer) return false;
    if (*answer == kMale || *answer == kFemale) {
      data.IsMale = *answer == kMale;
      return true;
    }
    Say(out, kSexHint);
  }
}

bool AskBirthday(TLineInput& input, std::ostream& out, TConfigDialogData& data) {
  while (true) {
    const std::optional<std::string> answer =
        Ask(input, std::string(kBirthdayCaption) + " (yyyy/mm/dd)", BirthdayText(data));
    if (!answer) return false;
    if (ReadBirthday(*answer, data)) return true;
    Say(out, kBirthdayHint);
  }
}

bool AskInterval(TLineInput& input, std::ostream& out, TConfigDialogData& data) {
  while (true) {
    const std::optional<std::string> answer =
        Ask(input, std::string(kIntervalCaption) + " (ms)", std::to_string(data.Interval));
    if (!answer) return false;
    const std::optional<int> interval = ParseNumber(*answer);
    if (interval && *interval >= kMinIntervalControl && *interval <= kMaxIntervalControl) {
      data.Interval = *interval;
      return true;
    }
    Say(out, kIntervalHint);
  }
}

// The four names with their captions, in the dialog's order.
std::vector<std::pair<std::string_view, std::string*>> Names(TConfigDialogData& data) {
  return {{kSurnameCaption, &data.Surname},
          {kGivenNameCaption, &data.GivenName},
          {kHandleNameCaption, &data.HandleName},
          {kNicknameCaption, &data.Nickname}};
}

// One line of the editor: its caption, how its value reads, what choosing it does.
struct TEditorField {
  std::string_view Caption;
  std::function<std::string()> Value;
  std::function<bool()> Edit;  // false when the input ended
};

std::string YesNo(bool value) {
  return std::string(value ? kYes : kNo);
}

std::vector<TEditorField> EditorFields(TConfigDialogData& data, TLineInput& input,
                                       std::ostream& out) {
  // The fields outlive this call: they hold pointers to what the dialog works on.
  TConfigDialogData* const values = &data;
  TLineInput* const lines = &input;
  std::ostream* const screen = &out;
  std::vector<TEditorField> fields;
  for (const auto& name : Names(data)) {
    const std::string_view caption = name.first;
    std::string* const field = name.second;
    fields.push_back({caption, [field] { return *field; },
                      [lines, caption, field] { return AskName(*lines, caption, *field); }});
  }
  fields.push_back({kSexCaption, [values] { return std::string(values->IsMale ? kMale : kFemale); },
                    [values] {
                      values->IsMale = !values->IsMale;
                      return true;
                    }});
  fields.push_back({kBirthdayCaption, [values] { return BirthdayText(*values); },
                    [=] { return AskBirthday(*lines, *screen, *values); }});
  fields.push_back(
      {kIntervalCaption,
       [values] { return std::to_string(values->Interval) + " " + std::string(kMilliseconds); },
       [=] { return AskInterval(*lines, *screen, *values); }});
  const std::pair<std::string_view, bool*> switches[] = {{kLogCaption, &data.LogKeep},
                                                         {kSoundCaption, &data.PlaySound},
                                                         {kExecuteCaption, &data.AllowExecute},
                                                         {kPluginCaption, &data.PluginsEnabled}};
  for (const auto& [caption, flag] : switches) {
    bool* const value = flag;
    fields.push_back({caption, [value] { return YesNo(*value); },
                      [value] {
                        *value = !*value;
                        return true;
                      }});
  }
  return fields;
}

void PrintPluginList(std::ostream& out, std::string_view caption, TPluginList* plugins) {
  if (plugins == nullptr) return;
  const std::vector<std::string> lines = PluginListLines(*plugins);
  if (lines.empty()) return;
  out << "  " << caption << ":\n";
  for (const std::string& line : lines) out << "    " << SanitizeForTerminal(line) << '\n';
}

void PrintEditor(const std::vector<TEditorField>& fields, const TConfigDialogData& data,
                 std::ostream& out) {
  out << kSettingsTitle << '\n';
  int number = 1;
  for (const TEditorField& field : fields) {
    char label[16];
    std::snprintf(label, sizeof label, "%3d ", number++);
    out << label << field.Caption << ": " << SanitizeForTerminal(field.Value()) << '\n';
  }
  out << "    " << kFontCaption << ": " << SanitizeForTerminal(data.FontName) << " "
      << data.FontSize << " pt\n";
  PrintPluginList(out, kExtendedPluginsCaption, data.ExtendedPlugins);
  PrintPluginList(out, kBasicPluginsCaption, data.BasicPlugins);
  out << kEditorHelp << '\n';
  out.flush();
}

bool ProfileIncomplete(TConfigDialogData& data) {
  for (const auto& [caption, field] : Names(data)) {
    if (field->empty()) return true;
  }
  return false;
}

}  // namespace

bool AskProfile(TConfigDialogData& data, TLineInput& input, std::ostream& out) {
  Say(out, kProfileIntro);
  Say(out, kProfileNote);
  for (const auto& [caption, field] : Names(data)) {
    if (!AskName(input, caption, *field)) return false;
  }
  if (!AskSex(input, out, data) || !AskBirthday(input, out, data)) return false;
  while (true) {
    const std::string message = ValidateConfig(data);
    if (message.empty()) return true;
    Say(out, message);
    if (message == kInvalidDateMessage) {
      if (!AskBirthday(input, out, data)) return false;
      continue;
    }
    for (const auto& [caption, field] : Names(data)) {
      if (field->empty() && !AskName(input, caption, *field)) return false;
    }
  }
}

bool RunSettingsDialog(TConfigDialogData& data, TLineInput& input, std::ostream& out) {
  if (ProfileIncomplete(data)) return AskProfile(data, input, out);
  const std::vector<TEditorField> fields = EditorFields(data, input, out);
  PrintEditor(fields, data, out);
  while (true) {
    const std::optional<std::string> typed = input.ReadLine(std::string(kEditorPrompt));
    if (!typed) return false;
    const std::string answer = TrimBlanks(*typed);
    if (answer.empty() || answer == kConfirmWord) {
      // Both buttons validate first; the dialog stays open while that fails.
      const std::string message = ValidateConfig(data);
      if (message.empty()) return answer == kConfirmWord;
      Say(out, message);
      continue;
    }
    const std::optional<int> number = ParseNumber(answer);
    if (!number || *number < 1 || *number > static_cast<int>(fields.size())) {
      Say(out, kNoSuchField);
      Say(out, kEditorHelp);
      continue;
    }
    if (!fields[static_cast<size_t>(*number) - 1].Edit()) return false;
    PrintEditor(fields, data, out);
  }
}

}  // namespace kelmo
