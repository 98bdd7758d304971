// The 6502 interpreter: instruction semantics by group, addressing, the
// stack, cpu_call's end conditions, and small programs with known results.
#include <gtest/gtest.h>

#include <initializer_list>

#include "psid_builder.h"

namespace zel {
namespace {

using testing_psid::fresh_machine;

struct Cpu : ::testing::Test {
  std::unique_ptr<SidPlayerState> m = fresh_machine();
  SidPlayerState& s = *m;

  void poke(uint16_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) s.ram[at++] = b;
  }
  // Runs `bytes` as one instruction at $0200 with the registers as they are.
  void exec(std::initializer_list<uint8_t> bytes) {
    poke(0x0200, bytes);
    s.cpu.pc = 0x0200;
    cpu_step(s);
  }
  bool flag(uint8_t f) const { return (s.cpu.p & f) != 0; }
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
    exec({static_cast<uint8_t>(op), 0x00, 0x00});
    const int expected = ins == kNoInstruction ? 1 : length[kCpuModeTable[op]];
    EXPECT_EQ(s.cpu.pc, 0x0200 + expected) << "opcode " << op;
  }
  EXPECT_EQ(defined, 151);
}

TEST_F(Cpu, AddWithCarrySetsTrueSignedOverflow) {
  s.cpu.a = 0xFF;
  exec({0x69, 0x01});  // ADC #$01
  EXPECT_EQ(s.cpu.a, 0x00);
  EXPECT_TRUE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagZ));
  EXPECT_FALSE(flag(kFlagN));
  EXPECT_FALSE(flag(kFlagV));  // -1 + 1 = 0 does not overflow

  s.cpu.p = 0;
  s.cpu.a = 0x7F;
  exec({0x69, 0x01});
  EXPECT_EQ(s.cpu.a, 0x80);
  EXPECT_FALSE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagN));
  EXPECT_TRUE(flag(kFlagV));

  s.cpu.p = 0;
  s.cpu.a = 0x80;
  exec({0x69, 0xFF});  // -128 + -1 overflows
  EXPECT_EQ(s.cpu.a, 0x7F);
  EXPECT_TRUE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagV));

  s.cpu.p = kFlagC;
  s.cpu.a = 0x10;
  exec({0x69, 0x20});  // carry in
  EXPECT_EQ(s.cpu.a, 0x31);

  s.cpu.p = kFlagD;  // no decimal adjustment
  s.cpu.a = 0x09;
  exec({0x69, 0x01});
  EXPECT_EQ(s.cpu.a, 0x0A);
}

TEST_F(Cpu, SubtractWithCarry) {
  struct Case {
    uint8_t a, m, carry_in, result;
    bool c, v, n;
  };
  // Signed reading: 80-(-80)=160 and -48-112=-160 overflow; 5-5 borrows without carry in.
  for (const Case& k : {Case{0x50, 0xB0, 1, 0xA0, false, true, true}, Case{0xD0, 0x70, 1, 0x60, true, true, false},
                        Case{0x05, 0x05, 0, 0xFF, false, false, true}, Case{0x05, 0x05, 1, 0x00, true, false, false}}) {
    s.cpu.p = k.carry_in ? kFlagC : 0;
    s.cpu.a = k.a;
    exec({0xE9, k.m});
    EXPECT_EQ(s.cpu.a, k.result) << int(k.a) << "-" << int(k.m);
    EXPECT_EQ(flag(kFlagC), k.c) << int(k.a) << "-" << int(k.m);
    EXPECT_EQ(flag(kFlagV), k.v) << int(k.a) << "-" << int(k.m);
    EXPECT_EQ(flag(kFlagN), k.n) << int(k.a) << "-" << int(k.m);
    EXPECT_EQ(flag(kFlagZ), k.result == 0);
  }
}

