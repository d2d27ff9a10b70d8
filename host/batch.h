// Converting many files on several threads, with each file's outcome handed back on the calling
// thread in the order of the files.
#ifndef MIRTABEL_HOST_BATCH_H
#define MIRTABEL_HOST_BATCH_H

#include <cstddef>
#include <functional>
#include <vector>

#include "host/file_conversion.h"
#include "host/worker_thread.h"

class BatchListener {
 public:
  // The file at `index` is done; every file before it has been reported already.
  virtual void file_done(std::size_t index, const FileOutcome& outcome) = 0;
  // Called when files finish and a few times a second meanwhile: `finished` of the files are
  // done, in any order; `last` is the one finished most recently (0 before any).
  virtual void progress(std::size_t finished, std::size_t last) = 0;

 protected:
  ~BatchListener() = default;
};

// One job's work, run on worker `worker` (0 up to the number of threads).
using BatchWork = std::function<FileOutcome(std::size_t job, unsigned worker)>;
// How a worker thread is started: start_worker_thread, or a test's stand-in.
using ThreadStarter = int (*)(WorkerThread&, void (*)(void*), void*) noexcept;

struct BatchResult {
  std::vector<FileOutcome> outcomes;  // in the order of the jobs
  unsigned threads = 0;               // the workers that ran
  int thread_error = 0;  // 0, or why a worker could not be started; with no worker, no job ran
};

// Runs `count` jobs, at most `threads` at a time (at least one). When a worker cannot be
// started, the jobs run on those that could. A job that throws fails with ENOMEM (for
// std::bad_alloc) or EIO; if the listener throws, no further job starts, the running ones finish
// and the exception passes on once every worker has ended. The listener is called on the
// calling thread only.
BatchResult run_batch(std::size_t count, unsigned threads, const BatchWork& work,
                      BatchListener& listener, ThreadStarter start = start_worker_thread);

#endif
