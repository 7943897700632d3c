// Number parsing for the tools' options.
#include "command_line.h"

#include <charconv>
#include <cmath>
#include <string>

namespace skyweave {

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<double>> ParseNumberList(std::string_view text, std::size_t count) {
    std::vector<double> values;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::optional<double> value = ParseNumber(text.substr(0, comma));
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (values.size() != count) {
        return std::nullopt;
    }
    return values;
}

std::optional<SizeArgument> ParseSize(std::string_view text, std::int32_t max_side) {
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos) {
        return std::nullopt;
    }
    const auto width = ParseInteger(text.substr(0, cross), 1, max_side);
    const auto height = ParseInteger(text.substr(cross + 1), 1, max_side);
    if (!width || !height) {
        return std::nullopt;
    }
    return SizeArgument{static_cast<std::int32_t>(*width), static_cast<std::int32_t>(*height)};
}

}  // namespace skyweave
