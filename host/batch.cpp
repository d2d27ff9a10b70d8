#include "host/batch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>

namespace {

// How often the calling thread wakes to report progress while no file finishes.
constexpr std::chrono::milliseconds kProgressInterval{200};

struct Batch {
  Batch(const BatchWork& w, std::size_t count)
      : work(w), total(count), outcomes(count), done(count, false) {}

  const BatchWork& work;
  const std::size_t total;
  std::vector<FileOutcome> outcomes;
  std::vector<bool> done;  // guarded by `mutex`, as are `finished` and `last`
  std::size_t finished = 0;
  std::size_t last = 0;
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<std::size_t> next{0};
  std::atomic<unsigned> workers{0};
};

FileOutcome run_job(Batch& batch, std::size_t job, unsigned worker) noexcept {
  try {
    return batch.work(job, worker);
  } catch (const std::bad_alloc&) {
    FileOutcome outcome;
    outcome.error = ENOMEM;
    outcome.failed = FailedPart::kConversion;
    return outcome;
  } catch (...) {
    FileOutcome outcome;
    outcome.error = EIO;
    outcome.failed = FailedPart::kConversion;
    return outcome;
  }
}

void worker_main(void* argument) {
  Batch& batch = *static_cast<Batch*>(argument);
  const unsigned worker = batch.workers.fetch_add(1);
  for (;;) {
    const std::size_t job = batch.next.fetch_add(1);
    if (job >= batch.total) return;
    FileOutcome outcome = run_job(batch, job, worker);
    {
      const std::lock_guard<std::mutex> lock(batch.mutex);
      batch.outcomes[job] = std::move(outcome);
      batch.done[job] = true;
      ++batch.finished;
      batch.last = job;
    }
    batch.changed.notify_one();
  }
}

// Ends the batch on every path out of run_batch: no further job starts, and every worker has
// ended before the outcomes they write go away.
struct Joiner {
  Batch& batch;
  std::unique_ptr<WorkerThread[]>& threads;
  std::size_t started;
  ~Joiner() {
    batch.next.store(batch.total);
    for (std::size_t t = 0; t < started; ++t)
      threads[t].join();
  }
};

// Reports each file once it and all before it are done, so that the messages come in the order
// of the files whatever order the threads finish in.
void report_in_order(Batch& batch, BatchListener& listener) {
  std::size_t reported = 0;
  std::size_t seen = 0;
  while (reported < batch.total) {
    std::size_t now_finished;
    std::size_t now_last;
    std::size_t ready;
    {
      std::unique_lock<std::mutex> lock(batch.mutex);
      batch.changed.wait_for(lock, kProgressInterval, [&] { return batch.finished > seen; });
      now_finished = batch.finished;
      now_last = batch.last;
      ready = reported;
      while (ready < batch.total && batch.done[ready])
        ++ready;
    }
    seen = now_finished;
    // Outcomes below `ready` are no longer written by any thread.
    for (; reported < ready; ++reported)
      listener.file_done(reported, batch.outcomes[reported]);
    listener.progress(now_finished, now_last);
  }
}

}  // namespace

BatchResult run_batch(std::size_t count, unsigned threads, const BatchWork& work,
                      BatchListener& listener, ThreadStarter start) {
  Batch batch(work, count);
  const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), count);
  std::unique_ptr<WorkerThread[]> workers(new WorkerThread[wanted]);
  BatchResult result;
  {
    Joiner joiner{batch, workers, 0};
    for (; joiner.started < wanted; ++joiner.started) {
      result.thread_error = start(workers[joiner.started], worker_main, &batch);
      if (result.thread_error != 0) break;
    }
    result.threads = static_cast<unsigned>(joiner.started);
    if (result.threads == 0) return result;
    report_in_order(batch, listener);
  }
  result.outcomes = std::move(batch.outcomes);
  return result;
}
