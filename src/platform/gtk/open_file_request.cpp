// Filter-string parsing.
#include "platform/gtk/open_file_request.h"

#include <cctype>

namespace skyweave {
namespace {

std::vector<std::string> SplitPatterns(std::string_view list) {
    std::vector<std::string> patterns;
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        std::string_view one = list.substr(0, semicolon);
        while (!one.empty() && one.front() == ' ') {
            one.remove_prefix(1);
        }
        while (!one.empty() && one.back() == ' ') {
            one.remove_suffix(1);
        }
        if (!one.empty()) {
            patterns.emplace_back(one);
        }
        if (semicolon == std::string_view::npos) {
            break;
        }
        list.remove_prefix(semicolon + 1);
    }
    return patterns;
}

}  // namespace

std::vector<FileFilter> ParseFilterString(std::string_view filter) {
    std::vector<FileFilter> filters;
    while (!filter.empty()) {
        const std::size_t nameEnd = filter.find('|');
        if (nameEnd == std::string_view::npos || nameEnd == 0) {
            break;
        }
        const std::string_view name = filter.substr(0, nameEnd);
        filter.remove_prefix(nameEnd + 1);
        const std::size_t patternEnd = filter.find('|');
        const std::string_view patterns = filter.substr(0, patternEnd);
        std::vector<std::string> split = SplitPatterns(patterns);
        if (split.empty()) {
            break;
        }
        filters.push_back({std::string(name), std::move(split)});
        if (patternEnd == std::string_view::npos) {
            break;
        }
        filter.remove_prefix(patternEnd + 1);
    }
    return filters;
}

std::string CaseInsensitiveGlob(std::string_view pattern) {
    if (pattern == "*.*") {
        return "*";
    }
    std::string result;
    result.reserve(pattern.size() * 4);
    bool inBrackets = false;
    for (const char c : pattern) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '[') {
            inBrackets = true;
        } else if (c == ']') {
            inBrackets = false;
        }
        if (!inBrackets && u < 0x80 && std::isalpha(u) != 0) {
            result += '[';
            result += static_cast<char>(std::tolower(u));
            result += static_cast<char>(std::toupper(u));
            result += ']';
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace skyweave
