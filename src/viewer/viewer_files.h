// The files the viewer steps through: the pictures of an opened folder, or
// those beside an opened file, in name order. Only the folder itself is
// read (no subfolders), names are judged by their endings so that listing
// a large folder opens no file, and the walk stops after a bound on names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace skyweave {

struct ViewerFiles {
    std::vector<std::string> paths;  // full paths, sorted by name
    std::size_t current = 0;         // the one to show first
};

// Most names of one folder looked at.
inline constexpr std::size_t kMaxViewerFolderNames = 100000;

// For a folder: its pictures, the first current (none when it holds none).
// For anything else: the pictures beside it with `path` itself among them
// (whatever its name or whether it exists), current.
ViewerFiles ListViewerFiles(const std::string& path);

// True when `name` ends in the name of a picture or panorama type the
// loader reads, in any case.
bool HasPictureEnding(const std::string& name);

}  // namespace skyweave
