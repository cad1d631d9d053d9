#pragma once
// An export format written during the one walk over a table. The load calls
// Begin once the table is in hand (before its version is looked at), hands
// the walk's events to the writer as to any other sink, and calls End when
// the walk is over. The writer owns no file: its caller creates the output
// (a temporary file beside the target), checks Ok() after End and only then
// puts the file in place. After a refused table version End is not called
// and the caller throws the output away.

#include "io/WriteFailure.h"
#include "table/RecipeWalk.h"

#include <cstdint>

namespace artisanscope {

// What a writer learns before the walk starts.
struct ExportStart {
    std::uint32_t tableVersion = 0;
    Language language = Language::German;
    // The dialog's debug flag (it chooses the text export's header line,
    // whatever the table's version).
    bool debugMode = false;
    // Whether the walk delivers debug values: debugMode on a table of
    // version 102 or newer; never for a version-101 table.
    bool debugColumns = false;
};

class ExportWriter : public RecipeSink {
public:
    virtual void Begin(const ExportStart& start) = 0;
    // False for a format that cannot hold a version-101 table: the load then
    // shows its warning and walks without this writer (Begin and End are
    // still called, so the output holds what Begin wrote).
    virtual bool TakesLegacyTables() const { return true; }
    // Closes whatever the format keeps open and writes what is still buffered.
    virtual void End() = 0;
    // False once anything could not be written or built.
    virtual bool Ok() const { return !Failure(); }
    // What could not be written, and why; empty while all is well.
    virtual WriteFailure Failure() const { return {}; }
};

}  // namespace artisanscope
