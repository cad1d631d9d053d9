#pragma once
// Reads the exports back into the same shape, one row of text fields per CSV
// row, so that tests can hold them against each other, and the table they are
// tried on. NULL and absent values read as "".

#include "fixtures/TableWriter.h"
#include "io/Cp1252.h"

#include <rapidjson/document.h>
#include <sqlite3.h>
#include <tinyxml.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace artisanscope::testing {

using FormatRow = std::vector<std::string>;
using FormatRows = std::vector<FormatRow>;

// An RFC 4180 reader: comma separator, CR LF line ends, quoted fields with
// doubled quotes inside; CR and LF inside quotes belong to the field. Throws
// on anything else (a bare LF line end, a quote inside an unquoted field,
// text after a closing quote).
inline FormatRows ParseCsv(const std::string& text) {
    FormatRows rows;
    FormatRow row;
    std::string field;
    std::size_t i = 0;
    const auto fail = [&](const char* what) { throw std::runtime_error(std::string(what) + " at byte " + std::to_string(i)); };
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) fail("unterminated quote");
                if (text[i] != '"') {
                    field += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"') fail("quote inside an unquoted field");
                field += text[i++];
            }
        }
        if (i < text.size() && text[i] == ',') {
            row.push_back(std::move(field));
            field.clear();
            ++i;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
            i += 2;
        } else {
            fail("expected a comma or CR LF");
        }
    }
    if (!row.empty() || !field.empty()) fail("last row without CR LF");
    return rows;
}

inline std::string JsonField(const rapidjson::Value& value) {
    if (value.IsNull()) return "";
    if (value.IsString()) return std::string(value.GetString(), value.GetStringLength());
    if (value.IsUint()) return std::to_string(value.GetUint());
    throw std::runtime_error("unexpected JSON value");
}

// The JSON export flattened into the CSV export's rows (no header row).
inline FormatRows FlattenJson(const rapidjson::Document& document) {
    FormatRows rows;
    const bool debug = document["debug"].GetBool();
    for (const auto& realm : document["realms"].GetArray()) {
        for (const auto& skill : realm["skills"].GetArray()) {
            for (const auto& category : skill["categories"].GetArray()) {
                for (const auto& pattern : category["patterns"].GetArray()) {
                    const FormatRow start{JsonField(realm["name"]), JsonField(skill["name"]), JsonField(category["name"]),
                                          JsonField(pattern["name"]), JsonField(pattern["skill_level"])};
                    FormatRow end;
                    if (debug) {
                        for (const auto& v : skill["data"].GetArray()) end.push_back(JsonField(v));
                        for (const auto& v : pattern["data"].GetArray()) end.push_back(JsonField(v));
                    }
                    const auto add = [&](FormatRow middle) {
                        FormatRow row = start;
                        row.insert(row.end(), middle.begin(), middle.end());
                        row.insert(row.end(), end.begin(), end.end());
                        rows.push_back(std::move(row));
                    };
                    const auto& ingredients = pattern["ingredients"].GetArray();
                    if (ingredients.Empty()) add({"", "", "", "", ""});
                    for (const auto& i : ingredients) {
                        add({JsonField(i["slot"]), JsonField(i["quantity"]), JsonField(i["unit"]), JsonField(i["name"]),
                             JsonField(i["material_id"])});
                    }
                }
            }
        }
    }
    return rows;
}

// Every row of a query, each column as text.
inline FormatRows QuerySqlite(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + path);
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        const std::string error = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(error + " in " + sql);
    }
    FormatRows rows;
    int status;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
        FormatRow row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            row.emplace_back(text != nullptr ? text : "");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    if (status != SQLITE_DONE) throw std::runtime_error("query failed: " + sql);
    return rows;
}

