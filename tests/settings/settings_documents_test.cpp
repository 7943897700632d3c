// The two documents written by hand beside the settings table, held against
// it: the XScreenSaver description (every option with its range, default and
// on-or-off sense, nothing a settings program can only show backwards) and
// the manual page (every option with its range and default, every key of the
// settings file), and neither naming an option the program does not have.
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/settings_table.h"
#include "settings/settings_usage.h"
#include "strings/string_table.h"

namespace skyweave {
namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(SKYWEAVE_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const SettingRow* RowWithOption(std::string_view option) {
    for (const SettingRow& row : kSettingsTable) {
        if (row.option == option) {
            return &row;
        }
    }
    return nullptr;
}

// --- The XScreenSaver description -----------------------------------------

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
};

std::vector<XmlElement> ParseXml(const std::string& text) {
    std::vector<XmlElement> elements;
    GMarkupParser parser{};
    parser.start_element = [](GMarkupParseContext*, const gchar* name, const gchar** names,
                              const gchar** values, gpointer data, GError**) {
        XmlElement element{name, {}};
        for (int i = 0; names[i] != nullptr; ++i) {
            element.attributes[names[i]] = values[i];
        }
        static_cast<std::vector<XmlElement>*>(data)->push_back(std::move(element));
    };
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_IGNORE_QUALIFIED, &elements, nullptr);
    GError* error = nullptr;
    // The description says ISO-8859-1 but holds ASCII only, which GMarkup reads.
    const bool ok = g_markup_parse_context_parse(context, text.data(),
                                                 static_cast<gssize>(text.size()), &error) &&
                    g_markup_parse_context_end_parse(context, &error);
    EXPECT_TRUE(ok) << (error != nullptr ? error->message : "");
    if (error != nullptr) {
        g_error_free(error);
    }
    g_markup_parse_context_free(context);
    return elements;
}

// "--zoom %" gives "zoom"; "--present gl" gives "present"; "--no-fade" gives
// "no-fade".
std::string OptionOf(const std::string& arg) {
    EXPECT_TRUE(arg.starts_with("--")) << arg;
    return arg.substr(2,
                      arg.find(' ') == std::string::npos ? std::string::npos : arg.find(' ') - 2);
}

