// JpegErrorManager (jpeg_error.h).
#include "image/jpeg_error.h"

namespace skyweave {
namespace {

// The library's own message text, owned by the adapter on behalf of the
// library: one buffer per thread, so concurrent decoders never share it.
thread_local char t_jpeg_message[JMSG_LENGTH_MAX];

// Warnings that only note something odd about an otherwise intact stream;
// every other warning means pixels would be invented (grey fill after a
// truncation, a resynchronised segment) and ends the decode.
bool IsBenignWarning(int code) {
    switch (code) {
        case JWRN_EXTRANEOUS_DATA:
        case JWRN_JFIF_MAJOR:
        case JWRN_ADOBE_XFORM:
        case JWRN_BOGUS_ICC:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->format_message)(cinfo, t_jpeg_message);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int msg_level) {
    if (msg_level < 0) {
        if (!IsBenignWarning(cinfo->err->msg_code)) {
            ErrorExit(cinfo);
        }
        cinfo->err->num_warnings++;
    }
    // Trace messages (msg_level >= 0) are dropped: nothing goes to stderr.
}

void OutputMessage(j_common_ptr /*cinfo*/) {}

}  // namespace

jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager* manager) {
    jpeg_error_mgr* base = jpeg_std_error(&manager->base);
    base->error_exit = ErrorExit;
    base->emit_message = EmitMessage;
    base->output_message = OutputMessage;
    return base;
}

const char* LastJpegMessage() {
    return t_jpeg_message;
}

}  // namespace skyweave
