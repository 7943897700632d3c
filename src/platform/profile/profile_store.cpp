// Profile store on GLib's GKeyFile. Reads never modify the file; a store
// takes the folder's lock, reads the current file, changes what it must and
// replaces the whole file (profile_file.h), so an interrupted store leaves
// the previous file intact and two stores at once keep each other's values.
#include "platform/profile/profile_store.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/profile/profile_escape.h"
#include "platform/profile/profile_file.h"

namespace skyweave {
namespace {

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

enum class FileState { Loaded, Missing, Corrupt, Unreadable, TooLarge };

struct LoadedFile {
    KeyFilePtr keys;
    FileState state;
};

// Loads the profile file; `keys` is always a usable (possibly empty) key file.
LoadedFile LoadKeyFile(const std::filesystem::path& path) {
    LoadedFile result{KeyFilePtr(g_key_file_new()), FileState::Loaded};
    const ProfileFileText file = ReadProfileFile(path);
    switch (file.state) {
        case ProfileFileState::kMissing:
            result.state = FileState::Missing;
            return result;
        case ProfileFileState::kTooLarge:
            result.state = FileState::TooLarge;
            return result;
        case ProfileFileState::kUnreadable:
            result.state = FileState::Unreadable;
            return result;
        case ProfileFileState::kRead:
            break;
    }
    GError* raw = nullptr;
    const auto flags =
        static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (!g_key_file_load_from_data(result.keys.get(), file.text.data(), file.text.size(), flags,
                                   &raw)) {
        ErrorPtr error(raw);
        result.state = FileState::Corrupt;
        result.keys.reset(g_key_file_new());
    }
    return result;
}

// What the user is told about a file that could not be used, "" for none.
std::string ProblemOf(FileState state, const std::filesystem::path& path) {
    switch (state) {
        case FileState::TooLarge:
            return "the settings file " + path.string() +
                   " is larger than 1 MiB and is not a settings file";
        case FileState::Unreadable:
            return "the settings file " + path.string() + " cannot be read";
        case FileState::Corrupt:
            return "the settings file " + path.string() + " is not a settings file";
        case FileState::Loaded:
        case FileState::Missing:
            break;
    }
    return "";
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return true;
        }
    }
    return false;
}

bool HoldsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
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

// A string value as it is read: the key file's own form, or the escaped form
// of a string that is not UTF-8. A value with an escape the key file does not
// know reads as it always did, the escape taken literally.
std::optional<std::string> ReadStringValue(GKeyFile* keys, const char* group, const char* key) {
    GError* raw_error = nullptr;
    GCharPtr text(g_key_file_get_string(keys, group, key, &raw_error));
    const ErrorPtr error(raw_error);
    if (!text) {
        return std::nullopt;
    }
    if (error) {
        GCharPtr raw(g_key_file_get_value(keys, group, key, nullptr));
        if (raw) {
            if (std::optional<std::string> bytes = UnescapeProfileBytes(raw.get())) {
                return bytes;
            }
        }
    }
    return std::string(text.get());
}

void SetStringValue(GKeyFile* keys, const char* group, const char* key, std::string_view value) {
    const std::string text(value);
    if (IsValidUtf8(value)) {
        g_key_file_set_string(keys, group, key, text.c_str());
    } else {
        g_key_file_set_value(keys, group, key, EscapeProfileBytes(value).c_str());
    }
}

// One read-modify-write of the file at `path` under the folder's lock:
// `change` edits the loaded keys and answers whether anything changed.
// `problem` is set to what went wrong, or cleared.
bool ModifyKeyFile(const std::filesystem::path& path, const std::function<bool(GKeyFile*)>& change,
                   std::string& problem) {
    const std::filesystem::path target = ProfileWriteTarget(path);
    const ProfileFileLock lock(target);
    if (!lock.held()) {
        problem = "the settings folder " + target.parent_path().string() + " cannot be used";
        return false;
    }
    LoadedFile loaded = LoadKeyFile(target);
    problem = ProblemOf(loaded.state, target);
    switch (loaded.state) {
        case FileState::Loaded:
        case FileState::Missing:
            problem.clear();
            break;
        case FileState::Corrupt:
        case FileState::TooLarge:
            // The deliberate store replacing it keeps the user's old text,
            // under a name of its own, for inspection.
            if (const auto aside = SetCorruptFileAside(target)) {
                problem += "; it was kept as " + aside->string();
            }
            break;
        case FileState::Unreadable:
            return false;  // never replaced: it may hold what the user needs
    }
    if (!change(loaded.keys.get())) {
        return true;  // nothing to change
    }
    gsize length = 0;
    GCharPtr data(g_key_file_to_data(loaded.keys.get(), &length, nullptr));
    if (!data || !ReplaceProfileFile(target, std::string_view(data.get(), length))) {
        problem = "the settings file " + target.string() + " cannot be written";
        return false;
    }
    return true;
}

}  // namespace

