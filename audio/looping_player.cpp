#include "audio/looping_player.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace solvane::audio {

namespace {

// The encoded bytes as a file for the decoder: reads and seeks stay inside them.
struct MemoryFile {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
};

size_t ReadMemory(void* destination, size_t size, size_t count, void* source) {
  auto* file = static_cast<MemoryFile*>(source);
  if (size == 0) return 0;
  const size_t items = std::min(count, (file->size - file->position) / size);
  // An empty piece has no bytes at all: its data may be null, which memcpy must never see.
  if (items == 0) return 0;
  std::memcpy(destination, file->data + file->position, items * size);
  file->position += items * size;
  return items;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(source);
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR) base = ogg_int64_t(file->position);
  if (whence == SEEK_END) base = ogg_int64_t(file->size);
  const ogg_int64_t target = base + offset;
  if (target < 0 || target > ogg_int64_t(file->size)) return -1;
  file->position = size_t(target);
  return 0;
}

long TellMemory(void* source) {
  return long(static_cast<MemoryFile*>(source)->position);
}

}  // namespace

struct LoopingPlayer::Stream {
  MemoryFile file;
  OggVorbis_File vorbis{};
  bool open = false;
  ~Stream() {
    if (open) ov_clear(&vorbis);
  }
};

LoopingPlayer::LoopingPlayer() = default;
LoopingPlayer::~LoopingPlayer() = default;

bool LoopingPlayer::Load(const uint8_t* bytes, size_t size) {
  stream_.reset();
  playing_ = false;
  rate_ = channels_ = 0;
  frames_ = 0;
  if (bytes == nullptr || size == 0) return false;
  bytes_.assign(bytes, bytes + size);
  auto stream = std::make_unique<Stream>();
  stream->file = {bytes_.data(), bytes_.size(), 0};
  const ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
  if (ov_open_callbacks(&stream->file, &stream->vorbis, nullptr, 0, callbacks) != 0) return false;
  stream->open = true;
  const vorbis_info* info = ov_info(&stream->vorbis, -1);
  const ogg_int64_t total = ov_pcm_total(&stream->vorbis, -1);
  if (info == nullptr || info->channels < 1 || info->channels > 8 || info->rate <= 0 ||
      total <= 0) {
    return false;
  }
  rate_ = int(info->rate);
  channels_ = info->channels;
  frames_ = total;
  stream_ = std::move(stream);
  return true;
}

void LoopingPlayer::Play(int64_t frame, bool loop) {
  if (!stream_) return;
  ov_pcm_seek(&stream_->vorbis, std::clamp<int64_t>(frame, 0, frames_ - 1));
  loop_ = loop;
  playing_ = true;
}

void LoopingPlayer::SetVolumes(int master, int own) {
  master = std::clamp(master, 0, 100);
  own = std::clamp(own, 0, 100);
  // The two volumes share one scale: the amplitude is their geometric mean, so that the same
  // setting given as both (as the program gives it) is that share of the full amplitude.
  gain_.store(int(std::lround(std::sqrt(double(master) * double(own)) / 100 * 65536)),
              std::memory_order_relaxed);
}

void LoopingPlayer::Render(int16_t* out, size_t frameCount) {
  const size_t samples = frameCount * size_t(std::max(channels_, 1));
  size_t done = 0;
  if (playing_ && stream_) {
    char* bytes = reinterpret_cast<char*>(out);
    const size_t wanted = samples * sizeof(int16_t);
    size_t filled = 0;
    int section = 0;
    bool restarted = false;
    while (filled < wanted) {
      const long got =
          ov_read(&stream_->vorbis, bytes + filled, int(wanted - filled), 0, 2, 1, &section);
      if (got > 0) {
        filled += size_t(got);
        restarted = false;
        continue;
      }
      // The end of the piece (or damage): start over once, or fall silent.
      if (!loop_ || restarted || ov_pcm_seek(&stream_->vorbis, 0) != 0) {
        playing_ = false;
        break;
      }
      restarted = true;
    }
    done = filled / sizeof(int16_t);
  }
  std::fill(out + done, out + samples, int16_t{0});
  const int gain = gain_.load(std::memory_order_relaxed);
  if (gain != 65536) {
    for (size_t i = 0; i < done; ++i) out[i] = int16_t((int64_t(out[i]) * gain) / 65536);
  }
}

}  // namespace solvane::audio
