#include "cli/module_measure.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>

#include "core/frame.h"
#include "render/visualiser.h"
#include "xm/xm_player.h"
#include "xm/xm_song_end.h"

namespace zel::tool {
namespace {

constexpr int kFftSize = 4096;
constexpr int kFrameRate = 60;
constexpr int kRowsPerBar = 16;

void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> w = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> wk = 1;
      for (size_t k = 0; k < len / 2; ++k, wk *= w) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

// Shares of the energy of both channels above 4 and 6 kHz (Hann-windowed blocks).
void high_shares(const std::vector<int16_t>& pcm, ModuleFigures& f) {
  double total = 0, over4 = 0, over6 = 0;
  std::vector<std::complex<double>> buf(kFftSize);
  const size_t frames = pcm.size() / 2;
  for (int ch = 0; ch < 2; ++ch) {
    for (size_t start = 0; start + kFftSize <= frames; start += kFftSize) {
      for (int i = 0; i < kFftSize; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kFftSize);
        buf[static_cast<size_t>(i)] = w * pcm[(start + static_cast<size_t>(i)) * 2 + static_cast<size_t>(ch)];
      }
      fft(buf);
      for (int k = 1; k < kFftSize / 2; ++k) {
        const double e = std::norm(buf[static_cast<size_t>(k)]);
        const double hz = static_cast<double>(k) * kXmRate / kFftSize;
        total += e;
        if (hz >= 4000) over4 += e;
        if (hz >= 6000) over6 += e;
      }
    }
  }
  f.above_4k = total > 0 ? over4 / total : 0;
  f.above_6k = total > 0 ? over6 / total : 0;
}

// The root of each bar of a pattern: the first note of the bass column
// (channel 2) in the bar, the previous bar's where the bar has none; a
// pattern without bass takes the chord column (channel 4).
std::string bar_roots(const XmSong& song, const XmPattern& pat) {
  static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  for (int ch : {1, 3}) {
    if (ch >= song.channels) continue;
    std::string roots;
    int last = -1;
    bool any = false;
    for (int bar = 0; bar * kRowsPerBar < pat.rows; ++bar) {
      for (int r = bar * kRowsPerBar; r < std::min(pat.rows, (bar + 1) * kRowsPerBar); ++r) {
        const int note = pat.cells[static_cast<size_t>(r * song.channels + ch)].note;
        if (note >= 1 && note <= 96) {
          last = (note - 1) % 12;
          any = true;
          break;
        }
      }
      roots += last < 0 ? "-" : kNames[last];
      roots += ' ';
    }
    if (any) return roots;
  }
  return "";
}

}  // namespace

bool measure_module(std::span<const uint8_t> image, ModuleFigures& f, std::string& why) {
  auto song = xm_load_song(image.data(), image.size(), &why);
  if (!song) return false;
  f = {};

  for (size_t n = 0; n < song->instruments.size(); ++n) {
    const XmInstrument& ins = song->instruments[n];
    for (int k = 0; k < ins.sample_count; ++k) {
      const XmSample* smp = ins.samples[static_cast<size_t>(k)];
      if (!smp || smp->length == 0) continue;
      double sum = 0;
      for (uint32_t i = 0; i < smp->length; ++i) sum += smp->data[i];
      const double mean = sum / smp->length / 32768.0;
      if (std::fabs(mean) > std::fabs(f.worst_sample_mean)) {
        f.worst_sample_mean = mean;
        f.worst_sample = "instrument " + std::to_string(n + 1);
      }
    }
  }

  std::map<std::string, int> loops;
  f.order_length = song->song_length;
  std::vector<std::string> per_slot;
  for (int o = 0; o < song->song_length; ++o) {
    const int p = song->order_table[static_cast<size_t>(o)];
    per_slot.push_back(p < static_cast<int>(song->patterns.size()) ? bar_roots(*song, song->patterns[static_cast<size_t>(p)]) : "");
    ++loops[per_slot.back()];
  }
  for (const auto& [roots, count] : loops)
    if (!roots.empty() && count > f.home_slots) {
      f.home_slots = count;
      f.home_roots = roots;
    }
  std::vector<int> away;
  for (int o = 0; o < song->song_length; ++o)
    if (!per_slot[static_cast<size_t>(o)].empty() && per_slot[static_cast<size_t>(o)] != f.home_roots)
      away.push_back(song->order_table[static_cast<size_t>(o)]);
  std::sort(away.begin(), away.end());
  f.away_patterns = static_cast<int>(std::unique(away.begin(), away.end()) - away.begin());

  const XmSongEnd end = xm_find_song_end(*song, 0, uint64_t{600} * kXmRate);
  const size_t frames = static_cast<size_t>(end.frames);
  f.seconds = static_cast<double>(frames) / kXmRate;

  // Render the pass block by block as the stream does, keeping the position
  // each block ends on: the visualiser reads the row of the block being heard.
  xm_song_reset(*song);
  std::vector<int16_t> pcm((frames / kXmBlockFrames + 1) * kXmBlockFrames * 2);
  std::vector<float> scratch(static_cast<size_t>(kXmBlockFrames) * 2);
  std::vector<XmPosition> at_block;
  for (size_t b = 0; b * kXmBlockFrames < frames; ++b)
    at_block.push_back(xm_render_block(*song, scratch.data(), pcm.data() + b * kXmBlockFrames * 2, kXmBlockFrames));
  pcm.resize(frames * 2);

  double mid = 0, side = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double l = pcm[2 * i], r = pcm[2 * i + 1];
    mid += (l + r) * (l + r) / 4;
    side += (l - r) * (l - r) / 4;
  }
  f.side_to_mid_db = mid > 0 && side > 0 ? 10 * std::log10(side / mid) : -999;
  high_shares(pcm, f);

  VisualiserState vis;
  reset_visualiser(vis);
  std::vector<int> lit_counts;
  int third_frames[3] = {};
  std::vector<uint32_t> cells(static_cast<size_t>(song->channels));
  for (size_t frame = 0;; ++frame) {
    const size_t sample = frame * kXmRate / kFrameRate;
    if (sample >= frames) break;
    const XmPosition pos = at_block[sample / kXmBlockFrames];
    const XmPattern& pat = song->patterns[song->order_table[pos.order]];
    for (int c = 0; c < song->channels; ++c) {
      const XmCell& cell = pat.cells[static_cast<size_t>(std::min<int>(pos.row, pat.rows - 1) * song->channels + c)];
      cells[static_cast<size_t>(c)] = cell.note | static_cast<uint32_t>(cell.instrument) << 8;
    }
    kick_visualiser_bars(vis, cells);
    settle_visualiser_bars(vis);
    int lit = 0;
    bool third[3] = {};
    for (int k = 0; k < VisualiserState::kBars; ++k) {
      if (vis.bars[static_cast<size_t>(k)] >= VisualiserState::kBaseline + 1) continue;  // draws no row
      ++lit;
      third[k < 13 ? 0 : k < 27 ? 1 : 2] = true;
    }
    lit_counts.push_back(lit);
    for (int t = 0; t < 3; ++t) third_frames[t] += third[t];
  }
  f.frames = static_cast<int>(lit_counts.size());
  if (f.frames) {
    std::vector<int> sorted = lit_counts;
    std::nth_element(sorted.begin(), sorted.begin() + f.frames / 2, sorted.end());
    f.median_bars_lit = sorted[static_cast<size_t>(f.frames / 2)];
    for (int t = 0; t < 3; ++t) f.third_lit[t] = static_cast<double>(third_frames[t]) / f.frames;
  }
  return true;
}

}  // namespace zel::tool
