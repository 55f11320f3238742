// The browser page: a thin front end over the core's session (src/web/SessionBindings.cpp). Every
// text it shows comes from the core; names from saves and files are only ever set as text.
// This starts the core, makes the page state and wires the modules to the page's elements.

import { closeMessage, messageShown, showMessage } from './dialogs.js';
import { $ } from './dom.js';
import { exampleShipped, loadExample } from './example.js';
import { renderAll, wireGrids } from './grid.js';
import { wireGraph } from './graph.js';
import { loadFiles, pickFiles, wireLoading } from './loader.js';
import { decimalSeparator } from './locale.js';
import { wireReports, saveResults } from './reports.js';
import { restoreRules, wireRules } from './rules.js';
import { createState } from './state.js';
import { clearNote } from './status.js';
import { showTabAt, wireTabs } from './tabs.js';
import { kFilesPerWorker } from './workers.js';

// Ctrl+O loads, Ctrl+S saves the results, Ctrl+1 to Ctrl+5 show a tab; Escape closes the message.
function wireShortcuts(state) {
    $('MessageClose').addEventListener('click', closeMessage);
    document.addEventListener('keydown', (event) => {
        if (event.key === 'Escape' && messageShown()) closeMessage();
        if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
        const key = event.key.toLowerCase();
        if (key === 'o') {
            event.preventDefault();
            pickFiles(state);
        }
        if (key === 's') {
            event.preventDefault();
            if (!state.loading) saveResults(state);
        }
        if (key >= '1' && key <= '5') {
            event.preventDefault();
            showTabAt(state, Number(key) - 1);
        }
    });
}

// The help and the first screen: the core's texts; the first screen's buttons do what the
// toolbar's do.
function wireHelp(state) {
    const { names } = state;
    $('HelpButton').addEventListener('click', () => showMessage(names.help));
    $('FirstScreenHint').textContent = names.firstScreenHint;
    $('FirstLoad').textContent = names.firstScreenLoad;
    $('FirstProfile').textContent = names.firstScreenProfile;
    $('FirstExample').textContent = names.firstScreenExample;
    $('FirstExample').hidden = !exampleShipped();
    $('FirstSteps').textContent = names.roundSteps;
    $('FirstLoad').addEventListener('click', () => pickFiles(state));
    $('FirstProfile').addEventListener('click', () => $('OpenProfile').click());
    $('FirstExample').addEventListener('click', () => loadExample(state));
}

// What a script driving the page (tests/web/check-page.py, bench/web-bench.py) reaches besides
// the page's elements: a load of files it picked, the workers' share of a load, the last load's
// figures, and an end to the note in the status line.
function driverOf(state) {
    return Object.freeze({
        loadFiles: (files, skipped) => loadFiles(state, files, skipped),
        get workers() { return state.pool === null ? 0 : state.pool.workers.length; },
        filesPerWorker: kFilesPerWorker,
        get lastLoad() { return state.lastLoad; },
        clearNote: () => clearNote(state),
    });
}

QuillmereModule().then((core) => {
    const state = createState(core, new core.Session(new Date().getFullYear(), decimalSeparator()));
    wireLoading(state);
    wireReports(state);
    wireRules(state);
    wireGrids(state);
    wireTabs(state);
    wireGraph(state);
    wireShortcuts(state);
    wireHelp(state);
    restoreRules(state);
    renderAll(state);
    window.quillmerePage = driverOf(state);
    document.body.dataset.ready = 'true';
}, (error) => {
    $('StatusText').textContent = `The page could not start: ${error}`;
});
