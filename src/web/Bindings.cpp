// The page's view of WebSession, through embind. Archives and plan files
// come in as Uint8Array (or ArrayBuffer); an export's chunks go out to a
// callback as Uint8Array views into the module's memory, valid only during
// the call (the page copies them, e.g. with slice()).

#include "web/FreshMemory.h"
#include "web/WebSession.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <optional>
#include <vector>

namespace {

using namespace artisanscope;
using emscripten::val;

std::optional<ExportFormat> FormatNamed(const std::string& name) { return ExportFormatNamed(name); }

val Outcome(const WebOutcome& outcome) {
    val out = val::object();
    out.set("status", outcome.status);
    out.set("messages", outcome.messages);
    out.set("text", outcome.text);
    return out;
}

WebSettings Settings(const val& settings) {
    WebSettings out;
    if (settings.isUndefined() || settings.isNull()) return out;
    out.english = settings["english"].as<bool>();
    out.debug = settings["debug"].as<bool>();
    if (settings["find"].isString()) out.find = settings["find"].as<std::string>();
    return out;
}

val Open(WebSession& session, std::string archive, val settings) {
    return Outcome(session.Open(std::move(archive), Settings(settings)));
}

val OpenKept(WebSession& session, val settings) { return Outcome(session.OpenKept(Settings(settings))); }
std::string ArchivePath(WebSession& session) { return session.ArchivePath(); }

// How many children of item are shown (all of them without a find), and the
// row-th of them.
std::uint32_t ChildCount(WebSession& session, TreeItem item) {
    if (!session.tree().Contains(item)) return 0;
    return session.filter().active() ? session.filter().ShownChildCount(item) : session.tree().ChildCount(item);
}

TreeItem ShownChild(WebSession& session, TreeItem item, std::uint32_t row) {
    return session.filter().active() ? session.filter().ShownChild(item, row) : session.tree().Child(item, row);
}

// The shown children of item, as item ids.
val Children(WebSession& session, TreeItem item) {
    val out = val::array();
    const std::uint32_t count = ChildCount(session, item);
    for (std::uint32_t row = 0; row < count; ++row) out.call<void>("push", ShownChild(session, item, row));
    return out;
}

// The same as a Uint32Array (a copy), which the page's tree takes in one
// step however many children there are.
val ChildIds(WebSession& session, TreeItem item) {
    std::vector<TreeItem> ids(ChildCount(session, item));
    for (std::uint32_t row = 0; row < ids.size(); ++row) ids[row] = ShownChild(session, item, row);
    return val(emscripten::typed_memory_view(ids.size(), ids.data())).call<val>("slice");
}

TreeItem Parent(WebSession& session, TreeItem item) {
    return session.tree().Contains(item) ? session.tree().Parent(item) : kNoTreeItem;
}

int Depth(WebSession& session, TreeItem item) { return session.tree().Contains(item) ? session.filter().Depth(item) : -1; }
double PatternCount(WebSession& session) { return static_cast<double>(session.filter().ShownPatternCount()); }
TreeItem NextPattern(WebSession& session, TreeItem item) { return session.filter().NextPattern(item); }
TreeItem PreviousPattern(WebSession& session, TreeItem item) { return session.filter().PreviousPattern(item); }
std::string NotUnderstoodText(WebSession& session) { return session.NotUnderstoodText(); }

std::string Label(WebSession& session, TreeItem item) { return session.Label(item); }

// The shown branch under item as the dialog copies it: one item a line,
// indented by two blanks a level, UTF-8.
std::string BranchText(WebSession& session, TreeItem item) {
    std::string text;
    if (!session.tree().Contains(item) || item == kTreeRoot) return text;
    ListShownItems(session.filter(), item, [&text](std::string_view block) {
        text += block;
        return true;
    });
    return text;
}
std::uint16_t Value(WebSession& session, TreeItem item) { return session.tree().Value(item); }
bool Find(WebSession& session, std::string query) { return session.Find(query); }

val Export(WebSession& session, std::string format, val settings, val onChunk) {
    const std::optional<ExportFormat> chosen = FormatNamed(format);
    if (!chosen) return Outcome({2, "unknown format: " + format + "\n", {}});
    return Outcome(session.Export(*chosen, Settings(settings), [&onChunk](std::span<const char> bytes) {
        onChunk(val(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const unsigned char*>(bytes.data()))));
    }));
}

val Compare(WebSession& session, std::string newer, val settings, bool json) {
    return Outcome(session.Compare(std::move(newer), Settings(settings), json));
}

val CompareKept(WebSession& session, val settings, bool json) {
    return Outcome(session.CompareKept(Settings(settings), json));
}
std::string NewerPath(WebSession& session) { return session.NewerPath(); }

val Plan(WebSession& session, std::string planFile, std::string format, val settings) {
    const std::optional<ExportFormat> chosen = format.empty() ? ExportFormat::Text : FormatNamed(format);
    if (!chosen) return Outcome({2, "unknown format: " + format + "\n", {}});
    return Outcome(session.Plan(planFile, *chosen, Settings(settings)));
}

}  // namespace

EMSCRIPTEN_BINDINGS(artisanscope) {
    emscripten::function("touchFreshMemory", &TouchFreshMemory);
    emscripten::class_<WebSession>("Session")
        .constructor<>()
        .constructor<std::string>()
        .function("open", &Open)
        .function("openKept", &OpenKept)
        .function("archivePath", &ArchivePath)
        .function("children", &Children)
        .function("childIds", &ChildIds)
        .function("childCount", &ChildCount)
        .function("parent", &Parent)
        .function("depth", &Depth)
        .function("patternCount", &PatternCount)
        .function("nextPattern", &NextPattern)
        .function("previousPattern", &PreviousPattern)
        .function("notUnderstood", &NotUnderstoodText)
        .function("label", &Label)
        .function("branchText", &BranchText)
        .function("value", &Value)
        .function("find", &Find)
        .function("exportTable", &Export)
        .function("compare", &Compare)
        .function("compareKept", &CompareKept)
        .function("newerPath", &NewerPath)
        .function("plan", &Plan);
}
