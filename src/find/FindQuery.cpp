#include "find/FindQuery.h"

#include "io/Cp1252.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <span>

namespace artisanscope {
namespace {


constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> fold{};
    for (int b = 0; b < 256; ++b) fold[b] = static_cast<unsigned char>(b);
    for (int b = 'A'; b <= 'Z'; ++b) fold[b] = static_cast<unsigned char>(b - 'A' + 'a');
    // Upper-case letters of the high half are their lower-case letter less
    // 0x20 (0xD7 is the multiplication sign); the three of 0x8A-0x9F less 0x10.
    for (int b = 0xC0; b <= 0xDE; ++b) {
        if (b != 0xD7) fold[b] = static_cast<unsigned char>(b + 0x20);
    }
    fold[0x8A] = 0x9A;  // Š š
    fold[0x8C] = 0x9C;  // Œ œ
    fold[0x8E] = 0x9E;  // Ž ž
    fold[0x9F] = 0xFF;  // Ÿ ÿ
    // Lower-case letters with a base letter.
    struct Range {
        int first, last;
        char base;
    };
    constexpr Range kBases[] = {
        {0xE0, 0xE5, 'a'}, {0xE7, 0xE7, 'c'}, {0xE8, 0xEB, 'e'}, {0xEC, 0xEF, 'i'}, {0xF1, 0xF1, 'n'},
        {0xF2, 0xF6, 'o'}, {0xF8, 0xF8, 'o'}, {0xF9, 0xFC, 'u'}, {0xFD, 0xFD, 'y'}, {0xFF, 0xFF, 'y'},
        {0x9A, 0x9A, 's'}, {0x9E, 0x9E, 'z'},
    };
    for (int b = 0; b < 256; ++b) {
        for (const Range& range : kBases) {
            if (fold[b] >= range.first && fold[b] <= range.last) fold[b] = static_cast<unsigned char>(range.base);
        }
    }
    return fold;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

constexpr bool IsSeparator(char32_t c) { return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0; }

// The code page 1252 byte of a code point, if it has one.
std::optional<unsigned char> ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (int b = 0x80; b <= 0x9F; ++b) {
        const char16_t u = Cp1252ToUnicode(static_cast<unsigned char>(b));
        if (u != 0xFFFD && u == c) return static_cast<unsigned char>(b);
    }
    return std::nullopt;
}

// Decodes one code point of well-formed UTF-8 at text[pos], advancing pos;
// nothing for a malformed, overlong or surrogate sequence (pos then passes
// its first byte).
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, c = lead & 0x07;
    } else {
        return std::nullopt;
    }
    for (int k = 0; k < extra; ++k) {
        if (pos >= text.size()) return std::nullopt;
        const auto next = static_cast<unsigned char>(text[pos]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        ++pos;
        c = (c << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    return c;
}

// A decimal number of digits only; values past the largest skill value are
// kept as one above it, which no pattern has.
bool ParseDecimal(std::string_view digits, std::uint32_t& value) {
    constexpr std::uint32_t kBeyond = 0x10000;
    if (digits.empty()) return false;
    value = 0;
    for (const char d : digits) {
        if (d < '0' || d > '9') return false;
        value = std::min(value * 10 + static_cast<std::uint32_t>(d - '0'), kBeyond);
    }
    return true;
}

// "A-B", "A-", "-B" or "A" into the range [low, high].
bool ParseLevelRange(std::string_view range, std::uint32_t& low, std::uint32_t& high) {
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos) {
        if (!ParseDecimal(range, low)) return false;
        high = low;
        return true;
    }
    const std::string_view from = range.substr(0, dash);
    const std::string_view to = range.substr(dash + 1);
    if (from.empty() && to.empty()) return false;
    low = 0;
    high = 0xFFFFFFFFu;
    return (from.empty() || ParseDecimal(from, low)) && (to.empty() || ParseDecimal(to, high));
}

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHigh = 0x8080808080808080u;

// Eight bytes of text from at, the first in the lowest byte; at + 8 must not
// pass the end.
std::uint64_t Load8(std::string_view text, std::size_t at) {
    std::uint64_t x;
    std::memcpy(&x, text.substr(at, 8).data(), 8);
    if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap64(x);
    return x;
}

}  // namespace

TermFinder::TermFinder(std::string_view term)
    : term_(term), first_(kOnes * static_cast<unsigned char>(term.front())),
      last_(kOnes * static_cast<unsigned char>(term.back())) {}

std::size_t TermFinder::Find(std::string_view text, std::size_t from) const {
    const std::size_t m = term_.size();
    if (text.size() < m || from > text.size() - m) return std::string_view::npos;
    if (m == 1) return text.find(term_.front(), from);
    const std::size_t lastStart = text.size() - m;
    std::size_t at = from;
    for (; at + 7 <= lastStart; at += 8) {
        // A zero byte where both bytes fit; the test below may also flag
        // a byte above a true zero, which the comparison sorts out.
        const std::uint64_t v = (Load8(text, at) ^ first_) | (Load8(text, at + m - 1) ^ last_);
        for (std::uint64_t zero = (v - kOnes) & ~v & kHigh; zero != 0; zero &= zero - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(std::countr_zero(zero)) / 8;
            if (text.substr(candidate, m) == term_) return candidate;
        }
    }
    for (; at <= lastStart; ++at) {
        if (text.substr(at, m) == term_) return at;
    }
    return std::string_view::npos;
}

