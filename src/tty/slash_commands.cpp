// The terminal's menu commands.
#include "tty/slash_commands.h"

#include <optional>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "shell/chat_controller.h"
#include "tty/answer_text.h"
#include "tty/line_input.h"
#include "tty/terminal_view.h"

namespace kelmo {
namespace {

constexpr char kCommandMark = '/';

constexpr std::string_view kPetCommand = "/pet";
constexpr std::string_view kSwitchCommand = "/switch";
constexpr std::string_view kSettingsCommand = "/settings";
constexpr std::string_view kAboutCommand = "/about";
constexpr std::string_view kHelpCommand = "/help";
constexpr std::string_view kQuitCommand = "/quit";

constexpr std::string_view kHelpText =
    "コマンド (行の先頭に / を付けて入力します):\n"
    "  /pet [番号]   なでなでメニュー (入力の番のときだけ)\n"
    "  /switch       人格の切り替え\n"
    "  /settings     設定\n"
    "  /about        DorrinKelmo について\n"
    "  /help         この一覧\n"
    "  /quit         終了 (Ctrl+C、Ctrl+D でも終了します)\n"
    "  //...         / で始まる言葉を話しかける\n"
    "Enter: 返答の早送り、▼ の続き、返答のあとで入力を始める";
constexpr std::string_view kUnknownCommand = "知らないコマンドです (/help で一覧): ";
constexpr std::string_view kPettingTitle = "なでなでめにゅー";
constexpr std::string_view kPettingPrompt = "番号> ";
constexpr std::string_view kNotYourTurn = "なでなでは入力の番のときだけできます";
constexpr std::string_view kNoSuchItem = "その番号はありません";

void Pet(std::string_view argument, TChatController& controller, TTerminalView& view,
         TLineInput& input) {
  if (controller.State() != stUserInput) {
    view.Print(kNotYourTurn);
    return;
  }
  const TNadenadeMenu& menu = controller.Nadenade();
  const int count = static_cast<int>(menu.Labels().size());
  bool anyAction = false;
  for (int i = 0; i < count; ++i) anyAction = anyAction || menu.ActionAt(i) != nullptr;

  std::string choice(argument);
  if (choice.empty()) {
    std::string list(kPettingTitle);
    for (int i = 0; i < count; ++i) {
      list += "\n  " + std::to_string(i + 1) + "  " +
              ShiftJisToUtf8(menu.Labels()[static_cast<size_t>(i)]);
    }
    view.Print(list);
    if (!anyAction) return;
    const std::optional<std::string> answer = input.ReadLine(std::string(kPettingPrompt));
    if (!answer) return;
    choice = TrimBlanks(*answer);
    if (choice.empty()) return;
  }
  const std::optional<int> number = ParseNumber(choice);
  if (!number || *number < 1 || *number > count) {
    view.Print(kNoSuchItem);
    return;
  }
  controller.NadenadeAction(*number - 1);
}

}  // namespace

TTypedLine ClassifyTypedLine(std::string_view line) {
  if (line.size() >= 2 && line[0] == kCommandMark && line[1] == kCommandMark) {
    return {false, std::string(line.substr(1))};
  }
  return {!line.empty() && line[0] == kCommandMark, std::string(line)};
}

void RunSlashCommand(std::string_view command, TChatController& controller, TTerminalView& view,
                     TLineInput& input) {
  const std::string trimmed = TrimBlanks(command);
  const size_t blank = trimmed.find(' ');
  const std::string word = AsciiLowerCase(std::string_view(trimmed).substr(0, blank));
  const std::string argument =
      blank == std::string::npos ? std::string() : TrimBlanks(trimmed.substr(blank + 1));

  if (word == kPetCommand) {
    Pet(argument, controller, view, input);
  } else if (word == kSwitchCommand) {
    controller.MenuChangeCharacterClick();
  } else if (word == kSettingsCommand) {
    controller.MenuConfigureClick();
  } else if (word == kAboutCommand) {
    controller.MenuAboutClick();
  } else if (word == kHelpCommand) {
    view.Print(kHelpText);
  } else if (word == kQuitCommand) {
    controller.RequestClose();
  } else {
    view.Print(std::string(kUnknownCommand) + word);
  }
}

}  // namespace kelmo
