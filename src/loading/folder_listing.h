// Listing a folder of panoramas: every file under a folder, its subfolders
// included, whose first bytes the loader's kind test accepts as something it
// reads, whatever the file is called. Hidden files and folders (names
// beginning with ".") are left out, a folder reached twice (through a
// symbolic link, a loop included) is read once, a link to a folder is
// followed only when it leads to a folder inside the chosen one, /proc, /sys
// and /dev are never read (a linked file there is left out; a linked regular
// file elsewhere is listed), and the walk stops after a
// bound on the names it looks at. Plain POSIX calls only; runs on whatever
// thread calls it (FolderLister runs it on one of its own).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skyweave {

struct FolderListingLimits {
    // Names looked at in all (files, folders and anything else, hidden ones
    // included); the walk stops at this many. Default 100,000.
    std::size_t max_entries = 100000;
    // Paths handed over at once at most; the first path found is handed
    // over alone, at once, so that a saver can start with it. Default 256.
    std::size_t batch_size = 256;
    // Seeds the order in which each folder's names are looked at (shuffled,
    // so that the first panorama found differs from run to run).
    std::uint32_t seed = 0;
};

enum class FolderListingEnd {
    kComplete,    // every name under the folder was looked at
    kTruncated,   // stopped at max_entries
    kCancelled,   // the cancel flag was set
    kUnreadable,  // the folder itself could not be opened, or is the kernel's
};

struct FolderListingResult {
    FolderListingEnd end = FolderListingEnd::kComplete;
    std::size_t entries = 0;    // names looked at
    std::size_t panoramas = 0;  // paths handed over
};

// Walks `folder` and hands every panorama's path (the folder's path joined
// with the names below it) to `found`, in batches, in the order found.
//   folder: the folder's path, absolute or relative to the working directory.
//   found:  called with each batch (never empty), on the calling thread.
//   cancel: when not null and set, the walk stops before its next name.
FolderListingResult ListPanoramas(const std::string& folder, const FolderListingLimits& limits,
                                  const std::function<void(std::vector<std::string>)>& found,
                                  const std::atomic<bool>* cancel = nullptr);

// True when `path` names a folder (through symbolic links).
bool IsFolder(const std::string& path);

// True when `path` names nothing at all any more (not even a dangling
// symbolic link): a file deleted since it was listed.
bool IsGone(const std::string& path);

}  // namespace skyweave
