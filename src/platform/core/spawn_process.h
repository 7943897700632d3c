// Starting another program by name without waiting for it.
//
// Owns the mechanics behind "start this program and forget it": the program
// is looked up on the search path (absolute folders only), started with
// posix_spawn in its own session with default signal handling and no
// descriptors of ours beyond the standard three, and reaped by a small
// thread of its own when it ends, so no zombie is left behind and the host's
// own child handling (a SIGCHLD handler, a GLib child watch, SIG_IGN) is
// neither needed nor disturbed. posix_spawn does not copy the caller's
// memory, so a start costs the same with a large panorama loaded and is
// safe while other threads run. Called by the diagnostic channel to start
// the diagnostic server.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyweave {

// Resolves `name` on a search path: a name holding a slash is taken as is;
// otherwise each absolute entry of `search_path` is tried in order and the
// first regular file the caller may execute wins. Empty and relative
// entries (".", "bin") are skipped: they would make the program depend on
// the folder the saver was started from, which anybody may fill.
//   name:        program file name or path; empty finds nothing.
//   search_path: colon-separated directories, the value of PATH; when the
//                process has no PATH, callers pass "/bin:/usr/bin".
// Returns the path to execute, or nothing when no such program exists.
std::optional<std::string> FindProgramOnPath(std::string_view name, std::string_view search_path);

// Starts `name` (found through the PATH of this process) with no arguments
// but its own name, detached: the call returns as soon as the program has
// been handed to the system, without waiting for it to run or end. The
// program inherits the standard streams and the environment.
//   name: program file name or path, e.g. "DBS.EXE".
// Returns false when the program was not found or could not be started;
// true when it was (it may still fail later, which is not reported).
bool StartDetachedProgram(std::string_view name);

}  // namespace skyweave
