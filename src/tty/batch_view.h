// The batch mode's view and report. The view is a balloon without a screen: it holds the text the
// controller sets and the user line the runner types; message boxes, pictures and sounds do
// nothing visible and every dialog is cancelled. The report follows the controller's replies and
// writes one JSON object per typed reply (JSON Lines) for character authors to check:
//
//   {"event":"reply","line":"hello","reply":"{PIC:a.bmp}Hi!","shown":"Hi!",
//    "commands":["{PIC:a.bmp}"],"unknown":[],"from":{"file":"characters/a/words.txt","line":12}}
//
// event is why the reply came ("greeting", "reply", "skip", "invalid", "close", "timer",
// "farewell"), line what was thought about, reply what Think returned, shown the balloon's lines
// at the end of the reply joined with "\n", commands the display commands executed as written, in
// order, and unknown the brace groups that named nothing at all (they vanish unseen): not the
// groups of macro commands that gave no result, plug-in tags and marks that the character's
// follow-ups look for (lint/group_meaning.h). from names the dictionary entry that gave the
// reply: its file, relative to the program folder when it lies inside it, and its line from 1;
// it is left out for a reply that no entry gave (an empty one, the program's own words).
//
// The view decodes every picture the controller loads, as the window would, and each load is a
// record of its own, written when it happens (so a picture command's record comes before the
// record of the reply that holds it):
//
//   {"event":"picture","slot":"shown","path":"/home/me/kelmo/characters/akari/egao.bmp",
//    "ok":true,"width":200,"height":200}
//
// slot is "shown", "default", "balloon_character" or "balloon_user", path the file as the view
// was given it, ok whether it decoded, width and height the decoded size (0 when it did not).
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pictures/picture_set.h"
#include "shell/chat_view.h"

namespace kelmo {

class TBatchReport;

class TBatchView : public TChatView {
 public:
  // A view whose pictures use the decoders of the program folder appDir (and the system's), and
  // whose picture loads are reported to report.
  TBatchView(const std::string& appDir, TBatchReport& report);

  // Types the user's line into the balloon (the controller reads it on Enter).
  void TypeUserLine(const std::string& line) { balloon_ = line; }

  // The last message box's text (for start-up failures), line breaks as given.
  const std::string& LastMessage() const { return lastMessage_; }
  bool Closed() const { return closed_; }

  std::string BalloonText() const override { return balloon_; }
  void SetBalloonText(const std::string& text) override { balloon_ = text; }
  void AppendToLastLine(const std::string& text) override;
  void SetBalloonReadOnly(bool) override {}
  void ResetPictures(bool useBuiltInBalloons) override;
  void SetCharacterFolder(const std::string& folder) override;
  bool LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) override;
  void ShowDefaultPicture() override;
  void ShowMessage(const std::string& text) override { lastMessage_ = text; }
  bool ShowCharacterSelection(TCharacterSelection& selection) override;
  bool ShowSettingsDialog(TConfigDialogData&) override { return false; }
  void ShowAboutDialog(const TAboutTexts&) override {}
  void Close() override { closed_ = true; }

 private:
  std::string balloon_;
  std::string lastMessage_;
  bool closed_ = false;
  TPictureSet pictures_;
  TBatchReport& report_;
};

class TBatchReport : public TChatObserver {
 public:
  // Tells whether a group that no display command took (UTF-8, as typed) names nothing at all.
  using TGroupTest = std::function<bool(const std::string& group)>;

  // A report written to out; the files of "from" are shown relative to programFolder (a UTF-8
  // file-system path) when they lie inside it.
  TBatchReport(std::ostream& out, std::string programFolder)
      : out_(out), programFolder_(std::move(programFolder)) {}

  // From now on only the groups for which namesNothing holds are listed as unknown; until then
  // every group that no display command took is.
  void SetUnknownGroupTest(TGroupTest namesNothing) { namesNothing_ = std::move(namesNothing); }

  void ReplyStarted(TReplyEvent event, const std::string& line, const std::string& reply) override;
  void ReplyCameFrom(const TEntrySource& source) override;
  void CommandExecuted(const std::string& written, bool known) override;
  void ReplyFinished(const std::vector<std::string>& shownLines) override;

  // Writes the record of one picture load (see above); width and height are written as 0 when
  // the picture did not decode.
  void PictureLoaded(TPictureSlot slot, const std::string& path, bool ok, int width, int height);

 private:
  struct TRecord {
    TReplyEvent Event = TReplyEvent::Reply;
    std::string Line;
    std::string Reply;
    std::vector<std::string> Commands;
    std::vector<std::string> Unknown;
    std::optional<TEntrySource> Source;
  };
  void Write(const TRecord& record, const std::vector<std::string>& shownLines);

  std::ostream& out_;
  const std::string programFolder_;
  TGroupTest namesNothing_;
  bool open_ = false;  // a reply started and has not finished
  TRecord current_;
};

}  // namespace kelmo
