// Profile store on GLib's GKeyFile. Reads never modify the file; a store
// reads the current file, changes one value and saves the whole file through
// g_key_file_save_to_file, which writes a temporary file and renames it over
// the old one, so an interrupted store leaves the previous file intact.
#include "platform/profile/profile_store.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <system_error>

namespace skyweave {
namespace {

// A settings file larger than this is not ours; it is treated as corrupt
// rather than read into memory.
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileFree>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

enum class FileState { Loaded, Missing, Corrupt, Unreadable };

struct LoadedFile {
    KeyFilePtr keys;
    FileState state;
};

// Loads the profile file; `keys` is always a usable (possibly empty) key file.
LoadedFile LoadKeyFile(const std::filesystem::path& path) {
    LoadedFile result{KeyFilePtr(g_key_file_new()), FileState::Loaded};
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        result.state = FileState::Missing;
        return result;
    }
    if (ec) {
        result.state = FileState::Unreadable;
        return result;
    }
    if (!std::filesystem::is_regular_file(status)) {
        result.state = FileState::Unreadable;
        return result;
    }
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    if (ec) {
        result.state = FileState::Unreadable;
        return result;
    }
    if (bytes > kMaxFileBytes) {
        result.state = FileState::Corrupt;
        return result;
    }
    GError* raw = nullptr;
    const auto flags =
        static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (!g_key_file_load_from_file(result.keys.get(), path.c_str(), flags, &raw)) {
        ErrorPtr error(raw);
        if (error && error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT) {
            result.state = FileState::Missing;
        } else if (error && error->domain == G_FILE_ERROR) {
            result.state = FileState::Unreadable;
        } else {
            result.state = FileState::Corrupt;
        }
        result.keys.reset(g_key_file_new());
    }
    return result;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return true;
        }
    }
    return false;
}

bool IsValidUtf8(std::string_view text) {
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) != FALSE;
}

// Group names of a key file may not hold brackets or control characters.
bool IsUsableSection(std::string_view section) {
    return !section.empty() && IsValidUtf8(section) && !HasControlCharacter(section) &&
           section.find_first_of("[]") == std::string_view::npos;
}

// Key names may not hold '=', brackets (locale suffixes), control characters
// or surrounding blanks, and may not look like a comment.
bool IsUsableEntry(std::string_view entry) {
    return !entry.empty() && IsValidUtf8(entry) && !HasControlCharacter(entry) &&
           entry.find_first_of("=[]") == std::string_view::npos && entry.front() != ' ' &&
           entry.back() != ' ' && entry.front() != '#';
}

bool IsUsableFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::filesystem::path ConfigHome() {
    // Relative values of XDG_CONFIG_HOME are to be ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".config";
    }
    return std::filesystem::path(g_get_home_dir()) / ".config";
}

// Parses a decimal 32-bit number, surrounding blanks allowed. Accepts the
// signed and the unsigned spelling of the same 32 bits.
std::optional<std::int32_t> ParseInt32(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Writes `keys` to `path`, creating the folder (private to the user) first.
bool SaveKeyFile(GKeyFile* keys, const std::filesystem::path& path) {
    const std::string folder = path.parent_path().string();
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        return false;
    }
    GError* raw = nullptr;
    if (!g_key_file_save_to_file(keys, path.c_str(), &raw)) {
        ErrorPtr error(raw);
        return false;
    }
    return true;
}

// Loads the file for a change. A corrupt file is moved aside to
// "<file>.corrupt" so that the deliberate store replacing it keeps the user's
// old text for inspection; a file that exists but cannot be read is not
// touched at all (nullptr).
KeyFilePtr LoadForChange(const std::filesystem::path& path) {
    LoadedFile loaded = LoadKeyFile(path);
    switch (loaded.state) {
        case FileState::Loaded:
        case FileState::Missing:
            return std::move(loaded.keys);
        case FileState::Corrupt: {
            std::error_code ec;
            std::filesystem::path aside = path;
            aside += ".corrupt";
            std::filesystem::rename(path, aside, ec);
            return std::move(loaded.keys);
        }
        case FileState::Unreadable:
            break;
    }
    return nullptr;
}

}  // namespace

bool IsStorableProfileString(std::string_view value) {
    return IsValidUtf8(value) && value.find('\0') == std::string_view::npos;
}

std::string BaseNameWithoutExtension(std::string_view programPath) {
    const std::size_t slash = programPath.find_last_of('/');
    std::string_view base =
        slash == std::string_view::npos ? programPath : programPath.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) {
        base = base.substr(0, dot);
    }
    return std::string(base);
}

std::string ApplicationNameFromProgram(std::string_view argv0) {
    std::array<char, 4096> buffer{};
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length > 0) {
        std::string_view target(buffer.data(), static_cast<std::size_t>(length));
        // A program replaced while running reads as "<path> (deleted)".
        constexpr std::string_view kDeleted = " (deleted)";
        if (target.ends_with(kDeleted)) {
            target.remove_suffix(kDeleted.size());
        }
        std::string name = BaseNameWithoutExtension(target);
        if (IsUsableFolderName(name)) {
            return name;
        }
    }
    std::string name = BaseNameWithoutExtension(argv0);
    if (IsUsableFolderName(name)) {
        return name;
    }
    return "skyweave";
}

ProfileStore::ProfileStore() : applicationName_(ApplicationNameFromProgram()) {}

ProfileStore::ProfileStore(std::string_view applicationName) {
    SetApplicationName(applicationName);
}

