#include "export/SqliteExport.h"

#include "io/Cp1252.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

namespace artisanscope {
namespace {

// The CSV export's columns over the tables, in its row order: skills by id
// (walk order), then the positions of the two lists, then the slot.
constexpr std::string_view kRecipesViewStart = R"(
CREATE VIEW recipes AS SELECT
  realms.name AS realm, skills.name AS skill, categories.name AS category, patterns.name AS pattern,
  patterns.skill_level AS skill_level, ingredients.slot AS slot, ingredients.quantity AS quantity,
  ingredients.unit AS unit, ingredients.name AS ingredient, ingredients.material_id AS material_id)";
constexpr std::string_view kRecipesViewDebugColumns = R"(,
  skills.data1 AS skill_data1, skills.data2 AS skill_data2, skills.data3 AS skill_data3,
  patterns.data1 AS pattern_data1, patterns.data2 AS pattern_data2, patterns.data3 AS pattern_data3,
  patterns.data5 AS pattern_data5)";
constexpr std::string_view kRecipesViewEnd = R"(
FROM skills
  JOIN realms ON realms.id = skills.realm
  JOIN skill_categories ON skill_categories.skill = skills.id
  JOIN categories ON categories.id = skill_categories.category
  JOIN category_patterns ON category_patterns.category = categories.id
  JOIN patterns ON patterns.id = category_patterns.pattern
  LEFT JOIN ingredients ON ingredients.pattern = patterns.id
ORDER BY skills.id, skill_categories.position, category_patterns.position, ingredients.slot;
)";

// Index values are u16 in the table: one slot per possible index.
constexpr std::size_t kIndexSlots = 65536;
constexpr std::uint32_t kFirstMaterialId = 1;
// SQLite's page cache for the export's connection, in KiB.
constexpr int kPageCacheKiB = 64 * 1024;

// The first failure of the export's connection, in SQLite's words: its
// message, the system's reason when a file operation failed, and the
// extended result code, e.g. "disk I/O error: File too large (SQLite result
// code 778)".
struct SqliteStatus {
    sqlite3* db = nullptr;
    WriteFailure failure;

    bool ok() const { return !failure; }
    // False, keeping the first failure, unless result is the expected one.
    bool Check(int result, int expected = SQLITE_OK, WriteFailure::Step step = WriteFailure::Step::Write) {
        if (result == expected) return true;
        if (!failure) {
            std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result);
            // The system's words for what SQLite could not do with the file:
            // the database file's last errno (SQLite's own copy of errno is
            // overwritten by the calls that clean up after the failure).
            const int primary = result & 0xFF;
            if (db != nullptr && (primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN)) {
                int system = 0;
                if (sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &system) != SQLITE_OK || system == 0) {
                    system = sqlite3_system_errno(db);
                }
                if (system != 0) {
                    message += ": ";
                    message += std::strerror(system);
                }
            }
            message += " (SQLite result code ";
            message += std::to_string(db != nullptr ? sqlite3_extended_errcode(db) : result);
            message += ')';
            failure = {step, 0, std::move(message)};
        }
        return false;
    }
};

bool IsAscii(std::string_view text) {
    bool ascii = true;
    for (const char c : text) ascii &= static_cast<unsigned char>(c) < 0x80;
    return ascii;
}

