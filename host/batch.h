// Converting many files on several threads, with each file's outcome handed back on the calling
// thread in the order of the files.
#ifndef MIRTABEL_HOST_BATCH_H
#define MIRTABEL_HOST_BATCH_H

#include <cstddef>
#include <vector>

#include "host/file_conversion.h"
#include "host/output_plan.h"

class BatchListener {
 public:
  // The file at `index` is done; every file before it has been reported already.
  virtual void file_done(std::size_t index, const FileOutcome& outcome) = 0;
  // `finished` of the files are done, in any order; `last` is the one finished most recently.
  virtual void progress(std::size_t finished, std::size_t last) = 0;

 protected:
  ~BatchListener() = default;
};

// Converts every job, at most `threads` at a time (at least one), and returns the outcomes in
// the order of the jobs. The listener is called on the calling thread only.
std::vector<FileOutcome> convert_all(const std::vector<FileJob>& jobs, unsigned threads,
                                     bool keep_titles, BatchListener& listener);

#endif
