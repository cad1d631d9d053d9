#include "export/XmlExport.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

bool SaveXmlDocument(const TiXmlDocument& document, const std::string& path) {
#ifndef _WIN32
    // The temporary file sits beside the target so that rename() stays within
    // one file system and replaces the target in one step.
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;

    // mkstemp creates mode 0600; an export should get the usual mode for new
    // files, or keep the mode of the file it replaces.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    std::FILE* file = ::fdopen(fd, "w");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    bool ok = document.SaveFile(file);
    ok = std::fflush(file) == 0 && ok;
    ok = std::ferror(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
#else
    return document.SaveFile(path.c_str());
#endif
}

}  // namespace artisanscope
