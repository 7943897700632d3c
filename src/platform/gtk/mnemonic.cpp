// Mnemonic marker conversion.
#include "platform/gtk/mnemonic.h"

namespace skyweave {

std::string ToGtkMnemonic(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                result += '&';
                ++i;
            } else if (i + 1 < text.size()) {
                result += '_';
            }
        } else if (c == '_') {
            result += "__";
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace skyweave
