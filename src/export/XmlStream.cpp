#include "export/XmlStream.h"

#include "io/Decimal.h"

#include <tinyxml.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace artisanscope {
namespace {
constexpr std::size_t kLevels = 6;
constexpr std::size_t kAttributes = 8;
}  // namespace

// The fixed pieces of the file, each printed once by TinyXML and joined with
// the line breaks and separators around them, so that writing an element
// or attribute takes one or two appends.
struct XmlStreamExport::Fragments {
    bool valid = true;
    std::string declaration;  // <?xml version="1.0" ... ?> and its line break
    // A start tag up to its attributes, on a new line: after a sibling that
    // is closed, and after the parent's start tag that still lacks its ">".
    std::array<std::string, kLevels> openAfterSibling, openAfterStartTag;
    std::array<std::string, kLevels> shortClose;  // " />" of an element without children
    std::array<std::string, kLevels> closeLine;   // line break, indentation and "</Name>"
    // A numeric attribute's text before its digits (` name="`, with the
    // blank an element writes before each attribute) and after them.
    std::array<std::string, kAttributes> numberBefore, numberAfter;
};

namespace {

constexpr std::array<const char*, kLevels> kElementNames = {"Recipes", "Realm", "Skill", "Item", "Pattern", "Ingredient"};
constexpr std::array<const char*, kAttributes> kAttributeNames = {"name",  "cat",   "skill", "quantity",
                                                                  "data1", "data2", "data3", "data5"};

// What TinyXML's own printing (the code behind SaveFile) writes for a node
// at the given depth.
std::string Printed(const TiXmlBase& node, int depth) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&data, &size);
    if (memory == nullptr) return {};
    node.Print(memory, depth);
    std::string out;
    if (std::fclose(memory) == 0 && data != nullptr) out.assign(data, size);
    std::free(data);
    return out;
}

XmlStreamExport::Fragments PrintFragments() {
    XmlStreamExport::Fragments f;
    // The document writes a line break after each of its nodes.
    f.declaration = Printed(TiXmlDeclaration("1.0", "iso-8859-1", ""), 0);
    f.valid = !f.declaration.empty();
    f.declaration += '\n';
    for (std::size_t level = 0; level < kLevels; ++level) {
        const int depth = static_cast<int>(level);
        // "<Name />" and "<Name>\n<child />\n</Name>" share exactly "<Name".
        const std::string childless = Printed(TiXmlElement(kElementNames[level]), depth);
        TiXmlElement parent(kElementNames[level]);
        parent.LinkEndChild(new TiXmlElement(kElementNames[level]));
        const std::string withChild = Printed(parent, depth);
        std::size_t common = 0;
        while (common < childless.size() && common < withChild.size() && childless[common] == withChild[common]) ++common;
        const std::size_t lastLine = withChild.rfind('\n');
        if (common == 0 || common == childless.size() || lastLine == std::string::npos) {
            f.valid = false;
            continue;
        }
        // An element writes ">" to end its start tag, then a line break
        // before each child element and before its end tag. The root starts
        // on the line after the declaration.
        const std::string open = childless.substr(0, common);
        f.openAfterSibling[level] = (level == XmlStreamExport::kRootLevel ? "" : "\n") + open;
        f.openAfterStartTag[level] = ">\n" + open;
        f.shortClose[level] = childless.substr(common);
        f.closeLine[level] = withChild.substr(lastLine);
    }
    // Numbers are printed by TinyXML with "%d": digits, which its escaping
    // leaves alone and which never make it pick the other quote.
    for (std::size_t a = 0; a < kAttributes; ++a) {
        const std::string empty = Printed(TiXmlAttribute(kAttributeNames[a], ""), 0);
        if (empty.size() < 2) {
            f.valid = false;
            continue;
        }
        f.numberBefore[a] = ' ' + empty.substr(0, empty.size() - 1);
        f.numberAfter[a] = empty.substr(empty.size() - 1);
    }
    return f;
}

}  // namespace

// Text attributes as TinyXML's TiXmlAttribute prints them (its quote choice
// and its escaping of markup characters and bytes below 0x20), each with the
// blank an element writes before it, kept in a direct-mapped cache keyed by
// attribute and value. A hit is checked against the whole value, so the
// cache never changes what is written; it only saves printing the same name
// again. The slot is chosen by the value's address and length, which is
// cheap, and is right as often as names are read in place from the table or
// the name tables. Memory stays bounded: a fixed number of slots, and long
// values are printed every time instead of kept. The cache starts small and
// grows (emptied) when it misses as often as it has slots, so that a short
// export does not pay for the slots a long one needs.
class XmlStreamExport::PrintedAttributes {
public:
    PrintedAttributes() {
        for (std::size_t a = 0; a < kAttributes; ++a) attributes_[a].SetName(kAttributeNames[a]);
    }

    // Appends ` name="value"` (or ` name='value'`) as TinyXML prints it.
    void Append(Attribute attribute, std::string_view value, std::string& out) {
        if (value.size() > kLongestCached) {
            Print(attribute, value, out);
            return;
        }
        if (misses_ >= slots_.size() && slotBits_ < kSlotBits) Grow();
        Slot& slot = slots_[SlotOf(attribute, value)];
        if (slot.attribute != attribute || std::string_view(slot.value) != value || slot.printed.empty()) {
            ++misses_;
            slot.attribute = attribute;
            slot.value.assign(value);
            slot.printed.clear();
            Print(attribute, value, slot.printed);
        }
        out += slot.printed;
    }

private:
    static constexpr std::size_t kFirstSlotBits = 7;
    static constexpr std::size_t kSlotBits = 13;  // at most 8192 slots
    static constexpr std::size_t kLongestCached = 128;

