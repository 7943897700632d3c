// See viewer_files.h.
#include "viewer/viewer_files.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <string_view>

#include "loading/folder_listing.h"

namespace skyweave {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The names of the folder's pictures (hidden ones left out), sorted.
std::vector<std::string> PictureNames(const std::string& folder) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return names;
    }
    std::size_t seen = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (++seen > kMaxViewerFolderNames) {
            break;
        }
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || !HasPictureEnding(name)) {
            continue;
        }
        if (!IsFolder(folder + "/" + name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

bool HasPictureEnding(const std::string& name) {
    static constexpr std::array<std::string_view, 10> kEndings = {
        ".pan", ".jpg", ".jpeg", ".jpe", ".png", ".webp", ".heic", ".heif", ".avif", ".bmp"};
    const std::string lower = Lower(name);
    return std::any_of(kEndings.begin(), kEndings.end(),
                       [&lower](std::string_view ending) { return lower.ends_with(ending); });
}

ViewerFiles ListViewerFiles(const std::string& path) {
    ViewerFiles files;
    if (IsFolder(path)) {
        for (const std::string& name : PictureNames(path)) {
            files.paths.push_back(JoinPath(path, name));
        }
        return files;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string own = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<std::string> names = PictureNames(folder);
    auto place = std::lower_bound(names.begin(), names.end(), own);
    if (place == names.end() || *place != own) {
        place = names.insert(place, own);
    }
    files.current = static_cast<std::size_t>(place - names.begin());
    for (const std::string& name : names) {
        files.paths.push_back(slash == std::string::npos ? name : JoinPath(folder, name));
    }
    return files;
}

}  // namespace skyweave
