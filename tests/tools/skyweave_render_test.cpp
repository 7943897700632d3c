// skyweave-render end to end: exit codes, the exact load-failure text on
// stderr, and the pictures it writes, read back with libpng and compared
// with colours computed here by the picture model's expansion rules.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "engine/panorama_bytes.h"
#include "tools/tool_runner.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;

struct Png {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;  // top row first
    Rgb At(std::uint32_t x, std::uint32_t y) const {
        const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

Png ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Png png;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "not a PNG: " << path;
        return png;
    }
    image.format = PNG_FORMAT_RGB;
    png.width = image.width;
    png.height = image.height;
    png.rgb.resize(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr));
    return png;
}

// Every pixel of `png` is `colour`.
void ExpectUniform(const Png& png, Rgb colour) {
    int wrong = 0;
    for (std::uint32_t y = 0; y < png.height; ++y) {
        for (std::uint32_t x = 0; x < png.width; ++x) {
            wrong += !(png.At(x, y) == colour);
        }
    }
    EXPECT_EQ(wrong, 0) << "first pixel " << int{png.At(0, 0).red} << "," << int{png.At(0, 0).green}
                        << "," << int{png.At(0, 0).blue};
}

TEST_F(ToolTest, RenderHelpAndUsageErrorsExitTwo) {
    const ToolResult help = Render({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("--frames N"), std::string::npos);
    const std::string file = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/city.jpg";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {file},
             {file, "-o", Path("a.png"), "--frames", "3"},
             {file, "-o", Path("a.gif")},
             {file, "-o", Path("a.png"), "--size", "0x10"},
             {file, "-o", Path("a.png"), "--size", "64"},
             {file, "-o", Path("a.png"), "--quality", "3"},
             {file, "-o", Path("a.png"), "--depth", "32"},
             {file, "-o", Path("a.png"), "--view", "1,2,3"},
             {file, "-o", Path("a.png"), "--view", "1,2,3,nan"},
             {file, "--frames", "0"},
             {file, "-o", Path("a.png"), "--threads", "9"},
             {file, "-o", Path("a.png"), "--threads", "-1"},
             {file, "-o", Path("a.png"), "--threads", "two"},
             {file, "-o", Path("a.png"), "--wobble"},
             {file, "-o", Path("a.png"), "--projection"},
             {file, "-o", Path("a.png"), "--projection", "Fisheye"},
             {file, "-o", Path("a.png"), "--projection", "mercator"}}) {
        EXPECT_EQ(Render(args).exit_code, 2) << (args.empty() ? "" : args.back());
    }
    EXPECT_FALSE(std::filesystem::exists(Path("a.png")));
}

TEST_F(ToolTest, LoadFailuresPrintOnlyTheMessage) {
    struct Case {
        std::string file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {Write("tiny.pan", {'C', 'V', 'V'}), "File Type Error: Unsupported File Format\n"},
        {Path("missing.pan"), "File I/O Error: Cannot Open Specified File\n"},
        {Write("riff.avi", {'R', 'I', 'F', 'F', 0, 0, 0, 0}),
         "File Format Error: Cannot Format Specified Image.  Unsupported file fomat\n"},
        {Write("empty.pan", Container({})),
         "File Format Error: Cannot Format Specified Image.  \n"},
        {Write("new.pan", Container({{"BTMP", UniformBmp24(32, 16, {1, 2, 3})}}, 1)),
         "Version Error: Cannot load a version 5.0 file with version 4.0 software\n"},
    };
    for (const Case& c : cases) {
        const ToolResult result = Render({c.file, "-o", Path("out.png")});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
    }
}

