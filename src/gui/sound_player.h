// Sound for the display commands SOUNDA: (plays while typing goes on) and SOUNDS: (typing waits
// until the sound has played), with Qt Multimedia's QSoundEffect.
//
// A missing device or an unreadable file plays nothing and reports nothing. Waiting never lasts
// longer than the sound itself: the length is read from the wave file's header and bounds the
// wait from the moment playback starts, because without a working device QSoundEffect may report
// playing forever. Without any output device nothing is played and nothing waited for.
#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string_view>

namespace kelmo {

// How long a waiting playback may take to start (the file is loaded in the background first).
inline constexpr int kSoundStartPatienceMs = 2000;

// The length in milliseconds (rounded up) of the sound in a RIFF WAVE file's bytes: the "data"
// chunk's size (cut to the bytes present) over the "fmt " chunk's byte rate. std::nullopt when the
// bytes are no WAVE file, lack either chunk or give a byte rate of 0.
std::optional<int> WaveDurationMs(std::string_view bytes);

class TSoundPlayer : public QObject {
 public:
  explicit TSoundPlayer(QObject* parent = nullptr) : QObject(parent) {}

  // Plays the wave file at path. Without wait, returns at once and the sound plays on. With wait,
  // runs a local event loop that ignores user input until the sound has played, at most its
  // length after it started (at once when its length cannot be read).
  void Play(const QString& path, bool wait);
};

}  // namespace kelmo