    struct Slot {
        Attribute attribute = kName;
        std::string value;
        std::string printed;  // empty: never filled
    };

    std::size_t SlotOf(Attribute attribute, std::string_view value) const {
        const auto address = reinterpret_cast<std::uintptr_t>(value.data());
        const std::uint64_t key = (address ^ (std::uint64_t{value.size()} << 40) ^ (std::uint64_t{attribute} << 56));
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - slotBits_));
    }

    // The first slots, or four times as many, all empty.
    void Grow() {
        slotBits_ = slots_.empty() ? kFirstSlotBits : std::min(slotBits_ + 2, kSlotBits);
        slots_.clear();
        slots_.resize(std::size_t{1} << slotBits_);
        misses_ = 0;
    }

    void Print(Attribute attribute, std::string_view value, std::string& out) {
        // TinyXML takes NUL-terminated text: a value ends at its first NUL.
        scratch_.assign(value.substr(0, value.find('\0')));
        TiXmlAttribute& printer = attributes_[attribute];
        printer.SetValue(scratch_);
        out += ' ';
        printer.Print(nullptr, 0, &out);
    }

    std::vector<Slot> slots_;  // 1 << slotBits_ of them once the first value comes
    std::size_t slotBits_ = 0;
    std::size_t misses_ = 0;  // since the slots were last emptied
    std::array<TiXmlAttribute, kAttributes> attributes_;
    std::string scratch_;
};

XmlStreamExport::XmlStreamExport(std::FILE* file)
    : out_(file), fragments_(PrintedFragments()), printed_(std::make_unique<PrintedAttributes>()) {}

XmlStreamExport::~XmlStreamExport() = default;

const XmlStreamExport::Fragments& XmlStreamExport::PrintedFragments() {
    static const Fragments fragments = PrintFragments();
    return fragments;
}

void XmlStreamExport::Begin(const ExportStart& start) {
    debug_ = start.debugColumns;
    depth_ = 0;
    startTagOpen_ = false;
    // TinyXML could not print the fixed texts only when memory ran out.
    if (!fragments_.valid) out_.Fail({WriteFailure::Step::Write, ENOMEM, {}});
    if (!out_.ok()) return;
    out_.buffer() += fragments_.declaration;
    Open(kRootLevel);
}

void XmlStreamExport::End() {
    if (depth_ > 0) {
        CloseTo(0);
        out_.buffer() += '\n';  // the document's line break after its root
    }
    out_.WriteBlock();
}

bool XmlStreamExport::Open(std::size_t level) {
    out_.Written();
    if (!out_.ok()) return false;  // what follows would be thrown away
    CloseTo(level);
    if (depth_ != level) return false;
    out_.buffer() += startTagOpen_ ? fragments_.openAfterStartTag[level] : fragments_.openAfterSibling[level];
    startTagOpen_ = true;
    ++depth_;
    return true;
}

void XmlStreamExport::CloseTo(std::size_t depth) {
    while (depth_ > depth) {
        --depth_;
        out_.buffer() += startTagOpen_ ? fragments_.shortClose[depth_] : fragments_.closeLine[depth_];
        startTagOpen_ = false;
    }
}

void XmlStreamExport::TextAttribute(Attribute attribute, std::string_view value) {
    printed_->Append(attribute, value, out_.buffer());
}

void XmlStreamExport::NumberAttribute(Attribute attribute, std::uint32_t value) {
    std::string& out = out_.buffer();
    out += fragments_.numberBefore[attribute];
    AppendDecimal(out, value);
    out += fragments_.numberAfter[attribute];
}

void XmlStreamExport::Realm(TreeItem, std::size_t, std::string_view name) {
    if (!Open(kRealmLevel)) return;
    TextAttribute(kName, name);
}

void XmlStreamExport::Skill(TreeItem, const SkillRecord& skill, std::string_view name) {
    if (!Open(kSkillLevel)) return;
    TextAttribute(kName, name);
    if (debug_) {
        NumberAttribute(kData1, skill.data1);
        NumberAttribute(kData2, skill.data2);
        NumberAttribute(kData3, skill.data3);
    }
}

void XmlStreamExport::Category(TreeItem, std::size_t, std::uint32_t, std::string_view name) {
    if (!Open(kItemLevel)) return;
    TextAttribute(kName, name);
}

// A pattern arrives with its ingredients, so it is written and closed at once.
void XmlStreamExport::Pattern(TreeItem, const ResolvedPattern& pattern) {
    if (!Open(kPatternLevel)) return;
    const PatternRecord& record = *pattern.record;
    TextAttribute(kName, pattern.name.view());
    NumberAttribute(kSkill, record.skill);
    if (debug_) {
        NumberAttribute(kData1, record.data1);
        NumberAttribute(kData2, record.data2);
        NumberAttribute(kData3, record.data3);
        NumberAttribute(kData5, record.data5);
    }
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        if (!Open(kIngredientLevel)) break;
        if (ingredient.material == 0) {
            TextAttribute(kName, ingredient.text);
        } else {
            TextAttribute(kCat, ingredient.text);
            TextAttribute(kName, ingredient.materialName.view());
        }
        NumberAttribute(kQuantity, ingredient.quantity);
    }
    CloseTo(kPatternLevel);
}

}  // namespace artisanscope
