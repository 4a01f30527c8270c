// QSoundEffect playback with a bounded wait.
#include "gui/sound_player.h"

#include <QAudioDevice>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdint>

namespace kelmo {
namespace {

// Offsets within a RIFF WAVE file.
constexpr size_t kRiffHeaderSize = 12;  // "RIFF", size, "WAVE"
constexpr size_t kChunkHeaderSize = 8;  // id, size
constexpr size_t kByteRateOffset = 8;   // within the "fmt " chunk's body
// Only the header is read to find the length; chunks before "data" are small.
constexpr qint64 kWaveHeaderReadLimit = 64 * 1024;

uint32_t ReadLittleEndian32(std::string_view bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

}  // namespace

std::optional<int> WaveDurationMs(std::string_view bytes) {
  if (bytes.size() < kRiffHeaderSize || bytes.substr(0, 4) != "RIFF" ||
      bytes.substr(8, 4) != "WAVE") {
    return std::nullopt;
  }
  std::optional<uint32_t> byteRate;
  size_t offset = kRiffHeaderSize;
  while (offset + kChunkHeaderSize <= bytes.size()) {
    const std::string_view id = bytes.substr(offset, 4);
    const uint64_t size = ReadLittleEndian32(bytes, offset + 4);
    const size_t body = offset + kChunkHeaderSize;
    if (id == "fmt ") {
      if (size < kByteRateOffset + 4 || body + kByteRateOffset + 4 > bytes.size()) break;
      byteRate = ReadLittleEndian32(bytes, body + kByteRateOffset);
    } else if (id == "data") {
      if (!byteRate || *byteRate == 0) return std::nullopt;
      // A header may claim more than the file holds (a recording cut short, or a streamed
      // file's placeholder size): only the bytes present play.
      const uint64_t present = std::min<uint64_t>(size, bytes.size() - body);
      return static_cast<int>((present * 1000 + *byteRate - 1) / *byteRate);
    }
    offset = body + size + (size & 1);  // chunks are padded to an even size
  }
  return std::nullopt;
}

void TSoundPlayer::Play(const QString& path, bool wait) {
  if (QMediaDevices::audioOutputs().isEmpty()) return;
  std::optional<int> length;
  if (wait) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray header = file.read(kWaveHeaderReadLimit);
      length = WaveDurationMs(std::string_view(header.constData(), header.size()));
    }
  }
  auto* effect = new QSoundEffect(this);
  effect->setSource(QUrl::fromLocalFile(path));
  if (!length) {
    // Plays on its own (a wait without a known length would have no bound); the effect goes once
    // it has played or failed.
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
      if (!effect->isPlaying()) effect->deleteLater();
    });
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
      if (effect->status() == QSoundEffect::Error) effect->deleteLater();
    });
    effect->play();
    return;
  }

  QEventLoop loop;
  bool done = false;
  const auto finish = [&] {
    done = true;
    loop.quit();
  };
  QTimer limit;
  limit.setSingleShot(true);
  connect(&limit, &QTimer::timeout, &loop, finish);
  connect(effect, &QSoundEffect::playingChanged, &loop, [&] {
    if (effect->isPlaying()) {
      limit.start(*length);
    } else {
      finish();
    }
  });
  connect(effect, &QSoundEffect::statusChanged, &loop, [&] {
    if (effect->status() == QSoundEffect::Error) finish();
  });
  limit.start(kSoundStartPatienceMs);
  effect->play();
  if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);
  effect->stop();
  effect->deleteLater();
}

}  // namespace kelmo
