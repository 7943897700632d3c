// $TMPDIR, else /tmp.
#include "platform/core/temp_directory.h"

#include <cstdlib>

namespace skyweave {

std::string TemporaryFilesDirectory() {
    const char* from_environment = std::getenv("TMPDIR");
    std::string directory =
        (from_environment != nullptr && *from_environment != '\0') ? from_environment : "/tmp";
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    return directory;
}

}  // namespace skyweave
