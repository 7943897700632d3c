// The temporary-files directory of the process: where the engine makes its
// staging directory. Called by the engine at load and teardown.
#pragma once

#include <string>

namespace skyweave {

// $TMPDIR when it is set and not empty, else "/tmp"; without a trailing
// separator (a lone "/" stays "/").
std::string TemporaryFilesDirectory();

}  // namespace skyweave
