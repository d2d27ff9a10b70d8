// What happens when mxpconvert is interrupted or its output goes away. As gzip does, a signal
// that ends the program (SIGINT, SIGTERM, SIGHUP; Ctrl-C or closing the console on Windows)
// first removes the temporary files of the conversions under way, so that no partial file is
// left. A closed pipe (SIGPIPE) and a file-size limit (SIGXFSZ) do not end the program: the
// write fails with EPIPE or EFBIG instead, and the conversion ends as after any failed write.
#ifndef MIRTABEL_HOST_INTERRUPTION_H
#define MIRTABEL_HOST_INTERRUPTION_H

#include <cstddef>

#include "platform/temporary_file.h"

// Installs the handlers. `notes` (two per worker: its output's and its side file's) must stay valid
// until stop_removing_temporary_files(). A signal that was ignored when the program started, as
// nohup leaves SIGHUP, stays ignored.
void remove_temporary_files_on_interruption(mirtabel::TemporaryFileNote* notes, std::size_t count);
void stop_removing_temporary_files();

// Turns SIGPIPE and SIGXFSZ into failed writes.
void report_failed_writes_instead_of_signals();

#endif