TEST_F(Cpu, ShiftsAndRotatesOnAccumulatorAndMemory) {
  s.cpu.a = 0x80;
  exec({0x0A});  // ASL A
  EXPECT_EQ(s.cpu.a, 0x00);
  EXPECT_TRUE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagZ));
  EXPECT_FALSE(flag(kFlagN));

  s.ram[0x40] = 0x81;
  s.cpu.p = kFlagN;
  exec({0x46, 0x40});  // LSR $40
  EXPECT_EQ(s.ram[0x40], 0x40);
  EXPECT_TRUE(flag(kFlagC));
  EXPECT_FALSE(flag(kFlagN));

  s.cpu.p = kFlagC;
  s.ram[0x1234] = 0x40;
  exec({0x2E, 0x34, 0x12});  // ROL $1234
  EXPECT_EQ(s.ram[0x1234], 0x81);
  EXPECT_FALSE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagN));

  s.cpu.p = kFlagC;
  s.cpu.x = 0x10;
  s.ram[0x1244] = 0x01;
  exec({0x7E, 0x34, 0x12});  // ROR $1234,X
  EXPECT_EQ(s.ram[0x1244], 0x80);
  EXPECT_TRUE(flag(kFlagC));

  s.cpu.x = 0xF0;
  s.ram[0x30] = 0xFF;  // $40 + $F0 wraps to $30 in the zero page
  exec({0xF6, 0x40});  // INC $40,X
  EXPECT_EQ(s.ram[0x30], 0x00);
  EXPECT_TRUE(flag(kFlagZ));
  exec({0xD6, 0x40});  // DEC $40,X
  EXPECT_EQ(s.ram[0x30], 0xFF);
  EXPECT_TRUE(flag(kFlagN));
}

TEST_F(Cpu, CompareAndBitTest) {
  s.cpu.a = 0x42;
  s.cpu.p = kFlagN;
  exec({0xC9, 0x42});
  EXPECT_TRUE(flag(kFlagZ));
  EXPECT_TRUE(flag(kFlagC));
  EXPECT_FALSE(flag(kFlagN));
  exec({0xC9, 0x43});
  EXPECT_FALSE(flag(kFlagZ));
  EXPECT_FALSE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagN));  // $42 - $43 = $FF
  s.cpu.x = 0x90;
  exec({0xE0, 0x10});  // CPX #$10: $80
  EXPECT_TRUE(flag(kFlagC));
  EXPECT_TRUE(flag(kFlagN));

  s.cpu.a = 0x01;
  s.ram[0x20] = 0xC0;
  exec({0x24, 0x20});  // BIT $20
  EXPECT_TRUE(flag(kFlagZ));
  EXPECT_TRUE(flag(kFlagN));
  EXPECT_TRUE(flag(kFlagV));
}

TEST_F(Cpu, IndirectAddressingWrapsWhereTheHardwareDoes) {
  // (zp,X): pointer at ($F0 + $14) AND $FF = $04, high byte from $05.
  poke(0x04, {0x00, 0x30});
  s.ram[0x3000] = 0x5A;
  s.cpu.x = 0x14;
  exec({0xA1, 0xF0});  // LDA ($F0,X)
  EXPECT_EQ(s.cpu.a, 0x5A);
  // (zp),Y with the pointer at $FF: its high byte comes from $00.
  s.ram[0xFF] = 0xF0;
  s.ram[0x00] = 0x40;
  s.ram[0x4100] = 0x77;
  s.cpu.y = 0x10;
  exec({0xB1, 0xFF});  // LDA ($FF),Y -> $40F0 + $10
  EXPECT_EQ(s.cpu.a, 0x77);
  // absolute,Y wraps at 16 bits.
  s.ram[0x0005] = 0x33;
  s.cpu.y = 0x06;
  exec({0xB9, 0xFF, 0xFF});
  EXPECT_EQ(s.cpu.a, 0x33);
  // STA zp,Y is not an instruction; STX zp,Y wraps in the zero page.
  s.cpu.x = 0x99;
  s.cpu.y = 0x20;
  exec({0x96, 0xF0});
  EXPECT_EQ(s.ram[0x10], 0x99);
}