TEST_F(ToolTest, UniformPanoramasComeOutInTheExpandedScreenColour) {
    const Rgb colour{203, 118, 45};
    const std::string file = Write("flat.pan", Container({{"BTMP", UniformBmp24(64, 32, colour)}}));
    // The expansions of the picture model, computed here: 5-6-5 keeps the
    // top 5, 6, 5 bits, 5-5-5 the top 5 of each, low bits zero.
    struct Case {
        std::string depth;
        Rgb expected;
    };
    for (const Case& c :
         {Case{"24", colour}, Case{"16", {200, 116, 40}}, Case{"15", {200, 112, 40}}}) {
        for (const std::string quality : {"0", "8"}) {
            const ToolResult result =
                Render({file, "-o", Path("flat.png"), "--size", "100x50", "--depth", c.depth,
                        "--quality", quality, "--view", "33,-12,4,75"});
            ASSERT_EQ(result.exit_code, 0) << result.err;
            const Png png = ReadPng(Path("flat.png"));
            EXPECT_EQ(png.width, 100u);
            EXPECT_EQ(png.height, 50u);
            ExpectUniform(png, c.expected);
        }
    }
}

TEST_F(ToolTest, EightBitFramesGoThroughTheColourTable) {
    const Bytes eight = Bmp8(
        64, 32,
        [](int i) {
            return Rgb{static_cast<std::uint8_t>(i), 77, static_cast<std::uint8_t>(255 - i)};
        },
        [](int, int) { return std::uint8_t{9}; });
    const std::string file = Write("eight.bmp", eight);
    for (const std::string depth : {"8", "24"}) {
        ASSERT_EQ(
            Render({file, "-o", Path("eight.png"), "--size", "40x40", "--depth", depth}).exit_code,
            0);
        ExpectUniform(ReadPng(Path("eight.png")), Rgb{9, 77, 246});
    }
}

TEST_F(ToolTest, PicturesAreWrittenTopRowFirst) {
    // Sky red above the horizon, ground blue below it.
    const std::string file = Write("sky.bmp", Bmp24(128, 64, [](int, int y) {
                                       return y < 32 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
                                   }));
    ASSERT_EQ(
        Render({file, "-o", Path("sky.png"), "--size", "64x48", "--view", "0,0,0,90"}).exit_code,
        0);
    const Png png = ReadPng(Path("sky.png"));
    EXPECT_EQ(png.At(10, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(png.At(10, 47), (Rgb{0, 0, 255}));
    ASSERT_EQ(
        Render({file, "-o", Path("sky.bmp"), "--size", "64x48", "--view", "0,0,0,90"}).exit_code,
        0);
    const std::string bmp = ReadText(Path("sky.bmp"));
    ASSERT_EQ(bmp.size(), 54u + 64 * 48 * 3);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[18]), 64);
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[22]), 48);
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[28]), 24);
    // BMP rows run bottom-up: the first row is ground (blue, stored B, G, R).
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[54]), 255);
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[56]), 0);
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[bmp.size() - 1]), 255);  // top row red
}

