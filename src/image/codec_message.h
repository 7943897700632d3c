// The message text of the last failure of a codec library (libpng, libheif)
// on this thread, kept in a buffer the adapters own on the library's behalf
// so that callers get a constant text they never free, like the JPEG
// library's messages (jpeg_error.h).
#pragma once

namespace skyweave {

// Copies `text` (cut to 199 characters, without trailing white space) into
// this thread's buffer and returns the buffer, which stays valid until the
// next call on the thread.
const char* KeepCodecMessage(const char* text);

}  // namespace skyweave
