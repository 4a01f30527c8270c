// Text and fonts between the program and Qt: the program's strings are UTF-8, and its Japanese
// must render whichever fonts the desktop has installed.
#pragma once

#include <QString>
#include <QStringList>
#include <string_view>

namespace kelmo {

// The family asked for after any named one, so that Japanese renders where that is not installed.
inline constexpr const char* kJapaneseFallbackFamily = "Noto Sans CJK JP";

// UTF-8 text as a QString.
inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The families to ask a font for to show family: family itself, then the fallback.
inline QStringList WithJapaneseFallback(const QString& family) {
  return {family, kJapaneseFallbackFamily};
}

}  // namespace kelmo
