#pragma once
// Texts and keys through a RapidJSON writer (any stream, any indentation),
// the same in every JSON the program writes: the export, the comparison
// report and the plan.

#include "io/Cp1252.h"

#include <rapidjson/rapidjson.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace artisanscope {

// Writes a key given with its quotes (plain ASCII, nothing to escape) as
// the writer's Key would, without escaping it byte by byte.
template <typename JsonWriter, std::size_t N>
void WriteJsonKey(JsonWriter& json, const char (&quoted)[N]) {
    json.RawValue(quoted, N - 1, rapidjson::kStringType);
}

// Writes UTF-8 text as a JSON string.
template <typename JsonWriter>
void WriteJsonUtf8(JsonWriter& json, std::string_view utf8) {
    json.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
}

// Writes code page 1252 text as a JSON string; utf8 is scratch space,
// reused from call to call.
template <typename JsonWriter>
void WriteJsonCp1252(JsonWriter& json, std::string_view cp1252, std::string& utf8) {
    utf8.clear();
    AppendCp1252AsUtf8(utf8, cp1252);
    WriteJsonUtf8(json, utf8);
}

}  // namespace artisanscope
