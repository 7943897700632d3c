// skyweave-pan: shows, builds and unpacks panorama files, for people who
// make panoramas and for the tests. Reads files as untrusted data: every
// offset and length is checked, and extract writes nothing outside DIR.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "image/image_format.h"
#include "image/picture_facts.h"
#include "pan_writer.h"
#include "panfile/chunk_directory.h"
#include "panfile/file_records.h"
#include "panfile/init_chunk.h"
#include "panfile/kind_tag.h"
#include "panfile/picture_placement.h"
#include "picture_files.h"
#include "platform/core/file_reader.h"
#include "platform/core/log_text.h"

namespace skyweave {
namespace {

constexpr std::string_view kUsage =
    "usage: skyweave-pan info FILE\n"
    "       skyweave-pan pack -o OUT.pan --image IMAGE [--init HF,HT,PF,PT,H,P,R,Z]\n"
    "                         [--file PATH]... [--version-code N] [--lossless]\n"
    "       skyweave-pan extract [--force] FILE DIR\n";

constexpr std::string_view kHelp =
    "  info     print the kind tag, version code, chunk directory, the INIT\n"
    "           fields with the extents and initial view they give, the\n"
    "           embedded files and the hot-spot count\n"
    "  pack     build a panorama container from a picture, an optional INIT\n"
    "           (eight signed 16-bit numbers: heading from, heading to, pitch\n"
    "           from, pitch to, heading, pitch, roll, zoom), embedded files\n"
    "           (stored under their base names) and a version code (-128 to\n"
    "           127, or 128 to 255 for the same byte). A JPEG, BMP or DIB\n"
    "           stream is stored as it is; a PNG, WebP, HEIC or AVIF picture\n"
    "           as a JPEG of quality 95, or as a BMP with --lossless\n"
    "  extract  write the image stream (image.jpg, image.bmp, image.dib,\n"
    "           image.png, image.webp, image.heif or image.bin) and the\n"
    "           embedded files into DIR; names that could leave DIR are\n"
    "           refused, and so are existing files (unless --force) and a DIR\n"
    "           that other users may write\n"
    "\n"
    "A malformed file gives a message on stderr and exit code 1; usage errors\n"
    "give exit code 2.\n";

int UsageError(std::string_view why) {
    std::cerr << "skyweave-pan: " << why << "\n" << kUsage;
    return 2;
}

// Bytes shown safely: printable ASCII as is, the rest as \xNN.
std::string Printable(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<InputFile> file = InputFile::Open(path);
    if (!file) {
        std::cerr << "skyweave-pan: cannot open " << EscapeForLog(path) << "\n";
        return false;
    }
    if (!MemoryCanHold(file->Size())) {
        std::cerr << "skyweave-pan: " << EscapeForLog(path) << " is too large to read\n";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(file->Size()));
    if (file->ReadAt(0, bytes) != bytes.size()) {
        std::cerr << "skyweave-pan: cannot read " << EscapeForLog(path) << "\n";
        return false;
    }
    return true;
}

// The problems of a container that make it malformed, one message each.
std::vector<std::string> ContainerProblems(std::span<const std::uint8_t> file) {
    std::vector<std::string> problems;
    if (file.size() < kContainerHeaderSize) {
        problems.push_back("the header is cut short (" + std::to_string(file.size()) +
                           " of 16 bytes)");
        return problems;
    }
    const std::vector<ChunkEntry> entries = ReadChunkDirectory(file);
    if (entries.size() < DeclaredEntryCount(file)) {
        problems.push_back("the directory declares " + std::to_string(DeclaredEntryCount(file)) +
                           " entries but only " + std::to_string(entries.size()) +
                           " fit in the file");
    }
    for (const ChunkEntry& entry : entries) {
        if (!ChunkFits(entry, file)) {
            problems.push_back("chunk " + Printable({entry.id.data(), 4}) + " (offset " +
                               std::to_string(entry.offset) + ", size " +
                               std::to_string(entry.size) + ") runs past the end of the file (" +
                               std::to_string(file.size()) + " bytes)");
        }
    }
    if (FindChunk("BTMP", file).empty()) {
        problems.push_back("there is no usable BTMP chunk (the panorama image)");
    }
    const std::span<const std::uint8_t> files = FindChunk("FILE", file);
    if (!files.empty() && !ReadFileRecords(files).complete) {
        problems.push_back("the FILE records run past their chunk");
    }
    return problems;
}

void PrintInit(std::span<const std::uint8_t> chunk) {
    const std::optional<InitFields> f = ReadInitChunk(chunk);
    if (!f) {
        std::cout << "INIT: " << chunk.size() << " bytes, fewer than 16: ignored (full sphere)\n";
        return;
    }
    std::cout << "INIT: heading_from=" << f->heading_from << " heading_to=" << f->heading_to
              << " pitch_from=" << f->pitch_from << " pitch_to=" << f->pitch_to
              << " heading=" << f->heading << " pitch=" << f->pitch << " roll=" << f->roll
              << " zoom=" << f->zoom << "\n";
    const InitExtents e = ExtentsOf(*f);
    std::cout << "INIT form: " << (e.extent_form ? "extent" : "range") << "; heading "
              << e.heading_from << " to " << e.heading_to << ", pitch " << e.pitch_from << " to "
              << e.pitch_to << "\n";
    std::cout << "extents: heading=" << e.heading_extent << " pitch=" << e.pitch_extent << " ("
              << (e.IsFullSphere() ? "full sphere" : "partial panorama") << ")\n";
    const int zoom = f->zoom == 0 ? 60 : f->zoom;
    std::cout << "initial view: heading=" << f->heading << " pitch=" << f->pitch
              << " roll=" << f->roll << " zoom=" << zoom << "\n";
}

// What a plain picture file shows: its size as shown and where the loader
// puts it on the sphere.
void PrintPlainPicture(std::span<const std::uint8_t> bytes) {
    const PictureFacts facts = ProbeImage(bytes);
    std::cout << "plain image: " << bytes.size() << " bytes, " << facts.width << " x "
              << facts.height;
    if (facts.orientation != 1) {
        std::cout << " (turned upright by Exif orientation " << facts.orientation << ")";
    }
    std::cout << ", no chunks\n";
    const PicturePlacement placement = PlacePicture(facts);
    if (placement.full_sphere) {
        std::cout << "placement: covers the full sphere\n";
    } else if (placement.centred) {
        std::cout << "placement: a strip of the full circle, " << 360.0 * facts.height / facts.width
                  << " degrees high, on the horizon\n";
    } else {
        std::cout << "placement: Photo Sphere, " << placement.picture_width << " x "
                  << placement.picture_height << " at column " << placement.left << ", row "
                  << placement.top << " of a " << placement.full_width << " x "
                  << placement.full_height << " panorama\n";
    }
    if (placement.heading || placement.pitch || placement.zoom) {
        std::cout << "initial view: heading=" << placement.heading.value_or(0)
                  << " pitch=" << placement.pitch.value_or(0)
                  << " zoom=" << placement.zoom.value_or(60) << "\n";
    }
}

// Hot-spot records: 16 bytes of angles and a name of at most 2047
// characters with its zero. Returns false when a record runs past the chunk.
bool HotSpotsFit(std::span<const std::uint8_t> chunk) {
    std::size_t at = 1;
    for (unsigned k = 0; k < chunk[0]; ++k) {
        if (chunk.size() - at < 16) {
            return false;
        }
        at += 16;
        const std::span<const std::uint8_t> rest = chunk.subspan(at);
        const void* zero = std::memchr(rest.data(), 0, std::min<std::size_t>(rest.size(), 2048));
        if (zero == nullptr) {
            return false;
        }
        at += static_cast<const std::uint8_t*>(zero) - rest.data() + 1;
    }
    return true;
}

int Info(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return 1;
    }
    const std::optional<KindTag> kind = KindOf(bytes);
    if (!kind) {
        std::cerr << "skyweave-pan: " << EscapeForLog(path)
                  << ": unsupported file format (not a panorama container, nor a BMP, JPEG, "
                     "PNG, WebP, HEIC or AVIF picture)\n";
        return 1;
    }
    std::cout << "kind: \"" << KindTagText(*kind) << "\"\n";
    if (*kind != KindTag::kContainer) {
        PrintPlainPicture(bytes);
        return 0;
    }
    std::vector<std::string> problems = ContainerProblems(bytes);
    if (const std::optional<std::int8_t> code = ContainerVersionCode(bytes)) {
        std::cout << "version code: " << int{*code};
        if (*code > 0) {
            std::cout << " (a version " << *code + 4 << ".0 file: refused by version 4.0)";
        }
        std::cout << "\n";
    }
    const std::vector<ChunkEntry> entries = ReadChunkDirectory(bytes);
    std::cout << "directory: " << DeclaredEntryCount(bytes) << " entries\n";
    for (const ChunkEntry& entry : entries) {
        std::cout << "  " << Printable({entry.id.data(), 4}) << " offset=" << entry.offset
                  << " size=" << entry.size
                  << (ChunkFits(entry, bytes) ? "" : " (outside the file)") << "\n";
    }
    const std::span<const std::uint8_t> init = FindChunk("INIT", bytes);
    if (!init.empty()) {
        PrintInit(init);
    }
    const std::span<const std::uint8_t> files = FindChunk("FILE", bytes);
    if (!files.empty()) {
        for (const FileRecord& record : ReadFileRecords(files).records) {
            const bool safe = IsSafeFileName(record.name);
            std::cout << "FILE: " << Printable(record.name) << " " << record.content.size()
                      << " bytes" << (safe ? "" : " (unsafe name)") << "\n";
            if (!safe) {
                problems.push_back("the embedded file name \"" + Printable(record.name) +
                                   "\" could leave the directory it is extracted into");
            }
        }
    }
    const std::span<const std::uint8_t> hot_spots = FindChunk("HSPT", bytes);
    if (!hot_spots.empty()) {
        std::cout << "HSPT: " << int{hot_spots[0]} << " hot spots\n";
        if (!HotSpotsFit(hot_spots)) {
            problems.push_back("the HSPT records run past their chunk");
        }
    }
    for (const std::string& problem : problems) {
        std::cerr << "skyweave-pan: " << EscapeForLog(path) << ": " << problem << "\n";
    }
    return problems.empty() ? 0 : 1;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Pack(int argc, char** argv) {
    std::string output;
    std::string image_path;
    PanoramaContents contents;
    std::vector<std::string> file_paths;
    bool lossless = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--lossless") {
            lossless = true;
            continue;
        }
        if (i + 1 >= argc) {
            return UsageError("option " + std::string(arg) + " needs a value");
        }
        const std::string_view value = argv[++i];
        if (arg == "-o") {
            output = std::string(value);
        } else if (arg == "--image") {
            image_path = std::string(value);
        } else if (arg == "--init") {
            std::vector<std::int16_t> fields;
            std::string_view rest = value;
            while (true) {
                const std::size_t comma = rest.find(',');
                const auto number = ParseInteger(rest.substr(0, comma), -32768, 32767);
                if (!number) {
                    return UsageError("--init needs eight integers from -32768 to 32767");
                }
                fields.push_back(static_cast<std::int16_t>(*number));
                if (comma == std::string_view::npos) {
                    break;
                }
                rest.remove_prefix(comma + 1);
            }
            if (fields.size() != 8) {
                return UsageError("--init needs eight integers HF,HT,PF,PT,H,P,R,Z");
            }
            contents.init = InitFields{fields[0], fields[1], fields[2], fields[3],
                                       fields[4], fields[5], fields[6], fields[7]};
        } else if (arg == "--file") {
            file_paths.emplace_back(value);
        } else if (arg == "--version-code") {
            const auto code = ParseInteger(value, -128, 255);
            if (!code) {
                return UsageError("--version-code needs a number from -128 to 255");
            }
            contents.version_code = static_cast<std::int8_t>(static_cast<std::uint8_t>(*code));
        } else {
            return UsageError("unknown option " + std::string(arg));
        }
    }
    if (output.empty() || image_path.empty()) {
        return UsageError("pack needs -o OUT.pan and --image IMAGE");
    }
    if (!ReadWholeFile(image_path, contents.image)) {
        return 1;
    }
    if (const std::string failure = MakeStorable(contents.image, lossless); !failure.empty()) {
        std::cerr << "skyweave-pan: " << EscapeForLog(image_path) << ": " << failure << "\n";
        return 1;
    }
    for (const std::string& path : file_paths) {
        EmbeddedFile file;
        file.name = BaseName(path);
        if (!IsSafeFileName(file.name)) {
            std::cerr << "skyweave-pan: " << EscapeForLog(path)
                      << ": not a file name that can be embedded\n";
            return 1;
        }
        if (!ReadWholeFile(path, file.content)) {
            return 1;
        }
        contents.files.push_back(std::move(file));
    }
    const std::vector<std::uint8_t> bytes = BuildPanorama(contents);
    if (bytes.empty()) {
        std::cerr << "skyweave-pan: the contents do not fit in a panorama file (4 GiB)\n";
        return 1;
    }
    std::FILE* out = std::fopen(output.c_str(), "wb");
    if (out == nullptr) {
        std::cerr << "skyweave-pan: cannot create " << EscapeForLog(output) << ": "
                  << std::strerror(errno) << "\n";
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        std::cerr << "skyweave-pan: cannot write " << EscapeForLog(output) << "\n";
        return 1;
    }
    return 0;
}

