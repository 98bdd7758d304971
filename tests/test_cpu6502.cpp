// The 6502 interpreter: instruction semantics by group, addressing, the
// stack and cpu_call's end conditions, against hand-computed results.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "psid_builder.h"

namespace zel {
namespace {

struct Cpu : ::testing::Test {
  std::unique_ptr<SidPlayerState> m = testing_psid::fresh_machine();
  SidPlayerState& s = *m;

  void poke(uint16_t at, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) s.ram[at++] = b;
  }
  // Runs `bytes` as one instruction at `at` with the registers as they are.
  void exec(const std::vector<uint8_t>& bytes, uint16_t at = 0x0200) {
    poke(at, bytes);
    s.cpu.pc = at;
    cpu_step(s);
  }
};

TEST_F(Cpu, EveryOpcodeConsumesItsOperandBytes) {
  // Length per addressing mode, as the instruction set defines it.
  const int length[13] = {1, 2, 3, 3, 3, 2, 2, 2, 3, 2, 2, 1, 2};
  int defined = 0;
  for (int op = 0; op < 256; ++op) {
    const uint8_t ins = kCpuInstructionTable[op];
    EXPECT_EQ(ins == kNoInstruction, kCpuModeTable[op] == kNoMode) << "opcode " << op;
    defined += ins != kNoInstruction;
    if (ins == kJmp || ins == kJsr || ins == kRts || ins == kRti || ins == kBrk) continue;
    s.cpu = CpuRegisters{};
    s.cpu.sp = 0xFF;
    // Flags clear: every branch whose condition is a set flag falls through;
    // the others are taken by 0 bytes, which lands in the same place.
    // Undefined opcodes are one-byte no-operations.
    exec({static_cast<uint8_t>(op), 0x00, 0x00});
    const int expected = ins == kNoInstruction ? 1 : length[kCpuModeTable[op]];
    EXPECT_EQ(s.cpu.pc, 0x0200 + expected) << "opcode " << op;
  }
  EXPECT_EQ(defined, 151);
}

// One instruction each: registers and memory before; A, one memory byte and
// the flags in `mask` after.
TEST_F(Cpu, InstructionResultsFlagsAndAddressing) {
  constexpr uint8_t C = kFlagC, Z = kFlagZ, D = kFlagD, V = kFlagV, N = kFlagN;
  struct Case {
    const char* what;
    std::vector<uint8_t> code;
    uint8_t a, x, y, p;
    std::vector<std::pair<uint16_t, uint8_t>> mem;
    uint8_t a_after;
    uint16_t at;
    uint8_t out, mask, flags;
  };
  const Case cases[] = {
      {"ADC -1+1 carries without overflow", {0x69, 0x01}, 0xFF, 0, 0, 0, {}, 0x00, 0, 0, C | Z | N | V, C | Z},
      {"ADC 127+1 overflows", {0x69, 0x01}, 0x7F, 0, 0, 0, {}, 0x80, 0, 0, C | Z | N | V, N | V},
      {"ADC -128-1 overflows", {0x69, 0xFF}, 0x80, 0, 0, 0, {}, 0x7F, 0, 0, C | V, C | V},
      {"ADC carry in", {0x69, 0x20}, 0x10, 0, 0, C, {}, 0x31, 0, 0, C | V, 0},
      {"ADC ignores decimal mode", {0x69, 0x01}, 0x09, 0, 0, D, {}, 0x0A, 0, 0, C, 0},
      {"SBC 80-(-80) overflows", {0xE9, 0xB0}, 0x50, 0, 0, C, {}, 0xA0, 0, 0, C | Z | N | V, N | V},
      {"SBC -48-112 overflows", {0xE9, 0x70}, 0xD0, 0, 0, C, {}, 0x60, 0, 0, C | Z | N | V, C | V},
      {"SBC borrows without carry in", {0xE9, 0x05}, 0x05, 0, 0, 0, {}, 0xFF, 0, 0, C | Z | N | V, N},
      {"SBC 5-5", {0xE9, 0x05}, 0x05, 0, 0, C, {}, 0x00, 0, 0, C | Z | N | V, C | Z},
      {"ASL A", {0x0A}, 0x80, 0, 0, 0, {}, 0x00, 0, 0, C | Z | N, C | Z},
      {"LSR $40", {0x46, 0x40}, 0, 0, 0, N, {{0x40, 0x81}}, 0, 0x40, 0x40, C | N, C},
      {"ROL $1234", {0x2E, 0x34, 0x12}, 0, 0, 0, C, {{0x1234, 0x40}}, 0, 0x1234, 0x81, C | N, N},
      {"ROR $1234,X", {0x7E, 0x34, 0x12}, 0, 0x10, 0, C, {{0x1244, 0x01}}, 0, 0x1244, 0x80, C, C},
      {"INC $40,X wraps in the zero page", {0xF6, 0x40}, 0, 0xF0, 0, 0, {{0x30, 0xFF}}, 0, 0x30, 0x00, Z | N, Z},
      {"DEC $40,X wraps in the zero page", {0xD6, 0x40}, 0, 0xF0, 0, 0, {}, 0, 0x30, 0xFF, Z | N, N},
      {"CMP equal", {0xC9, 0x42}, 0x42, 0, 0, N, {}, 0x42, 0, 0, C | Z | N, C | Z},
      {"CMP less", {0xC9, 0x43}, 0x42, 0, 0, 0, {}, 0x42, 0, 0, C | Z | N, N},
      {"CPX #$10", {0xE0, 0x10}, 0, 0x90, 0, 0, {}, 0, 0, 0, C | Z | N, C | N},
      {"BIT $20", {0x24, 0x20}, 0x01, 0, 0, 0, {{0x20, 0xC0}}, 0x01, 0x20, 0xC0, Z | N | V, Z | N | V},
      {"LDA ($F0,X): pointer at ($F0 + $14) AND $FF", {0xA1, 0xF0}, 0, 0x14, 0, 0,
       {{0x04, 0x00}, {0x05, 0x30}, {0x3000, 0x5A}}, 0x5A, 0, 0, 0, 0},
      {"LDA ($FF),Y: the pointer's high byte from $00", {0xB1, 0xFF}, 0, 0, 0x10, 0,
       {{0xFF, 0xF0}, {0x00, 0x40}, {0x4100, 0x77}}, 0x77, 0, 0x40, 0, 0},
      {"LDA $FFFF,Y wraps at 16 bits", {0xB9, 0xFF, 0xFF}, 0, 0, 0x06, 0, {{0x0005, 0x33}}, 0x33, 0, 0, 0, 0},
      {"STX $F0,Y wraps in the zero page", {0x96, 0xF0}, 0, 0x99, 0x20, 0, {}, 0, 0x10, 0x99, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    sid_init(s, 44100);
    s.cpu = CpuRegisters{k.a, k.x, k.y, 0xFF, k.p, 0};
    for (auto [at, v] : k.mem) s.ram[at] = v;
    exec(k.code);
    EXPECT_EQ(s.cpu.a, k.a_after);
    EXPECT_EQ(s.ram[k.at], k.out);
    EXPECT_EQ(s.cpu.p & k.mask, k.flags);
  }
}

TEST_F(Cpu, JumpsAndSubroutines) {
  // JMP ($10FF) takes its high byte from $1100.
  poke(0x10FF, {0x34, 0x12});
  s.ram[0x1000] = 0x56;
  exec({0x6C, 0xFF, 0x10});
  EXPECT_EQ(s.cpu.pc, 0x1234);

  // JSR at $1000 pushes $10 then $02; RTS continues at $1003.
  s.ram[0x2000] = 0x60;
  s.cpu.sp = 0xFF;
  exec({0x20, 0x00, 0x20}, 0x1000);
  EXPECT_EQ(std::tuple(s.cpu.pc, s.cpu.sp, s.ram[0x01FF] << 8 | s.ram[0x01FE]), std::tuple(0x2000, 0xFD, 0x1002));
  cpu_step(s);
  EXPECT_EQ(std::tuple(s.cpu.pc, s.cpu.sp), std::tuple(0x1003, 0xFF));

  // A branch backwards across a page.
  s.cpu.p = 0;
  exec({0xD0, 0xFB}, 0x2101);  // BNE -5 from $2103 -> $20FE
  EXPECT_EQ(s.cpu.pc, 0x20FE);
}

TEST_F(Cpu, StackSaturatesInsteadOfWrapping) {
  s.ram[0x01FF] = 0xAB;
  s.cpu.sp = 0xFF;
  exec({0x68});  // PLA at SP=$FF reads $01FF
  EXPECT_EQ(std::tuple(s.cpu.a, s.cpu.sp), std::tuple(0xAB, 0xFF));

  s.cpu.sp = 0x00;
  for (uint8_t a : {0x11, 0x22}) {
    s.cpu.a = a;
    exec({0x48});  // PHA
  }
  EXPECT_EQ(std::tuple(s.cpu.sp, s.ram[0x0100]), std::tuple(0x00, 0x22));

  // PHP pushes P unchanged; PLP restores all eight bits.
  s.cpu.sp = 0xFF;
  s.cpu.p = 0xC3;
  exec({0x08});
  EXPECT_EQ(s.ram[0x01FF], 0xC3);
  s.ram[0x01FF] = 0x3C;
  exec({0x28});
  EXPECT_EQ(s.cpu.p, 0x3C);
}

TEST_F(Cpu, SidRangeWritesGoToTheChipNotToRam) {
  poke(0xD400, {0x99, 0x20});
  s.ram[0xD7FF] = 0x98;
  s.cpu.a = 0x12;
  exec({0x8D, 0x00, 0xD4});  // STA $D400
  EXPECT_EQ(std::tuple(s.ram[0xD400], s.regs.voice[0].frequency), std::tuple(0x99, 0x12));
  exec({0x8D, 0xFF, 0xD7});
  EXPECT_EQ(s.ram[0xD7FF], 0x98);
  // Read-modify-write in the range: the chip gets the value formed from RAM.
  exec({0xEE, 0x01, 0xD4});  // INC $D401
  EXPECT_EQ(std::tuple(s.ram[0xD401], s.regs.voice[0].frequency), std::tuple(0x20, 0x2112));
  // Just outside the range, and $0001, are plain RAM.
  for (uint16_t at : {0xD3FF, 0xD800, 0x0001}) {
    exec({0x8D, static_cast<uint8_t>(at), static_cast<uint8_t>(at >> 8)});
    EXPECT_EQ(s.ram[at], 0x12) << at;
  }
}

TEST_F(Cpu, CallEndsAtPcZeroOrOneOrAfterItsBudget) {
  s.ram[0x1000] = 0x60;  // RTS
  EXPECT_EQ(cpu_call(s, 0x1000, 7), 1);
  EXPECT_EQ(std::tuple(s.cpu.sp, s.cpu.pc, s.cpu.a), std::tuple(0xFF, 0x0001, 7));

  poke(0x0000, {0xE8, 0xE8});
  EXPECT_EQ(cpu_call(s, 0x0000, 0) | cpu_call(s, 0x0001, 0), 0);
  EXPECT_EQ(s.cpu.x, 0);
  poke(0x1100, {0xE8, 0x00, 0xE8});  // INX, BRK, INX
  EXPECT_EQ(cpu_call(s, 0x1100, 0), 2);
  EXPECT_EQ(s.cpu.x, 1);
  poke(0x1200, {0x4C, 0x00, 0x12});  // JMP * never returns
  EXPECT_EQ(cpu_call(s, 0x1200, 0), kCpuCallBudget);
  EXPECT_EQ(s.cpu.pc, 0x1200);
  // Registers do not carry over: every call starts from A=a, X=Y=P=0.
  s.cpu.x = 5;
  s.cpu.p = 0xFF;
  cpu_call(s, 0x1000, 0);
  EXPECT_EQ(std::tuple(s.cpu.x, s.cpu.p), std::tuple(0, 0));
}

}  // namespace
}  // namespace zel
