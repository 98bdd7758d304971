// Song end detection (see xm_song_end.h).
#include "xm/xm_song_end.h"

#include <vector>

namespace zel {
namespace {

XmSongEnd run_to_end(XmSong& song, int extra_passes, uint64_t cap_frames) {
  xm_song_reset(song);
  XmSongEnd end;
  // One flag per (order position, row) played in the current pass.
  std::vector<bool> played(256 * 256, false);
  bool started = false;
  for (;;) {
    if (song.tick == 0) {
      // The row the next tick is going to process.
      const bool new_order = song.next_order >= 0;
      const int order = new_order ? song.next_order : song.order;
      int row = song.next_row >= 0 ? song.next_row : song.row;
      if (row >= song.patterns[song.order_table[static_cast<size_t>(order)]].rows) row = 0;
      const size_t at = static_cast<size_t>(order) * 256 + static_cast<size_t>(row);
      if (started && song.speed == 0) {
        end.passes += 1;
        return end;
      }
      if (new_order && played[at]) {
        end.passes += 1;
        if (end.passes > extra_passes) return end;
        played.assign(played.size(), false);
      }
      played[at] = true;
      started = true;
    }
    xm_tick(song);
    end.frames += static_cast<uint64_t>(song.samples_per_tick);
    if (end.frames >= cap_frames) {
      end.frames = cap_frames;
      end.capped = true;
      return end;
    }
  }
}

}  // namespace

XmSongEnd xm_find_song_end(XmSong& song, int extra_passes, uint64_t cap_frames) {
  // E5x sets a sample's finetune for good; the samples are given back as
  // they were, so the same song can be rendered afterwards.
  std::vector<int8_t> finetunes;
  for (const auto& sample : song.sample_store) finetunes.push_back(sample->finetune);
  const XmSongEnd end = run_to_end(song, extra_passes, cap_frames);
  for (size_t i = 0; i < finetunes.size(); ++i) song.sample_store[i]->finetune = finetunes[i];
  return end;
}

}  // namespace zel
