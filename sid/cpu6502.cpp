// The 6502 interpreter: documented NMOS instructions over a flat 64 KB RAM,
// no interrupts, no cycle timing, no decimal mode. Dispatch goes through the
// two 256-entry opcode tables and one switch over the instruction numbers.
#include <array>

#include "sid/sid_machine.h"

namespace zel {

namespace {

struct OpcodeEntry {
  uint8_t opcode;
  uint8_t instruction;
  uint8_t mode;
};

// The 151 documented opcodes with their instruction and addressing mode.
constexpr OpcodeEntry kOpcodes[] = {
    {0x69, kAdc, kImmediate}, {0x65, kAdc, kZeroPage}, {0x75, kAdc, kZeroPageX}, {0x6D, kAdc, kAbsolute},
    {0x7D, kAdc, kAbsoluteX}, {0x79, kAdc, kAbsoluteY}, {0x61, kAdc, kIndexedIndirect}, {0x71, kAdc, kIndirectIndexed},
    {0x29, kAnd, kImmediate}, {0x25, kAnd, kZeroPage}, {0x35, kAnd, kZeroPageX}, {0x2D, kAnd, kAbsolute},
    {0x3D, kAnd, kAbsoluteX}, {0x39, kAnd, kAbsoluteY}, {0x21, kAnd, kIndexedIndirect}, {0x31, kAnd, kIndirectIndexed},
    {0x0A, kAsl, kAccumulator}, {0x06, kAsl, kZeroPage}, {0x16, kAsl, kZeroPageX}, {0x0E, kAsl, kAbsolute},
    {0x1E, kAsl, kAbsoluteX},
    {0x90, kBcc, kRelative}, {0xB0, kBcs, kRelative}, {0xF0, kBeq, kRelative}, {0x30, kBmi, kRelative},
    {0xD0, kBne, kRelative}, {0x10, kBpl, kRelative}, {0x50, kBvc, kRelative}, {0x70, kBvs, kRelative},
    {0x24, kBit, kZeroPage}, {0x2C, kBit, kAbsolute},
    {0x00, kBrk, kImplied},
    {0x18, kClc, kImplied}, {0xD8, kCld, kImplied}, {0x58, kCli, kImplied}, {0xB8, kClv, kImplied},
    {0xC9, kCmp, kImmediate}, {0xC5, kCmp, kZeroPage}, {0xD5, kCmp, kZeroPageX}, {0xCD, kCmp, kAbsolute},
    {0xDD, kCmp, kAbsoluteX}, {0xD9, kCmp, kAbsoluteY}, {0xC1, kCmp, kIndexedIndirect}, {0xD1, kCmp, kIndirectIndexed},
    {0xE0, kCpx, kImmediate}, {0xE4, kCpx, kZeroPage}, {0xEC, kCpx, kAbsolute},
    {0xC0, kCpy, kImmediate}, {0xC4, kCpy, kZeroPage}, {0xCC, kCpy, kAbsolute},
    {0xC6, kDec, kZeroPage}, {0xD6, kDec, kZeroPageX}, {0xCE, kDec, kAbsolute}, {0xDE, kDec, kAbsoluteX},
    {0xCA, kDex, kImplied}, {0x88, kDey, kImplied},
    {0x49, kEor, kImmediate}, {0x45, kEor, kZeroPage}, {0x55, kEor, kZeroPageX}, {0x4D, kEor, kAbsolute},
    {0x5D, kEor, kAbsoluteX}, {0x59, kEor, kAbsoluteY}, {0x41, kEor, kIndexedIndirect}, {0x51, kEor, kIndirectIndexed},
    {0xE6, kInc, kZeroPage}, {0xF6, kInc, kZeroPageX}, {0xEE, kInc, kAbsolute}, {0xFE, kInc, kAbsoluteX},
    {0xE8, kInx, kImplied}, {0xC8, kIny, kImplied},
    {0x4C, kJmp, kAbsolute}, {0x6C, kJmp, kIndirect},
    {0x20, kJsr, kAbsolute},
    {0xA9, kLda, kImmediate}, {0xA5, kLda, kZeroPage}, {0xB5, kLda, kZeroPageX}, {0xAD, kLda, kAbsolute},
    {0xBD, kLda, kAbsoluteX}, {0xB9, kLda, kAbsoluteY}, {0xA1, kLda, kIndexedIndirect}, {0xB1, kLda, kIndirectIndexed},
    {0xA2, kLdx, kImmediate}, {0xA6, kLdx, kZeroPage}, {0xB6, kLdx, kZeroPageY}, {0xAE, kLdx, kAbsolute},
    {0xBE, kLdx, kAbsoluteY},
    {0xA0, kLdy, kImmediate}, {0xA4, kLdy, kZeroPage}, {0xB4, kLdy, kZeroPageX}, {0xAC, kLdy, kAbsolute},
    {0xBC, kLdy, kAbsoluteX},
    {0x4A, kLsr, kAccumulator}, {0x46, kLsr, kZeroPage}, {0x56, kLsr, kZeroPageX}, {0x4E, kLsr, kAbsolute},
    {0x5E, kLsr, kAbsoluteX},
    {0xEA, kNop, kImplied},
    {0x09, kOra, kImmediate}, {0x05, kOra, kZeroPage}, {0x15, kOra, kZeroPageX}, {0x0D, kOra, kAbsolute},
    {0x1D, kOra, kAbsoluteX}, {0x19, kOra, kAbsoluteY}, {0x01, kOra, kIndexedIndirect}, {0x11, kOra, kIndirectIndexed},
    {0x48, kPha, kImplied}, {0x08, kPhp, kImplied}, {0x68, kPla, kImplied}, {0x28, kPlp, kImplied},
    {0x2A, kRol, kAccumulator}, {0x26, kRol, kZeroPage}, {0x36, kRol, kZeroPageX}, {0x2E, kRol, kAbsolute},
    {0x3E, kRol, kAbsoluteX},
    {0x6A, kRor, kAccumulator}, {0x66, kRor, kZeroPage}, {0x76, kRor, kZeroPageX}, {0x6E, kRor, kAbsolute},
    {0x7E, kRor, kAbsoluteX},
    {0x40, kRti, kImplied}, {0x60, kRts, kImplied},
    {0xE9, kSbc, kImmediate}, {0xE5, kSbc, kZeroPage}, {0xF5, kSbc, kZeroPageX}, {0xED, kSbc, kAbsolute},
    {0xFD, kSbc, kAbsoluteX}, {0xF9, kSbc, kAbsoluteY}, {0xE1, kSbc, kIndexedIndirect}, {0xF1, kSbc, kIndirectIndexed},
    {0x38, kSec, kImplied}, {0xF8, kSed, kImplied}, {0x78, kSei, kImplied},
    {0x85, kSta, kZeroPage}, {0x95, kSta, kZeroPageX}, {0x8D, kSta, kAbsolute}, {0x9D, kSta, kAbsoluteX},
    {0x99, kSta, kAbsoluteY}, {0x81, kSta, kIndexedIndirect}, {0x91, kSta, kIndirectIndexed},
    {0x86, kStx, kZeroPage}, {0x96, kStx, kZeroPageY}, {0x8E, kStx, kAbsolute},
    {0x84, kSty, kZeroPage}, {0x94, kSty, kZeroPageX}, {0x8C, kSty, kAbsolute},
    {0xAA, kTax, kImplied}, {0xA8, kTay, kImplied}, {0xBA, kTsx, kImplied}, {0x8A, kTxa, kImplied},
    {0x9A, kTxs, kImplied}, {0x98, kTya, kImplied},
};
static_assert(sizeof(kOpcodes) / sizeof(kOpcodes[0]) == 151, "the documented NMOS 6502 has 151 opcodes");

constexpr std::array<uint8_t, 256> build_table(bool modes) {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = modes ? uint8_t{kNoMode} : uint8_t{kNoInstruction};
  for (const OpcodeEntry& e : kOpcodes) t[e.opcode] = modes ? e.mode : e.instruction;
  return t;
}

// ---- memory and operand helpers ----------------------------------------------

void sid_area_write(SidPlayerState& s, uint16_t address, uint8_t value) {
  sid_write_register(s, address & 0x1F, value);
  if (address > 0xD418) sample_channel_write(s, address, value);
}

// mem_write, with the RAM case inlined into the interpreter.
[[gnu::always_inline]] inline void write(SidPlayerState& s, uint16_t address, uint8_t value) {
  if ((address & 0xFC00) == 0xD400) [[unlikely]]
    sid_area_write(s, address, value);
  else
    s.ram[address] = value;
}

inline uint8_t fetch(SidPlayerState& s) { return s.ram[s.cpu.pc++]; }

inline uint16_t fetch_word(SidPlayerState& s) {
  uint16_t lo = fetch(s);
  uint16_t hi = fetch(s);
  return static_cast<uint16_t>(lo | hi << 8);
}

inline uint16_t zero_page_word(const SidPlayerState& s, uint8_t z) {
  return static_cast<uint16_t>(s.ram[z] | s.ram[static_cast<uint8_t>(z + 1)] << 8);
}

// The operand helpers below are inlined into each instruction of the
// switch: each copy then sees only the few addressing modes of its
// instruction, which keeps the mode switch cheap and well predicted.

// Effective address of a memory mode, consuming the operand bytes.
[[gnu::always_inline]] inline uint16_t operand_address(SidPlayerState& s, uint8_t mode) {
  switch (mode) {
    case kAbsolute: return fetch_word(s);
    case kAbsoluteX: return static_cast<uint16_t>(fetch_word(s) + s.cpu.x);
    case kAbsoluteY: return static_cast<uint16_t>(fetch_word(s) + s.cpu.y);
    case kZeroPage: return fetch(s);
    case kZeroPageX: return static_cast<uint8_t>(fetch(s) + s.cpu.x);
    case kZeroPageY: return static_cast<uint8_t>(fetch(s) + s.cpu.y);
    case kIndexedIndirect: return zero_page_word(s, static_cast<uint8_t>(fetch(s) + s.cpu.x));
    case kIndirectIndexed: return static_cast<uint16_t>(zero_page_word(s, fetch(s)) + s.cpu.y);
    default: return 0;
  }
}

[[gnu::always_inline]] inline uint8_t operand_read(SidPlayerState& s, uint8_t mode) {
  switch (mode) {
    case kImmediate: return fetch(s);
    case kAccumulator: return s.cpu.a;
    case kAbsolute:
    case kAbsoluteX:
    case kAbsoluteY:
    case kZeroPage:
    case kZeroPageX:
    case kZeroPageY:
    case kIndexedIndirect:
    case kIndirectIndexed: return s.ram[operand_address(s, mode)];
    default: return 0;
  }
}

// Completes a read-modify-write: the address is rebuilt from the operand
// bytes just behind PC.
[[gnu::always_inline]] inline void operand_write_back(SidPlayerState& s, uint8_t mode, uint8_t value) {
  const uint16_t pc = s.cpu.pc;
  uint16_t address;
  switch (mode) {
    case kAccumulator: s.cpu.a = value; return;
    case kAbsolute:
      address = static_cast<uint16_t>(s.ram[static_cast<uint16_t>(pc - 2)] | s.ram[static_cast<uint16_t>(pc - 1)] << 8);
      break;
    case kAbsoluteX:
      address = static_cast<uint16_t>(
          (s.ram[static_cast<uint16_t>(pc - 2)] | s.ram[static_cast<uint16_t>(pc - 1)] << 8) + s.cpu.x);
      break;
    case kZeroPage: address = s.ram[static_cast<uint16_t>(pc - 1)]; break;
    case kZeroPageX: address = static_cast<uint8_t>(s.ram[static_cast<uint16_t>(pc - 1)] + s.cpu.x); break;
    default: return;
  }
  write(s, address, value);
}

[[gnu::always_inline]] inline void operand_store(SidPlayerState& s, uint8_t mode, uint8_t value) {
  switch (mode) {
    case kAccumulator: s.cpu.a = value; return;
    case kAbsolute:
    case kAbsoluteX:
    case kAbsoluteY:
    case kZeroPage:
    case kZeroPageX:
    case kZeroPageY:
    case kIndexedIndirect:
    case kIndirectIndexed: write(s, operand_address(s, mode), value); return;
    default: return;
  }
}

inline void set_flag(SidPlayerState& s, uint8_t flag, bool condition) {
  s.cpu.p = condition ? static_cast<uint8_t>(s.cpu.p | flag) : static_cast<uint8_t>(s.cpu.p & ~flag);
}

inline void set_zn(SidPlayerState& s, uint8_t v) {
  set_flag(s, kFlagZ, v == 0);
  set_flag(s, kFlagN, v & 0x80);
}

inline void stack_push(SidPlayerState& s, uint8_t value) {
  write(s, static_cast<uint16_t>(0x100 + s.cpu.sp), value);
  if (s.cpu.sp != 0) --s.cpu.sp;
}

inline uint8_t stack_pull(SidPlayerState& s) {
  if (s.cpu.sp != 0xFF) ++s.cpu.sp;
  return s.ram[0x100 + s.cpu.sp];
}

inline void branch_if(SidPlayerState& s, bool condition) {
  int8_t d = static_cast<int8_t>(fetch(s));
  if (condition) s.cpu.pc = static_cast<uint16_t>(s.cpu.pc + d);
}

// A + M + C with V as the true signed overflow of the 8-bit addition.
inline void add_with_carry(SidPlayerState& s, uint8_t m) {
  const uint8_t a = s.cpu.a;
  const unsigned t = a + m + (s.cpu.p & kFlagC);
  const uint8_t r = static_cast<uint8_t>(t);
  set_flag(s, kFlagC, t & 0x100);
  set_flag(s, kFlagV, (~(a ^ m) & (a ^ r)) & 0x80);
  s.cpu.a = r;
  set_zn(s, r);
}

inline void compare(SidPlayerState& s, uint8_t reg, uint8_t m) {
  set_flag(s, kFlagZ, reg == m);
  set_flag(s, kFlagN, static_cast<uint8_t>(reg - m) & 0x80);
  set_flag(s, kFlagC, reg >= m);
}

}  // namespace

extern const std::array<uint8_t, 256> kCpuInstructionTable = build_table(false);
extern const std::array<uint8_t, 256> kCpuModeTable = build_table(true);

uint8_t mem_read(const SidPlayerState& s, uint16_t address) { return s.ram[address]; }

void mem_write(SidPlayerState& s, uint16_t address, uint8_t value) { write(s, address, value); }

void cpu_reset(SidPlayerState& s) {
  s.cpu = CpuRegisters{};
  s.cpu.sp = 0xFF;
}

namespace {

// One instruction; inlined into cpu_call's loop as well as cpu_step, so that
// running a routine makes no call per instruction.
[[gnu::always_inline]] inline void step(SidPlayerState& s) {
  const uint8_t opcode = fetch(s);
  const uint8_t mode = kCpuModeTable[opcode];
  CpuRegisters& c = s.cpu;
  switch (kCpuInstructionTable[opcode]) {
    case kAdc: add_with_carry(s, operand_read(s, mode)); break;
    // SBC is ADC of the complemented operand; V is again the true overflow.
    case kSbc: add_with_carry(s, static_cast<uint8_t>(operand_read(s, mode) ^ 0xFF)); break;
    case kAnd: c.a &= operand_read(s, mode); set_zn(s, c.a); break;
    case kOra: c.a |= operand_read(s, mode); set_zn(s, c.a); break;
    case kEor: c.a ^= operand_read(s, mode); set_zn(s, c.a); break;
    case kAsl: {
      const unsigned t = operand_read(s, mode) << 1;
      operand_write_back(s, mode, static_cast<uint8_t>(t));
      set_flag(s, kFlagC, t & 0x100);
      set_zn(s, static_cast<uint8_t>(t));
      break;
    }
    case kLsr: {
      const uint8_t m = operand_read(s, mode);
      const uint8_t r = m >> 1;
      operand_write_back(s, mode, r);
      set_flag(s, kFlagC, m & 1);
      set_zn(s, r);
      break;
    }
    case kRol: {
      const uint8_t m = operand_read(s, mode);
      const uint8_t r = static_cast<uint8_t>(m << 1 | (c.p & kFlagC));
      set_flag(s, kFlagC, m & 0x80);
      operand_write_back(s, mode, r);
      set_zn(s, r);
      break;
    }
    case kRor: {
      const uint8_t m = operand_read(s, mode);
      const uint8_t r = static_cast<uint8_t>(m >> 1 | (c.p & kFlagC) << 7);
      set_flag(s, kFlagC, m & 1);
      operand_write_back(s, mode, r);
      set_zn(s, r);
      break;
    }
    case kInc: {
      const uint8_t r = static_cast<uint8_t>(operand_read(s, mode) + 1);
      operand_write_back(s, mode, r);
      set_zn(s, r);
      break;
    }
    case kDec: {
      const uint8_t r = static_cast<uint8_t>(operand_read(s, mode) - 1);
      operand_write_back(s, mode, r);
      set_zn(s, r);
      break;
    }
    case kInx: set_zn(s, ++c.x); break;
    case kIny: set_zn(s, ++c.y); break;
    case kDex: set_zn(s, --c.x); break;
    case kDey: set_zn(s, --c.y); break;
    case kBit: {
      const uint8_t m = operand_read(s, mode);
      set_flag(s, kFlagZ, (c.a & m) == 0);
      set_flag(s, kFlagN, m & 0x80);
      set_flag(s, kFlagV, m & 0x40);
      break;
    }
    case kCmp: compare(s, c.a, operand_read(s, mode)); break;
    case kCpx: compare(s, c.x, operand_read(s, mode)); break;
    case kCpy: compare(s, c.y, operand_read(s, mode)); break;
    case kLda: c.a = operand_read(s, mode); set_zn(s, c.a); break;
    case kLdx: c.x = operand_read(s, mode); set_zn(s, c.x); break;
    case kLdy: c.y = operand_read(s, mode); set_zn(s, c.y); break;
    case kSta: operand_store(s, mode, c.a); break;
    case kStx: operand_store(s, mode, c.x); break;
    case kSty: operand_store(s, mode, c.y); break;
    case kTax: c.x = c.a; set_zn(s, c.x); break;
    case kTay: c.y = c.a; set_zn(s, c.y); break;
    case kTxa: c.a = c.x; set_zn(s, c.a); break;
    case kTya: c.a = c.y; set_zn(s, c.a); break;
    case kTsx: c.x = c.sp; set_zn(s, c.x); break;
    case kTxs: c.sp = c.x; break;
    case kPha: stack_push(s, c.a); break;
    case kPhp: stack_push(s, c.p); break;
    case kPla: c.a = stack_pull(s); set_zn(s, c.a); break;
    case kPlp: c.p = stack_pull(s); break;
    case kBcc: branch_if(s, !(c.p & kFlagC)); break;
    case kBcs: branch_if(s, c.p & kFlagC); break;
    case kBne: branch_if(s, !(c.p & kFlagZ)); break;
    case kBeq: branch_if(s, c.p & kFlagZ); break;
    case kBpl: branch_if(s, !(c.p & kFlagN)); break;
    case kBmi: branch_if(s, c.p & kFlagN); break;
    case kBvc: branch_if(s, !(c.p & kFlagV)); break;
    case kBvs: branch_if(s, c.p & kFlagV); break;
    case kClc: c.p &= static_cast<uint8_t>(~kFlagC); break;
    case kCld: c.p &= static_cast<uint8_t>(~kFlagD); break;
    case kCli: c.p &= static_cast<uint8_t>(~kFlagI); break;
    case kClv: c.p &= static_cast<uint8_t>(~kFlagV); break;
    case kSec: c.p |= kFlagC; break;
    case kSed: c.p |= kFlagD; break;
    case kSei: c.p |= kFlagI; break;
    case kJmp: {
      const uint16_t target = fetch_word(s);
      if (mode == kIndirect)
        c.pc = static_cast<uint16_t>(s.ram[target] | s.ram[static_cast<uint16_t>(target + 1)] << 8);
      else
        c.pc = target;
      break;
    }
    case kJsr: {
      const uint16_t r = static_cast<uint16_t>(c.pc + 1);
      stack_push(s, static_cast<uint8_t>(r >> 8));
      stack_push(s, static_cast<uint8_t>(r));
      c.pc = fetch_word(s);
      break;
    }
    case kRts:
    case kRti: {
      const uint16_t lo = stack_pull(s);
      const uint16_t hi = stack_pull(s);
      c.pc = static_cast<uint16_t>((lo | hi << 8) + 1);
      break;
    }
    case kBrk: c.pc = 0; break;
    case kNop: break;
    default: break;  // undefined opcode: a one-byte no-operation
  }
}

}  // namespace

void cpu_step(SidPlayerState& s) { step(s); }

int64_t cpu_call(SidPlayerState& s, uint16_t address, uint8_t a) {
  s.cpu.a = a;
  s.cpu.x = 0;
  s.cpu.y = 0;
  s.cpu.p = 0;
  s.cpu.sp = 0xFF;
  s.cpu.pc = address;
  stack_push(s, 0);
  stack_push(s, 0);
  const int64_t budget = s.call_budget > 0 ? s.call_budget : kCpuCallBudget;
  int64_t steps = 0;
  while (s.cpu.pc > 1 && steps < budget) {
    step(s);
    ++steps;
  }
  return steps;
}

}  // namespace zel
