#pragma once
// The XML export written as a stream during the walk. Each element is
// written when the walk reaches it and closed when the walk leaves it; only
// the open elements of the current path (root, realm, skill, item) are kept,
// as a depth. The file is byte for byte what TinyXML's SaveFile writes for
// the document the walk would build: the declaration line, elements one per
// line indented by four spaces per level, `<Name ... />` for an element
// without children, attributes in the order they are set.
//
// TinyXML itself prints the declaration, the element tags with their
// indentation and every text attribute (its quote choice and escaping);
// this class only strings those pieces together. Printed text attributes are
// remembered by value in a small fixed cache, because the same few thousand
// names recur hundreds of thousands of times in a table.

#include "io/BlockOutput.h"
#include "load/ExportWriter.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace artisanscope {

class XmlStreamExport final : public ExportWriter {
public:
    // Writes to file, which stays the caller's; nothing is written before Begin.
    explicit XmlStreamExport(std::FILE* file);
    ~XmlStreamExport() override;
    XmlStreamExport(const XmlStreamExport&) = delete;
    XmlStreamExport& operator=(const XmlStreamExport&) = delete;

    // The declaration and the start of the root "Recipes".
    void Begin(const ExportStart& start) override;
    // A version-101 table keeps the declaration and an empty root.
    bool TakesLegacyTables() const override { return false; }
    // Closes every open element and writes the rest of the buffer.
    void End() override;
    // Without a file, and once a write has failed; after a failure nothing
    // more is written.
    WriteFailure Failure() const override { return out_.failure(); }

    void Realm(TreeItem item, std::size_t realm, std::string_view name) override;
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override;
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override;

    // Element levels: the root is 0, an ingredient 5.
    enum Level : std::size_t { kRootLevel, kRealmLevel, kSkillLevel, kItemLevel, kPatternLevel, kIngredientLevel };
    // The attributes the export writes: "name", "cat", "skill", "quantity",
    // "data1", "data2", "data3", "data5".
    enum Attribute : std::size_t { kName, kCat, kSkill, kQuantity, kData1, kData2, kData3, kData5 };

    // The fixed texts of the file, printed once by TinyXML.
    struct Fragments;

private:
    class PrintedAttributes;
    static const Fragments& PrintedFragments();

    // Starts an element at level after closing whatever is open at that
    // level or deeper; false (and nothing written) when its parent is not
    // open, so that the element is left out with its subtree, or after a
    // failed write.
    bool Open(std::size_t level);
    void CloseTo(std::size_t depth);
    void TextAttribute(Attribute attribute, std::string_view value);
    void NumberAttribute(Attribute attribute, std::uint32_t value);

    BlockOutput out_;
    const Fragments& fragments_;
    bool debug_ = false;
    // Number of open elements: 1 while only the root is open.
    std::size_t depth_ = 0;
    // The last opened element's start tag still lacks its end: ">" when a
    // child follows, " />" when it closes without one.
    bool startTagOpen_ = false;
    std::unique_ptr<PrintedAttributes> printed_;
};

}  // namespace artisanscope