TEST_F(ToolTest, WideProjectionsShowSkyGroundAndNothingBeyondTheSphere) {
    const std::string file = Write("sky.bmp", Bmp24(128, 64, [](int, int y) {
                                       return y < 32 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
                                   }));
    const Rgb sky{255, 0, 0};
    const Rgb ground{0, 0, 255};
    const Rgb none{0, 0, 0};
    const struct {
        std::vector<std::string> how;
        std::uint32_t x, y;
        Rgb colour;
    } cases[] = {
        // Straight down at 240 degrees: the ground is a disc 18 pixels
        // across the middle, the sky all around it.
        {{"--little-planet"}, 32, 24, ground},
        {{"--little-planet"}, 32, 10, ground},
        {{"--little-planet"}, 0, 0, sky},
        {{"--little-planet"}, 63, 47, sky},
        // The whole sphere in a circle 64 pixels across, black outside.
        {{"--projection", "fisheye", "--view", "0,0,0,360"}, 32, 5, sky},
        {{"--projection", "fisheye", "--view", "0,0,0,360"}, 32, 43, ground},
        {{"--projection", "fisheye", "--view", "0,0,0,360"}, 0, 0, none},
        {{"--projection", "fisheye", "--view", "0,0,0,360"}, 63, 47, none},
        // Looking up 60 degrees at zoom 200 shows ground only near the
        // bottom edge.
        {{"--projection", "pannini", "--view", "0,60,0,200"}, 32, 0, sky},
        {{"--projection", "stereographic", "--view", "0,60,0,200"}, 32, 47, ground},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{file, "-o", Path("p.png"), "--size", "64x48"};
        args.insert(args.end(), c.how.begin(), c.how.end());
        ASSERT_EQ(Render(args).exit_code, 0) << c.how.back();
        EXPECT_EQ(ReadPng(Path("p.png")).At(c.x, c.y), c.colour)
            << c.how.back() << " at " << c.x << "," << c.y;
    }
    // Bands shared among threads draw the same picture as one thread.
    const std::string courtyard = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/courtyard.jpg";
    for (const std::string projection : {"stereographic", "fisheye", "pannini"}) {
        std::string first;
        for (const std::string threads : {"1", "2"}) {
            const std::string out = Path("w" + threads + ".bmp");
            ASSERT_EQ(Render({courtyard, "-o", out, "--size", "700x500", "--view", "170,80,12,250",
                              "--projection", projection, "--threads", threads, "--quality", "8"})
                          .exit_code,
                      0);
            const std::string picture = ReadText(out);
            EXPECT_TRUE(first.empty() || picture == first) << projection;
            first = picture;
        }
    }
}

TEST_F(ToolTest, TaggedCameraPosesAreLevelled) {
    // Sky red above the picture's own horizon, ground blue below; exiftool
    // tags the camera's pose. Each view looks 10 degrees above or below
    // the world horizon where a levelled picture and the picture as taken
    // disagree.
    const std::string bmp = Write("level.bmp", Bmp24(256, 128, [](int, int y) {
                                      return y < 64 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
                                  }));
    const Rgb sky{255, 0, 0};
    const Rgb ground{0, 0, 255};
    const struct {
        const char* pitch;
        const char* roll;
        const char* view;
        Rgb colour;
    } cases[] = {
        {nullptr, nullptr, "0,10,0,30", sky}, {"20", "0", "0,10,0,30", ground},
        {"20", "0", "180,-10,0,30", sky},     {"-20", "0", "0,-10,0,30", sky},
        {"-20", "0", "180,10,0,30", ground},  {"0", "20", "-90,-10,0,30", sky},
        {"0", "20", "90,10,0,30", ground},    {"0", "-20", "-90,10,0,30", ground},
        {"0", "-20", "90,-10,0,30", sky},
    };
    for (const auto& c : cases) {
        std::string tag = "convert " + bmp + " PNG24:" + Path("plain.png") +
                          " && exiftool -q -XMP-GPano:ProjectionType=equirectangular";
        if (c.pitch != nullptr) {
            tag += std::string(" -XMP-GPano:PosePitchDegrees=") + c.pitch +
                   " -XMP-GPano:PoseRollDegrees=" + c.roll;
        }
        std::filesystem::remove(Path("tagged.png"));
        tag += " -o " + Path("tagged.png") + " " + Path("plain.png");
        ASSERT_EQ(Run("/bin/bash", {"-c", tag}).exit_code, 0) << tag;
        ASSERT_EQ(
            Render({Path("tagged.png"), "-o", Path("v.png"), "--size", "64x48", "--view", c.view})
                .exit_code,
            0);
        EXPECT_EQ(ReadPng(Path("v.png")).At(32, 24), c.colour)
            << (c.pitch ? c.pitch : "untagged") << " " << (c.roll ? c.roll : "") << " " << c.view;
    }
}

