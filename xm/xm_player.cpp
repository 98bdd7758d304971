// Module player control and its audio stream (see xm_player.h).
#include "xm/xm_player.h"

#include <algorithm>

#include "platform/platform.h"

namespace zel {

// The block renderer: ticks and mixing interleaved, a tick's worth of frames
// at a time.
XmPosition xm_render_block(XmSong& song, float* scratch, int16_t* pcm, int frames) {
  std::fill(scratch, scratch + 2 * frames, 0.0f);
  float* out = scratch;
  int left = frames;
  while (left > 0) {
    if (song.samples_left_in_tick == 0) {
      xm_tick(song);
      song.samples_left_in_tick = song.samples_per_tick;
    }
    int n = std::min(song.samples_left_in_tick, left);
    xm_mix(song.voice, out, n);
    out += 2 * n;
    left -= n;
    song.samples_left_in_tick -= n;
  }
  xm_to_pcm16(pcm, scratch, frames);
  return XmPosition{static_cast<uint8_t>(song.order), static_cast<uint8_t>(song.row)};
}

namespace {

uint64_t pack_position(const XmPosition& p) {
  return static_cast<uint64_t>(p.order) << 40 | static_cast<uint64_t>(p.row) << 32;
}

// Renders the block at the fill index and records where the song stands.
void render_next_block(XmPlayer& player) {
  XmStream& st = player.stream;
  int16_t* pcm = st.pcm.data() + static_cast<size_t>(st.fill_index) * kXmBlockFrames * 2;
  XmPosition pos = xm_render_block(*player.streamed, st.scratch.data(), pcm, kXmBlockFrames);
  st.records[static_cast<size_t>(st.fill_index)].store(pack_position(pos), std::memory_order_release);
  st.fill_index = (st.fill_index + 1) % kXmBlockCount;
}

// One poll of the stream: renders every block the device has finished since
// the last poll, one ring ahead of it.
void feed_ring(XmPlayer& player) {
  XmStream& st = player.stream;
  AudioRing& ring = *st.device;
  uint64_t frames = ring.position_bytes() / 4;
  int playing = static_cast<int>((frames % kXmRingFrames) / kXmBlockFrames);
  bool rendered = false;
  while (st.fill_index != playing && !st.stop.load(std::memory_order_acquire)) {
    render_next_block(player);
    st.play_index.store((st.play_index.load(std::memory_order_relaxed) + 1) % kXmBlockCount,
                        std::memory_order_release);
    rendered = true;
  }
  if (rendered) ring.publish();
}

void stream_thread(XmPlayer* player) {
  XmStream& st = player->stream;
  while (!st.stop.load(std::memory_order_acquire)) {
    feed_ring(*player);
    st.device->wait_poll(5);
  }
}

uint64_t playing_record(const XmPlayer& player) {
  const XmStream& st = player.stream;
  if (!player.song || !st.records) return 0;
  return st.records[static_cast<size_t>(st.play_index.load(std::memory_order_acquire))].load(
      std::memory_order_acquire);
}

}  // namespace

XmPlayer::~XmPlayer() {
  xm_stop(*this);
  xm_free(*this);
}

bool xm_load(XmPlayer& player, const uint8_t* data, size_t size, std::string* why, const XmLoadLimits& limits) {
  xm_free(player);
  player.song = xm_load_song(data, size, why, limits);
  return player.song != nullptr;
}

bool xm_play(XmPlayer& player) {
  if (!player.song) return false;
  xm_stop(player);
  XmStream& st = player.stream;
  xm_song_reset(*player.song);
  player.streamed = player.song.get();
  st.records = std::make_unique<std::atomic<uint64_t>[]>(kXmBlockCount);
  for (int i = 0; i < kXmBlockCount; ++i) st.records[static_cast<size_t>(i)].store(0);
  st.device = player.platform->open_audio_ring({kXmRate, 2});
  if (!st.device) return false;
  st.pcm.assign(static_cast<size_t>(kXmRingFrames) * 2, 0);
  st.scratch.assign(static_cast<size_t>(kXmBlockFrames) * 2, 0.0f);
  st.fill_index = 0;
  st.play_index.store(0);
  for (int b = 0; b < kXmBlockCount; ++b) render_next_block(player);
  st.device->start(st.pcm.data(), kXmRingFrames);
  st.device->publish();
  st.stop.store(false);
  if (!player.platform->audio_threads()) {
    st.device->set_feeder([&player] { feed_ring(player); });
    return true;
  }
  st.device->set_poller(true);
  st.thread = std::thread(stream_thread, &player);
  return true;
}

bool xm_stop(XmPlayer& player) {
  XmStream& st = player.stream;
  st.stop.store(true, std::memory_order_release);
  if (st.thread.joinable()) {
    st.device->wake();
    st.thread.join();
    st.device->set_poller(false);
  }
  st.device.reset();  // silent at once
  st.pcm = {};
  st.scratch = {};
  st.records.reset();
  player.streamed = nullptr;
  st.fill_index = 0;
  st.play_index.store(0);
  return player.song != nullptr;
}

void xm_free(XmPlayer& player) {
  xm_stop(player);
  player.song.reset();
}

int xm_channel_count(const XmPlayer& player) { return player.song ? player.song->channels : 0; }

int xm_playing_order(const XmPlayer& player) { return static_cast<int>(playing_record(player) >> 40 & 0xFF); }

int xm_playing_row(const XmPlayer& player) { return static_cast<int>(playing_record(player) >> 32 & 0xFF); }

uint32_t xm_playing_cell(const XmPlayer& player, int channel) {
  const XmSong* song = player.song.get();
  if (!song || channel < 0 || channel >= song->channels) return 0;
  const XmPattern& pat = song->patterns[song->order_table[static_cast<size_t>(xm_playing_order(player))]];
  int row = xm_playing_row(player);
  if (row >= pat.rows) return 0;
  const XmCell& c = pat.cells[static_cast<size_t>(row) * static_cast<size_t>(song->channels) +
                              static_cast<size_t>(channel)];
  return static_cast<uint32_t>(c.note) | static_cast<uint32_t>(c.instrument) << 8;
}

std::vector<int16_t> xm_render_offline(XmSong& song, size_t frames) {
  xm_song_reset(song);
  std::vector<int16_t> out(frames * 2);
  std::vector<float> scratch(static_cast<size_t>(kXmBlockFrames) * 2);
  for (size_t at = 0; at < frames; at += kXmBlockFrames) {
    int n = static_cast<int>(std::min<size_t>(kXmBlockFrames, frames - at));
    xm_render_block(song, scratch.data(), out.data() + at * 2, n);
  }
  return out;
}

}  // namespace zel