bool IsStorableProfileString(std::string_view value) {
    return IsValidUtf8(value) && !HoldsNul(value);
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

struct ProfileSnapshot::Keys {
    explicit Keys(KeyFilePtr loaded) : file(std::move(loaded)) {}
    KeyFilePtr file;
};

ProfileSnapshot::ProfileSnapshot(std::unique_ptr<Keys> keys) : keys_(std::move(keys)) {}
ProfileSnapshot::ProfileSnapshot(ProfileSnapshot&&) noexcept = default;
ProfileSnapshot& ProfileSnapshot::operator=(ProfileSnapshot&&) noexcept = default;
ProfileSnapshot::~ProfileSnapshot() = default;

ProfileSnapshot ProfileStore::Read() const {
    const std::filesystem::path path = FilePath();
    LoadedFile loaded = LoadKeyFile(path);
    problem_ = ProblemOf(loaded.state, path);
    if (loaded.state != FileState::Loaded) {
        return ProfileSnapshot(nullptr);
    }
    return ProfileSnapshot(std::make_unique<ProfileSnapshot::Keys>(std::move(loaded.keys)));
}

std::int32_t ProfileSnapshot::GetProfileInt(std::string_view section, std::string_view entry,
                                            std::int32_t defaultValue) const {
    if (!keys_ || !IsUsableSection(section) || !IsUsableEntry(entry)) {
        return defaultValue;
    }
    const std::string group(section);
    const std::string key(entry);
    GCharPtr text(g_key_file_get_value(keys_->file.get(), group.c_str(), key.c_str(), nullptr));
    if (!text) {
        return defaultValue;
    }
    return ParseInt32(text.get()).value_or(defaultValue);
}

std::string ProfileSnapshot::GetProfileString(std::string_view section, std::string_view entry,
                                              std::string_view defaultValue) const {
    if (!keys_ || !IsUsableSection(section) || !IsUsableEntry(entry)) {
        return std::string(defaultValue);
    }
    const std::string group(section);
    const std::string key(entry);
    return ReadStringValue(keys_->file.get(), group.c_str(), key.c_str())
        .value_or(std::string(defaultValue));
}

std::int32_t ProfileStore::GetProfileInt(std::string_view section, std::string_view entry,
                                         std::int32_t defaultValue) const {
    if (!IsUsableSection(section) || !IsUsableEntry(entry)) {
        return defaultValue;
    }
    return Read().GetProfileInt(section, entry, defaultValue);
}

std::string ProfileStore::GetProfileString(std::string_view section, std::string_view entry,
                                           std::string_view defaultValue) const {
    if (!IsUsableSection(section) || !IsUsableEntry(entry)) {
        return std::string(defaultValue);
    }
    return Read().GetProfileString(section, entry, defaultValue);
}

bool ProfileStore::WriteProfileInt(std::string_view section, std::string_view entry,
                                   std::int32_t value) {
    if (!IsUsableSection(section) || !IsUsableEntry(entry)) {
        return false;
    }
    const std::string group(section);
    const std::string key(entry);
    return ModifyKeyFile(
        FilePath(),
        [&](GKeyFile* keys) {
            g_key_file_set_integer(keys, group.c_str(), key.c_str(), value);
            return true;
        },
        problem_);
}

bool ProfileStore::WriteProfileString(std::string_view section,
                                      std::optional<std::string_view> entry,
                                      std::optional<std::string_view> value) {
    if (!IsUsableSection(section)) {
        return false;
    }
    const std::string group(section);
    if (!entry) {
        // Deleting the section: nothing to do when no file holds it.
        const LoadedFile current = LoadKeyFile(FilePath());
        if (current.state == FileState::Missing ||
            (current.state == FileState::Loaded &&
             !g_key_file_has_group(current.keys.get(), group.c_str()))) {
            return true;
        }
        return ModifyKeyFile(
            FilePath(),
            [&](GKeyFile* keys) {
                g_key_file_remove_group(keys, group.c_str(), nullptr);
                return true;
            },
            problem_);
    }
    if (!IsUsableEntry(*entry)) {
        return false;
    }
    const std::string key(*entry);
    if (!value) {
        const LoadedFile current = LoadKeyFile(FilePath());
        if (current.state == FileState::Missing ||
            (current.state == FileState::Loaded &&
             !g_key_file_has_key(current.keys.get(), group.c_str(), key.c_str(), nullptr))) {
            return true;
        }
        return ModifyKeyFile(
            FilePath(),
            [&](GKeyFile* keys) {
                g_key_file_remove_key(keys, group.c_str(), key.c_str(), nullptr);
                return true;
            },
            problem_);
    }
    if (HoldsNul(*value)) {
        return false;
    }
    return ModifyKeyFile(
        FilePath(),
        [&](GKeyFile* keys) {
            SetStringValue(keys, group.c_str(), key.c_str(), *value);
            return true;
        },
        problem_);
}

bool ProfileStore::WriteProfileValues(std::string_view section,
                                      std::span<const ProfileValue> values) {
    if (!IsUsableSection(section)) {
        return false;
    }
    for (const ProfileValue& value : values) {
        const auto* text = std::get_if<std::string_view>(&value.value);
        if (!IsUsableEntry(value.entry) || (text != nullptr && HoldsNul(*text))) {
            return false;
        }
    }
    const std::string group(section);
    return ModifyKeyFile(
        FilePath(),
        [&](GKeyFile* keys) {
            for (const ProfileValue& value : values) {
                const std::string key(value.entry);
                if (const auto* number = std::get_if<std::int32_t>(&value.value)) {
                    g_key_file_set_integer(keys, group.c_str(), key.c_str(), *number);
                } else {
                    SetStringValue(keys, group.c_str(), key.c_str(),
                                   std::get<std::string_view>(value.value));
                }
            }
            return true;
        },
        problem_);
}

}  // namespace skyweave