TEST(SettingsDocuments, XScreenSaverDescriptionMatchesTheTable) {
    const std::vector<XmlElement> elements =
        ParseXml(ReadSource("resources/xscreensaver/skyweave.xml"));
    ASSERT_FALSE(elements.empty());
    std::map<std::string, int> seen;  // option -> times described
    for (const XmlElement& element : elements) {
        SCOPED_TRACE(element.name);
        const auto& a = element.attributes;
        // Settings programs that ignore "convert" would show such a control
        // backwards.
        EXPECT_FALSE(a.contains("convert")) << a.at("id");
        if (element.name == "number") {
            const std::string& arg = a.at("arg");
            ASSERT_TRUE(arg.ends_with(" %")) << arg;
            const SettingRow* row = RowWithOption(OptionOf(arg));
            ASSERT_NE(row, nullptr) << arg;
            EXPECT_EQ(row->type, SettingType::Integer) << arg;
            EXPECT_EQ(a.at("low"), std::to_string(row->min)) << arg;
            EXPECT_EQ(a.at("high"), std::to_string(row->max)) << arg;
            EXPECT_EQ(a.at("default"), std::to_string(row->defaultValue)) << arg;
            ++seen[std::string(row->option)];
        } else if (element.name == "boolean") {
            // Ticked means the setting's default when only arg-unset is given.
            const bool on_by_default = a.contains("arg-unset");
            EXPECT_NE(on_by_default, a.contains("arg-set")) << a.at("id");
            const std::string arg = on_by_default ? a.at("arg-unset") : a.at("arg-set");
            std::string option = OptionOf(arg);
            if (on_by_default) {
                ASSERT_TRUE(option.starts_with("no-")) << arg;
                option = option.substr(3);
            }
            const SettingRow* row = RowWithOption(option);
            ASSERT_NE(row, nullptr) << arg;
            EXPECT_EQ(row->type, SettingType::Flag) << arg;
            EXPECT_EQ(row->defaultValue != 0, on_by_default) << arg;
            ++seen[option];
        } else if (element.name == "option") {
            // A choice of a <select>: the one without arg-set is the default.
            const std::string& id = a.at("id");
            if (!a.contains("arg-set")) {
                const auto is_default = [&](const SettingRow& row) {
                    return row.type == SettingType::Choice &&
                           row.choices[static_cast<std::size_t>(row.defaultValue)] == id;
                };
                EXPECT_TRUE(std::any_of(kSettingsTable.begin(), kSettingsTable.end(), is_default))
                    << id;
                continue;
            }
            const std::string& arg = a.at("arg-set");
            const SettingRow* row = RowWithOption(OptionOf(arg));
            ASSERT_NE(row, nullptr) << arg;
            ASSERT_EQ(row->type, SettingType::Choice) << arg;
            EXPECT_EQ(arg, "--" + std::string(row->option) + " " + id);
            EXPECT_NE(std::find(row->choices.begin(), row->choices.end(), id), row->choices.end())
                << id;
            ++seen[std::string(row->option)];
        } else if (element.name == "file") {
            EXPECT_EQ(a.at("id"), "file");
            EXPECT_EQ(a.at("arg"),
                      "--" + std::string(SettingRowOf(SettingId::FilePath).option) + " %");
            ++seen[std::string(SettingRowOf(SettingId::FilePath).option)];
        }
    }
    for (const SettingRow& row : kSettingsTable) {
        // A choice has one <option> per name but its default.
        const int expected =
            row.type == SettingType::Choice ? static_cast<int>(row.choices.size()) - 1 : 1;
        EXPECT_EQ(seen[std::string(row.option)], expected) << row.option;
    }
}

// --- The manual page ------------------------------------------------------

// One ".TP" entry of a section: its tag lines (".TQ" adds more) and body.
struct ManEntry {
    std::vector<std::string> tags;
    std::string body;
};

// The text a man page line shows, roughly: font escapes dropped, "\-" as
// "-", the arguments of the alternating-font macros (.BR, .BI, ...) joined
// without spaces and those of .B and .I with.
std::string ManText(const std::string& line) {
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            if (next == 'f' && i + 1 < line.size()) {
                ++i;  // \fB, \fR, \fI
            } else if (next == 'e') {
                text += '\\';
            } else {
                text += next;  // \- and friends
            }
            continue;
        }
        text += line[i];
    }
    if (!text.starts_with('.')) {
        return text;
    }
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        return {};
    }
    const std::string macro = text.substr(1, space - 1);
    const bool alternating = macro.size() == 2;
    std::string out;
    bool quoted = false;
    for (std::size_t i = space + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (!alternating && !out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += c;
        }
    }
    return out;
}

// Every line of a section run through ManText, one after the other.
std::string SectionText(const std::string& page, const std::string& title) {
    const std::size_t start = page.find("\n.SH " + title + "\n");
    const std::size_t end = page.find("\n.SH ", start + 1);
    std::string text;
    std::size_t line_start = page.find('\n', start + 1) + 1;
    while (line_start < end) {
        const std::size_t line_end = page.find('\n', line_start);
        text += ManText(page.substr(line_start, line_end - line_start));
        line_start = line_end + 1;
    }
    return text;
}

