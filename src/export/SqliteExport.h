#pragma once
// The SQLite export: a database file written through SQLite's C API in one
// transaction with prepared statements. Patterns are stored once per realm
// and table index, however often the walk shows them; categories once per
// realm, table index and list of shown patterns, which is once per index
// unless a find query shows a category with other patterns under another
// skill. The lists that show them (skill_categories, category_patterns) keep
// their positions, and the view "recipes" gives the CSV export's rows in its
// order.
// The schema is kSqliteSchema below.

#include "load/ExportWriter.h"

#include <memory>
#include <string>
#include <string_view>

namespace artisanscope {

// Tables, in the order they are created. Ids are assigned in walk order.
inline constexpr std::string_view kSqliteSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY NOT NULL, value) WITHOUT ROWID;
CREATE TABLE materials(
  id INTEGER PRIMARY KEY,
  name_de TEXT NOT NULL,
  name_en TEXT NOT NULL);
CREATE TABLE realms(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL);
CREATE TABLE skills(
  id INTEGER PRIMARY KEY,
  realm INTEGER NOT NULL REFERENCES realms(id),
  slot INTEGER NOT NULL,
  name TEXT NOT NULL,
  data1 INTEGER, data2 INTEGER, data3 INTEGER,
  UNIQUE(realm, slot));
CREATE TABLE categories(
  id INTEGER PRIMARY KEY,
  realm INTEGER NOT NULL REFERENCES realms(id),
  table_index INTEGER NOT NULL,
  name TEXT NOT NULL);
CREATE TABLE skill_categories(
  skill INTEGER NOT NULL REFERENCES skills(id),
  position INTEGER NOT NULL,
  category INTEGER NOT NULL REFERENCES categories(id),
  PRIMARY KEY(skill, position)) WITHOUT ROWID;
CREATE TABLE patterns(
  id INTEGER PRIMARY KEY,
  realm INTEGER NOT NULL REFERENCES realms(id),
  table_index INTEGER NOT NULL,
  name TEXT NOT NULL,
  skill_level INTEGER NOT NULL,
  material_id INTEGER REFERENCES materials(id),
  data1 INTEGER, data2 INTEGER, data3 INTEGER, data5 INTEGER,
  UNIQUE(realm, table_index));
CREATE TABLE category_patterns(
  category INTEGER NOT NULL REFERENCES categories(id),
  position INTEGER NOT NULL,
  pattern INTEGER NOT NULL REFERENCES patterns(id),
  PRIMARY KEY(category, position)) WITHOUT ROWID;
CREATE TABLE ingredients(
  pattern INTEGER NOT NULL REFERENCES patterns(id),
  slot INTEGER NOT NULL,
  quantity INTEGER NOT NULL,
  unit TEXT,
  name TEXT NOT NULL,
  material_id INTEGER REFERENCES materials(id),
  PRIMARY KEY(pattern, slot)) WITHOUT ROWID;
)";

// Made once the rows are in: lookups by name and by material, and the
// reverse of the two lists.
inline constexpr std::string_view kSqliteIndexes = R"(
CREATE INDEX materials_name_de ON materials(name_de);
CREATE INDEX materials_name_en ON materials(name_en);
CREATE INDEX skills_name ON skills(name);
CREATE INDEX categories_name ON categories(name);
CREATE INDEX categories_table_index ON categories(realm, table_index);
CREATE INDEX skill_categories_category ON skill_categories(category);
CREATE INDEX patterns_name ON patterns(name);
CREATE INDEX patterns_material ON patterns(material_id);
CREATE INDEX category_patterns_pattern ON category_patterns(pattern);
CREATE INDEX ingredients_material ON ingredients(material_id);
)";

class SqliteExport final : public ExportWriter {
public:
    // Creates the database at path (an empty or missing regular file; the
    // caller's temporary file) when Begin is called. generator names the
    // program in the meta table ("Artisanscope 1.1.0.0").
    SqliteExport(std::string path, std::string_view generator);
    ~SqliteExport() override;
    SqliteExport(const SqliteExport&) = delete;
    SqliteExport& operator=(const SqliteExport&) = delete;

    void Begin(const ExportStart& start) override;
    void Realm(TreeItem item, std::size_t realm, std::string_view name) override;
    void Skill(TreeItem item, const SkillRecord& skill, std::string_view name) override;
    void Category(TreeItem item, std::size_t position, std::uint32_t index, std::string_view name) override;
    void Pattern(TreeItem item, const ResolvedPattern& pattern) override;
    // Builds the indexes, commits and closes the database.
    void End() override;
    // SQLite's message and extended result code of the first failure.
    WriteFailure Failure() const override;

private:
    struct Database;
    std::unique_ptr<Database> db_;
};

}  // namespace artisanscope
