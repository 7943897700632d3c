// What only a loaded PanoramaEngine owns, shared by the engine's source
// files (load, control, frame). Not for use outside src/engine/.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "engine/panorama_engine.h"
#include "image/packed_dib.h"
#include "platform/core/memory_block.h"
#include "platform/core/staging_directory.h"
#include "platform/core/state_lock.h"
#include "render/panorama_renderer.h"

namespace skyweave {

struct PanoramaEngine::Loaded {
    StateLock lock;   // its existence marks the engine loaded
    PackedDib image;  // the panorama or its canvas
    std::unique_ptr<PanoramaRenderer> renderer;
    std::unique_ptr<StagingDirectory> staging;
    int staging_skipped = 0;  // embedded files beyond the staging bounds
};

struct PanoramaEngine::ViewSlot {
    ViewState view;     // the live view
    ViewLimits limits;  // clamps of the live view; partly sized by the frame
    PixelRect dest_rect;
    bool use_dest_rect = false;
    FrameFormat frame;
    MemoryBlock frame_buffer;  // FrameFormat-sized, bottom-up rows
    MemoryBlock still_buffer;  // same size; the kept still picture
    FrameFormat still_format;  // format when the still buffer was made
    ViewState view_key{0, 0, 0, 0};
    bool view_key_set = false;
    bool still_valid = false;
    // Set by SetView: a view someone asked for is kept through a resize
    // (only clamped), where the file's own starting view is centred.
    bool view_asked = false;
};

// Takes the engine's StateLock for the length of a scope. A wait that runs
// out is reported through the diagnostic channel and the scope goes on
// without the lock; only a lock that was taken is released, so a late scope
// never frees the lock from under the one that holds it.
class StateLockScope {
  public:
    //   timeout: the longest wait for the lock (default 10000 ms).
    explicit StateLockScope(StateLock& lock, std::chrono::milliseconds timeout = kStateLockTimeout);
    ~StateLockScope();
    StateLockScope(const StateLockScope&) = delete;
    StateLockScope& operator=(const StateLockScope&) = delete;

    // True when the wait succeeded and this scope holds the lock.
    bool held() const { return held_; }

  private:
    StateLock& lock_;
    bool held_;
};

}  // namespace skyweave
