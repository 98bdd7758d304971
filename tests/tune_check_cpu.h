// A small, strict 6502 used by the tune tests to run the embedded tunes'
// init and play routines independently of the player's own interpreter.
//
// It knows the documented NMOS instruction set only and records, instead of
// executing, anything a well-behaved tune must never do: an undefined
// opcode, BRK, RTI, SED (decimal mode), a write outside the allowed ranges
// (set by the test). Every SID register write is passed to an optional hook.
// Single-threaded; one instance per test.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zel::test {

struct CheckCpu {
  std::array<uint8_t, 65536> mem{};
  uint8_t a = 0, x = 0, y = 0, sp = 0xFF, p = 0;
  uint16_t pc = 0;
  std::vector<std::string> faults;  // first few violations, human-readable
  // Writes are allowed to zero page, the stack, the SID ($D400-$D418) and
  // [allow_from, allow_to].
  int allow_from = 0, allow_to = -1;
  std::function<void(int reg, uint8_t value)> on_sid_write;

  void fault(const std::string& what) {
    if (faults.size() < 8) faults.push_back(what + " at $" + hex(pc));
  }
  static std::string hex(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
  }

  uint8_t rd(uint16_t addr) const { return mem[addr]; }
  void wr(uint16_t addr, uint8_t v) {
    if (addr >= 0xD400 && addr <= 0xD418) {
      if (on_sid_write) on_sid_write(addr - 0xD400, v);
      return;
    }
    if (addr >= 0x0200 && !(addr >= allow_from && addr <= allow_to)) fault("write to $" + hex(addr));
    mem[addr] = v;
  }
  void push(uint8_t v) { wr(uint16_t(0x100 + sp--), v); }
  uint8_t pull() { return rd(uint16_t(0x100 + ++sp)); }
  void nz(uint8_t v) { p = uint8_t((p & ~0x82) | (v & 0x80) | (v == 0 ? 0x02 : 0)); }
  void flag(uint8_t f, bool on) { p = on ? (p | f) : (p & ~f); }

  // Runs the routine at `addr` with A = `acc` until its final RTS; returns the
  // number of instructions, or -1 when it exceeds `budget`.
  long call(uint16_t addr, uint8_t acc, long budget) {
    a = acc, x = y = 0, p = 0, sp = 0xFF, pc = addr;
    push(0), push(0);
    long n = 0;
    while (pc > 1) {
      if (++n > budget) return -1;
      step();
    }
    return n;
  }

