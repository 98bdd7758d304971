#include "core/output.h"

#include <span>

#include "content/content.h"

namespace zel {

void present(App& app) {
  if (app.run_ended) return;
  (void)app.platform.display_update(app.fb.data());
  if (app.platform.display_quit_requested()) app.nav.quit_requested = 1;
}

bool start_module(XmPlayer& player, int n) {
  xm_stop(player);
  xm_free(player);
  std::span<const uint8_t> image = xm_module(n);
  xm_load(player, image.data(), image.size());
  return xm_play(player);
}

void start_module_n(App& app, int n) {
  start_module(app.xm, n);
  app.visualiser.channel_count = xm_channel_count(app.xm);
}

SidTuneEntry sid_tune(int n) {
  if (n < 1 || n > kTuneCount) return {};
  // Every embedded tune starts with sub-song 0 in A, whatever its header's
  // start song says.
  return {tune_image(n), 0};
}

void sid_tune_select(SidPlayer& player, int n) {
  sid_stream_stop(player);
  if (n < 1 || n > kTuneCount) return;
  const SidTuneEntry tune = sid_tune(n);
  sid_stream_start(player, tune.image, tune.sub_song);
  sid_stream_resume(player);
}

}  // namespace zel
