// Strict parsing of the tools' option values: a value that is not entirely
// a number in range is a usage error, never a silent 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace skyweave {

// A whole decimal number (optional sign) within [low, high].
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high);

// A finite decimal number.
std::optional<double> ParseNumber(std::string_view text);

// Comma-separated finite numbers, exactly `count` of them.
std::optional<std::vector<double>> ParseNumberList(std::string_view text, std::size_t count);

// "WxH" with both sides within 1 ... max_side pixels.
struct SizeArgument {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
std::optional<SizeArgument> ParseSize(std::string_view text, std::int32_t max_side);

}  // namespace skyweave
