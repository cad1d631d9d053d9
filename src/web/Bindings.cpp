// The page's view of WebSession, through embind. Archives and plan files
// come in as Uint8Array (or ArrayBuffer); an export's chunks go out to a
// callback as Uint8Array views into the module's memory, valid only during
// the call (the page copies them, e.g. with slice()).

#include "web/WebSession.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <optional>

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

// The shown children of item (all of them without a find), as item ids.
val Children(WebSession& session, TreeItem item) {
    val out = val::array();
    const RecipeFilter& filter = session.filter();
    const RecipeTree& tree = session.tree();
    if (!tree.Contains(item)) return out;
    const bool filtered = filter.active();
    const std::uint32_t count = filtered ? filter.ShownChildCount(item) : tree.ChildCount(item);
    for (std::uint32_t row = 0; row < count; ++row) {
        out.call<void>("push", filtered ? filter.ShownChild(item, row) : tree.Child(item, row));
    }
    return out;
}

std::string Label(WebSession& session, TreeItem item) { return session.Label(item); }
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

val Plan(WebSession& session, std::string planFile, std::string format, val settings) {
    const std::optional<ExportFormat> chosen = format.empty() ? ExportFormat::Text : FormatNamed(format);
    if (!chosen) return Outcome({2, "unknown format: " + format + "\n", {}});
    return Outcome(session.Plan(planFile, *chosen, Settings(settings)));
}

}  // namespace

EMSCRIPTEN_BINDINGS(artisanscope) {
    emscripten::class_<WebSession>("Session")
        .constructor<>()
        .function("open", &Open)
        .function("children", &Children)
        .function("label", &Label)
        .function("value", &Value)
        .function("find", &Find)
        .function("exportTable", &Export)
        .function("compare", &Compare)
        .function("plan", &Plan);
}
