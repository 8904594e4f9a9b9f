#pragma once
// A text field of fixed capacity: assigning a longer text keeps its first N
// characters, as the script's record fields do.

#include <cstddef>
#include <string>
#include <string_view>

namespace startup {

template <std::size_t N>
class ShortString {
 public:
  static constexpr std::size_t capacity = N;

  ShortString() = default;
  ShortString(std::string_view s) : text_(s.substr(0, N)) {}
  ShortString(const std::string& s) : ShortString(std::string_view(s)) {}
  ShortString(const char* s) : ShortString(std::string_view(s)) {}
  ShortString& operator=(std::string_view s) {
    text_.assign(s.substr(0, N));
    return *this;
  }
  ShortString& operator=(const std::string& s) { return *this = std::string_view(s); }
  ShortString& operator=(const char* s) { return *this = std::string_view(s); }

  const std::string& str() const { return text_; }
  operator const std::string&() const { return text_; }
  operator std::string_view() const { return text_; }
  bool empty() const { return text_.empty(); }
  std::size_t size() const { return text_.size(); }
  const char* c_str() const { return text_.c_str(); }

  friend bool operator==(const ShortString& a, std::string_view b) { return a.text_ == b; }
  friend bool operator==(const ShortString& a, const ShortString& b) { return a.text_ == b.text_; }

 private:
  std::string text_;
};

using String255 = ShortString<255>;

}  // namespace startup
