// What the page's script would otherwise write down itself: the names it shows or gives files,
// the rules of a folder's entries, and the texts of its progress, questions and notes, all the
// core's, so that the window and the page say and decide the same.
//
//   const names = Module.pageNames();  // {reports: [{name, type}], frozenColumns, notLoaded}
//   Module.progressText(done, total, failed), Module.profileRulesQuestion(changes)...

#include <emscripten/bind.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/SaveRecord.h"
#include "load/FileList.h"
#include "session/Guide.h"
#include "session/Messages.h"
#include "session/Profile.h"
#include "session/Session.h"
#include "view/Columns.h"
#include "view/GraphPick.h"
#include "view/GraphPlan.h"
#include "web/JsValues.h"

namespace quillmere::web {

namespace {

val pageNames() {
    val reports = val::array();
    for (const auto& kind : session::kReportKinds) {
        if (!kind.inPage) continue;  // the page numbers its reports as the core does: these come last
        val report = val::object();
        report.set("name", std::string(kind.fileName));
        report.set("type", std::string(kind.mimeType));
        reports.call<void>("push", report);
    }
    val names = val::object();
    names.set("reports", reports);
    names.set("frozenColumns", static_cast<int>(view::kSharedColumnCount));
    names.set("notLoaded", std::string(analysis::kNotLoaded));
    names.set("help", session::HelpText(session::FrontEnd::Page));
    names.set("roundSteps", std::string(session::RoundInFiveSteps()));
    names.set("firstScreenHint", std::string(session::kFirstScreenHint));
    names.set("firstScreenLoad", std::string(session::kFirstScreenLoad));
    names.set("firstScreenProfile", std::string(session::kFirstScreenProfile));
    names.set("firstScreenExample", std::string(session::kFirstScreenExample));
    return names;
}

double mostProfileBytes() { return static_cast<double>(session::kMostProfileBytes); }

bool listedInFolder(const std::string& name) { return load::ListedInFolder(name); }

// The order a folder's entries are read in: by the bytes of their names, as a folder on disk.
val folderOrder(const val& names) {
    const auto count = names["length"].as<unsigned>();
    std::vector<std::string> texts(count);
    for (unsigned i = 0; i < count; ++i) texts[i] = names[i].as<std::string>();
    std::vector<unsigned> order(count);
    for (unsigned i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return texts[a] < texts[b]; });
    val result = val::array();
    for (const auto index : order) result.call<void>("push", index);
    return result;
}

std::string progressText(double done, double total, double failed) {
    return session::ProgressText({.total = static_cast<std::size_t>(total),
                                  .done = static_cast<std::size_t>(done),
                                  .failed = static_cast<std::size_t>(failed)});
}

std::string profileRulesQuestion(const std::string& changes) { return session::ProfileRulesQuestion(changes); }

std::string blankRowsQuestion(double left) { return session::BlankRowsQuestion(static_cast<std::size_t>(left)); }

// The axes of a graph zoomed into the corners (turnA, valueA) and (turnB, valueB) of a drag:
// {turns, values, turnLabels, valueLabels}, as a graph's plan gives them.
val zoomedAxes(double turnA, double turnB, double valueA, double valueB) {
    const auto axes = view::ZoomedAxes(turnA, turnB, valueA, valueB);
    val result = val::object();
    result.set("turns", ScaleObject(axes.turns));
    result.set("values", ScaleObject(axes.values));
    result.set("turnLabels", Strings(view::TickLabels(axes.turns)));
    result.set("valueLabels", Strings(view::TickLabels(axes.values)));
    return result;
}

}  // namespace

EMSCRIPTEN_BINDINGS(quillmere_page) {
    emscripten::function("pageNames", &pageNames);
    emscripten::function("mostProfileBytes", &mostProfileBytes);
    emscripten::function("listedInFolder", &listedInFolder);
    emscripten::function("folderOrder", &folderOrder);
    emscripten::function("progressText", &progressText);
    emscripten::function("progressStartText", &session::ProgressStartText);
    emscripten::function("profileRulesQuestion", &profileRulesQuestion);
    emscripten::function("blankRowsQuestion", &blankRowsQuestion);
    emscripten::function("zoomedAxes", &zoomedAxes);
}

}  // namespace quillmere::web
