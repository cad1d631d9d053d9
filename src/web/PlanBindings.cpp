// The page's crafting plan through embind: a Plan held beside the Session,
// each call that looks at the table given that session. Plan files come in
// as Uint8Array (or a string); texts go out as UTF-8 strings.

#include "web/WebPlan.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>

namespace {

using namespace artisanscope;
using emscripten::val;

// The entry the player added to, or -1 and the reason nothing was added.
val Add(WebPlan& plan, const WebSession& session, TreeItem item) {
    const WebPlanAdded added = plan.Add(session, item);
    val out = val::object();
    out.set("place", added.place ? static_cast<double>(*added.place) : -1.0);
    out.set("reason", added.reason);
    return out;
}

bool SetCount(WebPlan& plan, double place, double count) {
    if (!(place >= 0) || !(count == count)) return false;
    const double kept = std::clamp(count, double{kMinPlanCount}, double{kMaxPlanCount});
    return plan.SetCount(static_cast<std::size_t>(place), static_cast<std::uint32_t>(kept));
}

bool Remove(WebPlan& plan, double place) { return place >= 0 && plan.Remove(static_cast<std::size_t>(place)); }

val Entries(WebPlan& plan, const WebSession& session) {
    val out = val::array();
    for (const WebPlanEntry& entry : plan.Entries(session)) {
        val row = val::object();
        row.set("label", entry.label);
        row.set("place", entry.place);
        row.set("count", entry.count);
        row.set("item", entry.item);
        row.set("missing", entry.missing);
        out.call<void>("push", row);
    }
    return out;
}

std::string TotalsText(WebPlan& plan, const WebSession& session) { return plan.TotalsText(session); }
std::string FileText(WebPlan& plan, const WebSession& session) { return plan.FileText(session); }

// undoable false: the plan the page kept, restored.
val Read(WebPlan& plan, std::string name, std::string bytes, bool undoable) {
    const WebPlanRead read = plan.Read(name, bytes, undoable);
    val out = val::object();
    out.set("replaced", read.replaced);
    out.set("message", read.message);
    out.set("details", read.details);
    return out;
}

std::size_t Size(const WebPlan& plan) { return plan.size(); }

}  // namespace

EMSCRIPTEN_BINDINGS(artisanscope_plan) {
    emscripten::class_<WebPlan>("Plan")
        .constructor<>()
        .function("add", &Add)
        .function("setCount", &SetCount)
        .function("remove", &Remove)
        .function("clear", &WebPlan::Clear)
        .function("undo", &WebPlan::Undo)
        .function("canUndo", &WebPlan::canUndo)
        .function("size", &Size)
        .function("entries", &Entries)
        .function("totalsText", &TotalsText)
        .function("fileText", &FileText)
        .function("read", &Read);
}
