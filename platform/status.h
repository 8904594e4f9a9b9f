#pragma once
// One vocabulary for failures of the operating system, real or simulated.
// The native code (GetLastError, HRESULT, LSTATUS) travels along so a
// message can name it.

#include <cstdint>
#include <string>
#include <utility>

namespace platform {

enum class Code {
  ok = 0,
  notFound,          // file, key or value does not exist
  pathNotFound,      // a directory on the way does not exist
  accessDenied,      // refused by permissions or attributes (read-only)
  sharingViolation,  // the file is in use (locked)
  alreadyExists,
  notEmpty,          // directory not empty
  diskFull,
  invalidArgument,   // malformed name, wrong value type
  ioError,
  notSupported,
  failed,            // any other failure
};

const char* codeName(Code code);

class Status {
 public:
  Status() = default;
  Status(Code code, uint32_t native = 0, std::string message = {})
      : code_(code), native_(native), message_(std::move(message)) {}

  static Status success() { return {}; }

  bool ok() const { return code_ == Code::ok; }
  explicit operator bool() const { return ok(); }
  Code code() const { return code_; }
  uint32_t native() const { return native_; }
  const std::string& message() const { return message_; }
  std::string toString() const;

 private:
  Code code_ = Code::ok;
  uint32_t native_ = 0;
  std::string message_;
};

// A value or the status that explains its absence.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status status) : status_(std::move(status)) {}
  Result(Code code) : status_(code) {}

  bool ok() const { return status_.ok(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }
  T& value() { return value_; }
  const T& value() const { return value_; }
  T& operator*() { return value_; }
  const T& operator*() const { return value_; }
  T* operator->() { return &value_; }
  const T* operator->() const { return &value_; }
  T valueOr(T fallback) const { return ok() ? value_ : std::move(fallback); }

 private:
  T value_{};
  Status status_;
};

}  // namespace platform
