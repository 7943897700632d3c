// Log text: a name can never break a log line, and ordinary names pass
// through byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/log_text.h"

namespace skyweave {
namespace {

TEST(LogText, ControlCharactersAreEscapedAndNothingElse) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"/home/u/pano/hall.jpg", "/home/u/pano/hall.jpg"},
        {"a.jpg\nevent show forged.jpg", "a.jpg\\nevent show forged.jpg"},
        {"cr\rtab\t", "cr\\rtab\\t"},
        {std::string("nul\0end", 7), "nul\\x00end"},
        {"\x1b[2J\x7f", "\\x1b[2J\\x7f"},
        {"caf\xc3\xa9 \xff back\\slash", "caf\xc3\xa9 \xff back\\slash"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeForLog(c.in), c.out) << c.out;
    }
}

}  // namespace
}  // namespace skyweave
