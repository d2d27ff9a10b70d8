#include "host/interruption.h"

#include <atomic>
#include <csignal>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The program's one set of notes, read by the handler.
std::atomic<mirtabel::TemporaryFileNote*> notes_in_use{nullptr};
std::atomic<std::size_t> notes_count{0};

void remove_noted_files() {
  mirtabel::TemporaryFileNote* notes = notes_in_use.load();
  const std::size_t count = notes_count.load();
  for (std::size_t i = 0; notes != nullptr && i < count; ++i)
    mirtabel::remove_noted_file(notes[i]);
}

#ifdef _WIN32
BOOL WINAPI on_console_event(DWORD) {
  remove_noted_files();
  return FALSE;  // the default handler then ends the process
}
#else
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

void on_ending_signal(int signal_number) {
  remove_noted_files();
  // Ends the program by the same signal, so that its parent sees why it ended.
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}
#endif

}  // namespace

void remove_temporary_files_on_interruption(mirtabel::TemporaryFileNote* notes, std::size_t count) {
  notes_count.store(0);
  notes_in_use.store(notes);
  notes_count.store(count);
#ifdef _WIN32
  SetConsoleCtrlHandler(on_console_event, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = on_ending_signal;
  sigemptyset(&action.sa_mask);
  for (const int s : kEndingSignals)
    sigaddset(&action.sa_mask, s);
  for (const int s : kEndingSignals) {
    struct sigaction before {};
    if (sigaction(s, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
      sigaction(s, &action, nullptr);
    }
  }
#endif
}

void stop_removing_temporary_files() {
  notes_count.store(0);
  notes_in_use.store(nullptr);
}

void report_failed_writes_instead_of_signals() {
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}
