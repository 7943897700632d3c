// skyweave-render: draws views of a panorama file with the saver's engine
// into a picture file, or times a run of moving frames. Used by people who
// make panoramas, by the tests and by the benchmarks.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "engine/panorama_engine.h"
#include "picture_files.h"
#include "platform/core/memory_draw_target.h"
#include "platform/core/worker_pool.h"
#include "thumbnail.h"

namespace skyweave {
namespace {

constexpr std::string_view kUsage =
    "usage: skyweave-render FILE -o OUT.png|OUT.bmp [--view H,P,R,Z] [--size WxH]\n"
    "                       [--quality K] [--depth D] [--threads N]\n"
    "                       [--projection P | --little-planet]\n"
    "       skyweave-render FILE --frames N [--size WxH] [--turn DEG] [--quality K]\n"
    "                       [--depth D] [--threads N] [--stats]\n"
    "                       [--projection P | --little-planet]\n"
    "       skyweave-render --thumbnail SIZE FILE OUT.png\n";

constexpr std::string_view kHelp =
    "Draws a panorama file (.pan, or a BMP, JPEG, PNG, WebP, HEIC or AVIF\n"
    "picture) with the Skyweave engine.\n"
    "\n"
    "  -o OUT          write the presented picture as PNG (.png) or BMP (.bmp),\n"
    "                  top row first, expanded to 24 bits\n"
    "  --view H,P,R,Z  heading, pitch, roll and zoom in degrees\n"
    "                  (default: the file's initial view)\n"
    "  --size WxH      destination rectangle in pixels (default 1280x720)\n"
    "  --quality K     0: one moving frame (default); 1 or 8: the still filter,\n"
    "                  the view drawn twice and the still frame written\n"
    "  --depth D       screen depth: 8, 15, 16 or 24 (default: as\n"
    "                  SKYWEAVE_SCREEN_DEPTH, else 24)\n"
    "  --projection P  rectilinear (default), stereographic, fisheye or\n"
    "                  pannini; the zoom may reach 300, 360 and 300 degrees\n"
    "  --little-planet the stereographic projection looking straight down at\n"
    "                  zoom 240 (--view 0,-90,0,240 unless --view says more)\n"
    "  --threads N     threads that draw each frame: 0 one per processor\n"
    "                  (default), 1 to 8 that many; the picture is the same\n"
    "  --frames N      draw N moving frames, the heading advancing by --turn\n"
    "                  degrees per frame (default 1.5), and print\n"
    "                  frames=N size=WxH ms_per_frame=X.XXX\n"
    "  --stats         with --frames: also print the load time and the time\n"
    "                  spent in the renderer to stderr\n"
    "  --thumbnail SIZE FILE OUT.png\n"
    "                  write the file's initial view, SIZE pixels wide and\n"
    "                  9/16 of that high, as PNG (for file managers); large\n"
    "                  pictures are decoded at a reduced scale\n"
    "\n"
    "A file that cannot be loaded, a size too large to draw or to hold in memory,\n"
    "and a run that drew no frame give a message on stderr and exit code 1;\n"
    "usage errors give exit code 2.\n";

// The largest destination side drawn: the renderer's widest frame. Larger
// sizes are read (so that the message can name them) and then refused.
constexpr std::int32_t kMaxSide = 32736;
constexpr std::int32_t kMaxReadSide = 2000000000;

struct Options {
    std::string file;
    std::string output;
    std::optional<std::vector<double>> view;
    SizeArgument size{1280, 720};
    std::int16_t quality = 0;
    std::optional<int> depth;
    Projection projection = Projection::Rectilinear;
    bool little_planet = false;
    std::optional<std::int64_t> frames;
    double turn = 1.5;
    // Thread-count setting: 0 one per processor, else 1 to kMaxWorkerThreads.
    int threads = 0;
    bool stats = false;
};

// The process's peak resident set so far, in KiB.
long PeakResidentKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Milliseconds one plain memcpy of `bytes` bytes takes, averaged over
// copies between buffers that together exceed the caches, as a frame copy
// inside the pipeline does: the yardstick for a still frame that is only
// copied.
double FrameCopyMilliseconds(std::size_t bytes) {
    constexpr int kPairs = 4;
    constexpr int kCopies = 12;
    std::vector<std::unique_ptr<std::uint8_t[]>> buffers;
    for (int i = 0; i < 2 * kPairs; ++i) {
        buffers.push_back(std::make_unique<std::uint8_t[]>(bytes));
        std::memset(buffers.back().get(), i, bytes);
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCopies; ++i) {
        const int pair = i % kPairs;
        std::memcpy(buffers[2 * pair + 1].get(), buffers[2 * pair].get(), bytes);
    }
    const double total =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    volatile std::uint8_t sink = buffers[1][bytes / 2];  // keep the copies observable
    (void)sink;
    return total / kCopies;
}

int UsageError(std::string_view why) {
    std::cerr << "skyweave-render: " << why << "\n" << kUsage;
    return 2;
}

// True when the engine rendered or copied at least one frame since its load.
bool DrewAFrame(const PanoramaEngine& engine) {
    const FrameStatistics& stats = engine.Statistics();
    return stats.moving_renders + stats.still_renders + stats.still_copies != 0;
}

int NothingDrawn(const SizeArgument& size) {
    std::cerr << "skyweave-render: no frame was drawn: the " << size.width << "x" << size.height
              << " frame buffers could not be allocated\n";
    return 1;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

int Run(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--thumbnail") {
        std::optional<std::int64_t> size;
        if (argc != 5 || !(size = ParseInteger(argv[2], 1, kMaxThumbnailSide))) {
            return UsageError("--thumbnail needs SIZE (1 to 4096), FILE and OUT.png");
        }
        return WriteThumbnail(static_cast<std::int32_t>(*size), argv[3], argv[4]);
    }
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << "\n" << kHelp;
            return 0;
        }
        std::optional<std::string_view> text;
        if (arg == "-o") {
            if (!(text = value())) {
                return UsageError("-o needs a file name");
            }
            options.output = std::string(*text);
        } else if (arg == "--view") {
            if (!(text = value()) || !(options.view = ParseNumberList(*text, 4))) {
                return UsageError("--view needs four numbers H,P,R,Z");
            }
        } else if (arg == "--size") {
            std::optional<SizeArgument> size;
            if (!(text = value()) || !(size = ParseSize(*text, kMaxReadSide))) {
                return UsageError("--size needs WxH, each at least 1");
            }
            options.size = *size;
        } else if (arg == "--quality") {
            std::optional<std::int64_t> quality;
            if (!(text = value()) || !(quality = ParseInteger(*text, 0, 8)) ||
                (*quality != 0 && *quality != 1 && *quality != 8)) {
                return UsageError("--quality needs 0, 1 or 8");
            }
            options.quality = static_cast<std::int16_t>(*quality);
        } else if (arg == "--depth") {
            std::optional<std::int64_t> depth;
            if (!(text = value()) || !(depth = ParseInteger(*text, 8, 24)) ||
                (*depth != 8 && *depth != 15 && *depth != 16 && *depth != 24)) {
                return UsageError("--depth needs 8, 15, 16 or 24");
            }
            options.depth = static_cast<int>(*depth);
        } else if (arg == "--frames") {
            if (!(text = value()) || !(options.frames = ParseInteger(*text, 1, 100000000))) {
                return UsageError("--frames needs a count of at least 1");
            }
        } else if (arg == "--turn") {
            std::optional<double> turn;
            if (!(text = value()) || !(turn = ParseNumber(*text))) {
                return UsageError("--turn needs a number of degrees");
            }
            options.turn = *turn;
        } else if (arg == "--threads") {
            std::optional<std::int64_t> threads;
            if (!(text = value()) || !(threads = ParseInteger(*text, 0, kMaxWorkerThreads))) {
                return UsageError("--threads needs 0 (one per processor) to 8");
            }
            options.threads = static_cast<int>(*threads);
        } else if (arg == "--projection") {
            const auto names = kProjectionNames;
            const auto* found = names.end();
            if ((text = value())) {
                found = std::find(names.begin(), names.end(), *text);
            }
            if (found == names.end()) {
                return UsageError(
                    "--projection needs rectilinear, stereographic, fisheye or pannini");
            }
            options.projection = static_cast<Projection>(found - names.begin());
        } else if (arg == "--little-planet") {
            options.projection = Projection::Stereographic;
            options.little_planet = true;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg.starts_with("-") && arg != "-") {
            return UsageError("unknown option " + std::string(arg));
        } else if (options.file.empty()) {
            options.file = std::string(arg);
        } else {
            return UsageError("more than one FILE");
        }
    }
    if (options.file.empty()) {
        return UsageError("no FILE given");
    }
    if (options.frames.has_value() == !options.output.empty()) {
        return UsageError("give either -o OUT or --frames N");
    }
    if (!options.output.empty() && !EndsWith(options.output, ".png") &&
        !EndsWith(options.output, ".bmp")) {
        return UsageError("the output name must end in .png or .bmp");
    }
    if (options.size.width > kMaxSide || options.size.height > kMaxSide) {
        std::cerr << "skyweave-render: cannot draw " << options.size.width << "x"
                  << options.size.height << ": the largest frame is " << kMaxSide
                  << " pixels a side\n";
        return 1;
    }
    if (options.depth) {
        // The picture model reads the screen depth from here when no display
        // query is installed.
        ::setenv("SKYWEAVE_SCREEN_DEPTH", std::to_string(*options.depth).c_str(), 1);
    }

