// What a caller asks of the open-file dialog, as plain data, and the parsing
// of the classic filter string ("Name|*.ext|Name|*.*||") into it. The GTK
// dialog (open_file_dialog.h) carries it out; the options dialog's model
// builds it without any toolkit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skyweave {

struct FileFilter {
    std::string name;                   // shown to the user
    std::vector<std::string> patterns;  // glob patterns, e.g. "*.pan"
};

struct OpenFileRequest {
    // Extension (without dot) the file name is completed with when a typed
    // name names no file; empty for none.
    std::string defaultExtension;
    // File shown as chosen when the dialog opens; may be empty, relative or
    // name no existing file.
    std::string initialFile;
    std::vector<FileFilter> filters;  // first one active
    // Label of a further button that chooses a folder instead of a file (the
    // folder selected in the list, else the one shown); '&' marks its
    // mnemonic. Empty: files only.
    std::string folderButton;
};

// Splits "Name1|pat1;pat2|Name2|pat3||" into filters. Pairs missing their
// pattern part, and empty names, end the list, as the classic dialog does.
std::vector<FileFilter> ParseFilterString(std::string_view filter);

// A case-insensitive form of a glob pattern for toolkits that match names
// case-sensitively ("*.pan" gives "*.[pP][aA][nN]"), with "*.*" meaning
// every file, dotted or not, as it always has on the saver's home platform.
std::string CaseInsensitiveGlob(std::string_view pattern);

}  // namespace skyweave
