// The emulated C64 sound machine: a 6502 over a flat 64 KB RAM, a three-voice
// SID synthesis with envelopes and a filter, a digitised sample channel and
// the PSID loader with its init/play driver.
//
// Who calls it: the SID stream (sid_player.cpp) builds one machine per tune
// start and renders from it on its refill worker; tests, the benchmark, the
// fuzz target and zelvorant-tool drive it directly.
// Threads: one caller at a time per SidPlayerState; nothing here locks.
// Units: samples are signed 16-bit mono at the mixing rate (44,100 Hz in the
// program); addresses are 16-bit; fixed-point formats are given per field.
// After sid_init every per-sample computation is integer arithmetic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zel {

// ---- SID register file and working state -----------------------------------

struct SidVoiceRegisters {
  uint16_t frequency = 0;    // registers 0 (low) and 1 (high)
  uint16_t pulse_width = 0;  // registers 2 and 3; low 12 bits used
  uint8_t control = 0;       // register 4: see kSidGate .. kSidNoise
  uint8_t attack_decay = 0;  // register 5: attack high nibble, decay low
  uint8_t sustain_release = 0;  // register 6: sustain high nibble, release low
};

// The writable registers as last written.
struct SidRegisterFile {
  SidVoiceRegisters voice[3];
  uint8_t cutoff_low = 0;       // $D415, bits 0-2 used
  uint8_t cutoff_high = 0;      // $D416
  uint8_t resonance_route = 0;  // $D417: bits 0-2 route voices 1-3, bits 4-7 resonance
  uint8_t mode_volume = 0;      // $D418: bits 0-3 volume, 4 LP, 5 BP, 6 HP, 7 voice 3 off
};

constexpr uint8_t kSidGate = 0x01;
constexpr uint8_t kSidSync = 0x02;
constexpr uint8_t kSidRing = 0x04;
constexpr uint8_t kSidTest = 0x08;
constexpr uint8_t kSidTriangle = 0x10;
constexpr uint8_t kSidSawtooth = 0x20;
constexpr uint8_t kSidPulse = 0x40;
constexpr uint8_t kSidNoise = 0x80;

enum SidEnvelopePhase : uint8_t { kEnvAttack = 0, kEnvDecay = 1, kEnvSustain = 2, kEnvRelease = 3 };

struct SidVoice {
  uint32_t phase_step = 0;       // frequency * frequency multiplier, per sample
  uint32_t pulse_threshold = 0;  // (pulse width & $FFF) << 16, compared with the phase
  uint8_t waveform = 0;          // copy of the control register
  uint8_t filtered = 0;          // 1: routed through the filter
  uint32_t attack_rate = 0;      // envelope steps per sample (24-bit scale)
  uint32_t decay_rate = 0;
  uint32_t sustain_level = 0;    // sustain nibble * 16 (0..240); compared as << 16
  uint32_t release_rate = 0;
  uint32_t phase = 0;            // 28-bit phase accumulator, 0..$FFFFFFF
  int32_t envelope_level = 0;    // 0..$FFFFFF, 24-bit fraction of full scale
  uint8_t envelope_phase = kEnvAttack;
  uint32_t noise_clock = 0;      // phase >> 23 at the last noise clock
  uint32_t noise_register = 0;   // LFSR, bits 0-22 used
  uint8_t noise_output = 0;
};

struct SidFilter {
  int32_t f = 0;             // cutoff coefficient, 16.16, at most 65,536
  uint8_t lowpass_on = 0;
  uint8_t bandpass_on = 0;
  uint8_t highpass_on = 0;
  uint8_t voice3_on = 0;
  uint8_t volume = 0;        // 0..15
  int32_t resonance = 0;     // 24.8
  int32_t h = 0;             // high-pass state, 16.16
  int32_t b = 0;             // band-pass state, 16.16
  int32_t l = 0;             // low-pass state, 16.16
};

// ---- 6502 ------------------------------------------------------------------

struct CpuRegisters {
  uint8_t a = 0;
  uint8_t x = 0;
  uint8_t y = 0;
  uint8_t sp = 0;  // stack at $0100 + SP; saturates at $00 and $FF
  uint8_t p = 0;   // status flags, see kFlagC .. kFlagN
  uint16_t pc = 0;
};

constexpr uint8_t kFlagC = 0x01;
constexpr uint8_t kFlagZ = 0x02;
constexpr uint8_t kFlagI = 0x04;
constexpr uint8_t kFlagD = 0x08;
constexpr uint8_t kFlagV = 0x40;
constexpr uint8_t kFlagN = 0x80;

// Instruction numbers (alphabetical) and addressing modes of the opcode tables.
enum CpuInstruction : uint8_t {
  kAdc, kAnd, kAsl, kBcc, kBcs, kBeq, kBit, kBmi, kBne, kBpl, kBrk, kBvc, kBvs, kClc,
  kCld, kCli, kClv, kCmp, kCpx, kCpy, kDec, kDex, kDey, kEor, kInc, kInx, kIny, kJmp,
  kJsr, kLda, kLdx, kLdy, kLsr, kNop, kOra, kPha, kPhp, kPla, kPlp, kRol, kRor, kRti,
  kRts, kSbc, kSec, kSed, kSei, kSta, kStx, kSty, kTax, kTay, kTsx, kTxa, kTxs, kTya,
  kNoInstruction = 56,
};