    WorkerPool pool(ResolveThreadCount(options.threads));
    const long rss_before_load_kb = PeakResidentKilobytes();
    const auto load_start = std::chrono::steady_clock::now();
    PanoramaEngine engine;
    try {
        engine.LoadFile(options.file);
    } catch (const PanoramaLoadError& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    const double load_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - load_start)
            .count();

    const ViewState start = engine.View();
    const ViewState view = options.view ? ViewState{(*options.view)[0], (*options.view)[1],
                                                    (*options.view)[2], (*options.view)[3]}
                           : options.little_planet ? ViewState{0, -90, 0, 240}
                                                   : start;
    engine.SetStillQuality(options.quality);
    engine.SetProjection(options.projection);
    engine.SetWorkerPool(&pool);
    MemoryDrawTarget target(options.size.width, options.size.height);
    const PixelRect rect{0, 0, options.size.width, options.size.height};

    if (options.frames) {
        const auto run_start = std::chrono::steady_clock::now();
        for (std::int64_t frame = 0; frame < *options.frames; ++frame) {
            engine.SetView(view.heading + static_cast<double>(frame) * options.turn, view.pitch,
                           view.roll, view.zoom);
            engine.Draw(target, rect);
        }
        const double total_ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - run_start)
                .count();
        const double frames = static_cast<double>(*options.frames);
        if (!DrewAFrame(engine)) {
            return NothingDrawn(options.size);
        }
        std::printf("frames=%lld size=%dx%d ms_per_frame=%.3f\n",
                    static_cast<long long>(*options.frames), options.size.width,
                    options.size.height, total_ms / frames);
        if (options.stats) {
            const FrameStatistics& stats = engine.Statistics();
            const std::size_t frame_bytes = static_cast<std::size_t>(engine.Frame().width) *
                                            engine.Frame().height * engine.Frame().bytes_per_pixel;
            // Taken before the copy yardstick allocates its two buffers.
            const long peak_rss_kb = PeakResidentKilobytes();
            const double frame_copy_ms = FrameCopyMilliseconds(frame_bytes);
            std::fprintf(stderr,
                         "load_ms=%.3f image=%dx%d depth=%d render_view_ms_per_frame=%.3f "
                         "render_frame_ms_per_frame=%.3f present_ms_per_frame=%.3f moving=%llu "
                         "still_renders=%llu "
                         "still_copies=%llu frame_bytes=%zu frame_copy_ms=%.3f "
                         "rss_before_load_kb=%ld peak_rss_kb=%ld target_bytes=%zu threads=%d\n",
                         load_ms, engine.ImageWidth(), engine.ImageHeight(), engine.ImageDepth(),
                         static_cast<double>(stats.render_view_ns) / 1e6 / frames,
                         static_cast<double>(stats.frame_ns) / 1e6 / frames,
                         static_cast<double>(stats.present_ns) / 1e6 / frames,
                         static_cast<unsigned long long>(stats.moving_renders),
                         static_cast<unsigned long long>(stats.still_renders),
                         static_cast<unsigned long long>(stats.still_copies), frame_bytes,
                         frame_copy_ms, rss_before_load_kb, peak_rss_kb, target.Pixels().size(),
                         pool.Threads());
        }
        return 0;
    }

    engine.SetView(view.heading, view.pitch, view.roll, view.zoom);
    engine.Draw(target, rect);
    if (options.quality != 0) {
        engine.Draw(target, rect);  // the same view again: the still frame
    }
    if (!DrewAFrame(engine)) {
        return NothingDrawn(options.size);
    }
    const RgbPicture picture = ExpandTo24Bits(target);
    const std::string failure = EndsWith(options.output, ".png")
                                    ? WritePng(picture, options.output)
                                    : WriteBmp(picture, options.output);
    if (!failure.empty()) {
        std::cerr << "skyweave-render: cannot write " << options.output << ": " << failure << "\n";
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace skyweave

int main(int argc, char** argv) {
    try {
        return skyweave::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "skyweave-render: not enough memory for the picture of that size\n";
        return 1;
    }
}
