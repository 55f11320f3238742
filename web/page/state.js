// The one page state: everything the modules share, made once at start-up and passed to each call
// that needs it. No module keeps mutable state of its own.

// `core` is the core's module (its free functions), `session` the core's session on the table,
// the rules, the sort and the profile.
export function createState(core, session) {
    return {
        core,
        session,
        names: core.pageNames(),  // report files and types, frozen columns, the not-loaded text
        loading: null,            // the load in progress: {progress(done, total, failed), cancel()}
        pool: null,               // the analysers' workers, made by the first load
        lastLoad: null,           // {milliseconds, files, workersReplaced, profile?} of the last load that ended
        profile: null,            // where the running load's time goes, with ?profile (page/profile.js)
        selected: new Set(),      // record indices
        staleGrids: new Set(),    // grids a running load's drawing left for when their tab shows
        anchor: null,             // the row a shift-click or shift-arrow extends from
        cursor: 0,                // the row the arrow keys move
        graphSlots: [],           // the graph plan's slots: a plotted save keeps its colour
        hiddenLines: new Set(),   // the ids of the graph's lines its legend hides
        graphZoom: null,          // the zoom's axes from the core, with the key of the graph zoomed
        graphDrag: null,          // while a drag over the graph runs: {from, to}
        noteTimer: null,          // while a note shows in the status line
    };
}
