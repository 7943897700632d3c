// The per-user profile: named sections of named 32-bit integers and strings,
// kept in one key file per application at
//   ${XDG_CONFIG_HOME:-$HOME/.config}/<company>/<application>.conf
// with one group per section and one key per value. It stands in for the
// class library's profile calls over the per-user registry, under the same
// names. Owned by the application object (or a test); the settings layer and
// the command-line modes read and write through it. Every read goes to the
// file, so several processes see each other's stores; every store rewrites
// the file atomically (temporary file plus rename).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace skyweave {

// One value of a grouped store: an entry name and a 32-bit integer or a string.
struct ProfileValue {
    std::string_view entry;
    std::variant<std::int32_t, std::string_view> value;
};

// The profile file as one read found it: every value asked of it comes from
// that one parse, so a caller wanting many values reads and parses the file
// once. Made by ProfileStore::Read.
class ProfileSnapshot {
  public:
    ProfileSnapshot(ProfileSnapshot&&) noexcept;
    ProfileSnapshot& operator=(ProfileSnapshot&&) noexcept;
    ~ProfileSnapshot();

    // As ProfileStore::GetProfileInt and GetProfileString, from this read.
    std::int32_t GetProfileInt(std::string_view section, std::string_view entry,
                               std::int32_t defaultValue) const;
    std::string GetProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue) const;

  private:
    friend class ProfileStore;
    struct Keys;
    explicit ProfileSnapshot(std::unique_ptr<Keys> keys);
    std::unique_ptr<Keys> keys_;  // null when the file could not be used
};

class ProfileStore {
  public:
    // Application name taken from the running program's file name (see
    // ApplicationNameFromProgram); no company until SetRegistryKey.
    ProfileStore();

    // Explicit application name, for tests and tools. An unusable name (empty,
    // ".", "..", or holding '/') is replaced by "skyweave".
    explicit ProfileStore(std::string_view applicationName);

    // Places the profile under the folder of `company` (a single folder name,
    // "Corvane" for this program). Names holding '/' or being "." or ".." are
    // refused and leave the profile where it was.
    void SetRegistryKey(std::string_view company);

    // Replaces the application name (same rules as the constructor).
    void SetApplicationName(std::string_view applicationName);

    const std::string& ApplicationName() const { return applicationName_; }
    const std::string& CompanyName() const { return companyName_; }

    // The file that holds the profile; evaluated from the environment at every
    // call so that a changed XDG_CONFIG_HOME takes effect at once.
    std::filesystem::path FilePath() const;

    // The file read and parsed once; Problem() tells why it could not be used.
    ProfileSnapshot Read() const;

    // The integer `entry` of `section`, or `defaultValue` when the file, the
    // section or the entry is missing, the file is unreadable or corrupt, or the
    // value is not a decimal 32-bit number. Values from 2^31 to 2^32 - 1 are
    // read as the same 32 bits (so callers may treat the result as unsigned).
    std::int32_t GetProfileInt(std::string_view section, std::string_view entry,
                               std::int32_t defaultValue) const;

    // The string `entry` of `section`, or `defaultValue` under the same
    // conditions as GetProfileInt.
    std::string GetProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue) const;

    // Stores `value` as a decimal number. Returns false, with the file
    // unchanged, when the names are unusable or the file cannot be written.
    bool WriteProfileInt(std::string_view section, std::string_view entry, std::int32_t value);

    // Stores the string `value` under `entry` (any bytes but NUL; a value
    // that is not UTF-8 is stored escaped and reads back byte for byte). A
    // missing `entry` deletes the whole section; a missing `value` deletes
    // the entry. Returns false, with the file unchanged, when the names are
    // unusable, the value holds a NUL or the file cannot be written. Deleting from a missing file
    // or section succeeds without creating anything.
    bool WriteProfileString(std::string_view section, std::optional<std::string_view> entry,
                            std::optional<std::string_view> value);

    // Stores `values` into `section` in one rewrite of the file: either all of
    // them land, in the given order, or (names unusable, a string holding a
    // NUL, the file not writable) none does and false is returned.
    bool WriteProfileValues(std::string_view section, std::span<const ProfileValue> values);

    // Why the last read or store could not use the file ("the settings file
    // PATH is larger than 1 MiB and is not a settings file", ...), or "" when
    // it could. Reads then gave defaults and stores returned false; a corrupt
    // or oversized file is set aside by the next store, which says where.
    const std::string& Problem() const { return problem_; }

  private:
    std::string applicationName_;
    std::string companyName_;
    mutable std::string problem_;
};

// True when `value` is stored as plain text: valid UTF-8 without NUL
// characters, so that it can also be shown as it is. Any other string
// without NUL is stored in an escaped form (WriteProfileString).
bool IsStorableProfileString(std::string_view value);

// The base name of the running program without folder and extension
// ("/usr/bin/skyweave.bin" gives "skyweave"), from /proc/self/exe, falling back
// to `argv0` (may be empty) and then to "skyweave".
std::string ApplicationNameFromProgram(std::string_view argv0 = {});

// The base name of `programPath` without folder and last extension; a name that
// would become empty keeps its extension (".hidden" stays ".hidden").
std::string BaseNameWithoutExtension(std::string_view programPath);

}  // namespace skyweave