// One prepared statement. Text parameters are converted from code page 1252
// into buffers of the statement's own, which stay put until the step; plain
// ASCII is bound where it is, and must stay put until the step as well.
class Statement {
public:
    Statement(SqliteStatus& status, std::string_view sql) : status_(status) {
        if (status_.ok()) {
            status_.Check(sqlite3_prepare_v3(status_.db, sql.data(), static_cast<int>(sql.size()),
                                             SQLITE_PREPARE_PERSISTENT, &statement_, nullptr));
        }
        if (statement_ != nullptr) texts_.resize(static_cast<std::size_t>(sqlite3_bind_parameter_count(statement_)) + 1);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Int(int column, std::int64_t value) {
        if (status_.ok()) status_.Check(sqlite3_bind_int64(statement_, column, value));
        return *this;
    }
    // NULL unless present.
    Statement& MaybeInt(int column, bool present, std::int64_t value) {
        if (present) return Int(column, value);
        if (status_.ok()) status_.Check(sqlite3_bind_null(statement_, column));
        return *this;
    }
    Statement& Utf8(int column, std::string_view utf8) {
        if (status_.ok()) {
            // A null pointer would bind NULL: empty text (a string the table
            // cannot give) is bound as the empty text it is.
            const char* text = utf8.data() != nullptr ? utf8.data() : "";
            status_.Check(sqlite3_bind_text64(statement_, column, text, utf8.size(), SQLITE_STATIC, SQLITE_UTF8));
        }
        return *this;
    }
    Statement& Text(int column, std::string_view cp1252) {
        if (!status_.ok()) return *this;
        // ASCII is the same in both: bound as it is, where it stays put too.
        if (IsAscii(cp1252)) return Utf8(column, cp1252);
        std::string& text = texts_[static_cast<std::size_t>(column)];
        text.clear();
        AppendCp1252AsUtf8(text, cp1252);
        return Utf8(column, text);
    }
    Statement& MaybeText(int column, bool present, std::string_view cp1252) {
        if (present) return Text(column, cp1252);
        if (status_.ok()) status_.Check(sqlite3_bind_null(statement_, column));
        return *this;
    }
    void Run() {
        if (!status_.ok()) return;
        status_.Check(sqlite3_step(statement_), SQLITE_DONE);
        sqlite3_reset(statement_);
    }

private:
    SqliteStatus& status_;
    sqlite3_stmt* statement_ = nullptr;
    std::vector<std::string> texts_;  // by parameter number
};

// SQLite counts every allocation under a global mutex unless told not to
// before it starts; the export makes hundreds of thousands of them. When
// SQLite is already running in this process the setting is refused and
// nothing changes.
void DisableMemoryStatistics() {
    static const bool once = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)once;
}

}  // namespace

struct SqliteExport::Database {
    Database(std::string databasePath, std::string_view generatorName)
        : path(std::move(databasePath)), generator(generatorName) {}
    ~Database() { Close(); }