TEST_F(Cpu, JumpsAndSubroutines) {
  // JMP ($10FF) takes its high byte from $1100.
  s.ram[0x10FF] = 0x34;
  s.ram[0x1100] = 0x12;
  s.ram[0x1000] = 0x56;
  exec({0x6C, 0xFF, 0x10});
  EXPECT_EQ(s.cpu.pc, 0x1234);

  // JSR at $1000 pushes $10 then $02; RTS continues at $1003.
  poke(0x1000, {0x20, 0x00, 0x20});
  s.ram[0x2000] = 0x60;
  s.cpu.pc = 0x1000;
  s.cpu.sp = 0xFF;
  cpu_step(s);
  EXPECT_EQ(s.cpu.pc, 0x2000);
  EXPECT_EQ(s.cpu.sp, 0xFD);
  EXPECT_EQ(s.ram[0x01FF], 0x10);
  EXPECT_EQ(s.ram[0x01FE], 0x02);
  cpu_step(s);
  EXPECT_EQ(s.cpu.pc, 0x1003);
  EXPECT_EQ(s.cpu.sp, 0xFF);

  // Branches: backwards across a page and not taken.
  poke(0x2101, {0xD0, 0xFB});  // BNE -5 from $2103 -> $20FE
  s.cpu.p = 0;
  s.cpu.pc = 0x2101;
  cpu_step(s);
  EXPECT_EQ(s.cpu.pc, 0x20FE);
  s.cpu.p = kFlagZ;
  s.cpu.pc = 0x2101;
  cpu_step(s);
  EXPECT_EQ(s.cpu.pc, 0x2103);
}

TEST_F(Cpu, StackSaturatesInsteadOfWrapping) {
  s.ram[0x01FF] = 0xAB;
  s.cpu.sp = 0xFF;
  exec({0x68});  // PLA at SP=$FF reads $01FF
  EXPECT_EQ(s.cpu.a, 0xAB);
  EXPECT_EQ(s.cpu.sp, 0xFF);

  s.cpu.sp = 0x00;
  s.cpu.a = 0x11;
  exec({0x48});
  s.cpu.a = 0x22;
  exec({0x48});
  EXPECT_EQ(s.cpu.sp, 0x00);
  EXPECT_EQ(s.ram[0x0100], 0x22);

  // PHP pushes P unchanged; PLP restores all eight bits.
  s.cpu.sp = 0xFF;
  s.cpu.p = 0xC3;
  exec({0x08});
  EXPECT_EQ(s.ram[0x01FF], 0xC3);
  s.ram[0x01FF] = 0x3C;
  exec({0x28});
  EXPECT_EQ(s.cpu.p, 0x3C);
}

TEST_F(Cpu, UndefinedOpcodeIsAOneByteNoOperation) {
  poke(0x0300, {0x04, 0xEA, 0xE8});  // undefined, NOP, INX
  s.cpu.pc = 0x0300;
  cpu_step(s);
  EXPECT_EQ(s.cpu.pc, 0x0301);
  cpu_step(s);
  EXPECT_EQ(s.cpu.pc, 0x0302);
  cpu_step(s);
  EXPECT_EQ(s.cpu.x, 1);
}

TEST_F(Cpu, SidRangeWritesGoToTheChipNotToRam) {
  s.ram[0xD400] = 0x99;
  s.ram[0xD7FF] = 0x98;
  s.cpu.a = 0x12;
  exec({0x8D, 0x00, 0xD4});  // STA $D400
  EXPECT_EQ(s.ram[0xD400], 0x99);
  EXPECT_EQ(mem_read(s, 0xD400), 0x99);
  EXPECT_EQ(s.regs.voice[0].frequency, 0x12);
  exec({0x8D, 0xFF, 0xD7});
  EXPECT_EQ(s.ram[0xD7FF], 0x98);
  // Read-modify-write in the range: the chip gets the value formed from RAM.
  s.ram[0xD401] = 0x20;
  exec({0xEE, 0x01, 0xD4});  // INC $D401
  EXPECT_EQ(s.ram[0xD401], 0x20);
  EXPECT_EQ(s.regs.voice[0].frequency, 0x2112);
  // Just outside the range is plain RAM.
  exec({0x8D, 0xFF, 0xD3});
  exec({0x8D, 0x00, 0xD8});
  EXPECT_EQ(s.ram[0xD3FF], 0x12);
  EXPECT_EQ(s.ram[0xD800], 0x12);
  exec({0x8D, 0x01, 0x00});  // $0001 is ordinary RAM
  EXPECT_EQ(s.ram[0x0001], 0x12);
}