void ProfileStore::SetRegistryKey(std::string_view company) {
    if (IsUsableFolderName(company)) {
        companyName_ = std::string(company);
    }
}

void ProfileStore::SetApplicationName(std::string_view applicationName) {
    applicationName_ =
        IsUsableFolderName(applicationName) ? std::string(applicationName) : "skyweave";
}

std::filesystem::path ProfileStore::FilePath() const {
    std::filesystem::path folder = ConfigHome();
    if (!companyName_.empty()) {
        folder /= companyName_;
    }
    return folder / (applicationName_ + ".conf");
}

std::int32_t ProfileStore::GetProfileInt(std::string_view section, std::string_view entry,
                                         std::int32_t defaultValue) const {
    if (!IsUsableSection(section) || !IsUsableEntry(entry)) {
        return defaultValue;
    }
    const LoadedFile loaded = LoadKeyFile(FilePath());
    if (loaded.state != FileState::Loaded) {
        return defaultValue;
    }
    const std::string group(section);
    const std::string key(entry);
    GCharPtr text(g_key_file_get_value(loaded.keys.get(), group.c_str(), key.c_str(), nullptr));
    if (!text) {
        return defaultValue;
    }
    return ParseInt32(text.get()).value_or(defaultValue);
}

std::string ProfileStore::GetProfileString(std::string_view section, std::string_view entry,
                                           std::string_view defaultValue) const {
    if (!IsUsableSection(section) || !IsUsableEntry(entry)) {
        return std::string(defaultValue);
    }
    const LoadedFile loaded = LoadKeyFile(FilePath());
    if (loaded.state != FileState::Loaded) {
        return std::string(defaultValue);
    }
    const std::string group(section);
    const std::string key(entry);
    GCharPtr text(g_key_file_get_string(loaded.keys.get(), group.c_str(), key.c_str(), nullptr));
    if (!text) {
        return std::string(defaultValue);
    }
    return std::string(text.get());
}

bool ProfileStore::WriteProfileInt(std::string_view section, std::string_view entry,
                                   std::int32_t value) {
    if (!IsUsableSection(section) || !IsUsableEntry(entry)) {
        return false;
    }
    const std::filesystem::path path = FilePath();
    KeyFilePtr keys = LoadForChange(path);
    if (!keys) {
        return false;
    }
    const std::string group(section);
    const std::string key(entry);
    g_key_file_set_integer(keys.get(), group.c_str(), key.c_str(), value);
    return SaveKeyFile(keys.get(), path);
}

bool ProfileStore::WriteProfileString(std::string_view section,
                                      std::optional<std::string_view> entry,
                                      std::optional<std::string_view> value) {
    if (!IsUsableSection(section)) {
        return false;
    }
    const std::string group(section);
    const std::filesystem::path path = FilePath();
    if (!entry) {
        // Deleting the section: nothing to do when no file holds it.
        const LoadedFile current = LoadKeyFile(path);
        if (current.state == FileState::Missing ||
            (current.state == FileState::Loaded &&
             !g_key_file_has_group(current.keys.get(), group.c_str()))) {
            return true;
        }
        KeyFilePtr keys = LoadForChange(path);
        if (!keys) {
            return false;
        }
        g_key_file_remove_group(keys.get(), group.c_str(), nullptr);
        return SaveKeyFile(keys.get(), path);
    }
    if (!IsUsableEntry(*entry)) {
        return false;
    }
    const std::string key(*entry);
    if (!value) {
        const LoadedFile current = LoadKeyFile(path);
        if (current.state == FileState::Missing ||
            (current.state == FileState::Loaded &&
             !g_key_file_has_key(current.keys.get(), group.c_str(), key.c_str(), nullptr))) {
            return true;
        }
        KeyFilePtr keys = LoadForChange(path);
        if (!keys) {
            return false;
        }
        g_key_file_remove_key(keys.get(), group.c_str(), key.c_str(), nullptr);
        return SaveKeyFile(keys.get(), path);
    }
    // A key file is UTF-8 text; storing other bytes would make the whole file
    // unreadable on the next load, losing every other value with it.
    if (!IsStorableProfileString(*value)) {
        return false;
    }
    KeyFilePtr keys = LoadForChange(path);
    if (!keys) {
        return false;
    }
    const std::string text(*value);
    g_key_file_set_string(keys.get(), group.c_str(), key.c_str(), text.c_str());
    return SaveKeyFile(keys.get(), path);
}

bool ProfileStore::WriteProfileValues(std::string_view section,
                                      std::span<const ProfileValue> values) {
    if (!IsUsableSection(section)) {
        return false;
    }
    for (const ProfileValue& value : values) {
        const auto* text = std::get_if<std::string_view>(&value.value);
        if (!IsUsableEntry(value.entry) || (text != nullptr && !IsStorableProfileString(*text))) {
            return false;
        }
    }
    const std::filesystem::path path = FilePath();
    KeyFilePtr keys = LoadForChange(path);
    if (!keys) {
        return false;
    }
    const std::string group(section);
    for (const ProfileValue& value : values) {
        const std::string key(value.entry);
        if (const auto* number = std::get_if<std::int32_t>(&value.value)) {
            g_key_file_set_integer(keys.get(), group.c_str(), key.c_str(), *number);
        } else {
            const std::string text(std::get<std::string_view>(value.value));
            g_key_file_set_string(keys.get(), group.c_str(), key.c_str(), text.c_str());
        }
    }
    return SaveKeyFile(keys.get(), path);
}

}  // namespace skyweave
