#pragma once
// Results of the archive library. Each failure kind is distinct so callers
// (and users) learn what went wrong; the message names the check that failed.

#include <string>
#include <utility>

namespace rar {

enum class Error {
  none = 0,
  cannotOpen,       // the archive file cannot be opened or read at all
  notRar,           // no RAR signature
  corruptHeader,    // header CRC or structure check failed
  corruptData,      // data CRC/hash mismatch or a malformed compressed stream
  badPassword,      // the password is wrong (where the format can tell)
  missingPassword,  // encrypted and no password given
  unsupported,      // unknown method, version, filter or dictionary beyond policy
  missingVolume,    // the next volume could not be found
  aborted,          // a callback asked to stop
  writeFailed,      // the output refused data
  readFailed,       // the input could not be read (an I/O error)
  unsafePath,       // a member name that would land outside the destination
  truncated,        // the archive ends before its last header or inside a member's data
  outputLimit,      // extraction would write more than ArchiveOptions::maxOutput allows
};

const char* errorName(Error e);

class Status {
 public:
  Status() = default;
  Status(Error error, std::string message = {}) : error_(error), message_(std::move(message)) {}
  static Status success() { return {}; }
  bool ok() const { return error_ == Error::none; }
  explicit operator bool() const { return ok(); }
  Error error() const { return error_; }
  const std::string& message() const { return message_; }
  std::string toString() const;

 private:
  Error error_ = Error::none;
  std::string message_;
};

template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status status) : status_(std::move(status)) {}
  bool ok() const { return status_.ok(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }
  T& value() { return value_; }
  const T& value() const { return value_; }
  T& operator*() { return value_; }
  T* operator->() { return &value_; }

 private:
  T value_{};
  Status status_;
};

}  // namespace rar
