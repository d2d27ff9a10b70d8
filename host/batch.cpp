#include "host/batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

std::vector<FileOutcome> convert_all(const std::vector<FileJob>& jobs, unsigned threads,
                                     bool keep_titles, BatchListener& listener) {
  const std::size_t total = jobs.size();
  std::vector<FileOutcome> outcomes(total);
  std::vector<bool> done(total, false);  // guarded by `mutex`, as is `finished`
  std::size_t finished = 0;
  std::size_t last = 0;
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<std::size_t> next{0};

  auto work = [&] {
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= total) return;
      FileOutcome outcome = convert_file(jobs[i].input, jobs[i].output, keep_titles);
      {
        const std::lock_guard<std::mutex> lock(mutex);
        outcomes[i] = std::move(outcome);
        done[i] = true;
        ++finished;
        last = i;
      }
      changed.notify_one();
    }
  };

  const std::size_t count = std::min<std::size_t>(std::max(threads, 1u), total);
  std::vector<std::thread> workers;
  workers.reserve(count);
  for (std::size_t t = 0; t < count; ++t)
    workers.emplace_back(work);

  // Report each file once it and all before it are done, so that the messages come in the order
  // of the files whatever order the threads finish in.
  std::size_t reported = 0;
  std::size_t seen = 0;
  while (reported < total) {
    std::size_t now_finished;
    std::size_t now_last;
    std::size_t ready;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return finished > seen; });
      now_finished = finished;
      now_last = last;
      ready = reported;
      while (ready < total && done[ready])
        ++ready;
    }
    seen = now_finished;
    // Outcomes below `ready` are no longer written by any thread.
    for (; reported < ready; ++reported)
      listener.file_done(reported, outcomes[reported]);
    listener.progress(now_finished, now_last);
  }
  for (std::thread& worker : workers)
    worker.join();
  return outcomes;
}
