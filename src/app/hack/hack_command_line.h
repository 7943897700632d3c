// The desktop screen-saver daemon's entry into the program. main() asks
// IsHackCommandLine first; when it answers yes, the whole run belongs to
// RunHack and the Windows-style run modes (/c, /p N, /s, /a, /reset) are not
// consulted. Those modes give no meaning to a first argument beginning with
// "--" or to -root, -window and -window-id, so nothing they accept changes.
#pragma once

namespace skyweave {

// argc, argv: as main() receives them (argv[0] is the program). True when
// argv[1] begins with "--" or is exactly "-root", "-window" or "-window-id".
bool IsHackCommandLine(int argc, const char* const* argv);

// Runs the daemon-style command line to its end and returns the process exit
// code: 0 after a normal end (SIGTERM, SIGINT, a key in --window mode) or
// after --help and --version; 2 for a bad option or value, with the reason on
// stderr; 1 when the saver window could not be made. argc, argv: as main()
// receives them; only called when IsHackCommandLine said yes.
int RunHack(int argc, const char* const* argv);

}  // namespace skyweave