void FoldInto(std::string& out, std::string_view text) {
    out.resize(text.size());
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, text.substr(i, 8).data(), 8);
        if ((x & kHigh) != 0) {
            for (std::size_t k = i; k < i + 8; ++k) out[k] = static_cast<char>(kFold[static_cast<unsigned char>(text[k])]);
            continue;
        }
        // Per byte (all below 0x80, so no carries cross bytes): the high
        // bit of x + (0x80 - 'A') is set from 'A' on, that of
        // x + (0x80 - 'Z' - 1) from past 'Z' on.
        const std::uint64_t fromA = x + kOnes * (0x80 - 'A');
        const std::uint64_t pastZ = x + kOnes * (0x80 - 'Z' - 1);
        x |= ((fromA & ~pastZ) & kHigh) >> 2;
        std::memcpy(std::span<char>(out).subspan(i, 8).data(), &x, 8);
    }
    for (; i < text.size(); ++i) out[i] = static_cast<char>(kFold[static_cast<unsigned char>(text[i])]);
}

MaterialIdSet MaterialIdsNamed(Language language, std::string_view foldedName) {
    MaterialIdSet ids;
    auto foldsTo = [&](std::string_view name) {
        if (name.size() != foldedName.size()) return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (kFold[static_cast<unsigned char>(name[i])] != static_cast<unsigned char>(foldedName[i])) return false;
        }
        return true;
    };
    for (std::uint32_t id = 1; id < kMaterialIdsPerLanguage; ++id) {
        if (foldsTo(MaterialName(language, id).view())) ids.set(id);
    }
    // Beyond the name table a material's name is its id in decimal.
    std::uint32_t id = 0;
    if (ParseDecimal(foldedName, id) && id >= kMaterialIdsPerLanguage && id < ids.size() &&
        foldsTo(MaterialName(language, id).view())) {
        ids.set(id);
    }
    return ids;
}

FindQuery FindQuery::FromUtf8(std::string_view text) {
    constexpr std::string_view kLevel = "level:";
    constexpr std::string_view kMaterial = "material:";
    FindQuery query;
    std::string term;
    std::string typed;                    // the term as typed, without its quotes
    std::vector<std::size_t> typedStart;  // where in typed each byte of term began
    bool termWritable = true;
    bool quoted = false;
    std::size_t firstQuote = std::string::npos;  // where in term the first quote stood
    auto addOnce = [](std::vector<std::string>& list, const std::string& item) {
        if (std::find(list.begin(), list.end(), item) == list.end()) {
            list.push_back(item);
            return true;
        }
        return false;
    };
    auto endTerm = [&] {
        const bool unquoted = firstQuote == std::string::npos;
        if (!termWritable) {
            query.matchesNothing = true;
        } else if (std::uint32_t low = 0, high = 0; unquoted && term.starts_with(kLevel) &&
                                                    ParseLevelRange(std::string_view(term).substr(kLevel.size()), low, high)) {
            query.levelMin = query.hasLevel ? std::max(query.levelMin, low) : low;
            query.levelMax = query.hasLevel ? std::min(query.levelMax, high) : high;
            query.hasLevel = true;
        } else if (term.starts_with(kMaterial) && term.size() > kMaterial.size() &&
                   (unquoted || firstQuote >= kMaterial.size())) {
            if (addOnce(query.materials, term.substr(kMaterial.size()))) {
                query.materialNames.push_back(typed.substr(typedStart[kMaterial.size()]));
            }
        } else if (!term.empty()) {
            const UnreadTerm unread{typed, term.starts_with(kLevel)};
            const bool wanted = unquoted && (unread.level || term == kMaterial);
            if (wanted && std::find(query.unreadTerms.begin(), query.unreadTerms.end(), unread) == query.unreadTerms.end()) {
                query.unreadTerms.push_back(unread);
            }
            addOnce(query.terms, term);
        }
        term.clear();
        typed.clear();
        typedStart.clear();
        termWritable = true;
        firstQuote = std::string::npos;
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const std::optional<char32_t> c = DecodeUtf8(text, pos);
        if (c && *c == '"') {
            quoted = !quoted;
            firstQuote = std::min(firstQuote, term.size());
            continue;
        }
        if (c && !quoted && IsSeparator(*c)) {
            endTerm();
            continue;
        }
        const std::optional<unsigned char> byte = c ? ToCp1252(*c) : std::nullopt;
        if (byte) {
            term += static_cast<char>(kFold[*byte]);
            typedStart.push_back(typed.size());
        } else {
            termWritable = false;
        }
        typed += text.substr(start, pos - start);
    }
    query.openQuote = quoted;
    endTerm();
    if (query.matchesNothing) {
        query.terms.clear();
        query.materials.clear();
        query.materialNames.clear();
        query.hasLevel = false;
    }
    return query;
}

std::string NotUnderstood(const FindQuery& query, Language language) {
    std::string said;
    auto say = [&said](std::string_view part) {
        if (!said.empty()) said += "; ";
        said += part;
    };
    for (const FindQuery::UnreadTerm& term : query.unreadTerms) {
        say("'" + term.typed + (term.level ? "' is no level such as 300-350" : "' names no material"));
    }
    for (std::size_t i = 0; i < query.materials.size() && i < query.materialNames.size(); ++i) {
        if (MaterialIdsNamed(language, query.materials[i]).none()) say("no material is called " + query.materialNames[i]);
    }
    if (query.openQuote) say("a quote is not closed");
    return said;
}

}  // namespace artisanscope
