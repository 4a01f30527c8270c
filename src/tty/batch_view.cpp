// The batch view and its JSON Lines report.
#include "tty/batch_view.h"

#include <nlohmann/json.hpp>
#include <string_view>

#include "shell/character_selection.h"

namespace kelmo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void TBatchView::AppendToLastLine(const std::string& text) {
  const size_t lineEnd =
      balloon_.ends_with(kLineEnd) ? balloon_.size() - kLineEnd.size() : balloon_.size();
  balloon_.insert(lineEnd, text);
}

bool TBatchView::ShowCharacterSelection(TCharacterSelection& selection) {
  selection.Cancel();
  return false;
}

void TBatchReport::ReplyStarted(TReplyEvent event, const std::string& line,
                                const std::string& reply) {
  // A reply replaced before it finished is still reported, with nothing shown.
  if (open_) Write(current_, {});
  current_ = TRecord{event, line, reply, {}, {}};
  open_ = true;
  ++repliesStarted_;
}

void TBatchReport::CommandExecuted(const std::string& written, bool known) {
  if (!open_) return;
  (known ? current_.Commands : current_.Unknown).push_back(written);
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
  // Texts come from the code page layer as valid UTF-8; replacing keeps a report line whole
  // should one not be.
  out_ << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  out_.flush();
}

}  // namespace kelmo
