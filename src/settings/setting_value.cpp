// Reads and writes a row's field through its member pointer.
#include "settings/setting_value.h"

#include <type_traits>

namespace skyweave {

SettingValue GetSettingValue(const SaverSettings& settings, const SettingRow& row) {
    return std::visit(
        [&](auto member) -> SettingValue {
            using Field = std::remove_cvref_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Field, std::string>) {
                return settings.*member;
            } else {
                return static_cast<std::int32_t>(settings.*member);
            }
        },
        row.field);
}

void SetSettingValue(SaverSettings& settings, const SettingRow& row, const SettingValue& value) {
    std::visit(
        [&](auto member) {
            using Field = std::remove_cvref_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Field, std::string>) {
                if (const std::string* text = std::get_if<std::string>(&value)) {
                    settings.*member = *text;
                }
            } else if (const std::int32_t* number = std::get_if<std::int32_t>(&value)) {
                if constexpr (std::is_same_v<Field, bool>) {
                    settings.*member = *number != 0;
                } else {
                    settings.*member = static_cast<Field>(*number);
                }
            }
        },
        row.field);
}

}  // namespace skyweave