// Writes `content` as `name` inside the directory open as `directory_fd`,
// never following a symlink planted under that name. Without `overwrite` an
// existing name is left alone and the write fails with EEXIST in errno.
bool WriteInto(int directory_fd, const std::string& name, std::span<const std::uint8_t> content,
               bool overwrite) {
    const int fd = ::openat(
        directory_fd, name.c_str(),
        O_WRONLY | O_CREAT | (overwrite ? O_TRUNC : O_EXCL) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
        0644);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;  // a FIFO or device under the name: not ours to fill
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && ok;
}

std::string ImageStreamName(std::span<const std::uint8_t> stream) {
    switch (ImageFormatOf(stream)) {
        case ImageFormat::kJpeg:
            return "image.jpg";
        case ImageFormat::kBmpFile:
            return "image.bmp";
        case ImageFormat::kDib:
            return "image.dib";
        case ImageFormat::kPng:
            return "image.png";
        case ImageFormat::kWebp:
            return "image.webp";
        case ImageFormat::kHeif:
            return "image.heif";
        case ImageFormat::kUnknown:
            break;
    }
    return "image.bin";
}

// Why files must not be written into the open directory `directory_fd`, or
// "" when they may: the directory must be this user's and closed to others,
// or anybody could swap or plant what we write.
std::string UnsafeDirectoryReason(int directory_fd) {
    struct stat info {};
    if (::fstat(directory_fd, &info) != 0) {
        return "cannot be examined";
    }
    if (info.st_uid != ::geteuid()) {
        return "belongs to another user";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "may be written by other users";
    }
    return "";
}

