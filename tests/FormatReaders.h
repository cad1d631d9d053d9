#pragma once
// Reads the CSV, JSON and SQLite exports back into the same shape, one row of
// text fields per CSV row, so that tests can hold them against each other.
// NULL and absent values read as "".

#include <rapidjson/document.h>
#include <sqlite3.h>

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

}  // namespace artisanscope::testing
