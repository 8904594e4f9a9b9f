#pragma once
// Conversion between Windows code page 1251 and DOS code page 866, limited to
// the Russian alphabet and the numero sign, and the archive passwords built
// with it.

#include <cstdint>
#include <string>
#include <string_view>

namespace startup {

class CodePageConversion {
 public:
  // Makes (from, to) the active direction when both are 1251 or 866 and
  // they differ; otherwise keeps the direction as it was.
  void set(uint16_t from, uint16_t to);
  bool active() const { return from_ != 0; }
  uint16_t from() const { return from_; }
  uint16_t to() const { return to_; }

  // Bytes below 128 and bytes without a mapping stay as they are.
  unsigned char convert(unsigned char byte) const;
  std::string convert(std::string_view text) const;

 private:
  uint16_t from_ = 0;
  uint16_t to_ = 0;
};

// The password of the engine data archive.
inline constexpr const char kEngineArchivePassword[] = "Setup Payload Seal r 7.3x";

// The package-archive password for a title: the title reversed, converted
// from 1251 to 866. Leaves the 1251 -> 866 direction active, as the rest of
// the run expects.
std::string PackageArchivePassword(std::string_view title, CodePageConversion& conversion);

}  // namespace startup