// Everything the formats must carry: names holding a comma, a quote, ";",
// CR LF, umlauts and an undefined code page byte; a category listed by two
// skills and twice by one; a pattern listed twice; a pattern without filled
// slots; a hidden pattern; an illegal category index; a material-named
// pattern; materials without a name and beyond the name table; an empty realm
// and an empty skill slot in front of a filled one.
inline fixtures::TablePlan FormatTestTable(std::uint32_t version = 102) {
    using namespace fixtures;
    TablePlan plan;
    plan.version = version;
    RealmPlan& albion = plan.realms[0];
    PatternPlan sword{.name = "Schwert, \"lang\"; scharf", .data1 = 4, .data2 = 5, .data3 = 6, .skill = 150,
                      .lvl = 10, .data5 = 7};
    sword.slots = {{.name = "Barren", .quantity = 2, .material = 8},
                   {.name = "", .quantity = 0, .material = 9},
                   {.name = "Griff; Leder", .quantity = 1},
                   {.name = "Klinge", .quantity = 3, .material = 3}};
    PatternPlan bare{.name = "Leer", .skill = 2000, .data5 = 65535};
    PatternPlan secret{.name = "Geheim", .skill = 2001};
    secret.slots = {{.name = "Stoff", .quantity = 65535, .material = 300}};
    PatternPlan named{.name = "ignored", .material = 22, .skill = 40};
    named.slots = {{.name = "", .quantity = 1, .material = 50}};
    const std::uint16_t s1 = albion.AddPattern(sword), s2 = albion.AddPattern(bare), s3 = albion.AddPattern(secret),
                        s4 = albion.AddPattern(named);
    const std::uint16_t k1 = albion.AddCategory({.name = "Waffen, schwer", .patterns = {0, s1, s2, s3, s1}});
    const std::uint16_t k2 = albion.AddCategory({.name = "R\xFCstung \x80\x81", .patterns = {s4}});
    const std::uint16_t illegal = static_cast<std::uint16_t>(albion.categories.size());
    albion.skills = {{.name = ""},
                     {.name = "Waffenschmied", .data1 = 1, .data2 = 2, .data3 = 3, .categories = {k1, illegal, 0, k2}},
                     {.name = "Zweiter \"Schmied\"", .data1 = 65535, .categories = {k2, k1, k2}}};
    RealmPlan& hibernia = plan.realms[2];
    PatternPlan line{.name = "Zeile\r\nzwei", .skill = 1};
    line.slots = {{.name = "a\nb", .quantity = 4}};
    const std::uint16_t k3 = hibernia.AddCategory({.name = "Cr\rLf", .patterns = {hibernia.AddPattern(line)}});
    hibernia.skills = {{.name = "Skill", .categories = {k3}}};
    return plan;
}

// The semicolon text lines that the CSV rows describe, in code page 1252
// turned into UTF-8: one line per pattern, which starts at a row whose slot
// is empty or not above the slot of the row before.
inline std::vector<std::string> TextLinesFromCsv(const FormatRows& rows, bool debug) {
    std::vector<std::string> lines;
    int lastSlot = 0;  // 0: the row before ended its pattern
    for (const FormatRow& row : rows) {
        const int slot = row[5].empty() ? 0 : std::stoi(row[5]);
        if (slot == 0 || lastSlot == 0 || slot <= lastSlot) {
            lines.push_back(row[0] + ";" + row[1] + ";" + row[2] + ";" + row[3] + ";" + row[4]);
            if (debug) {
                for (std::size_t c = 10; c < 17; ++c) lines.back() += ";" + row[c];
            }
        }
        if (slot != 0) lines.back() += ";" + row[6] + ";" + row[7] + ";" + row[8];
        lastSlot = slot;
    }
    return lines;
}

inline std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    const std::string utf8 = Cp1252ToUtf8(text);
    std::size_t start = utf8.find("\r\n") + 2;  // after the header line
    for (std::size_t end; (end = utf8.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(utf8.substr(start, end - start));
    }
    return lines;
}

// The XML export flattened into the CSV export's rows as far as it carries
// them: realm, skill, category, pattern, skill_level, quantity, unit,
// ingredient (a pattern without ingredients gives one row ending in three
// empty fields). Values are turned from code page 1252 into UTF-8.
inline FormatRows FlattenXml(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (document.Error()) throw std::runtime_error(std::string("XML: ") + document.ErrorDesc());
    const auto text = [](const TiXmlElement& e, const char* name) {
        const char* value = e.Attribute(name);
        return value == nullptr ? std::string() : Cp1252ToUtf8(value);
    };
    const auto children = [](const TiXmlElement& e) {
        std::vector<const TiXmlElement*> out;
        for (const TiXmlElement* c = e.FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) out.push_back(c);
        return out;
    };
    FormatRows rows;
    for (const TiXmlElement* realm : children(*document.RootElement())) {
        for (const TiXmlElement* skill : children(*realm)) {
            for (const TiXmlElement* item : children(*skill)) {
                for (const TiXmlElement* pattern : children(*item)) {
                    const FormatRow start{text(*realm, "name"), text(*skill, "name"), text(*item, "name"),
                                          text(*pattern, "name"), text(*pattern, "skill")};
                    const auto ingredients = children(*pattern);
                    if (ingredients.empty()) {
                        rows.push_back(start);
                        rows.back().insert(rows.back().end(), {"", "", ""});
                    }
                    for (const TiXmlElement* i : ingredients) {
                        rows.push_back(start);
                        rows.back().insert(rows.back().end(), {text(*i, "quantity"), text(*i, "cat"), text(*i, "name")});
                    }
                }
            }
        }
    }
    return rows;
}

// The CSV rows cut to what FlattenXml gives.
inline FormatRows XmlColumnsOf(const FormatRows& csv) {
    FormatRows rows;
    for (const FormatRow& row : csv) rows.push_back({row[0], row[1], row[2], row[3], row[4], row[6], row[7], row[8]});
    return rows;
}

}  // namespace artisanscope::testing
