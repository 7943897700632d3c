// The error manager shared by the JPEG adapters: libjpeg's failures become a
// longjmp back to the adapter's C-style step, carrying the library's message.
//
// The rule that keeps this safe in C++: every function that calls setjmp on
// a JpegErrorManager holds no local object with a destructor, and calls
// nothing but libjpeg and plain C-style code while the jump may come; the
// frames skipped by the jump are libjpeg's own C frames. All state lives in
// a job struct of trivially destructible members owned by the caller, which
// cleans up after the step returns.
//
// Callers: jpeg_decompress.cpp and jpeg_compress.cpp only.
#pragma once

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>
// jerror.h after jpeglib.h: it needs the codec types.
#include <jerror.h>

namespace skyweave {

struct JpegErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's pointer to it is ours too
    std::jmp_buf jump;
};

// Sets up `manager` for a codec object: library defaults, with messages
// never printed, fatal errors jumping to manager->jump, and warnings that
// mean lost or damaged image data (a truncated stream, a corrupt segment)
// treated as fatal too. Returns &manager->base for cinfo.err.
jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager* manager);

// The message of the last failure on this thread, formatted by the library.
// Stays valid until the next failure on the same thread.
const char* LastJpegMessage();

}  // namespace skyweave
