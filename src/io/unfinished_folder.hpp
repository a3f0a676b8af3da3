#pragma once
// The folder being written that is not complete yet: whatever ends the
// process early (the interrupt watcher of the command line) removes it, so
// that an interrupted run leaves nothing. One for the whole process.
#include <string>

namespace coswitch {

// The folder to remove when the process is ended early (empty: none).
void set_unfinished_folder(const std::string& path);

// Removes that folder and everything in it, if there is one, and forgets it.
// Safe to call from any thread while others set it.
void remove_unfinished_folder();

}  // namespace coswitch