// The same file and view drawn by 1, 2, 3 and 8 threads, and by one per
// processor, gives the same picture file byte for byte.
TEST_F(ToolTest, EveryThreadCountWritesTheSameFile) {
    const std::string file = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/courtyard.jpg";
    std::map<std::string, std::string> first;  // by quality
    for (const std::string threads : {"1", "2", "3", "8", "0"}) {
        for (const std::string quality : {"0", "8"}) {
            const std::string out = Path("t" + threads + "q" + quality + ".bmp");
            ASSERT_EQ(Render({file, "-o", out, "--size", "700x500", "--view", "170,88,12,75",
                              "--quality", quality, "--threads", threads})
                          .exit_code,
                      0);
            const std::string picture = ReadText(out);
            ASSERT_EQ(picture.size(), 54u + 700 * 500 * 3);
            const auto [kept, added] = first.emplace(quality, picture);
            EXPECT_TRUE(added || picture == kept->second)
                << threads << " threads, quality " << quality;
        }
    }
}

TEST_F(ToolTest, FramesModePrintsOneTimingLine) {
    const std::string file = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/courtyard.jpg";
    const ToolResult result = Render({file, "--frames", "5", "--size", "64x48", "--turn", "2"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // frames=5 size=64x48 ms_per_frame=<digits>.<three digits>, one line.
    const std::string prefix = "frames=5 size=64x48 ms_per_frame=";
    ASSERT_EQ(result.out.rfind(prefix, 0), 0u) << result.out;
    const std::string number = result.out.substr(prefix.size());
    const std::size_t dot = number.find('.');
    ASSERT_NE(dot, std::string::npos) << result.out;
    EXPECT_GT(dot, 0u);
    EXPECT_EQ(number.size(), dot + 5) << result.out;  // three decimals and the line feed
    EXPECT_EQ(number.back(), '\n');
    EXPECT_EQ(number.find_first_not_of("0123456789.\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
}

TEST_F(ToolTest, ImpossibleSizesGiveAMessageAndExitOne) {
    const std::string file = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/city.jpg";
    for (const char* size : {"200000x200000", "32737x16", "16x2000000000"}) {
        const ToolResult result = Render({file, "-o", Path("big.png"), "--size", size});
        EXPECT_EQ(result.exit_code, 1) << size;
        EXPECT_NE(result.err.find("the largest frame is 32736 pixels a side"), std::string::npos)
            << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("big.png")));
}

// Memory runs out under an address-space limit: before the picture (the
// allocation fails) and between the picture and the frame buffers (no frame
// is drawn). Each is a message and exit code 1, never an abort or a 0.
TEST_F(ToolTest, RunningOutOfMemoryIsAMessageAndExitOne) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
#else
    const std::string file = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/city.jpg";
    struct Case {
        const char* limit_kb;
        std::vector<std::string> args;
        const char* message;
    };
    // 12000 x 12000 at 3 bytes: 432 MB for the picture, as much again for
    // each frame buffer.
    const std::vector<Case> cases = {
        {"300000", {"-o", Path("a.png")}, "not enough memory"},
        {"800000", {"-o", Path("b.png")}, "no frame was drawn"},
        {"800000", {"--frames", "3"}, "no frame was drawn"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {
            "-c",
            std::string("ulimit -v ") + c.limit_kb + " && exec \"$0\" \"$@\"",
            SKYWEAVE_RENDER_TOOL,
            file,
            "--size",
            "12000x12000"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolResult result = Run("/bin/bash", args);
        EXPECT_EQ(result.exit_code, 1) << c.limit_kb << " " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(Path("a.png")));
    EXPECT_FALSE(std::filesystem::exists(Path("b.png")));
#endif
}

}  // namespace
}  // namespace skyweave

namespace skyweave {
namespace {

using namespace skyweave::testing;

// A PNG chunk with its length and checksum.
void AppendChunk(std::vector<std::uint8_t>& png, const char* type,
                 const std::vector<std::uint8_t>& data) {
    const auto be32 = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    be32(static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    be32(static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// Mean difference of two pictures of one size over every channel.
double MeanDifference(const Png& a, const Png& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        sum += std::abs(int{a.rgb[i]} - int{b.rgb[i]});
    }
    return sum / static_cast<double>(std::max<std::size_t>(a.rgb.size(), 1));
}

TEST_F(ToolTest, ThumbnailIsTheStillInitialViewUnderItsOwnBounds) {
    // 6144 x 3072 is past the thumbnail's decode bound: it is drawn from a
    // reduced picture, so it only comes close to the full-size render.
    ASSERT_EQ(std::system(("convert -size 6144x3072 gradient:orange-navy -fill white -draw "
                           "'rectangle 2900,1400 3300,1700' " +
                           Path("large.jpg"))
                              .c_str()),
              0);
    struct Case {
        std::string file;
        std::string size;
        std::string reference_size;
        double most_difference;  // mean over every channel; 0: the same pixels
    };
    const std::vector<Case> cases = {
        {SKYWEAVE_SOURCE_DIR "/samples/courtyard.jpg", "256", "256x144", 0},
        {SKYWEAVE_SOURCE_DIR "/samples/city.jpg", "97", "97x54", 0},
        {SKYWEAVE_SOURCE_DIR "/samples/forest.jpg", "1", "1x1", 0},
        {Path("large.jpg"), "320", "320x180", 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.size);
        const ToolResult made = Render({"--thumbnail", c.size, c.file, Path("thumb")});
        ASSERT_EQ(made.exit_code, 0) << made.err;
        EXPECT_EQ(made.out + made.err, "");
        const ToolResult reference = Render(
            {c.file, "-o", Path("reference.png"), "--size", c.reference_size, "--quality", "8"});
        ASSERT_EQ(reference.exit_code, 0) << reference.err;
        const Png thumb = ReadPng(Path("thumb"));
        const Png expected = ReadPng(Path("reference.png"));
        ASSERT_EQ(thumb.width, expected.width);
        ASSERT_EQ(thumb.height, expected.height);
        if (c.most_difference == 0) {
            EXPECT_TRUE(thumb.rgb == expected.rgb);
        } else {
            EXPECT_LT(MeanDifference(thumb, expected), c.most_difference);
        }
    }
}

TEST_F(ToolTest, ThumbnailRefusesWhatItShouldNotDraw) {
    // A PNG that states 20000 x 15000 pixels in a few bytes: refused before
    // any row is decoded, where a plain render tries and runs out of data.
    std::vector<std::uint8_t> huge = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    AppendChunk(huge, "IHDR", {0, 0, 0x4e, 0x20, 0, 0, 0x3a, 0x98, 8, 2, 0, 0, 0});
    AppendChunk(huge, "IDAT", {0x78, 0x9c, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    AppendChunk(huge, "IEND", {});
    const std::string stated = Write("stated.png", huge);
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--thumbnail", "256", stated, Path("t.png")},
         1,
         "File Format Error: Cannot Format Specified Image.  Insufficient system memory\n"},
        {{"--thumbnail", "256", Path("missing.pan"), Path("t.png")},
         1,
         "File I/O Error: Cannot Open Specified File\n"},
        {{"--thumbnail", "0", stated, Path("t.png")}, 2, "--thumbnail needs SIZE"},
        {{"--thumbnail", "4097", stated, Path("t.png")}, 2, "--thumbnail needs SIZE"},
        {{"--thumbnail", "256", stated}, 2, "--thumbnail needs SIZE"},
        {{"--thumbnail", "256", stated, Path("t.png"), "--view", "1,2,3,4"},
         2,
         "--thumbnail needs SIZE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const ToolResult result = Render(c.args);
        EXPECT_EQ(result.exit_code, c.exit_code);
        if (c.exit_code == 1) {
            EXPECT_EQ(result.err, c.err);
        } else {
            EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        }
        EXPECT_FALSE(std::filesystem::exists(Path("t.png")));
    }
}

}  // namespace
}  // namespace skyweave
