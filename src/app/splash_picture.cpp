// The splash picture; see splash_picture.h.
#include "app/splash_picture.h"

#include "image/jpeg_codec.h"
#include "platform/display/window_canvas.h"
#include "splash/program_resources.h"

namespace skyweave {

PixelRect SplashPlacement(std::int32_t client_width, std::int32_t client_height, std::int32_t width,
                          std::int32_t height) {
    std::int64_t dw = width;
    std::int64_t dh = height;
    if (client_width < width || client_height < height) {
        const double w = width > 1 ? width : 1;
        const double h = height > 1 ? height : 1;
        const double by_width = client_width / w;
        const double by_height = client_height / h;
        const double factor = by_height > by_width ? by_width : by_height;
        dw = static_cast<std::int64_t>(width * factor);
        dh = static_cast<std::int64_t>(height * factor);
    }
    const std::int64_t left = (client_width - dw) / 2;
    const std::int64_t top = (client_height - dh) / 2;
    return PixelRect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                     static_cast<std::int32_t>(left + dw), static_cast<std::int32_t>(top + dh)};
}

void SplashPicture::Decode() {
    if (picture_) {
        return;
    }
    const auto bytes = FindProgramResource(kSplashResourceType, kSplashResourceId);
    if (bytes.empty()) {
        return;
    }
    picture_ = JPGImageDecompress(bytes, 24, 0, nullptr);
}

void SplashPicture::Draw(WindowCanvas& canvas, const PixelRect& area) {
    Decode();
    if (!picture_ || !picture_.PixelsFit() || picture_.BitCount() != 24 || picture_.Height() <= 0) {
        return;
    }
    const PixelRect client = area.Empty() ? canvas.ClientRect() : area;
    PixelRect place = SplashPlacement(static_cast<std::int32_t>(client.Width()),
                                      static_cast<std::int32_t>(client.Height()), picture_.Width(),
                                      picture_.Height());
    place = {place.left + client.left, place.top + client.top, place.right + client.left,
             place.bottom + client.top};
    FrameImage image;
    image.pixels = picture_.Pixels();
    image.width = picture_.Width();
    image.height = picture_.Height();
    image.depth = 24;
    canvas.StretchPicture(image, place);
}

}  // namespace skyweave
