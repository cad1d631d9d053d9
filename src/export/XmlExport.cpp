#include "export/XmlExport.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
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

#ifndef _WIN32
namespace {

// Writes the document straight into an existing target that is not a regular
// file (a device such as /dev/null or /dev/full, a FIFO): such a node can
// only be written to, and renaming a file over it would destroy it.
bool SaveInPlace(const TiXmlDocument& document, const std::string& path) {
    // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* file = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? ::fdopen(fd, "w") : nullptr;
    if (file == nullptr) {
        ::close(fd);
        return false;
    }
    bool ok = document.SaveFile(file);
    ok = std::fflush(file) == 0 && ok;
    ok = std::ferror(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace
#endif

bool SaveXmlDocument(const TiXmlDocument& document, const std::string& path) {
#ifndef _WIN32
    // A link to an existing file is followed: the file it names is replaced
    // and the link stays.
    std::string target = path;
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) return SaveInPlace(document, target);

    // The temporary file sits beside the target so that rename() stays within
    // one file system and replaces the target in one step.
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = folder + "." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;

    // mkstemp creates mode 0600; an export should get the usual mode for new
    // files, or keep the mode of the file it replaces.
    if (::stat(target.c_str(), &existing) == 0) {
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
    ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
#else
    return document.SaveFile(path.c_str());
#endif
}

}  // namespace artisanscope
