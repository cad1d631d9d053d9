#include "desktop/ExportFilters.h"

#include <gtest/gtest.h>

using namespace artisanscope;

// The save dialog's filter: the three format filters choose their format and
// add their extension to a name without one; the others leave it to the name.
TEST(ExportFiltersTest, SaveDialogChoice) {
    struct Case {
        const char* path;
        const char* filter;
        const char* resultPath;
        ExportFormat format;
    } cases[] = {
        {"/a/out", "CSV, UTF-8 (*.csv)", "/a/out.csv", ExportFormat::Csv},
        {"/a/out.csv", "CSV, UTF-8 (*.csv)", "/a/out.csv", ExportFormat::Csv},
        {"/a/out.xml", "CSV, UTF-8 (*.csv)", "/a/out.xml", ExportFormat::Csv},
        {"/a.b/out", "JSON (*.json)", "/a.b/out.json", ExportFormat::Json},
        {"/a/.hidden", "JSON (*.json)", "/a/.hidden.json", ExportFormat::Json},
        {"/a/out", "SQLite database (*.sqlite *.db)", "/a/out.sqlite", ExportFormat::Sqlite},
        {"/a/out.db", "SQLite database (*.sqlite *.db)", "/a/out.db", ExportFormat::Sqlite},
        {"/a/out.csv", "All files (*.*)", "/a/out.csv", ExportFormat::Text},
        {"/a/out.XML", "Text file (*.txt)", "/a/out.XML", ExportFormat::Xml},
        // The four filters that leave the format to the name add their
        // extension to a name without one.
        {"/a/out", "XML-File (*.xml)", "/a/out.xml", ExportFormat::Xml},
        {"/a/out", "CVS file (*.cvs)", "/a/out.cvs", ExportFormat::Text},
        {"/a.b/out", "Text file (*.txt)", "/a.b/out.txt", ExportFormat::Text},
        {"/a/out", "All files (*.*)", "/a/out.xml", ExportFormat::Xml},
        {"/a/.hidden", "Text file (*.txt)", "/a/.hidden.txt", ExportFormat::Text},
        {"/a/out.txt", "XML-File (*.xml)", "/a/out.txt", ExportFormat::Text},
        {"/dev/full", "XML-File (*.xml)", "/dev/full", ExportFormat::Text},  // an existing file as chosen
        {"/dev/full", "JSON (*.json)", "/dev/full", ExportFormat::Json},
        {"/a/out", "", "/a/out", ExportFormat::Text},
    };
    for (const Case& c : cases) {
        const ExportChoice choice = ExportChoiceFor(c.path, c.filter);
        EXPECT_EQ(choice.path, c.resultPath) << c.path << " " << c.filter;
        EXPECT_EQ(choice.format, c.format) << c.path << " " << c.filter;
    }
}
