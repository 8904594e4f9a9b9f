#pragma once
// The data transforms behind RAR's filters: executable call/jump address
// conversion (x86 E8/E8E9, ARM BL, Itanium branches), byte-interleaved delta,
// the RGB predictor and the audio predictor. Each works on a caller-owned
// buffer of `size` bytes and touches nothing outside it (or outside `dst`,
// also `size` bytes, for the ones that cannot work in place).
//
// `fileOffset` is the position of the buffer's first byte within the file
// being extracted (not the solid stream), as the encoder used it.

#include <cstddef>
#include <cstdint>

namespace rar::codec::filters {

// RAR 5 x86 filter: relative CALL (and with `alsoE9` JMP) targets were made
// absolute modulo 16 MB; convert them back.
void x86v5(uint8_t* data, size_t size, uint64_t fileOffset, bool alsoE9);
// RAR 3 x86 filter: as above without the modulo on the offset.
void x86v3(uint8_t* data, size_t size, uint32_t fileOffset, bool alsoE9);
// RAR 5 ARM filter: BL instruction targets (word offsets).
void arm(uint8_t* data, size_t size, uint64_t fileOffset);
// RAR 3 Itanium filter: branch targets in 16-byte instruction bundles.
void itanium(uint8_t* data, size_t size, uint32_t fileOffset);
// Delta: the input holds each channel's byte differences one channel after
// the other; dst gets the interleaved sums. channels >= 1.
void delta(const uint8_t* src, uint8_t* dst, size_t size, unsigned channels);
// RAR 3 RGB predictor; the caller has checked size >= 3, 3 <= width,
// width - 3 <= size, posR <= 2.
void rgb(const uint8_t* src, uint8_t* dst, size_t size, uint32_t width, uint32_t posR);
// RAR 3 audio predictor; channels >= 1.
void audio(const uint8_t* src, uint8_t* dst, size_t size, unsigned channels);

}  // namespace rar::codec::filters
