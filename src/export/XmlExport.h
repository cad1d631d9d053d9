#pragma once
// The XML export, built with TinyXML during the walk: a declaration, the root
// "Recipes", then "Realm", "Skill", "Item", "Pattern" and "Ingredient"
// elements carrying their data as attributes, in the walk's order.

#include "export/ExportWriter.h"
#include "export/RecipeWalk.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

class TiXmlDocument;
class TiXmlElement;

namespace artisanscope {

inline constexpr const char* kXmlRootName = "Recipes";

// Appends the declaration (version "1.0", encoding "iso-8859-1", empty
// standalone) and the empty root element "Recipes" to the document.
void BeginXmlDocument(TiXmlDocument& document);

class XmlExport final : public RecipeSink {
public:
    // Elements go below the document's root element; with no root, none are made.
    XmlExport(TiXmlDocument& document, bool debugAttributes);

    void Realm(std::size_t realm, std::string_view name) override;
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t, std::uint32_t, std::uint32_t) override {}
    void Category(std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;

private:
    TiXmlElement* Append(TiXmlElement* parent, const char* name);
    void SetText(TiXmlElement& element, const char* attribute, std::string_view value);

    const bool debug_;
    TiXmlElement* root_ = nullptr;  // non-owning: the document owns every node
    TiXmlElement* realm_ = nullptr;
    TiXmlElement* skill_ = nullptr;
    TiXmlElement* item_ = nullptr;
    std::string text_;
};

// The XML export as an export writer: the whole document is built in
// memory with TinyXML and printed by TinyXML into the output in End. It
// cannot hold a version-101 table (that export is the empty "Recipes").
class XmlDocumentWriter final : public ExportWriter {
public:
    explicit XmlDocumentWriter(std::FILE* file);
    ~XmlDocumentWriter() override;

    void Begin(const ExportStart& start) override;
    bool TakesLegacyTables() const override { return false; }
    void End() override;
    bool Ok() const override { return ok_; }
    // The document built so far.
    const TiXmlDocument& document() const { return *document_; }

    void Realm(std::size_t realm, std::string_view name) override;
    void Skill(const SkillRecord& skill, std::string_view name) override;
    void IllegalCategory(std::size_t, std::uint32_t, std::uint32_t) override {}
    void Category(std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(const ResolvedPattern& pattern) override;

private:
    std::FILE* file_;
    std::unique_ptr<TiXmlDocument> document_;
    std::optional<XmlExport> elements_;
    bool ok_ = true;
};

// Saves the document to path through OutputFile: the target is replaced
// whole or not at all, a link is followed and a device or FIFO is written
// in place. False, with the target untouched and no temporary file left,
// when anything fails.
bool SaveXmlDocument(const TiXmlDocument& document, const std::string& path);

}  // namespace artisanscope
