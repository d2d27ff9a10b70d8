#include "platform/system_calls.h"

#include <atomic>
#ifdef _WIN32
#include <windows.h>
#else
#include <stdio.h>
#include <unistd.h>
#endif

namespace mirtabel {
namespace {

#ifdef _WIN32
int read_file(void* handle, void* buffer, unsigned long size, unsigned long* done) {
  DWORD count = 0;
  const BOOL ok = ReadFile(handle, buffer, size, &count, nullptr);
  *done = count;
  return ok;
}

int write_file(void* handle, const void* bytes, unsigned long size, unsigned long* done) {
  DWORD count = 0;
  const BOOL ok = WriteFile(handle, bytes, size, &count, nullptr);
  *done = count;
  return ok;
}

int close_handle(void* handle) {
  return CloseHandle(handle);
}

int move_file(const wchar_t* from, const wchar_t* to, unsigned long flags) {
  return MoveFileExW(from, to, flags);
}

constexpr SystemCalls kNative = {read_file, write_file, close_handle, move_file};
#else
constexpr SystemCalls kNative = {::read, ::write, ::close, ::renameat};
#endif

// Written by tests only, before they convert anything.
std::atomic<const SystemCalls*> installed{&kNative};

}  // namespace

const SystemCalls& system_calls() noexcept {
  return *installed.load(std::memory_order_relaxed);
}

const SystemCalls& native_system_calls() noexcept {
  return kNative;
}

void replace_system_calls(const SystemCalls* calls) noexcept {
  installed.store(calls != nullptr ? calls : &kNative, std::memory_order_relaxed);
}

}  // namespace mirtabel