TEST_F(Cpu, CallEndsAtPcZeroOrOneOrAfterItsBudget) {
  s.ram[0x1000] = 0x60;  // RTS
  EXPECT_EQ(cpu_call(s, 0x1000, 7), 1);
  EXPECT_EQ(s.cpu.sp, 0xFF);
  EXPECT_EQ(s.cpu.pc, 0x0001);
  EXPECT_EQ(s.cpu.a, 7);

  s.ram[0x0000] = 0xE8;
  s.ram[0x0001] = 0xE8;
  EXPECT_EQ(cpu_call(s, 0x0000, 0), 0);
  EXPECT_EQ(cpu_call(s, 0x0001, 0), 0);
  EXPECT_EQ(s.cpu.x, 0);

  poke(0x1100, {0xE8, 0x00, 0xE8});  // INX, BRK, INX
  EXPECT_EQ(cpu_call(s, 0x1100, 0), 2);
  EXPECT_EQ(s.cpu.x, 1);

  poke(0x1200, {0x4C, 0x00, 0x12});  // JMP * never returns
  EXPECT_EQ(cpu_call(s, 0x1200, 0), kCpuCallBudget);
  EXPECT_EQ(s.cpu.pc, 0x1200);

  // Registers do not carry over: every call starts from A=a, X=Y=P=0.
  poke(0x1300, {0x60});
  s.cpu.x = 5;
  s.cpu.p = 0xFF;
  cpu_call(s, 0x1300, 0);
  EXPECT_EQ(s.cpu.x, 0);
  EXPECT_EQ(s.cpu.p, 0);
}

// ---- small programs -----------------------------------------------------------

// 8 x 8 -> 16-bit shift-and-add multiply of $F0 by $F1 into $F2 (low), $F3 (high).
constexpr uint8_t kMultiply[] = {
    0xA9, 0x00,        // LDA #0
    0x85, 0xF3,        // STA $F3
    0xA2, 0x08,        // LDX #8
    0x46, 0xF0,        // loop: LSR $F0
    0x90, 0x03,        // BCC +3
    0x18,              // CLC
    0x65, 0xF1,        // ADC $F1
    0x6A,              // ROR A
    0x66, 0xF2,        // ROR $F2
    0xCA,              // DEX
    0xD0, 0xF3,        // BNE loop
    0x85, 0xF3,        // STA $F3
    0x60,              // RTS
};

TEST_F(Cpu, MultiplyProgramMatchesIntegerProduct) {
  for (size_t i = 0; i < sizeof kMultiply; ++i) s.ram[0x1000 + i] = kMultiply[i];
  for (int a : {0, 1, 3, 17, 123, 200, 255})
    for (int b : {0, 1, 7, 99, 128, 255}) {
      s.ram[0xF0] = static_cast<uint8_t>(a);
      s.ram[0xF1] = static_cast<uint8_t>(b);
      cpu_call(s, 0x1000, 0);
      EXPECT_EQ(s.ram[0xF2] | s.ram[0xF3] << 8, a * b) << a << "*" << b;
    }
}

TEST_F(Cpu, CopyLoopThroughIndirectIndexedPointers) {
  poke(0x2000, {0xA0, 0x00,    // LDY #0
                0xB1, 0xFB,    // loop: LDA ($FB),Y
                0x91, 0xFD,    // STA ($FD),Y
                0xC8,          // INY
                0xC4, 0xFA,    // CPY $FA
                0xD0, 0xF7,    // BNE loop
                0x60});
  for (int i = 0; i < 200; ++i) s.ram[0x3000 + i] = static_cast<uint8_t>(i * 7 + 3);
  poke(0xFA, {200, 0x00, 0x30, 0x80, 0x40});  // count, source $3000, target $4080
  cpu_call(s, 0x2000, 0);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(s.ram[0x4080 + i], static_cast<uint8_t>(i * 7 + 3)) << i;
  EXPECT_EQ(s.ram[0x4080 + 200], 0);
}

}  // namespace
}  // namespace zel
