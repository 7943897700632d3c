// The desktop screen-saver daemon's entry into the program. main() asks
// IsHackCommandLine first; when it answers yes, the whole run belongs to
// RunHack and the Windows-style run modes (/c, /p N, /s, /a, /reset) are not
// consulted. The daemon's convention wins: any argument naming one of its
// options with one or two dashes (-root, -delay 20000, -zoom 40) makes the
// whole line the daemon's, and so does a dashed first argument that is no
// Windows switch, so that it ends with a message instead of doing nothing.
#pragma once

namespace skyweave {

// argc, argv: as main() receives them (argv[0] is the program). True when
// any argument begins with "--" or is "-" and a daemon option's name, or when
// argv[1] begins with "-" but is none of -c, -p, -s, -a (by their second
// letter) and -reset.
bool IsHackCommandLine(int argc, const char* const* argv);

// Runs the daemon-style command line to its end and returns the process exit
// code: 0 after a normal end (SIGTERM, SIGINT, a key in --window mode) or
// after --help and --version; 2 for a bad option or value, with the reason on
// stderr; 1 when the saver window could not be made. argc, argv: as main()
// receives them; only called when IsHackCommandLine said yes.
int RunHack(int argc, const char* const* argv);

}  // namespace skyweave
