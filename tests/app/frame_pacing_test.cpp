// The frame rate a display gets: its refresh divided down to about 60, or
// MaxFrameRate where it names none.
#include "app/frame_pacing.h"

#include <gtest/gtest.h>

namespace skyweave {
namespace {

TEST(PacedFrameRate, DividesFastDisplaysAndCapsUnknownOnes) {
    struct Case {
        int refresh_hz;
        int max_frame_rate;
        double frames_per_second;
    };
    const Case cases[] = {
        {60, 60, 60},  {59, 60, 59},  {75, 60, 75},  {90, 60, 45},  {100, 60, 50},
        {120, 60, 60}, {144, 60, 72}, {165, 60, 55}, {240, 60, 60}, {360, 60, 60},
        {50, 60, 50},  {30, 60, 30},  {24, 60, 24},  {144, 0, 72},  {144, 30, 72},
        {0, 60, 60},   {0, 144, 144}, {0, 1, 1},     {0, 0, 0},     {-1, 60, 60},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(PacedFrameRate(c.refresh_hz, c.max_frame_rate), c.frames_per_second)
            << c.refresh_hz << " Hz, MaxFrameRate " << c.max_frame_rate;
    }
}

}  // namespace
}  // namespace skyweave
