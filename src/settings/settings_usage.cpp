// --help's option list from the settings table.
#include "settings/settings_usage.h"

#include <cstddef>
#include <string_view>

namespace skyweave {
namespace {

constexpr std::size_t kDescriptionColumn = 22;
constexpr std::size_t kLineWidth = 79;

// Appends `text` word by word from kDescriptionColumn, starting on the
// current line (which has reached the column) and wrapping before kLineWidth.
void AppendWrapped(std::string& out, std::string_view text) {
    std::size_t column = kDescriptionColumn;
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

std::string SettingOptionDescription(const SettingRow& row) {
    std::string text(row.help);
    switch (row.type) {
        case SettingType::Integer:
            text += ", " + std::to_string(row.min) + " to " + std::to_string(row.max);
            if (!row.unit.empty()) {
                text += ' ';
                text += row.unit;
            }
            text += "; default " + std::to_string(row.defaultValue);
            break;
        case SettingType::Flag:
            text += row.defaultValue != 0 ? "; default on" : "; default off";
            break;
        case SettingType::Choice:
            text += "; default ";
            text += row.choices[static_cast<std::size_t>(row.defaultValue)];
            break;
        case SettingType::Text:
            break;
    }
    if (!row.note.empty()) {
        text += "; ";
        text += row.note;
    }
    return text;
}

std::string SettingOptionsUsage() {
    std::string out;
    for (const SettingRow& row : kSettingsTable) {
        if (row.option.empty()) {
            continue;
        }
        const std::string synopsis = "  " + SettingOptionSynopsis(row);
        out += synopsis;
        if (synopsis.size() + 1 >= kDescriptionColumn) {
            out += '\n';
            out.append(kDescriptionColumn, ' ');
        } else {
            out.append(kDescriptionColumn - synopsis.size(), ' ');
        }
        AppendWrapped(out, SettingOptionDescription(row));
    }
    return out;
}

}  // namespace skyweave
