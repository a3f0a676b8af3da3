#pragma once
// What an interrupted run leaves: nothing. One thread takes the interrupting
// signals (SIGINT, SIGTERM, SIGHUP) for the whole process, removes the
// folder registered as unfinished, and ends the process by the same signal.
// Libraries that start threads of their own (MPI) inherit the blocked
// signals, so the signals reach this thread alone.
#include <string>

namespace coswitch {

// Starts the watching thread; call before any other thread is started.
// Without a thread to spare, signals act as usual.
void watch_interrupts();

// The folder to remove when interrupted (empty: none).
void set_unfinished_folder(const std::string& path);

}  // namespace coswitch