    bool ok() const { return status.ok(); }
    void Exec(std::string_view sql) {
        if (ok()) status.Check(sqlite3_exec(status.db, std::string(sql).c_str(), nullptr, nullptr, nullptr));
    }
    void Prepare() {
        meta.emplace(status, "INSERT INTO meta(key, value) VALUES(?1, ?2)");
        material.emplace(status, "INSERT INTO materials(id, name_de, name_en) VALUES(?1, ?2, ?3)");
        realm.emplace(status, "INSERT INTO realms(id, name) VALUES(?1, ?2)");
        skill.emplace(status, "INSERT INTO skills(id, realm, slot, name, data1, data2, data3) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        category.emplace(status, "INSERT INTO categories(id, realm, table_index, name) VALUES(?1, ?2, ?3, ?4)");
        skillCategory.emplace(status, "INSERT INTO skill_categories(skill, position, category) VALUES(?1, ?2, ?3)");
        pattern.emplace(status,
                        "INSERT INTO patterns(id, realm, table_index, name, skill_level, material_id, "
                        "data1, data2, data3, data5) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
        // One statement per number of rows: a pattern's ingredient rows go
        // in with one step, a category's pattern list in steps of up to
        // kListRowsPerStep.
        for (std::size_t rows = 1; rows <= kIngredientSlots; ++rows) {
            ingredients[rows - 1].emplace(
                status, MultiRowInsert("ingredients(pattern, slot, quantity, unit, name, material_id)",
                                       kIngredientColumns, rows));
        }
        for (std::size_t rows = 1; rows <= kListRowsPerStep; ++rows) {
            categoryPatterns[rows - 1].emplace(
                status, MultiRowInsert("category_patterns(category, position, pattern)", kListColumns, rows));
        }
    }
    // "INSERT INTO <into> VALUES(?1, ..), (..)": rows rows of columns parameters.
    static std::string MultiRowInsert(std::string_view into, std::size_t columns, std::size_t rows) {
        std::string sql = "INSERT INTO ";
        sql += into;
        sql += " VALUES";
        for (std::size_t row = 0; row < rows; ++row) {
            sql += row == 0 ? "(" : ", (";
            for (std::size_t column = 1; column <= columns; ++column) {
                if (column > 1) sql += ", ";
                sql += '?';
                sql += std::to_string(row * columns + column);
            }
            sql += ')';
        }
        return sql;
    }
    void Material(std::uint32_t id) {
        material->Int(1, id)
            .Text(2, MaterialName(Language::German, id).view())
            .Text(3, MaterialName(Language::English, id).view())
            .Run();
    }
    // Every statement is finalised before the connection is closed.
    void Close() {
        for (auto* s : {&meta, &material, &realm, &skill, &category, &skillCategory, &pattern}) s->reset();
        for (auto& s : ingredients) s.reset();
        for (auto& s : categoryPatterns) s.reset();
        if (status.db != nullptr) status.Check(sqlite3_close(status.db), SQLITE_OK, WriteFailure::Step::Close);
        status.db = nullptr;
    }

    std::string path;
    std::string generator;
    SqliteStatus status;
    bool debug = false;
    static constexpr std::size_t kIngredientColumns = 6;
    static constexpr std::size_t kListColumns = 3;
    static constexpr std::size_t kListRowsPerStep = 10;
    std::optional<Statement> meta, material, realm, skill, category, skillCategory, pattern;
    std::array<std::optional<Statement>, kIngredientSlots> ingredients;  // by rows - 1
    std::array<std::optional<Statement>, kListRowsPerStep> categoryPatterns;  // by rows - 1

    // A category's shown patterns: (position in its list, pattern row id),
    // in list order.
    using PatternList = std::vector<std::pair<std::uint8_t, std::int64_t>>;
    struct StoredCategory {
        std::int64_t id = 0;
        PatternList patterns;
    };
    // The category being shown; its row is chosen once its last pattern has
    // been seen, because a filtered walk may show a category with other
    // patterns under another skill.
    struct Showing {
        bool open = false;
        std::size_t position = 0;
        std::uint32_t index = 0;
        std::string name;  // code page 1252
        PatternList patterns;
    };

    // Ends the category being shown: links it to the skill through the row
    // of the same index that lists exactly the same patterns, or through a
    // new one with its list.
    void FinishCategory() {
        if (!showing.open) return;
        showing.open = false;
        std::vector<StoredCategory>& stored = categories[showing.index];
        std::int64_t id = 0;
        for (const StoredCategory& s : stored) {
            if (s.patterns != showing.patterns) continue;
            id = s.id;
            break;
        }
        if (id == 0) {
            id = ++lastCategoryId;
            category->Int(1, id).Int(2, realmId).Int(3, showing.index).Text(4, showing.name).Run();
            const std::span<const std::pair<std::uint8_t, std::int64_t>> list(showing.patterns);
            for (std::size_t first = 0; first < list.size(); first += kListRowsPerStep) {
                const auto step = list.subspan(first, std::min(kListRowsPerStep, list.size() - first));
                Statement& rows = *categoryPatterns[step.size() - 1];
                for (std::size_t k = 0; k < step.size(); ++k) {
                    const int at = static_cast<int>(k * kListColumns);
                    rows.Int(at + 1, id).Int(at + 2, step[k].first).Int(at + 3, step[k].second);
                }
                rows.Run();
            }
            stored.push_back({id, showing.patterns});
        }
        skillCategory->Int(1, skillId).Int(2, static_cast<std::int64_t>(showing.position)).Int(3, id).Run();
    }

    std::int64_t realmId = 0;
    std::int64_t skillId = 0, lastSkillId = 0;
    std::int64_t lastCategoryId = 0;
    std::int64_t lastPatternId = 0;
    Showing showing;
    // The category rows of the current realm by table index: one per
    // distinct list of shown patterns (without a find query, one).
    std::unordered_map<std::uint32_t, std::vector<StoredCategory>> categories;
    // Pattern row id by table index within the current realm; 0 = not stored
    // yet. Made once per export; a new realm resets only the indices stored.
    std::unique_ptr<std::int64_t[]> patternIds;
    std::vector<std::uint16_t> storedIndices;
    std::set<std::uint32_t> materialsBeyondTable;
};

SqliteExport::SqliteExport(std::string path, std::string_view generator)
    : db_(std::make_unique<Database>(std::move(path), generator)) {}

SqliteExport::~SqliteExport() = default;

void SqliteExport::Begin(const ExportStart& start) {
    Database& d = *db_;
    d.debug = start.debugColumns;
    DisableMemoryStatistics();
    if (!d.status.Check(sqlite3_open_v2(d.path.c_str(), &d.status.db,
                                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr),
                        SQLITE_OK, WriteFailure::Step::Create)) {
        return;
    }
    // The file is a temporary one that is put in place only when complete,
    // so no rollback journal and no syncing of SQLite's own. The page cache
    // holds a realistic table's database whole, so that pages are written
    // once instead of spilled and read back during the transaction.
    d.Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;");
    d.Exec("PRAGMA cache_size=-" + std::to_string(kPageCacheKiB) + "; PRAGMA temp_store=MEMORY; PRAGMA page_size=16384;");
    d.Exec("BEGIN");
    d.Exec(kSqliteSchema);
    std::string view(kRecipesViewStart);
    if (d.debug) view += kRecipesViewDebugColumns;
    view += kRecipesViewEnd;
    d.Exec(view);
    d.Prepare();
    if (!d.ok()) return;

    d.meta->Utf8(1, "generator").Utf8(2, d.generator).Run();
    d.meta->Utf8(1, "table_version").Int(2, start.tableVersion).Run();
    d.meta->Utf8(1, "language").Utf8(2, start.language == Language::English ? "en" : "de").Run();
    d.meta->Utf8(1, "debug").Int(2, d.debug ? 1 : 0).Run();
    for (std::uint32_t id = kFirstMaterialId; id < kMaterialIdsPerLanguage; ++id) d.Material(id);
    d.patternIds = std::make_unique<std::int64_t[]>(kIndexSlots);
}

void SqliteExport::Realm(TreeItem, std::size_t realm, std::string_view name) {
    Database& d = *db_;
    if (!d.ok()) return;
    d.FinishCategory();
    d.realmId = static_cast<std::int64_t>(realm);
    d.realm->Int(1, d.realmId).Text(2, name).Run();
    d.categories.clear();
    for (const std::uint16_t index : d.storedIndices) d.patternIds[index] = 0;
    d.storedIndices.clear();
}

void SqliteExport::Skill(TreeItem, const SkillRecord& skill, std::string_view name) {
    Database& d = *db_;
    if (!d.ok()) return;
    d.FinishCategory();
    d.skillId = ++d.lastSkillId;
    d.skill->Int(1, d.skillId)
        .Int(2, d.realmId)
        .Int(3, skill.slot + 1)
        .Text(4, name)
        .MaybeInt(5, d.debug, skill.data1)
        .MaybeInt(6, d.debug, skill.data2)
        .MaybeInt(7, d.debug, skill.data3)
        .Run();
}

void SqliteExport::Category(TreeItem, std::size_t position, std::uint32_t index, std::string_view name) {
    Database& d = *db_;
    if (!d.ok()) return;
    d.FinishCategory();
    d.showing.open = true;
    d.showing.position = position;
    d.showing.index = index;
    d.showing.name.assign(name);
    d.showing.patterns.clear();
}

void SqliteExport::Pattern(TreeItem, const ResolvedPattern& pattern) {
    Database& d = *db_;
    if (!d.ok()) return;
    std::int64_t& id = d.patternIds[pattern.index];
    if (id == 0) {
        id = ++d.lastPatternId;
        d.storedIndices.push_back(pattern.index);
        const PatternRecord& record = *pattern.record;
        if (record.material >= kMaterialIdsPerLanguage) d.materialsBeyondTable.insert(record.material);
        d.pattern->Int(1, id)
            .Int(2, d.realmId)
            .Int(3, pattern.index)
            .Text(4, pattern.name.view())
            .Int(5, record.skill)
            .MaybeInt(6, record.material != 0, record.material)
            .MaybeInt(7, d.debug, record.data1)
            .MaybeInt(8, d.debug, record.data2)
            .MaybeInt(9, d.debug, record.data3)
            .MaybeInt(10, d.debug, record.data5)
            .Run();
        if (pattern.ingredientCount > 0) {
            Statement& rows = *d.ingredients[pattern.ingredientCount - 1];
            for (std::size_t k = 0; k < pattern.ingredientCount; ++k) {
                const ResolvedIngredient& ingredient = pattern.ingredients[k];
                const bool hasMaterial = ingredient.material != 0;
                if (ingredient.material >= kMaterialIdsPerLanguage) d.materialsBeyondTable.insert(ingredient.material);
                const int at = static_cast<int>(k * Database::kIngredientColumns);
                rows.Int(at + 1, id)
                    .Int(at + 2, ingredient.slot + 1)
                    .Int(at + 3, ingredient.quantity)
                    .MaybeText(at + 4, hasMaterial, ingredient.text)
                    .Text(at + 5, hasMaterial ? ingredient.materialName.view() : ingredient.text)
                    .MaybeInt(at + 6, hasMaterial, ingredient.material);
            }
            rows.Run();
        }
    }
    if (d.showing.open) d.showing.patterns.emplace_back(pattern.position, id);
}

void SqliteExport::End() {
    Database& d = *db_;
    if (d.status.db == nullptr) return;
    d.FinishCategory();
    // Ids without a name entry are named by their number, so that every
    // material_id has its row.
    for (const std::uint32_t id : d.materialsBeyondTable) d.Material(id);
    d.Exec(kSqliteIndexes);
    d.Exec("COMMIT");
    d.Close();
}

WriteFailure SqliteExport::Failure() const { return db_->status.failure; }

}  // namespace artisanscope
