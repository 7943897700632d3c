// Starting another program by name without waiting for it.
//
// Owns the fork/exec mechanics behind "start this program and forget it":
// the program is looked up on the search path the way a shell does, started
// in its own session, and never becomes a lasting child of the caller, so no
// zombie is left behind and the host program's own child handling (a SIGCHLD
// handler, a GLib child watch, SIG_IGN) is neither needed nor disturbed.
// Called by the diagnostic channel to start the diagnostic server.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyweave {

// Resolves `name` the way execvp does: a name holding a slash is taken as
// is; otherwise each entry of `search_path` is tried in order (an empty
// entry is the current directory) and the first regular file the caller may
// execute wins.
//   name:        program file name or path; empty finds nothing.
//   search_path: colon-separated directories, the value of PATH; when the
//                process has no PATH, callers pass "/bin:/usr/bin".
// Returns the path to execute, or nothing when no such program exists.
std::optional<std::string> FindProgramOnPath(std::string_view name, std::string_view search_path);

// Starts `name` (found through the PATH of this process) with no arguments
// but its own name, detached: the call returns as soon as the program has
// been handed to the system, without waiting for it to run or end. The
// program inherits the standard streams and the environment; every other
// descriptor is closed and the signal mask is cleared.
//   name: program file name or path, e.g. "DBS.EXE".
// Returns false when the program was not found or no process could be
// created; true when the start was handed off (the program may still fail
// to execute, which is not reported).
bool StartDetachedProgram(std::string_view name);

}  // namespace skyweave
