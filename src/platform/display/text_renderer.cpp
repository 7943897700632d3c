// Message text rendering; see text_renderer.h.
#include "platform/display/text_renderer.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>

namespace skyweave {

std::string FindSansFontFile() {
    std::string file;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) {
        return file;
    }
    for (const char* name : {"DejaVu Sans", "sans-serif"}) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
        if (pattern == nullptr) {
            continue;
        }
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcPatternDestroy(pattern);
        if (match == nullptr) {
            continue;
        }
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
            file = reinterpret_cast<const char*>(path);
        }
        FcPatternDestroy(match);
        if (!file.empty()) {
            break;
        }
    }
    FcConfigDestroy(config);
    return file;
}

TextRenderer::TextRenderer(int pixel_size) {
    const std::string file = FindSansFontFile();
    if (!file.empty()) {
        font_ = TTF_OpenFont(file.c_str(), std::max(pixel_size, 1));
    }
}

TextRenderer::~TextRenderer() {
    if (cached_ != nullptr) {
        SDL_FreeSurface(cached_);
    }
    if (font_ != nullptr) {
        TTF_CloseFont(font_);
    }
}

SDL_Surface* TextRenderer::Render(std::string_view text, int wrap_width) {
    if (font_ == nullptr || text.empty() || wrap_width <= 0) {
        return nullptr;
    }
    if (cached_ != nullptr && cached_text_ == text && cached_width_ == wrap_width) {
        return cached_;
    }
    if (cached_ != nullptr) {
        SDL_FreeSurface(cached_);
        cached_ = nullptr;
    }
    cached_text_.assign(text);
    cached_width_ = wrap_width;
    const SDL_Color white{255, 255, 255, 255};
    const SDL_Color black{0, 0, 0, 255};
    cached_ = TTF_RenderUTF8_Shaded_Wrapped(font_, cached_text_.c_str(), white, black,
                                            static_cast<Uint32>(wrap_width));
    return cached_;
}

}  // namespace skyweave
