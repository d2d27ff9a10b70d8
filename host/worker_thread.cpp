#include "host/worker_thread.h"

#include <cerrno>
#include <cstdint>
#include <new>
#ifdef _WIN32
#include <process.h>
#include <windows.h>
#endif

namespace {

// What the new thread runs, handed over on the heap: the thread frees it once it has read it.
struct Start {
  void (*run)(void*);
  void* argument;
};

}  // namespace

#ifdef _WIN32
namespace {
unsigned __stdcall thread_main(void* start) {
  const Start s = *static_cast<Start*>(start);
  delete static_cast<Start*>(start);
  s.run(s.argument);
  return 0;
}
}  // namespace

int WorkerThread::start(void (*run)(void*), void* argument, std::size_t stack_size) noexcept {
  auto* start = new (std::nothrow) Start{run, argument};
  if (start == nullptr) return ENOMEM;
  const std::uintptr_t handle =
      _beginthreadex(nullptr, static_cast<unsigned>(stack_size), thread_main, start,
                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (handle == 0) {
    const int error = errno != 0 ? errno : EAGAIN;
    delete start;
    return error;
  }
  handle_ = reinterpret_cast<void*>(handle);
  started_ = true;
  return 0;
}

void WorkerThread::join() noexcept {
  if (!started_) return;
  WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  started_ = false;
}
#else
namespace {
void* thread_main(void* start) {
  const Start s = *static_cast<Start*>(start);
  delete static_cast<Start*>(start);
  s.run(s.argument);
  return nullptr;
}
}  // namespace

int WorkerThread::start(void (*run)(void*), void* argument, std::size_t stack_size) noexcept {
  pthread_attr_t attributes;
  if (int error = pthread_attr_init(&attributes)) return error;
  int error = pthread_attr_setstacksize(&attributes, stack_size);
  auto* start = error == 0 ? new (std::nothrow) Start{run, argument} : nullptr;
  if (error == 0 && start == nullptr) error = ENOMEM;
  if (error == 0) error = pthread_create(&thread_, &attributes, thread_main, start);
  pthread_attr_destroy(&attributes);
  if (error != 0) {
    delete start;
    return error;
  }
  started_ = true;
  return 0;
}

void WorkerThread::join() noexcept {
  if (!started_) return;
  pthread_join(thread_, nullptr);
  started_ = false;
}
#endif

int start_worker_thread(WorkerThread& thread, void (*run)(void*), void* argument) noexcept {
  return thread.start(run, argument, kWorkerStackSize);
}
