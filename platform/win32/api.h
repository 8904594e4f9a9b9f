#pragma once
// The Windows boundary of the backend: RAII owners for handles, 1251 <->
// UTF-16 conversion for the W functions, and Win32 errors as Status.

#include <windows.h>
#include <objbase.h>

#include <string>
#include <utility>

#include "platform/status.h"

namespace platform::win32 {

// Owns one handle-like value and releases it with `Close`.
template <typename T, auto Close, T Invalid = T{}>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T value) : value_(value) {}
  Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Invalid));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  T get() const { return value_; }
  T* put() {
    reset();
    return &value_;
  }
  explicit operator bool() const { return value_ != Invalid; }
  // Closes now; false when closing failed.
  bool reset(T value = Invalid) {
    bool closed = true;
    if (value_ != Invalid) closed = static_cast<bool>(Close(value_));
    value_ = value;
    return closed;
  }

 private:
  T value_ = Invalid;
};

inline BOOL closeHandle(HANDLE h) { return ::CloseHandle(h); }
inline BOOL closeFind(HANDLE h) { return ::FindClose(h); }
inline BOOL closeKey(HKEY k) { return ::RegCloseKey(k) == ERROR_SUCCESS; }
inline BOOL freeModule(HMODULE m) { return ::FreeLibrary(m); }

using UniqueHandle = Unique<HANDLE, closeHandle>;                    // process, thread, token
using UniqueKey = Unique<HKEY, closeKey>;
using UniqueModule = Unique<HMODULE, freeModule>;

// A file or find handle, whose "none" is INVALID_HANDLE_VALUE.
template <BOOL (*Close)(HANDLE)>
class UniqueFileHandle {
 public:
  UniqueFileHandle() = default;
  explicit UniqueFileHandle(HANDLE h) : h_(h) {}
  UniqueFileHandle(UniqueFileHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  UniqueFileHandle& operator=(UniqueFileHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  UniqueFileHandle(const UniqueFileHandle&) = delete;
  UniqueFileHandle& operator=(const UniqueFileHandle&) = delete;
  ~UniqueFileHandle() { reset(); }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }
  bool reset() {
    bool closed = true;
    if (h_ != INVALID_HANDLE_VALUE) closed = Close(h_) != FALSE;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

using UniqueFile = UniqueFileHandle<closeHandle>;
using UniqueFind = UniqueFileHandle<closeFind>;

// A COM interface pointer.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread, for the life of the object.
class ComScope {
 public:
  ComScope() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

// 1251 text <-> wide strings for the W functions.
std::wstring wide(const std::string& text);
std::string narrow(const wchar_t* text, size_t length);
std::string narrow(const std::wstring& text);
// A path Windows gave, in 1251: its short form where the long one has
// letters 1251 lacks ('?' for them where even that fails; see
// platform/system_paths.h).
std::string narrowPath(const std::wstring& path);

// The Status of a Win32 error code (the code travels as the native value).
Status fromWin32(DWORD error, const std::string& what);
// The Status of GetLastError().
Status lastError(const std::string& what);
Status fromHresult(HRESULT hr, const std::string& what);

}  // namespace platform::win32