enum CpuMode : uint8_t {
  kImplied = 0, kImmediate = 1, kAbsolute = 2, kAbsoluteX = 3, kAbsoluteY = 4, kZeroPage = 5,
  kZeroPageX = 6, kZeroPageY = 7, kIndirect = 8, kIndexedIndirect = 9, kIndirectIndexed = 10,
  kAccumulator = 11, kRelative = 12, kNoMode = 56,
};

// Indexed by opcode: instruction number (kNoInstruction for undefined
// opcodes) and addressing mode (kNoMode for them).
extern const std::array<uint8_t, 256> kCpuInstructionTable;
extern const std::array<uint8_t, 256> kCpuModeTable;

// Instructions one cpu_call may run before it gives up, so that a routine
// that never returns cannot hang the thread that renders the sound.
constexpr int64_t kCpuCallBudget = 2000000;

// ---- digitised sample channel ----------------------------------------------

struct SampleChannel {
  // Staged registers, written by the tune a byte at a time.
  uint16_t period = 0;          // $D45D/$D45E: C64 clock cycles per nibble
  uint8_t order = 0;            // $D47D: 0 high nibble first within the start byte
  uint16_t start = 0;           // $D41E/$D41F
  uint16_t end = 0;             // $D43D/$D43E (exclusive)
  uint8_t repeat_count = 0;     // $D43F
  uint16_t repeat_address = 0;  // $D47E/$D47F
  // Running copies, loaded at each write of the control register $D41D.
  uint8_t active = 0;
  uint32_t run_position = 0;
  uint32_t run_start = 0;
  uint32_t run_end = 0;
  uint32_t run_repeat_address = 0;
  int32_t accumulator = 0;      // sums the step each sample; a nibble per mixing rate
  uint32_t run_period = 0;
  uint32_t repetitions_left = 0;
  uint8_t run_order = 0;
  int32_t nibble_counter = 0;   // 0 or 1; 1 plays the high nibble
  // Added to each output sample while a sample plays; survives sid_init.
  int32_t current_value = 0;
};

// ---- the whole machine -----------------------------------------------------

struct SidPlayerState {
  SidRegisterFile regs;
  SidVoice voice[3];
  SidFilter filter;
  int32_t mixing_rate = 0;
  uint32_t frequency_multiplier = 0;  // 15,872,000 / mixing rate
  int32_t filter_multiplier = 0;      // 1,411,200 / mixing rate
  uint32_t attack_rates[16] = {};
  uint32_t decay_release_rates[16] = {};
  CpuRegisters cpu;
  uint8_t ram[65536] = {};
  SampleChannel sample;
  uint16_t load_address = 0;
  uint16_t init_address = 0;
  uint16_t play_address = 0;
  // Instructions one cpu_call may run; 0 means kCpuCallBudget. sid_init
  // clears it. (The fuzz targets set a small one: a looping routine would
  // otherwise cost each of their runs milliseconds.)
  int64_t call_budget = 0;
};

// 6502 (cpu6502.cpp).
uint8_t mem_read(const SidPlayerState& s, uint16_t address);
// $D400-$D7FF go to the SID (and above $D418 to the sample channel); RAM
// there is left unchanged. Every other address writes RAM.
void mem_write(SidPlayerState& s, uint16_t address, uint8_t value);
void cpu_reset(SidPlayerState& s);
void cpu_step(SidPlayerState& s);
// Runs the routine at `address` with A = a until PC becomes 0 or 1 (its
// final RTS, a BRK, a jump there) or the call budget has run out.
// Returns the number of instructions executed.
int64_t cpu_call(SidPlayerState& s, uint16_t address, uint8_t a);

// SID (sid_chip.cpp).
// Clears the whole machine (RAM included; the sample channel's current value
// survives), computes the rate constants for `mixing_rate` and resets the CPU.
void sid_init(SidPlayerState& s, int32_t mixing_rate);
void sid_write_register(SidPlayerState& s, int reg, uint8_t value);  // reg 0..31
// Appends `count` samples; register changes since the last call apply to all of them.
void sid_render(SidPlayerState& s, int16_t* buffer, size_t count);

// Sample channel (sample_channel.cpp).
void sample_channel_write(SidPlayerState& s, uint16_t address, uint8_t value);
int32_t sample_channel_mix(SidPlayerState& s, int32_t input);

// PSID driver (psid.cpp).
// Samples per play call: 50 calls per second at 44,100 Hz.
constexpr size_t kSidChunk = 882;
// Loads a PSID image into the freshly initialised machine and returns the
// load address. Data past $FFFF is dropped; an image shorter than its header
// or its data offset plus the two load-address bytes loads nothing (0 is
// returned and init/play stay 0, so the tune is silent).
uint16_t psid_load(SidPlayerState& s, const uint8_t* image, size_t size);
void tune_init(SidPlayerState& s, uint8_t sub_song);
// One play call, then `count` samples of synthesis.
void tune_render_chunk(SidPlayerState& s, int16_t* buffer, size_t count);

}  // namespace zel
