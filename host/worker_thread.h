// A thread with a stack of a size chosen here rather than the system's default, which differs
// widely (8 MiB with glibc, 128 KiB with musl, 1 MiB on Windows). A conversion needs well under
// 150 KiB of it; the rest is for the program's own work around it.
#ifndef MIRTABEL_HOST_WORKER_THREAD_H
#define MIRTABEL_HOST_WORKER_THREAD_H

#include <cstddef>
#ifndef _WIN32
#include <pthread.h>
#endif

inline constexpr std::size_t kWorkerStackSize = 512 * 1024;

class WorkerThread {
 public:
  WorkerThread() noexcept = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { join(); }

  // Runs `run(argument)` on a new thread with `stack_size` bytes of stack. Returns 0, or the
  // errno value saying why the system could not start it (EAGAIN: no room for another thread).
  int start(void (*run)(void*), void* argument, std::size_t stack_size) noexcept;
  // Waits for the thread to end, if one was started.
  void join() noexcept;

 private:
  bool started_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  pthread_t thread_{};
#endif
};

// Starts a worker with kWorkerStackSize of stack; the batch's default way to start its threads.
int start_worker_thread(WorkerThread& thread, void (*run)(void*), void* argument) noexcept;

#endif
