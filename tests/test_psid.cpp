// PSID loading and the init/play driver, on images built in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "content/content.h"
#include "psid_builder.h"
#include "sid/sid_tunes.h"

namespace zel {
namespace {

using namespace testing_psid;
using psid::write_psid;

TEST(PsidLoad, LoadAddressComesFromTheDataAndOnlyTheOffsetsLowByteCounts) {
  PsidFields p;
  p.header_load = 0x2000;
  p.data_offset = 0x76;  // a short header, as version 1 images have
  p.data = {0xAA, 0xBB, 0xCC};
  auto img = write_psid(p);
  img[6] = 0x12;  // high byte of the offset is not read
  auto m = fresh_machine();
  EXPECT_EQ(psid_load(*m, img.data(), img.size()), 0x1000);
  EXPECT_EQ(std::vector<uint8_t>(m->ram + 0x1000, m->ram + 0x1004), (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0x00}));
  EXPECT_EQ(m->ram[0x2000], 0x00);
  EXPECT_EQ(std::pair(int{m->init_address}, int{m->play_address}), std::pair(0x1000, 0x1003));
  // psid_info reads the same: valid, offset, load, end, length, init, play, songs, start song.
  const PsidInfo i = psid_info(img);
  EXPECT_EQ((std::array<uint32_t, 9>{i.valid, i.data_offset, i.load_address, i.load_end, i.data_length,
                                     i.init_address, i.play_address, i.songs, i.start_song}),
            (std::array<uint32_t, 9>{1, 0x76, 0x1000, 0x1002, 3, 0x1000, 0x1003, 1, 1}));
}

TEST(PsidLoad, PlayAddressZeroIsTakenFromTheIrqVectorAfterInit) {
  PsidFields p;
  p.play = 0;
  p.at(0, {0xEE, 0x00, 0x20,               // init: INC $2000 (counts the calls)
           0x8D, 0x01, 0x20,               //       STA $2001 (the sub-song)
           0xA9, 0x34, 0x8D, 0x14, 0x03,   //       $0314 = $34
           0xA9, 0x12, 0x8D, 0x15, 0x03,   //       $0315 = $12
           0x60});
  const auto img = write_psid(p);
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
  p.load = p.init = p.play = 0xFFF0;
  p.data.assign(64, 0x5A);
  const auto img = write_psid(p);
  auto m = fresh_machine();
  EXPECT_EQ(psid_load(*m, img.data(), img.size()), 0xFFF0);
  EXPECT_EQ(m->ram[0xFFFF], 0x5A);
  EXPECT_EQ(std::count(m->ram, m->ram + 0x30, 0), 0x30);  // nothing wrapped round to $0000
  const PsidInfo info = psid_info(img);
  EXPECT_EQ(std::pair(info.data_length, info.load_end), std::pair(16u, 0xFFFFu));
}

TEST(PsidLoad, TruncatedImagesLoadNothingAndPlaySilence) {
  PsidFields p;
  p.data = {0xA9, 0x0F, 0x8D, 0x18, 0xD4, 0x60};
  auto img = write_psid(p);
  for (size_t size : {size_t{0}, size_t{7}, size_t{13}, size_t{0x7C}, size_t{0x7D}}) {
    SCOPED_TRACE(size);
    auto m = fresh_machine();
    m->ram[0x1000] = 0x77;
    EXPECT_EQ(psid_load(*m, size ? img.data() : nullptr, size), 0);
    EXPECT_EQ(m->ram[0x1000], 0);
    EXPECT_EQ(m->init_address | m->play_address, 0);
    tune_init(*m, 0);
    std::vector<int16_t> out(kSidChunk * 5);
    for (int k = 0; k < 5; ++k) tune_render_chunk(*m, out.data() + k * kSidChunk, kSidChunk);
    EXPECT_EQ(out, std::vector<int16_t>(kSidChunk * 5, 0));
    EXPECT_FALSE(psid_info(std::span(img.data(), size)).valid);
  }
  img[7] = 0xF0;  // a data offset beyond the image
  EXPECT_EQ(psid_load(*fresh_machine(), img.data(), img.size()), 0);
}

TEST(PsidDriver, EachChunkIsOnePlayCallThenTheSynthesis) {
  auto m = started_tune(testing_psid::counting_tune());
  std::vector<int16_t> out(kSidChunk);
  for (int k = 1; k <= 3; ++k) {
    tune_render_chunk(*m, out.data(), out.size());
    EXPECT_EQ(m->ram[0x2000], k);
    EXPECT_EQ(m->voice[0].phase_step, static_cast<uint32_t>(k * 256 * 359));
  }
}

}  // namespace
}  // namespace zel
