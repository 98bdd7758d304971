// The digitised sample channel: 4-bit samples in the tune's RAM, stepped at
// the period the tune sets through extended registers in the SID range and
// added to every output sample after the master volume.
#include "sid/sid_machine.h"

namespace zel {

namespace {

constexpr int32_t kPalClock = 985248;  // C64 clock cycles per second

inline void set_low(uint16_t& reg, uint8_t v) { reg = static_cast<uint16_t>((reg & 0xFF00) | v); }
inline void set_high(uint16_t& reg, uint8_t v) { reg = static_cast<uint16_t>((reg & 0x00FF) | v << 8); }

}  // namespace

void sample_channel_write(SidPlayerState& s, uint16_t address, uint8_t value) {
  SampleChannel& c = s.sample;
  switch (address) {
    case 0xD45D: set_low(c.period, value); break;
    case 0xD45E: set_high(c.period, value); break;
    case 0xD47D: c.order = value; break;
    case 0xD41E: set_low(c.start, value); break;
    case 0xD41F: set_high(c.start, value); break;
    case 0xD43D: set_low(c.end, value); break;
    case 0xD43E: set_high(c.end, value); break;
    case 0xD43F: c.repeat_count = value; break;
    case 0xD47E: set_low(c.repeat_address, value); break;
    case 0xD47F: set_high(c.repeat_address, value); break;
    case 0xD41D:
      // Every control write reloads the running copies; only $FD..$FF
      // change whether the channel plays.
      c.repetitions_left = c.repeat_count;
      c.run_position = c.start;
      c.run_start = c.start;
      c.run_end = c.end;
      c.run_repeat_address = c.repeat_address;
      c.run_period = c.period;
      c.run_order = c.order;
      if (value == 0xFD)
        c.active = 0;
      else if (value >= 0xFE)
        c.active = 1;
      break;
    default: break;
  }
}

int32_t sample_channel_mix(SidPlayerState& s, int32_t input) {
  SampleChannel& c = s.sample;
  // A period of 0 has no step rate: the channel stays silent.
  if (!c.active || c.run_period == 0 || c.run_position >= c.run_end || c.run_position < c.run_start) return input;
  const int32_t step = kPalClock / static_cast<int32_t>(c.run_period);
  const int32_t result = static_cast<int32_t>(static_cast<uint32_t>(input) + static_cast<uint32_t>(c.current_value));
  c.accumulator += step;
  if (c.accumulator > s.mixing_rate) {
    c.accumulator = s.mixing_rate > 0 ? c.accumulator % s.mixing_rate : 0;
    if (c.run_order == 0) {
      if (++c.nibble_counter >= 2) {
        c.nibble_counter = 0;
        ++c.run_position;
      }
    } else {
      if (--c.nibble_counter < 0) {
        c.nibble_counter = 1;
        ++c.run_position;
      }
    }
    // Repetition: at the end, continue at the repeat address while
    // repetitions are left, counting one down per repetition.
    if (c.run_position >= c.run_end && c.repetitions_left > 0) {
      c.run_position = c.run_repeat_address;
      --c.repetitions_left;
    }
    const uint8_t byte = s.ram[c.run_position & 0xFFFF];
    const int32_t nibble = c.nibble_counter == 1 ? byte >> 4 : byte & 15;
    c.current_value = (nibble - 7) * 1024;
  }
  return result;
}

}  // namespace zel