// "cannot write NAME", with the reason when it is an existing file.
std::string WriteProblem(const std::string& shown_name) {
    if (errno == EEXIST) {
        return "not overwriting the existing \"" + shown_name + "\" (use --force)";
    }
    return "cannot write \"" + shown_name + "\"";
}

int Extract(const std::string& path, const std::string& directory, bool overwrite) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return 1;
    }
    const std::optional<KindTag> kind = KindOf(bytes);
    if (!kind) {
        std::cerr << "skyweave-pan: " << EscapeForLog(path) << ": unsupported file format\n";
        return 1;
    }
    std::vector<std::string> problems;
    std::span<const std::uint8_t> image = bytes;
    FileRecordWalk files;
    if (*kind == KindTag::kContainer) {
        problems = ContainerProblems(bytes);
        image = FindChunk("BTMP", bytes);
        files = ReadFileRecords(FindChunk("FILE", bytes));
    }
    const bool created = ::mkdir(directory.c_str(), 0755) == 0;
    if (!created && errno != EEXIST) {
        std::cerr << "skyweave-pan: cannot create " << EscapeForLog(directory) << ": "
                  << std::strerror(errno) << "\n";
        return 1;
    }
    const int directory_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd < 0) {
        std::cerr << "skyweave-pan: cannot open " << EscapeForLog(directory) << "\n";
        return 1;
    }
    if (created) {
        // Ours from the start: a group-writing umask must not make it unsafe.
        ::fchmod(directory_fd, 0755);
    }
    if (const std::string reason = UnsafeDirectoryReason(directory_fd); !reason.empty()) {
        ::close(directory_fd);
        std::cerr << "skyweave-pan: refusing to extract into " << EscapeForLog(directory) << ": it "
                  << reason << "\n";
        return 1;
    }
    const std::string image_name = ImageStreamName(image);
    if (!image.empty()) {
        if (WriteInto(directory_fd, image_name, image, overwrite)) {
            std::cout << image_name << " " << image.size() << " bytes\n";
        } else {
            problems.push_back(WriteProblem(image_name));
        }
    }
    for (const FileRecord& record : files.records) {
        const std::string name(record.name);
        if (!IsSafeFileName(name) || name.find('\0') != std::string::npos) {
            problems.push_back("refusing the unsafe file name \"" + Printable(name) + "\"");
            continue;
        }
        if (name == image_name) {
            problems.push_back("refusing \"" + name + "\": the image stream has that name");
            continue;
        }
        if (WriteInto(directory_fd, name, record.content, overwrite)) {
            std::cout << Printable(name) << " " << record.content.size() << " bytes\n";
        } else {
            problems.push_back(WriteProblem(Printable(name)));
        }
    }
    ::close(directory_fd);
    for (const std::string& problem : problems) {
        std::cerr << "skyweave-pan: " << EscapeForLog(path) << ": " << problem << "\n";
    }
    return problems.empty() ? 0 : 1;
}

int Run(int argc, char** argv) {
    if (argc >= 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::cout << kUsage << "\n" << kHelp;
        return 0;
    }
    if (argc < 2) {
        return UsageError("no command given");
    }
    const std::string_view command = argv[1];
    if (command == "info") {
        if (argc != 3) {
            return UsageError("info needs one FILE");
        }
        return Info(argv[2]);
    }
    if (command == "pack") {
        return Pack(argc, argv);
    }
    if (command == "extract") {
        const bool force = argc >= 3 && std::string_view(argv[2]) == "--force";
        const int first = force ? 3 : 2;
        if (argc != first + 2) {
            return UsageError("extract needs FILE and DIR");
        }
        return Extract(argv[first], argv[first + 1], force);
    }
    return UsageError("unknown command " + std::string(command));
}

}  // namespace
}  // namespace skyweave

int main(int argc, char** argv) {
    return skyweave::Run(argc, argv);
}
