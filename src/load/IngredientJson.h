#pragma once
// One filled ingredient slot as a JSON object, the same in the JSON export and
// the JSON comparison report:
//   {"slot": 1..8, "quantity", "unit": the slot's text or null,
//    "name": the material's name, else the slot's text,
//    "material_id": the material or null}
// A slot with a material has its text as the unit; a slot without one is
// named by its text. Texts are code page 1252 and come out UTF-8.

#include "io/JsonText.h"
#include "table/RecipeWalk.h"

#include <string>
#include <string_view>

namespace artisanscope {

// Writes ingredient through a RapidJSON writer (any stream, any indentation);
// utf8 is scratch space, reused from call to call.
template <typename JsonWriter>
void WriteIngredientJson(JsonWriter& json, const ResolvedIngredient& ingredient, std::string& utf8) {
    const auto text = [&json, &utf8](std::string_view cp1252) { WriteJsonCp1252(json, cp1252, utf8); };
    const bool hasMaterial = ingredient.material != 0;
    json.StartObject();
    WriteJsonKey(json, "\"slot\"");
    json.Uint(ingredient.slot + 1u);
    WriteJsonKey(json, "\"quantity\"");
    json.Uint(ingredient.quantity);
    WriteJsonKey(json, "\"unit\"");
    if (hasMaterial) {
        text(ingredient.text);
    } else {
        json.Null();
    }
    WriteJsonKey(json, "\"name\"");
    text(hasMaterial ? ingredient.materialName.view() : ingredient.text);
    WriteJsonKey(json, "\"material_id\"");
    if (hasMaterial) {
        json.Uint(ingredient.material);
    } else {
        json.Null();
    }
    json.EndObject();
}

}  // namespace artisanscope