std::vector<ManEntry> ManSection(const std::string& page, const std::string& title) {
    std::vector<ManEntry> entries;
    bool inside = false;
    int tagLines = 0;  // tag lines still to come
    std::size_t start = 0;
    while (start < page.size()) {
        std::size_t end = page.find('\n', start);
        if (end == std::string::npos) {
            end = page.size();
        }
        const std::string line = page.substr(start, end - start);
        start = end + 1;
        if (line.starts_with(".SH ")) {
            inside = line == ".SH " + title;
            continue;
        }
        if (!inside) {
            continue;
        }
        if (line == ".TP") {
            entries.emplace_back();
            tagLines = 1;
        } else if (line == ".TQ") {
            tagLines = 1;
        } else if (line == ".PP") {
            inside = false;  // the entries end with the first paragraph
        } else if (!entries.empty() && tagLines > 0) {
            entries.back().tags.push_back(ManText(line));
            --tagLines;
        } else if (!entries.empty()) {
            entries.back().body += ManText(line) + " ";
        }
    }
    return entries;
}

TEST(SettingsDocuments, ManualPageOptionsMatchTheTable) {
    const std::string page = ReadSource("resources/man/skyweave.6x");
    const std::vector<ManEntry> options = ManSection(page, "OPTIONS");
    ASSERT_FALSE(options.empty());
    const std::string synopsis = SectionText(page, "SYNOPSIS");
    std::set<std::string> documented;
    for (const SettingRow& row : kSettingsTable) {
        SCOPED_TRACE(row.option);
        const std::string tag = SettingOptionSynopsis(row);
        const ManEntry* entry = nullptr;
        for (const ManEntry& candidate : options) {
            if (std::find(candidate.tags.begin(), candidate.tags.end(), tag) !=
                candidate.tags.end()) {
                entry = &candidate;
            }
        }
        ASSERT_NE(entry, nullptr) << "no entry tagged \"" << tag << "\"";
        documented.insert(tag);
        switch (row.type) {
            case SettingType::Integer:
                EXPECT_NE(
                    entry->body.find(std::to_string(row.min) + " to " + std::to_string(row.max)),
                    std::string::npos)
                    << entry->body;
                EXPECT_NE(entry->body.find("Default " + std::to_string(row.defaultValue) + "."),
                          std::string::npos)
                    << entry->body;
                break;
            case SettingType::Flag:
                EXPECT_NE(entry->body.find(row.defaultValue != 0 ? "Default on" : "Default off"),
                          std::string::npos)
                    << entry->body;
                break;
            case SettingType::Choice:
                EXPECT_NE(entry->body.find(
                              "Default " +
                              std::string(row.choices[static_cast<std::size_t>(row.defaultValue)])),
                          std::string::npos)
                    << entry->body;
                break;
            case SettingType::Text:
                break;
        }
        // The synopsis names the option too.
        const std::string synopsis_form =
            "[--" + std::string(row.type == SettingType::Flag ? "[no-]" : "") +
            std::string(row.option);
        EXPECT_NE(synopsis.find(synopsis_form), std::string::npos) << synopsis_form;
    }
    // Nothing else is documented as an option but --help and --version.
    for (const ManEntry& entry : options) {
        for (const std::string& tag : entry.tags) {
            EXPECT_TRUE(documented.contains(tag) || tag == "--help, -h" || tag == "--version")
                << "the page documents \"" << tag << "\", which is no option";
        }
    }
}

TEST(SettingsDocuments, ManualPageNamesEveryKeyOfTheSettingsFile) {
    const std::vector<ManEntry> keys =
        ManSection(ReadSource("resources/man/skyweave.6x"), "SETTINGS");
    std::set<std::string> named;
    for (const ManEntry& entry : keys) {
        for (const std::string& tag : entry.tags) {
            // "Heading, Pitch, Roll" names three keys.
            std::size_t start = 0;
            while (start <= tag.size()) {
                std::size_t end = tag.find(", ", start);
                if (end == std::string::npos) {
                    end = tag.size();
                }
                named.insert(tag.substr(start, end - start));
                start = end + 2;
            }
        }
    }
    std::set<std::string> expected;
    for (const SettingRow& row : kSettingsTable) {
        expected.insert(std::string(LoadResourceString(row.key)));
    }
    EXPECT_EQ(named, expected);
}

}  // namespace
}  // namespace skyweave
