// Token translators, and the one the engine has: ASCII case folding.
//
// A translator rewrites a token list before standardization. `TbmREDicFrame` walks the list,
// hands every run of consecutive literal characters to `TranslateRun` and copies everything
// else, bracket expressions whole. `TbmREAsciiIgnoreCaseDic` turns each ASCII letter of a run
// into the group (letter|other case), so that `ab` matches `AB` and `aB`; letters inside brackets,
// range bounds and full-width letters are left as they are.
#pragma once

#include "regex/tokens.h"

namespace kelmo {

// A token translator.
class TbmREDic {
 public:
  virtual ~TbmREDic() = default;

  // Replaces `destination` by the translation of `source`.
  virtual void Translate(const TbmRETokens& source, TbmRETokens& destination) = 0;
};

// The walk over runs of literal characters; a run is copied unchanged.
class TbmREDicFrame : public TbmREDic {
 public:
  void Translate(const TbmRETokens& source, TbmRETokens& destination) override;

 protected:
  // Appends the translation of the literal tokens first..stop-1 of `source` to `destination`.
  virtual void TranslateRun(const TbmRETokens& source, int first, TbmRETokens& destination,
                            int stop);
};

// ASCII case folding: each letter A-Z, a-z of a run becomes ( letter | other case ).
class TbmREAsciiIgnoreCaseDic : public TbmREDicFrame {
 protected:
  void TranslateRun(const TbmRETokens& source, int first, TbmRETokens& destination,
                    int stop) override;
};

}  // namespace kelmo