  void step() {
    const uint16_t at = pc;
    const uint8_t op = rd(pc++);
    auto imm = [&] { return uint16_t(pc++); };
    auto zp = [&] { return uint16_t(rd(pc++)); };
    auto zpx = [&] { return uint16_t((rd(pc++) + x) & 0xFF); };
    auto zpy = [&] { return uint16_t((rd(pc++) + y) & 0xFF); };
    auto abs = [&] {
      uint16_t v = uint16_t(rd(pc) | rd(uint16_t(pc + 1)) << 8);
      pc += 2;
      return v;
    };
    auto abx = [&] { return uint16_t(abs() + x); };
    auto aby = [&] { return uint16_t(abs() + y); };
    auto izx = [&] {
      uint8_t z = uint8_t(rd(pc++) + x);
      return uint16_t(rd(z) | rd(uint8_t(z + 1)) << 8);
    };
    auto izy = [&] {
      uint8_t z = rd(pc++);
      return uint16_t((rd(z) | rd(uint8_t(z + 1)) << 8) + y);
    };
    // Operand address by the usual column layout of the opcode matrix.
    auto ea = [&](int mode) -> uint16_t {
      switch (mode) {
        case 0: return izx();
        case 1: return zp();
        case 2: return imm();
        case 3: return abs();
        case 4: return izy();
        case 5: return zpx();
        case 6: return aby();
        case 7: return abx();
      }
      return 0;
    };
    auto adc = [&](uint8_t m) {
      int t = a + m + (p & 1);
      flag(0x40, (~(a ^ m) & (a ^ t) & 0x80) != 0);
      flag(0x01, t > 0xFF);
      a = uint8_t(t);
      nz(a);
    };
    auto cmp = [&](uint8_t r, uint8_t m) {
      flag(0x01, r >= m);
      nz(uint8_t(r - m));
    };
    auto branch = [&](bool c) {
      int8_t d = int8_t(rd(pc++));
      if (c) pc = uint16_t(pc + d);
    };
    // Read-modify-write on memory or A (mode -1 = accumulator).
    auto rmw = [&](int kind, uint16_t addr, bool acc) {
      uint8_t m = acc ? a : rd(addr), r = 0;
      switch (kind) {
        case 0: r = uint8_t(m << 1), flag(1, m & 0x80); break;                   // ASL
        case 1: r = uint8_t(m << 1 | (p & 1)), flag(1, m & 0x80); break;         // ROL
        case 2: r = uint8_t(m >> 1), flag(1, m & 1); break;                      // LSR
        case 3: r = uint8_t(m >> 1 | (p & 1) << 7), flag(1, m & 1); break;       // ROR
        case 4: r = uint8_t(m - 1); break;                                       // DEC
        case 5: r = uint8_t(m + 1); break;                                       // INC
      }
      nz(r);
      if (acc) a = r;
      else wr(addr, r);
    };

    const int cc = op & 3, bbb = (op >> 2) & 7, aaa = op >> 5;
    // Group 1 (cc = 01): ORA AND EOR ADC STA LDA CMP SBC, eight modes.
    if (cc == 1) {
      if (op == 0x89) return fault("undefined opcode $89");
      uint16_t addr = ea(bbb);
      switch (aaa) {
        case 0: a |= rd(addr), nz(a); break;
        case 1: a &= rd(addr), nz(a); break;
        case 2: a ^= rd(addr), nz(a); break;
        case 3: adc(rd(addr)); break;
        case 4: wr(addr, a); break;
        case 5: a = rd(addr), nz(a); break;
        case 6: cmp(a, rd(addr)); break;
        case 7: adc(uint8_t(~rd(addr))); break;
      }
      return;
    }
    switch (op) {
      // Shifts, INC/DEC, LDX/STX.
      case 0x0A: return rmw(0, 0, true);
      case 0x2A: return rmw(1, 0, true);
      case 0x4A: return rmw(2, 0, true);
      case 0x6A: return rmw(3, 0, true);
      case 0x06: case 0x0E: case 0x16: case 0x1E: case 0x26: case 0x2E: case 0x36: case 0x3E:
      case 0x46: case 0x4E: case 0x56: case 0x5E: case 0x66: case 0x6E: case 0x76: case 0x7E:
      case 0xC6: case 0xCE: case 0xD6: case 0xDE: case 0xE6: case 0xEE: case 0xF6: case 0xFE: {
        uint16_t addr = bbb == 1 ? zp() : bbb == 3 ? abs() : bbb == 5 ? zpx() : abx();
        static const int kinds[8] = {0, 1, 2, 3, -1, -1, 4, 5};
        return rmw(kinds[aaa], addr, false);
      }
      case 0xA2: x = rd(imm()), nz(x); return;
      case 0xA6: x = rd(zp()), nz(x); return;
      case 0xB6: x = rd(zpy()), nz(x); return;
      case 0xAE: x = rd(abs()), nz(x); return;
      case 0xBE: x = rd(aby()), nz(x); return;
      case 0x86: return wr(zp(), x);
      case 0x96: return wr(zpy(), x);
      case 0x8E: return wr(abs(), x);
      case 0xA0: y = rd(imm()), nz(y); return;
      case 0xA4: y = rd(zp()), nz(y); return;
      case 0xB4: y = rd(zpx()), nz(y); return;
      case 0xAC: y = rd(abs()), nz(y); return;
      case 0xBC: y = rd(abx()), nz(y); return;
      case 0x84: return wr(zp(), y);
      case 0x94: return wr(zpx(), y);
      case 0x8C: return wr(abs(), y);
      case 0xC0: return cmp(y, rd(imm()));
      case 0xC4: return cmp(y, rd(zp()));
      case 0xCC: return cmp(y, rd(abs()));
      case 0xE0: return cmp(x, rd(imm()));
      case 0xE4: return cmp(x, rd(zp()));
      case 0xEC: return cmp(x, rd(abs()));
      case 0x24: case 0x2C: {
        uint8_t m = rd(op == 0x24 ? zp() : abs());
        flag(0x02, (a & m) == 0), flag(0x80, m & 0x80), flag(0x40, m & 0x40);
        return;
      }
      case 0x10: return branch(!(p & 0x80));
      case 0x30: return branch(p & 0x80);
      case 0x50: return branch(!(p & 0x40));
      case 0x70: return branch(p & 0x40);
      case 0x90: return branch(!(p & 0x01));
      case 0xB0: return branch(p & 0x01);
      case 0xD0: return branch(!(p & 0x02));
      case 0xF0: return branch(p & 0x02);
      case 0x4C: pc = abs(); return;
      case 0x6C: {
        uint16_t v = abs();
        pc = uint16_t(rd(v) | rd(uint16_t(v + 1)) << 8);
        return;
      }
      case 0x20: {
        uint16_t target = abs();
        uint16_t r = uint16_t(pc - 1);
        push(uint8_t(r >> 8)), push(uint8_t(r));
        pc = target;
        return;
      }
      case 0x60: {
        uint16_t lo = pull(), hi = pull();
        pc = uint16_t((lo | hi << 8) + 1);
        return;
      }
      case 0x08: return push(p);
      case 0x28: p = pull(); return;
      case 0x48: return push(a);
      case 0x68: a = pull(), nz(a); return;
      case 0x18: return flag(0x01, false);
      case 0x38: return flag(0x01, true);
      case 0x58: return flag(0x04, false);
      case 0x78: return flag(0x04, true);
      case 0xB8: return flag(0x40, false);
      case 0xD8: return flag(0x08, false);
      case 0x88: y--, nz(y); return;
      case 0xC8: y++, nz(y); return;
      case 0xCA: x--, nz(x); return;
      case 0xE8: x++, nz(x); return;
      case 0xAA: x = a, nz(x); return;
      case 0xA8: y = a, nz(y); return;
      case 0x8A: a = x, nz(a); return;
      case 0x98: a = y, nz(a); return;
      case 0xBA: x = sp, nz(x); return;
      case 0x9A: sp = x; return;
      case 0xEA: return;
      case 0x00: fault("BRK"), pc = 0; return;
      case 0x40: fault("RTI"), pc = 0; return;
      case 0xF8: fault("SED"), flag(0x08, true); return;
      default: fault("undefined opcode $" + hex(op).substr(2)); pc = at, pc = 0; return;
    }
  }
};

}  // namespace zel::test
