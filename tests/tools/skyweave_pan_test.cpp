// skyweave-pan end to end: pack, info and extract round trips, malformed
// files and names that try to leave the output directory.
#include "engine/panorama_bytes.h"
#include "tools/tool_runner.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;
namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    const std::string text = ReadText(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST_F(ToolTest, PanHelpAndUsageErrors) {
    const ToolResult help = Pan({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("skyweave-pan extract [--force] FILE DIR"), std::string::npos);
    EXPECT_EQ(Pan({}).exit_code, 2);
    EXPECT_EQ(Pan({"shuffle"}).exit_code, 2);
    EXPECT_EQ(Pan({"info"}).exit_code, 2);
    const std::string image = Write("a.bmp", UniformBmp24(32, 16, {1, 2, 3}));
    EXPECT_EQ(
        Pan({"pack", "-o", Path("x.pan"), "--image", image, "--init", "1,2,3,4,5,6,7"}).exit_code,
        2);
    EXPECT_EQ(Pan({"pack", "-o", Path("x.pan"), "--image", image, "--init", "1,2,3,4,5,6,7,40000"})
                  .exit_code,
              2);
    EXPECT_EQ(
        Pan({"pack", "-o", Path("x.pan"), "--image", image, "--version-code", "256"}).exit_code, 2);
    EXPECT_EQ(Pan({"pack", "--image", image}).exit_code, 2);
    EXPECT_FALSE(fs::exists(Path("x.pan")));
}

TEST_F(ToolTest, PackWritesTheLayoutTheReaderExpects) {
    const std::vector<std::uint8_t> image = UniformBmp24(32, 16, {9, 8, 7});
    const std::string image_path = Write("pic.bmp", image);
    std::ofstream(Path("~note.txt")) << "note";
    ASSERT_EQ(Pan({"pack", "-o", Path("out.pan"), "--image", image_path, "--init",
                   "120,60,0,0,10,-5,0,75", "--file", Path("~note.txt"), "--version-code", "255"})
                  .exit_code,
              0);
    // Built independently: the same container by the test's byte builder.
    const Bytes expected = RawContainer(
        {{"BTMP", 64, static_cast<std::uint32_t>(image.size())},
         {"INIT", 64 + static_cast<std::uint32_t>(image.size()), 16},
         {"FILE", 80 + static_cast<std::uint32_t>(image.size()), 19}},
        [&] {
            Bytes body = image;
            const Bytes init = Init(120, 60, 0, 0, 10, -5, 0, 75);
            const Bytes files = FileRecords({{"~note.txt", "note"}});
            body.insert(body.end(), init.begin(), init.end());
            body.insert(body.end(), files.begin(), files.end());
            return body;
        }(),
        0xFF);
    Bytes written = ReadBytes(Path("out.pan"));
    ASSERT_EQ(written.size(), expected.size());
    // Bytes that are not read may differ; the rest must not.
    for (std::size_t at :
         {4, 5, 6, 7, 13, 14, 15, 28, 29, 30, 31, 44, 45, 46, 47, 60, 61, 62, 63}) {
        written[at] = expected[at];
    }
    EXPECT_EQ(written, expected);
}

TEST_F(ToolTest, InfoShowsDirectoryInitFilesAndHotSpots) {
    Bytes hot_spots = {1};
    hot_spots.resize(17, 0);
    hot_spots.insert(hot_spots.end(), {'d', 'o', 'o', 'r', 0});
    const std::string file =
        Write("x.pan", Container({{"BTMP", UniformBmp24(32, 16, {1, 1, 1})},
                                  {"INIT", Init(-90, 90, 0, 0, 5, 6, 7, 0)},
                                  {"FILE", FileRecords({{"~a", "12"}, {"b", ""}})},
                                  {"HSPT", hot_spots}},
                                 0x01));
    const ToolResult info = Pan({"info", file});
    EXPECT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("kind: \"CVVL\"\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("version code: 1 (a version 5.0 file: refused by version 4.0)"),
              std::string::npos);
    EXPECT_NE(info.out.find("directory: 4 entries\n"), std::string::npos);
    EXPECT_NE(info.out.find("  HSPT offset=80 size=22\n"),
              std::string::npos);  // chunks stand in reverse
    EXPECT_NE(info.out.find("INIT form: extent; heading 45 to -45, pitch -45 to 45"),
              std::string::npos);
    EXPECT_NE(info.out.find("extents: heading=360 pitch=90 (partial panorama)"), std::string::npos);
    EXPECT_NE(info.out.find("initial view: heading=5 pitch=6 roll=7 zoom=60"), std::string::npos);
    EXPECT_NE(info.out.find("FILE: ~a 2 bytes\nFILE: b 0 bytes\n"), std::string::npos);
    EXPECT_NE(info.out.find("HSPT: 1 hot spots"), std::string::npos);

    const ToolResult plain = Pan({"info", std::string(SKYWEAVE_SOURCE_DIR) + "/samples/city.jpg"});
    EXPECT_EQ(plain.exit_code, 0);
    EXPECT_NE(plain.out.find("kind: \"JFIF\""), std::string::npos);
    // Plain pictures: their size, turn and place on the sphere.
    const std::string data = std::string(SKYWEAVE_SOURCE_DIR) + "/tests/data/formats/";
    const std::pair<const char*, const char*> pictures[] = {
        {"orient6.png",
         "96 x 48 (turned upright by Exif orientation 6), no chunks\n"
         "placement: covers the full sphere\n"},
        {"strip.png", "placement: a strip of the full circle, 90 degrees high, on the horizon\n"},
        {"crop.jpg", "placement: Photo Sphere, 48 x 24 at column 8, row 6 of a 96 x 48 panorama\n"},
        {"view.png", "initial view: heading=30 pitch=-12 zoom=75\n"},
    };
    for (const auto& [picture, shown] : pictures) {
        const ToolResult info = Pan({"info", data + picture});
        EXPECT_EQ(info.exit_code, 0) << picture;
        EXPECT_NE(info.out.find(shown), std::string::npos) << info.out;
    }
}

TEST_F(ToolTest, MalformedFilesGiveAClearMessageAndExitOne) {
    const Bytes body = {'x', 'y'};
    struct Case {
        Bytes bytes;
        std::string message;
    };
    Bytes cut_records = FileRecords({{"~a", "1"}});
    cut_records.pop_back();
    cut_records.insert(cut_records.end(), {'b', 0, 9, 0, 0, 0, 'z'});
    const std::vector<Case> cases = {
        {RawContainer({{"BTMP", 0xFFFFFFF0u, 0x40}}, body),
         "chunk BTMP (offset 4294967280, size 64) runs past the end of the file (34 bytes)"},
        {RawContainer({{"BTMP", 32, 2}}, body, 0, 1000),
         "the directory declares 1000 entries but only 1 fit in the file"},
        {Bytes{'C', 'V', 'V', 'L', 0, 0}, "the header is cut short (6 of 16 bytes)"},
        {Container({{"INIT", Init(0, 0, 0, 0)}}), "there is no usable BTMP chunk"},
        {Container({{"BTMP", body}, {"FILE", cut_records}}),
         "the FILE records run past their chunk"},
        {Container({{"BTMP", body}, {"HSPT", {3, 0, 0}}}), "the HSPT records run past their chunk"},
        {Bytes{'G', 'I', 'F', '8', '9', 'a', 0}, "unsupported file format"},
    };
    for (const Case& c : cases) {
        const ToolResult info = Pan({"info", Write("bad.pan", c.bytes)});
        EXPECT_EQ(info.exit_code, 1) << c.message;
        EXPECT_NE(info.err.find(c.message), std::string::npos) << info.err;
    }
    EXPECT_EQ(Pan({"info", Path("missing.pan")}).exit_code, 1);
}

TEST_F(ToolTest, ExtractRoundTripsPackedFiles) {
    const std::string sample = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/sunset.jpg";
    fs::create_directory(Path("in"));
    std::ofstream(Path("in/~one.txt")) << "first file";
    std::ofstream(Path("in/two.bin"), std::ios::binary) << std::string("\0\1\2", 3);
    ASSERT_EQ(Pan({"pack", "-o", Path("s.pan"), "--image", sample, "--file", Path("in/~one.txt"),
                   "--file", Path("in/two.bin")})
                  .exit_code,
              0);
    const ToolResult extract = Pan({"extract", Path("s.pan"), Path("out")});
    EXPECT_EQ(extract.exit_code, 0) << extract.err;
    EXPECT_EQ(ReadBytes(Path("out/image.jpg")), ReadBytes(sample));
    EXPECT_EQ(ReadText(Path("out/~one.txt")), "first file");
    EXPECT_EQ(ReadText(Path("out/two.bin")), std::string("\0\1\2", 3));
}

TEST_F(ToolTest, PackStoresOtherFormatsAsJpegOrLosslessBmp) {
    const std::string data = std::string(SKYWEAVE_SOURCE_DIR) + "/tests/data/formats/";
    const std::vector<std::uint8_t> reference = ReadBytes(data + "picture.bmp");
    struct Case {
        const char* picture;
        std::vector<std::string> options;
        const char* stored;  // the name extract gives the stream
    };
    const Case cases[] = {
        {"picture.png", {"--lossless"}, "image.bmp"},
        {"lossless.webp", {"--lossless"}, "image.bmp"},
        {"picture.png", {}, "image.jpg"},
        {"picture.heic", {}, "image.jpg"},
        {"exif-first.jpg", {"--lossless"}, "image.jpg"},  // JPEG stays as it is
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " " + c.stored);
        std::vector<std::string> args = {"pack", "-o", Path("p.pan"), "--image", data + c.picture};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolResult pack = Pan(args);
        ASSERT_EQ(pack.exit_code, 0) << pack.err;
        fs::remove_all(Path("out"));
        ASSERT_EQ(Pan({"extract", Path("p.pan"), Path("out")}).exit_code, 0);
        const std::vector<std::uint8_t> stored = ReadBytes(Path("out/" + std::string(c.stored)));
        if (std::string(c.stored) == "image.bmp") {
            // ImageMagick's header differs; the rows (96 x 3 bytes, no
            // padding) are the same bytes.
            ASSERT_EQ(stored.size(), reference.size());
            EXPECT_TRUE(std::equal(stored.begin() + 54, stored.end(), reference.begin() + 54));
        } else if (std::string(c.picture).ends_with(".jpg")) {
            EXPECT_EQ(stored, ReadBytes(data + c.picture));
        } else {
            ASSERT_GE(stored.size(), 4u);
            EXPECT_EQ(stored[0], 0xFF);
            EXPECT_EQ(stored[1], 0xD8);
            // The container loads and draws.
            EXPECT_EQ(Render({Path("p.pan"), "-o", Path("view.bmp")}).exit_code, 0);
        }
    }
    std::vector<std::uint8_t> cut = ReadBytes(data + "picture.png");
    cut.resize(100);
    const ToolResult broken = Pan({"pack", "-o", Path("q.pan"), "--image", Write("cut.png", cut)});
    EXPECT_EQ(broken.exit_code, 1);
    EXPECT_NE(broken.err.find("cut.png: Premature end of PNG data"), std::string::npos)
        << broken.err;
    EXPECT_FALSE(fs::exists(Path("q.pan")));
}

TEST_F(ToolTest, ExtractRefusesNamesThatLeaveTheDirectory) {
    const std::string file =
        Write("evil.pan", Container({{"BTMP", UniformBmp24(32, 16, {1, 1, 1})},
                                     {"FILE", FileRecords({{"../evil", "x"},
                                                           {"/tmp/abs", "y"},
                                                           {"..", "z"},
                                                           {"image.bmp", "w"},
                                                           {"fine", "ok"}})}}));
    fs::create_directory(Path("out"));
    fs::create_symlink(Path("victim"), Path("out/fine.link"));
    const ToolResult extract = Pan({"extract", file, Path("out")});
    EXPECT_EQ(extract.exit_code, 1);
    EXPECT_NE(extract.err.find("refusing the unsafe file name \"../evil\""), std::string::npos)
        << extract.err;
    EXPECT_NE(extract.err.find("refusing the unsafe file name \"/tmp/abs\""), std::string::npos);
    EXPECT_NE(extract.err.find("refusing \"image.bmp\": the image stream has that name"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(Path("evil")));
    EXPECT_EQ(ReadText(Path("out/fine")), "ok");
    EXPECT_EQ(fs::file_size(Path("out/image.bmp")), UniformBmp24(32, 16, {1, 1, 1}).size());
}

TEST_F(ToolTest, ExtractNeverOverwritesWithoutForce) {
    const std::string file =
        Write("x.pan", Container({{"BTMP", UniformBmp24(32, 16, {1, 1, 1})},
                                  {"FILE", FileRecords({{".profile", "from the panorama"}})}}));
    fs::create_directory(Path("home"));
    fs::permissions(Path("home"), fs::perms::owner_all);
    std::ofstream(Path("home/.profile")) << "the user's own";
    const ToolResult refused = Pan({"extract", file, Path("home")});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("not overwriting the existing \".profile\" (use --force)"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadText(Path("home/.profile")), "the user's own");
    EXPECT_EQ(fs::file_size(Path("home/image.bmp")), UniformBmp24(32, 16, {1, 1, 1}).size());

    const ToolResult forced = Pan({"extract", "--force", file, Path("home")});
    EXPECT_EQ(forced.exit_code, 0) << forced.err;
    EXPECT_EQ(ReadText(Path("home/.profile")), "from the panorama");
}

TEST_F(ToolTest, ExtractRefusesDirectoriesOthersMayWrite) {
    const std::string file = Write("x.pan", Container({{"BTMP", UniformBmp24(32, 16, {1, 1, 1})},
                                                       {"FILE", FileRecords({{"note", "text"}})}}));
    struct Case {
        fs::perms mode;
        bool refused;
    };
    for (const Case c :
         {Case{fs::perms::owner_all | fs::perms::group_write, true}, Case{fs::perms::all, true},
          Case{fs::perms::all | fs::perms::sticky_bit, true},
          Case{fs::perms::owner_all | fs::perms::group_read, false}}) {
        const std::string dir = Path("dir" + std::to_string(static_cast<int>(c.mode)));
        fs::create_directory(dir);
        fs::permissions(dir, c.mode);
        const ToolResult extract = Pan({"extract", file, dir});
        EXPECT_EQ(extract.exit_code, c.refused ? 1 : 0) << dir << extract.err;
        EXPECT_EQ(fs::exists(dir + "/note"), !c.refused) << dir;
        if (c.refused) {
            EXPECT_NE(extract.err.find("may be written by other users"), std::string::npos)
                << extract.err;
        }
    }
    // A directory the tool makes itself is private whatever the umask says.
    const mode_t old_mask = ::umask(0);
    const ToolResult fresh = Pan({"extract", file, Path("fresh")});
    ::umask(old_mask);
    EXPECT_EQ(fresh.exit_code, 0) << fresh.err;
    EXPECT_EQ(fs::status(Path("fresh")).permissions() & fs::perms::others_write, fs::perms::none);
}

TEST_F(ToolTest, InfoExitsOneWhenItListsAnUnsafeName) {
    for (const char* name : {"../up", "/etc/abs", "..", "a/b"}) {
        const std::string file =
            Write("u.pan", Container({{"BTMP", UniformBmp24(32, 16, {1, 1, 1})},
                                      {"FILE", FileRecords({{"fine", "1"}, {name, "2"}})}}));
        const ToolResult info = Pan({"info", file});
        EXPECT_EQ(info.exit_code, 1) << name;
        EXPECT_NE(info.out.find(" (unsafe name)\n"), std::string::npos) << name << info.out;
        EXPECT_NE(info.err.find("could leave the directory"), std::string::npos) << info.err;
    }
}

}  // namespace
}  // namespace skyweave
