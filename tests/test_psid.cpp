// PSID loading and the init/play driver, on images built in the test.
#include <gtest/gtest.h>

#include "content/content.h"
#include "psid_builder.h"
#include "sid/sid_tunes.h"

namespace zel {
namespace {

using testing_psid::fresh_machine;
using testing_psid::make_psid;
using testing_psid::PsidFields;

TEST(PsidLoad, LoadAddressComesFromTheDataNotTheHeader) {
  PsidFields p;
  p.header_load = 0x2000;
  p.load = 0x1000;
  p.code = {0xAA, 0xBB, 0xCC};
  const auto img = make_psid(p);
  auto m = fresh_machine();
  EXPECT_EQ(psid_load(*m, img.data(), img.size()), 0x1000);
  EXPECT_EQ(m->ram[0x1000], 0xAA);
  EXPECT_EQ(m->ram[0x1002], 0xCC);
  EXPECT_EQ(m->ram[0x2000], 0x00);
  EXPECT_EQ(m->init_address, 0x1000);
  EXPECT_EQ(m->play_address, 0x1003);
}

TEST(PsidLoad, OnlyTheLowByteOfTheDataOffsetCounts) {
  PsidFields p;
  p.data_offset = 0x76;  // a short header, as version 1 images have
  p.code = {0x60};
  auto img = make_psid(p);
  img[6] = 0x12;  // high byte of the offset is not read
  auto m = fresh_machine();
  EXPECT_EQ(psid_load(*m, img.data(), img.size()), 0x1000);
  EXPECT_EQ(m->ram[0x1000], 0x60);
}

TEST(PsidLoad, PlayAddressZeroIsTakenFromTheIrqVectorAfterInit) {
  PsidFields p;
  p.init = 0x1000;
  p.play = 0;
  p.code = {
      0xEE, 0x00, 0x20,  // $1000 init: INC $2000 (counts the calls)
      0x8D, 0x01, 0x20,  //            STA $2001 (the sub-song)
      0xA9, 0x34,        //            LDA #$34
      0x8D, 0x14, 0x03,  //            STA $0314
      0xA9, 0x12,        //            LDA #$12
      0x8D, 0x15, 0x03,  //            STA $0315
      0x60,              //            RTS
  };
  const auto img = make_psid(p);
  auto m = fresh_machine();
  psid_load(*m, img.data(), img.size());
  EXPECT_EQ(m->play_address, 0x1234);
  EXPECT_EQ(m->ram[0x2000], 1);  // init ran once, with A = 0
  tune_init(*m, 5);
  EXPECT_EQ(m->ram[0x2000], 2);
  EXPECT_EQ(m->ram[0x2001], 5);
}

TEST(PsidLoad, DataPastTheEndOfMemoryIsClipped) {
  PsidFields p;
  p.load = 0xFFF0;
  p.init = p.play = 0xFFF0;
  p.code.assign(64, 0x5A);
  const auto img = make_psid(p);
  auto m = fresh_machine();
  EXPECT_EQ(psid_load(*m, img.data(), img.size()), 0xFFF0);
  EXPECT_EQ(m->ram[0xFFFF], 0x5A);
  EXPECT_EQ(m->ram[0x0000], 0x00);
  EXPECT_EQ(m->ram[0x002F], 0x00);
  const PsidInfo info = psid_info(img);
  EXPECT_EQ(info.data_length, 16u);
  EXPECT_EQ(info.load_end, 0xFFFFu);
}

TEST(PsidLoad, TruncatedImagesLoadNothingAndPlaySilence) {
  PsidFields p;
  p.code = {0xA9, 0x0F, 0x8D, 0x18, 0xD4, 0x60};
  const auto full = make_psid(p);
  for (size_t size : {size_t{0}, size_t{7}, size_t{13}, size_t{0x7C}, size_t{0x7D}}) {
    auto m = fresh_machine();
    m->ram[0x1000] = 0x77;
    EXPECT_EQ(psid_load(*m, size ? full.data() : nullptr, size), 0) << size;
    EXPECT_EQ(m->ram[0x1000], 0) << size;
    EXPECT_EQ(m->init_address, 0);
    EXPECT_EQ(m->play_address, 0);
    tune_init(*m, 0);
    std::vector<int16_t> out(kSidChunk);
    for (int k = 0; k < 5; ++k) {
      tune_render_chunk(*m, out.data(), out.size());
      EXPECT_EQ(out, std::vector<int16_t>(kSidChunk, 0)) << size;
    }
    EXPECT_FALSE(psid_info(std::span(full.data(), size)).valid);
  }
  // A data offset beyond the image.
  auto img = full;
  img[7] = 0xF0;
  auto m = fresh_machine();
  EXPECT_EQ(psid_load(*m, img.data(), img.size()), 0);
}

TEST(PsidDriver, EachChunkIsOnePlayCallThenTheSynthesis) {
  PsidFields p;
  p.init = 0x1000;
  p.play = 0x1010;
  p.code.assign(0x40, 0xEA);
  const uint8_t init[] = {0xA9, 0x0F, 0x8D, 0x18, 0xD4,  // volume 15
                          0xA9, 0xF0, 0x8D, 0x06, 0xD4,  // sustain 15
                          0x60};
  const uint8_t play[] = {0xEE, 0x00, 0x20,              // INC $2000
                          0xAD, 0x00, 0x20,              // LDA $2000
                          0x8D, 0x01, 0xD4,              // STA $D401: frequency follows the call count
                          0xA9, 0x21, 0x8D, 0x04, 0xD4,  // sawtooth, gate
                          0x60};
  std::copy(std::begin(init), std::end(init), p.code.begin());
  std::copy(std::begin(play), std::end(play), p.code.begin() + 0x10);
  const auto img = make_psid(p);
  auto m = fresh_machine();
  psid_load(*m, img.data(), img.size());
  tune_init(*m, 0);
  std::vector<int16_t> out(kSidChunk);
  for (int k = 1; k <= 3; ++k) {
    tune_render_chunk(*m, out.data(), out.size());
    EXPECT_EQ(m->ram[0x2000], k);
    EXPECT_EQ(m->voice[0].phase_step, static_cast<uint32_t>(k * 256 * 359));
  }
}

// The SidTuneTable's embedded images, when they are built in, carry the
// header fields and load ranges the magazine was made with.
TEST(SidTuneTable, EmbeddedImagesMatchTheirTable) {
  struct Row {
    size_t size;
    uint16_t load, end, init, play, songs, start;
  };
  const Row rows[12] = {
      {3677, 0x0822, 0x1600, 0x127B, 0x082E, 1, 1},  {2622, 0x0FFC, 0x19BB, 0x0FFC, 0x104D, 1, 1},
      {3606, 0x0825, 0x15BC, 0x0825, 0x082B, 2, 1},  {4006, 0x8000, 0x8F27, 0x8394, 0x8000, 25, 1},
      {7199, 0x0400, 0x1FA0, 0x1F85, 0x1F9B, 28, 1}, {9741, 0x4002, 0x6590, 0x6542, 0x6585, 9, 1},
      {3399, 0x0FFF, 0x1CC7, 0x0FFF, 0x1003, 1, 1},  {3882, 0x1000, 0x1EAB, 0x1440, 0x1003, 1, 1},
      {3346, 0x5000, 0x5C93, 0x5C75, 0x5C8D, 9, 1},  {5993, 0x8000, 0x96EA, 0x96E0, 0x8018, 4, 2},
      {6112, 0x0801, 0x1F62, 0x1F40, 0x1AB5, 13, 1}, {3336, 0x0810, 0x1499, 0x0852, 0x0909, 1, 1},
  };
  for (int n = 1; n <= 12; ++n) {
    const SidTuneEntry tune = sid_tune(n);
    EXPECT_EQ(tune.sub_song, 0);
    if (tune.image.empty()) continue;
    const Row& r = rows[n - 1];
    const PsidInfo info = psid_info(tune.image);
    EXPECT_EQ(tune.image.size(), r.size) << "tune " << n;
    EXPECT_EQ(info.load_address, r.load) << "tune " << n;
    EXPECT_EQ(info.load_end, r.end) << "tune " << n;
    EXPECT_EQ(info.init_address, r.init) << "tune " << n;
    EXPECT_EQ(info.play_address, r.play) << "tune " << n;
    EXPECT_EQ(info.songs, r.songs) << "tune " << n;
    EXPECT_EQ(info.start_song, r.start) << "tune " << n;
  }
  EXPECT_TRUE(sid_tune(0).image.empty());
  EXPECT_TRUE(sid_tune(13).image.empty());
}

}  // namespace
}  // namespace zel
