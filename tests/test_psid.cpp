// PSID loading and the init/play driver, on images built in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>

#include "content/content.h"
#include "psid_builder.h"
#include "sid/psid_header.h"

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
  // The parser reads the same (readable, offset, load, end, length, init, play, songs, start
  // song) and names the header size the player does not care about.
  const PsidHeader i = psid_parse(img);
  EXPECT_EQ((std::array<uint32_t, 9>{i.readable, i.data_offset, i.load_address, i.load_end, i.data_length,
                                     i.init_address, i.play_address, i.songs, i.start_song}),
            (std::array<uint32_t, 9>{1, 0x76, 0x1000, 0x1002, 3, 0x1000, 0x1003, 1, 1}));
  EXPECT_EQ(psid_problem_text(i), "header size $1276 is not that of a PSID or RSID tune");
}

// The first problem in reading order is named; the player still loads every
// image whose fields it can read, data past $FFFF clipped (never wrapped).
TEST(PsidParse, NamesTheFirstProblemWhileThePlayerLoadsWhatItCanRead) {
  PsidFields p;
  p.data = {0x60};
  const auto good = write_psid(p);
  auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    auto img = good;
    std::copy(bytes.begin(), bytes.end(), img.begin() + static_cast<std::ptrdiff_t>(at));
    return img;
  };
  p.load = p.init = p.play = 0xFFF0;
  p.data.assign(64, 0x5A);
  const std::vector<uint8_t> cut(good.begin(), good.begin() + 0x7D);
  const std::tuple<std::vector<uint8_t>, PsidProblem, uint16_t, const char*> cases[] = {
      {good, PsidProblem::kNone, 0x1000, ""},
      {with(0, {'R'}), PsidProblem::kNone, 0x1000, ""},
      {with(0, {'P', 'S', 'X'}), PsidProblem::kNoMagic, 0x1000, "not a PSID or RSID tune"},
      {with(6, {0, 0x50}), PsidProblem::kHeaderSize, 0, "header size $0050 is not that of a PSID or RSID tune"},
      {cut, PsidProblem::kCutInHeader, 0, "ends inside its header"},
      {std::vector<uint8_t>(good.begin(), good.begin() + 6), PsidProblem::kCutInHeader, 0, "ends inside its header"},
      {write_psid(p), PsidProblem::kOutsideMemory, 0xFFF0, "data from $FFF0 runs past $FFFF"},
  };
  for (const auto& [img, problem, loaded_at, text] : cases) {
    const PsidHeader h = psid_parse(img);
    EXPECT_EQ(h.problem, problem) << text;
    EXPECT_EQ(psid_problem_text(h), text);
    auto m = fresh_machine();
    EXPECT_EQ(psid_load(*m, img.data(), img.size()), loaded_at) << text;
    if (problem != PsidProblem::kOutsideMemory) continue;
    EXPECT_EQ(std::pair(h.data_length, h.load_end), std::pair(16u, 0xFFFFu));
    EXPECT_EQ(m->ram[0xFFFF], 0x5A);
    EXPECT_EQ(std::count(m->ram, m->ram + 0x30, 0), 0x30);
  }
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
  EXPECT_EQ(std::tuple(m->play_address, m->ram[0x2000], m->ram[0x2001]), std::tuple(0x1234, 1, 0));  // init ran once, A = 0
  tune_init(*m, 5);
  EXPECT_EQ(std::tuple(m->ram[0x2000], m->ram[0x2001]), std::tuple(2, 5));
}

// Images cut short, a data offset past the end and bytes that are no tune at
// all: the player copies only what can be read as a header and data, within
// memory, and every call returns (within its budget) even when the bytes
// loop for ever. Nothing here makes a sound.
TEST(PsidLoad, CutImagesAndBytesThatAreNoTuneLoadOnlyWhatTheyHoldAndEveryCallReturns) {
  PsidFields p;
  p.data = {0xA9, 0x0F, 0x8D, 0x18, 0xD4, 0x60};
  auto img = write_psid(p);
  std::vector<std::vector<uint8_t>> inputs;
  for (size_t size : {0, 7, 13, 0x7C, 0x7D}) inputs.emplace_back(img.begin(), img.begin() + static_cast<long>(size));
  const std::string text = "not a tune, only words\n";
  inputs.emplace_back(text.begin(), text.end());
  img[7] = 0xF0;  // a data offset beyond the image
  inputs.push_back(img);
  inputs.emplace_back(40000, 0x4C);  // JMP $4C4C everywhere, loaded at $4C4C
  for (const auto& bytes : inputs) {
    SCOPED_TRACE(bytes.size());
    auto m = fresh_machine();
    m->ram[0x1000] = 0x77;
    const bool readable = psid_parse(bytes).readable;
    EXPECT_EQ(psid_load(*m, bytes.empty() ? nullptr : bytes.data(), bytes.size()), readable ? 0x4C4C : 0);
    EXPECT_EQ(m->init_address | m->play_address, readable ? 0x4C4C : 0);
    const auto loaded = std::count(m->ram, m->ram + 0x10000, 0x4C);
    EXPECT_EQ(loaded, readable ? 40000 - 0x4E : 0);
    EXPECT_EQ(std::count(m->ram, m->ram + 0x10000, 0) + loaded, 0x10000);
    tune_init(*m, 0);
    std::vector<int16_t> out(kSidChunk * 3);
    for (int k = 0; k < 3; ++k) tune_render_chunk(*m, out.data() + k * kSidChunk, kSidChunk);
    EXPECT_EQ(out, std::vector<int16_t>(kSidChunk * 3, 0));
  }
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
