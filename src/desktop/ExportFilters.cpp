#include "desktop/ExportFilters.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace artisanscope {

ExportChoice ExportChoiceFor(std::string path, std::string_view filterLabel) {
    // A name without an extension: none after the last '/', or only a
    // leading dot (".hidden"). A file that exists under the name was chosen
    // as it is (the dialog has asked before replacing it).
    const auto addExtension = [&path](std::string_view extension) {
        const std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 == 0
        const std::size_t dot = path.find_last_of('.');
        std::error_code error;
        if ((dot == std::string::npos || dot <= nameStart) && !std::filesystem::exists(path, error)) {
            path += '.';
            path += extension;
        }
    };
    for (const ExportFormatFilter& filter : kExportFormatFilters) {
        if (filter.label != filterLabel) continue;
        addExtension(filter.extension);
        return {std::move(path), filter.format};
    }
    for (const ExportNameFilter& filter : kExportNameFilters) {
        if (filter.label == filterLabel) addExtension(filter.extension);
    }
    const ExportFormat format = ExportFormatForPath(path);
    return {std::move(path), format};
}

}  // namespace artisanscope
