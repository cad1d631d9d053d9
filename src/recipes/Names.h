#pragma once
// The constant name tables: the three realm names and the German and English
// names of the raw materials, all single-byte text in code page 1252.

#include <array>
#include <cstdint>
#include <string_view>

namespace artisanscope {

inline constexpr std::size_t kRealmCount = 3;
inline constexpr std::size_t kMaterialIdsPerLanguage = 256;

enum class Language : std::uint8_t { German = 0, English = 1 };

// MaterialNames[language][id]; an empty view is an empty entry.
extern const std::array<std::array<std::string_view, kMaterialIdsPerLanguage>, 2> MaterialNames;

// Realm index 0..2 to its name; any other index gives empty text.
std::string_view RealmName(std::size_t realm);

// Text that is either a name from the constant tables or a decimal number
// held in place; copying keeps it valid.
class NameText {
public:
    NameText() = default;
    static NameText FromNumber(std::uint32_t value);

    // The same in place: the walk fills the names of every resolved pattern
    // this way, as copying a returned NameText reads at once bytes that were
    // just stored one field at a time, which stalls on x86.
    void SetName(std::string_view name) {
        name_ = name;
        isNumber_ = false;
    }
    void SetNumber(std::uint32_t value);

    std::string_view view() const { return isNumber_ ? std::string_view(digits_.data(), length_) : name_; }

private:
    std::string_view name_;
    std::array<char, 10> digits_{};
    std::uint8_t length_ = 0;
    bool isNumber_ = false;
};

// The material's name in the given language; the id in decimal when the entry
// is empty or the id is beyond the table (256 and above).
NameText MaterialName(Language language, std::uint32_t id);
// MaterialName into out.
inline void SetMaterialName(NameText& out, Language language, std::uint32_t id) {
    if (id < kMaterialIdsPerLanguage) {
        const std::string_view name = MaterialNames[static_cast<std::size_t>(language)][id];
        if (!name.empty()) {
            out.SetName(name);
            return;
        }
    }
    out.SetNumber(id);
}

}  // namespace artisanscope
