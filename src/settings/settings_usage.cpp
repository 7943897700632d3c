// --help's option list from the settings table.
#include "settings/settings_usage.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace skyweave {
namespace {

constexpr std::size_t kDescriptionColumn = 25;
constexpr std::size_t kLineWidth = 79;

// Appends `text` word by word from `column`, where the current line stands,
// wrapping before kLineWidth and going on from kDescriptionColumn.
void AppendWrapped(std::string& out, std::size_t column, std::string_view text) {
    bool first = true;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
        if (word.empty()) {
            continue;
        }
        if (!first && column + 1 + word.size() > kLineWidth) {
            out += '\n';
            out.append(kDescriptionColumn, ' ');
            column = kDescriptionColumn;
            first = true;
        }
        if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    out += '\n';
}

}  // namespace

std::string SettingOptionSynopsis(const SettingRow& row) {
    std::string text = "--";
    text += row.option;
    switch (row.type) {
        case SettingType::Flag:
            text += ", --no-";
            text += row.option;
            break;
        case SettingType::Choice:
            for (std::size_t i = 0; i < row.choices.size(); ++i) {
                text += i == 0 ? ' ' : '|';
                text += row.choices[i];
            }
            break;
        case SettingType::Text:
        case SettingType::Integer:
            text += ' ';
            text += row.valueName;
            break;
    }
    return text;
}

std::string SettingOptionShortSynopsis(const SettingRow& row) {
    if (row.type != SettingType::Flag) {
        return SettingOptionSynopsis(row);
    }
    std::string text = "--[no-]";
    text += row.option;
    return text;
}

std::string SettingOptionDescription(const SettingRow& row) {
    std::string text(row.help);
    if (row.type == SettingType::Integer) {
        text += ", " + std::to_string(row.min) + ".." + std::to_string(row.max);
        if (!row.unit.empty()) {
            text += ' ';
            text += row.unit;
        }
    }
    if (!row.note.empty()) {
        text += "; ";
        text += row.note;
    }
    switch (row.type) {
        case SettingType::Integer:
            text += " [" + std::to_string(row.defaultValue) + "]";
            break;
        case SettingType::Flag:
            text += row.defaultValue != 0 ? " [on]" : " [off]";
            break;
        case SettingType::Choice:
            text += " [";
            text += row.choices[static_cast<std::size_t>(row.defaultValue)];
            text += ']';
            break;
        case SettingType::Text:
            break;
    }
    return text;
}

std::string SettingOptionsUsage() {
    std::string out;
    for (const SettingRow& row : kSettingsTable) {
        if (row.option.empty()) {
            continue;
        }
        const std::string synopsis = "  " + SettingOptionShortSynopsis(row);
        out += synopsis;
        // A wide option pushes its description along rather than below it:
        // one line a setting keeps --help on one screen.
        const std::size_t column = std::max(kDescriptionColumn, synopsis.size() + 2);
        out.append(column - synopsis.size(), ' ');
        AppendWrapped(out, column, SettingOptionDescription(row));
    }
    return out;
}

}  // namespace skyweave
