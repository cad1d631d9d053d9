#pragma once
// Runs one load of a recipe table image with every output attached and
// collects what each output received.

#include "RecordingDialog.h"
#include "TempDir.h"
#include "export/LoadRecipeTable.h"
#include "export/TextExport.h"
#include "export/XmlExport.h"
#include "fixtures/TableWriter.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace artisanscope::testing {

struct LoadOptions {
    bool english = false;
    bool debug = false;
    bool text = true;
    bool xml = true;
};

struct LoadResult {
    bool ok = false;
    std::vector<std::pair<int, std::string>> rows;
    std::vector<std::string> messages;
    std::string text;       // everything written to the text file
    std::string savedXml;   // the XML file as saved ("" when no document)
    bool documentEmpty = true;
};

inline std::string ReadAll(std::FILE* file) {
    std::string out;
    std::rewind(file);
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
    return out;
}

inline std::string ReadText(const std::string& path) {
    const auto bytes = fixtures::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Loads image (the inflated tdl.crf) as if it came from an archive.
inline LoadResult LoadImage(const fixtures::Bytes& image, const LoadOptions& options = {}) {
    RecordingDialog dialog(options.english, options.debug);
    std::FILE* text = options.text ? std::tmpfile() : nullptr;
    TiXmlDocument document;
    MpakMember member = MpakMember::Allocate(image.size());
    std::copy(image.begin(), image.end(), member.data());
    dialog.tree.DeleteAllItems();
    LoadResult result;
    result.ok = LoadRecipeTableImage(dialog, std::move(member), text, options.xml ? &document : nullptr);
    dialog.tree.Finish();
    result.rows = dialog.Rows();
    result.messages = dialog.messages;
    if (text != nullptr) {
        std::fflush(text);
        result.text = ReadAll(text);
        std::fclose(text);
    }
    if (options.xml) {
        result.documentEmpty = document.FirstChild() == nullptr;
        TempDir dir;
        SaveXmlDocument(document, dir / "out.xml");
        result.savedXml = ReadText(dir / "out.xml");
    }
    return result;
}

inline LoadResult LoadTable(const fixtures::TableSpec& spec, const LoadOptions& options = {}) {
    return LoadImage(fixtures::WriteRecipeTable(spec), options);
}

}  // namespace artisanscope::testing
