// A view and an observer for the controller tests: the balloon is a string, every other call is
// recorded, and the dialogs answer what the test decides.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/about_texts.h"
#include "shell/character_selection.h"
#include "shell/chat_view.h"
#include "shell/config_dialog.h"

namespace kelmo::testing {

class TFakeView : public TChatView {
 public:
  std::string BalloonText() const override { return balloon; }
  void SetBalloonText(const std::string& text) override {
    balloon = text;
    ++balloonSets;
  }
  void AppendToLastLine(const std::string& text) override {
    balloon.insert(balloon.size() - 2, text);  // before the final CR LF
    ++appends;
  }
  void SetBalloonReadOnly(bool value) override { readOnly = value; }
  void SetBalloonFont(const std::string& name, int size) override {
    fontName = name;
    fontSize = size;
  }
  void SetZoom(int percent) override { zoom = percent; }
  void ResetPictures(bool builtIn) override {
    calls.push_back(builtIn ? "reset built-in" : "reset");
  }
  void SetCharacterFolder(const std::string& folder) override { characterFolder = folder; }
  bool LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) override {
    pictures.push_back({slot, path, colourKey});
    return pictureDecodes;
  }
  void ShowDefaultPicture() override { calls.push_back("default picture"); }
  void PlaySound(const std::string& path, bool wait) override {
    sounds.push_back((wait ? "wait " : "async ") + path);
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::optional<bool> AskYesNo(const std::string& question) override {
    questions.push_back(question);
    return answer ? answer(question) : std::nullopt;
  }
  bool IsVisible() const override { return visible; }
  void SetVisible(bool value) override { visible = value; }
  void ShowAndActivate() override {
    visible = true;
    calls.push_back("activate");
  }
  void SetStayOnTop(bool value) override { stayOnTop = value; }
  void PlaceWindow(TWindowPosition position) override { placed = position; }
  std::optional<TWindowPosition> WindowPosition() const override { return position; }
  void SetCaption(const std::string& text) override { caption = text; }
  void SetTrayTip(const std::string& text) override { trayTip = text; }
  void SetSplashText(const std::string& text) override {
    calls.push_back("splash " + text);
    if (duringSplash) duringSplash();
  }
  void CloseSplash() override { calls.push_back("splash closed"); }
  void SetPettingMenu(const std::vector<std::string>& labels) override { pettingMenu = labels; }

  bool ShowCharacterSelection(TCharacterSelection& selection) override {
    ++selections;
    statesInDialogs.push_back(stateProbe ? stateProbe() : stIdle);
    return chooseCharacter ? chooseCharacter(selection) : (selection.Cancel(), false);
  }
  bool ShowSettingsDialog(TConfigDialogData& data) override {
    ++settingsDialogs;
    statesInDialogs.push_back(stateProbe ? stateProbe() : stIdle);
    return editSettings ? editSettings(data) : false;
  }
  void ShowAboutDialog(const TAboutTexts& texts) override {
    about = texts;
    statesInDialogs.push_back(stateProbe ? stateProbe() : stIdle);
  }
  void Close() override { ++closes; }

  struct TPictureCall {
    TPictureSlot Slot;
    std::string Path;
    bool ColourKey;
  };

  std::string balloon;
  bool readOnly = false;
  int appends = 0;
  int balloonSets = 0;
  std::string fontName;
  int fontSize = 0;
  int zoom = 0;
  std::string characterFolder;
  std::vector<TPictureCall> pictures;
  bool pictureDecodes = true;
  std::vector<std::string> sounds;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  // Answers the yes/no questions; without it the view cannot ask.
  std::function<std::optional<bool>(const std::string&)> answer;
  std::vector<std::string> calls;
  bool visible = false;
  bool stayOnTop = false;
  TWindowPosition placed;
  std::optional<TWindowPosition> position;
  std::string caption;
  std::string trayTip;
  std::vector<std::string> pettingMenu;
  int selections = 0;
  int settingsDialogs = 0;
  int closes = 0;
  TAboutTexts about;
  std::vector<TChatState> statesInDialogs;
  // Answers of the dialogs; without one, the selection is cancelled and the settings dialog too.
  std::function<bool(TCharacterSelection&)> chooseCharacter;
  std::function<bool(TConfigDialogData&)> editSettings;
  // Runs while the splash shows, as a front end's nested event loop would.
  std::function<void()> duringSplash;
  // Reads the controller's state while a dialog is open.
  std::function<TChatState()> stateProbe;
};

// Records the replies as the batch mode would report them.
class TRecordingObserver : public TChatObserver {
 public:
  struct TReply {
    TReplyEvent Event;
    std::string Line;
    std::string Reply;
    std::vector<std::string> Commands;
    std::vector<std::string> Shown;
    bool Finished = false;
  };

  void ReplyStarted(TReplyEvent event, const std::string& line, const std::string& reply) override {
    replies.push_back({event, line, reply, {}, {}, false});
  }
  void CommandExecuted(const std::string& written, bool known) override {
    if (!replies.empty()) replies.back().Commands.push_back(known ? written : "?" + written);
  }
  void ReplyFinished(const std::vector<std::string>& shown) override {
    if (replies.empty()) return;
    replies.back().Shown = shown;
    replies.back().Finished = true;
  }

  std::vector<TReply> replies;
};

}  // namespace kelmo::testing
