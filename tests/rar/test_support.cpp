#include "tests/rar/test_support.h"

namespace rar::test {

std::vector<uint8_t> unhex(const std::string& s) {
  std::vector<uint8_t> out;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(uint8_t(nibble(s[i]) << 4 | nibble(s[i + 1])));
  return out;
}

}  // namespace rar::test
