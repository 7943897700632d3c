// How often the saver draws. Frames follow the display's refresh rate where
// it is known, divided down so that fast displays get about 60 frames a
// second (144 Hz gives 72, 120 Hz and 240 Hz give 60); where the display
// names no rate (virtual X servers, VNC, some remote desktops) at most
// MaxFrameRate. The motion is per frame, so this also sets its speed.
#pragma once

namespace skyweave {

// The frame rate to pace a window at, in frames per second; 0 means no
// limit (frames as fast as they are drawn).
//   refresh_hz:     the display's refresh rate in hertz; 0 when unknown.
//   max_frame_rate: frames per second where the rate is unknown
//                   (MaxFrameRate, default 60); 0 means no limit.
double PacedFrameRate(int refresh_hz, int max_frame_rate);

}  // namespace skyweave
