#include "export/XmlExport.h"

#include "export/OutputFile.h"

#include <tinyxml.h>

namespace artisanscope {

void BeginXmlDocument(TiXmlDocument& document) {
    document.LinkEndChild(new TiXmlDeclaration("1.0", "iso-8859-1", ""));
    document.LinkEndChild(new TiXmlElement(kXmlRootName));
}

XmlExport::XmlExport(TiXmlDocument& document, bool debugAttributes)
    : debug_(debugAttributes), root_(document.RootElement()) {}

TiXmlElement* XmlExport::Append(TiXmlElement* parent, const char* name) {
    if (parent == nullptr) return nullptr;
    auto* element = new TiXmlElement(name);
    parent->LinkEndChild(element);
    return element;
}

void XmlExport::SetText(TiXmlElement& element, const char* attribute, std::string_view value) {
    text_.assign(value);  // table strings are views; TinyXML wants NUL-terminated text
    element.SetAttribute(attribute, text_.c_str());
}

// Attributes are set before the element is linked where the order of the
// export demands it; only attribute order is visible in the saved file.
void XmlExport::Realm(std::size_t, std::string_view name) {
    realm_ = Append(root_, "Realm");
    skill_ = item_ = nullptr;
    if (realm_ != nullptr) SetText(*realm_, "name", name);
}

void XmlExport::Skill(const SkillRecord& skill, std::string_view name) {
    skill_ = Append(realm_, "Skill");
    item_ = nullptr;
    if (skill_ == nullptr) return;
    SetText(*skill_, "name", name);
    if (debug_) {
        skill_->SetAttribute("data1", skill.data1);
        skill_->SetAttribute("data2", skill.data2);
        skill_->SetAttribute("data3", skill.data3);
    }
}

void XmlExport::Category(std::size_t, std::uint32_t, std::string_view name) {
    item_ = Append(skill_, "Item");
    if (item_ != nullptr) SetText(*item_, "name", name);
}

void XmlExport::Pattern(const ResolvedPattern& pattern) {
    TiXmlElement* element = Append(item_, "Pattern");
    if (element == nullptr) return;
    const PatternRecord& record = *pattern.record;
    SetText(*element, "name", pattern.name.view());
    element->SetAttribute("skill", record.skill);
    if (debug_) {
        element->SetAttribute("data1", record.data1);
        element->SetAttribute("data2", record.data2);
        element->SetAttribute("data3", record.data3);
        element->SetAttribute("data5", record.data5);
    }
    for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
        const ResolvedIngredient& ingredient = pattern.ingredients[k];
        TiXmlElement* child = Append(element, "Ingredient");
        if (ingredient.material == 0) {
            SetText(*child, "name", ingredient.text);
        } else {
            SetText(*child, "cat", ingredient.text);
            SetText(*child, "name", ingredient.materialName.view());
        }
        child->SetAttribute("quantity", ingredient.quantity);
    }
}

XmlDocumentWriter::XmlDocumentWriter(std::FILE* file) : file_(file), document_(std::make_unique<TiXmlDocument>()) {}

XmlDocumentWriter::~XmlDocumentWriter() = default;

void XmlDocumentWriter::Begin(const ExportStart& start) {
    BeginXmlDocument(*document_);
    elements_.emplace(*document_, start.debugColumns);
}

void XmlDocumentWriter::End() { ok_ = file_ != nullptr && document_->SaveFile(file_) && ok_; }

void XmlDocumentWriter::Realm(std::size_t realm, std::string_view name) {
    if (elements_) elements_->Realm(realm, name);
}
void XmlDocumentWriter::Skill(const SkillRecord& skill, std::string_view name) {
    if (elements_) elements_->Skill(skill, name);
}
void XmlDocumentWriter::Category(std::size_t position, std::uint32_t index, std::string_view name) {
    if (elements_) elements_->Category(position, index, name);
}
void XmlDocumentWriter::Pattern(const ResolvedPattern& pattern) {
    if (elements_) elements_->Pattern(pattern);
}

bool SaveXmlDocument(const TiXmlDocument& document, const std::string& path) {
    OutputFile output(path);
    if (!output.Create()) return false;
    if (!document.SaveFile(output.file())) return false;
    return output.Commit();
}

}  // namespace artisanscope
