#include "cli/PathRules.h"

#include "io/AsciiCase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace artisanscope {
namespace {

constexpr std::string_view kArchiveName = "ifd.mpk";
constexpr std::string_view kDataFolder = "data";

// File names fold case as archive member names do: ASCII letters only.
bool EqualsNoCase(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

std::string_view ArchiveSuffix(PathStyle style) {
    return style == PathStyle::Windows ? "\\data\\ifd.mpk" : "/data/ifd.mpk";
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// The entry of folder named name without regard to ASCII case; the smallest
// such name when several differ only in case. Empty when there is none.
std::filesystem::path FindNoCase(const std::filesystem::path& folder, std::string_view name) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, error);
    std::string best;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (EqualsNoCase(entry, name) && (best.empty() || entry < best)) best = entry;
    }
    if (best.empty()) return {};
    return folder / best;
}

}  // namespace

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return suffix.size() <= text.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string NormaliseCamelotDir(std::string_view camelotDir, PathStyle style) {
    if (EndsWithNoCase(camelotDir, ".mpk")) return std::string(camelotDir);
    while (!camelotDir.empty() && (camelotDir.back() == '/' || camelotDir.back() == '\\')) camelotDir.remove_suffix(1);
    std::string path(camelotDir);
    path += ArchiveSuffix(style);
    return path;
}

std::optional<std::string> DeriveArchivePath(std::string_view chosen, PathStyle style) {
    if (EndsWithNoCase(chosen, kArchiveName)) return std::string(chosen);
    std::size_t cut = std::string_view::npos;
    if (style == PathStyle::Windows) cut = chosen.rfind('\\');
    if (cut == std::string_view::npos) cut = chosen.rfind('/');
    if (cut == std::string_view::npos) return std::nullopt;
    std::string path(chosen.substr(0, cut));
    path += ArchiveSuffix(style);
    return path;
}

std::string ResolveArchivePath(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path given(path);
    if (path.empty() || Exists(given) || !EqualsNoCase(given.filename().string(), kArchiveName)) return path;

    fs::path folder = given.parent_path();
    if (!Exists(folder) && EqualsNoCase(folder.filename().string(), kDataFolder)) {
        folder = FindNoCase(folder.parent_path(), kDataFolder);
        if (folder.empty()) return path;
    }
    const fs::path archive = FindNoCase(folder, kArchiveName);
    return archive.empty() ? path : archive.string();
}

std::string ApplicationName(std::string_view argv0) {
    const std::size_t slash = argv0.find_last_of("/\\");
    if (slash != std::string_view::npos) argv0.remove_prefix(slash + 1);
    const std::size_t dot = argv0.rfind('.');
    if (dot != std::string_view::npos && dot != 0) argv0 = argv0.substr(0, dot);
    return std::string(argv0);
}

}  // namespace artisanscope
