// The batch view and its JSON Lines report.
#include "tty/batch_view.h"

#include <nlohmann/json.hpp>
#include <string_view>

#include "lint/lint_report.h"
#include "shell/character_selection.h"

namespace kelmo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The batch has no window; this stands for the window background the colour key turns into.
const QColor kBatchBackground(240, 240, 240);

std::string_view SlotName(TPictureSlot slot) {
  switch (slot) {
    case TPictureSlot::Shown:
      return "shown";
    case TPictureSlot::Default:
      return "default";
    case TPictureSlot::BalloonCharacter:
      return "balloon_character";
    case TPictureSlot::BalloonUser:
      return "balloon_user";
  }
  return "";
}

// One JSON Lines record. Texts come from the code page layer as valid UTF-8; replacing keeps a
// report line whole should one not be.
void WriteRecord(std::ostream& out, const nlohmann::ordered_json& record) {
  out << record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  out.flush();
}

}  // namespace

TBatchView::TBatchView(const std::string& appDir, TBatchReport& report)
    : pictures_(appDir, kBatchBackground), report_(report) {}

void TBatchView::AppendToLastLine(const std::string& text) {
  const size_t lineEnd =
      balloon_.ends_with(kLineEnd) ? balloon_.size() - kLineEnd.size() : balloon_.size();
  balloon_.insert(lineEnd, text);
}

void TBatchView::ResetPictures(bool useBuiltInBalloons) {
  pictures_.ResetPictures(useBuiltInBalloons);
}

void TBatchView::SetCharacterFolder(const std::string& folder) {
  pictures_.SetCharacterFolder(folder);
}

bool TBatchView::LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) {
  const bool ok = pictures_.LoadPicture(slot, path, colourKey);
  const QImage& picture = pictures_.Picture(slot);
  report_.PictureLoaded(slot, path, ok, picture.width(), picture.height());
  return ok;
}

void TBatchView::ShowDefaultPicture() {
  pictures_.ShowDefaultPicture();
}

bool TBatchView::ShowCharacterSelection(TCharacterSelection& selection) {
  selection.Cancel();
  return false;
}

void TBatchReport::ReplyStarted(TReplyEvent event, const std::string& line,
                                const std::string& reply) {
  // A reply replaced before it finished is still reported, with nothing shown.
  if (open_) Write(current_, {});
  current_ = TRecord{event, line, reply, {}, {}, {}};
  open_ = true;
}

void TBatchReport::ReplyCameFrom(const TEntrySource& source) {
  if (open_) current_.Source = source;
}

void TBatchReport::CommandExecuted(const std::string& written, bool known) {
  if (!open_) return;
  if (known) {
    current_.Commands.push_back(written);
  } else if (!namesNothing_ || namesNothing_(written)) {
    current_.Unknown.push_back(written);
  }
}

void TBatchReport::ReplyFinished(const std::vector<std::string>& shownLines) {
  if (!open_) return;
  open_ = false;
  Write(current_, shownLines);
}

void TBatchReport::Write(const TRecord& record, const std::vector<std::string>& shownLines) {
  std::string shown;
  for (size_t i = 0; i < shownLines.size(); ++i) {
    if (i > 0) shown += '\n';
    shown += shownLines[i];
  }
  nlohmann::ordered_json object;
  object["event"] = std::string(ReplyEventName(record.Event));
  object["line"] = record.Line;
  object["reply"] = record.Reply;
  object["shown"] = shown;
  object["commands"] = record.Commands;
  object["unknown"] = record.Unknown;
  if (record.Source) {
    object["from"] = {{"file", ShownPath(record.Source->File, programFolder_)},
                      {"line", record.Source->Line}};
  }
  WriteRecord(out_, object);
}

void TBatchReport::PictureLoaded(TPictureSlot slot, const std::string& path, bool ok, int width,
                                 int height) {
  nlohmann::ordered_json object;
  object["event"] = "picture";
  object["slot"] = std::string(SlotName(slot));
  object["path"] = path;
  object["ok"] = ok;
  object["width"] = ok ? width : 0;
  object["height"] = ok ? height : 0;
  WriteRecord(out_, object);
}

}  // namespace kelmo
