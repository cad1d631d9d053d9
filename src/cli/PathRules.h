#pragma once
// Path logic of the application shell that needs no window system: how the
// command-line job and the Open button turn what the user named into the
// path of the game archive, how a game folder copied with other letter case
// is still found, and the application's name.

#include <optional>
#include <string>
#include <string_view>

namespace artisanscope {

// How derived paths are joined. Windows builds join with '\' and cut the
// Open button's choice at the last '\' first; other systems use '/' only.
enum class PathStyle { Windows, Posix };
#ifdef _WIN32
inline constexpr PathStyle kPlatformPathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kPlatformPathStyle = PathStyle::Posix;
#endif

// True when text ends in suffix, ASCII letters compared without case.
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// The command-line job's camelot_dir: a name ending in ".mpk" is the archive
// itself; otherwise trailing '/' and '\' are removed and "/data/ifd.mpk"
// (Windows: "\data\ifd.mpk") is appended.
std::string NormaliseCamelotDir(std::string_view camelotDir, PathStyle style = kPlatformPathStyle);

// The Open button's archive path from the chosen file: a name ending in
// "ifd.mpk" is used unchanged; otherwise the folder of the chosen file
// followed by "/data/ifd.mpk". Nothing when the path has no separator.
std::optional<std::string> DeriveArchivePath(std::string_view chosen, PathStyle style = kPlatformPathStyle);

// When path does not exist but its last components are "data" and "ifd.mpk"
// in other letter case on disk, the path that exists; otherwise path as it
// is. Only a last component "ifd.mpk" and the "data" folder holding it are
// looked up without case, each among the entries of its parent folder.
std::string ResolveArchivePath(const std::string& path);

// The executable's file name without folder and extension.
std::string ApplicationName(std::string_view argv0);

}  // namespace artisanscope
