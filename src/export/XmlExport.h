#pragma once
// The XML export, built with TinyXML during the walk: a declaration, the root
// "Recipes", then "Realm", "Skill", "Item", "Pattern" and "Ingredient"
// elements carrying their data as attributes, in the walk's order.

#include "export/RecipeWalk.h"

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

// Saves the document to path so that the target is replaced whole or not at
// all: the document is written to a temporary file in the same folder, which
// is flushed, closed and then renamed over the target. Returns false, with
// the target untouched and no temporary file left, when anything fails.
// A link to a file is followed; a target that is not a regular file (a
// device such as /dev/full, a FIFO) is written in place, never replaced.
bool SaveXmlDocument(const TiXmlDocument& document, const std::string& path);

}  // namespace artisanscope
