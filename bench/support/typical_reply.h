// The reply the evaluation benchmarks time: about 1 KB of text with 50 groups, shaped like what
// characters say (results, kept display commands and nested choices).
#pragma once

#include <iterator>
#include <string>

namespace kelmo::bench {

inline std::u16string TypicalReply() {
  const std::u16string pieces[] = {
      u"今日は{DATE}です。",     u"{WAIT20}", u"カウンタは{COUNT01}、", u"{MEMO01}と覚えています。",
      u"{IF{==1|1}はい|いいえ}", u"{BR}",     u"{SURFACE1}ふむ。",
  };
  std::u16string text;
  int groups = 0;
  for (int i = 0; groups < 50; ++i) {
    const std::u16string& piece = pieces[i % std::size(pieces)];
    text += piece + u"ここに少し文章が入ります。";
    groups += piece.find(u"{IF") == 0 ? 2 : 1;
  }
  return text;
}

}  // namespace kelmo::bench
