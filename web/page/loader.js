// Loading saves: the file and folder pickers, a drop of files and folders, the progress dialog with
// Cancel. Which entries of a folder count, and in what order, is the core's.

import { showMessage } from './dialogs.js';
import { $ } from './dom.js';
import { clearSelection, renderAll, renderShown } from './grid.js';
import { profileSummary, profileWanted, startProfile, timed } from './profile.js';
import { analyseFiles } from './workers.js';

// How often at most the rows of a running load are drawn again, in milliseconds, and at least how
// many times the last drawing's own time: each drawing rebuilds the grid shown, at a cost that grows
// with the rows, and the workers' next files and records wait behind it on the page's thread.
const kArrivedInterval = 500;
const kArrivedCostShare = 10;

// What cannot act while a load runs: another load, and every output of the rows it is replacing.
const kBusyButtons = ['Button1', 'LoadFolder', 'Button2', 'ExportCsv', 'ExportJson', 'ExportHtml', 'SavePng', 'SaveSvg'];

// Replaces the table with the saves `files` ({file, path}, in load order); `skipped` ({path,
// reason}) are what the load passed over. The old rows stay until the first save is read; then the
// rows fill in as saves finish: at once for the first, then every kArrivedInterval at most. Does
// nothing while a load runs.
export async function loadFiles(state, files, skipped) {
    if (state.loading || files.length === 0) return;
    const { core, session } = state;
    let arrived = [];
    let shownAt = -Infinity;  // when the rows were last drawn during this load
    let gap = kArrivedInterval;
    let waiting = false;
    const showArrived = () => {
        waiting = false;
        const entries = arrived;
        arrived = [];
        const start = performance.now();
        shownAt = start;
        timed(state.profile, 'arrived', () => {
            if (state.loading !== loading || !session.adoptArrived(entries)) return;
            clearSelection(state);
            state.graphSlots = [];
            renderShown(state);
        });
        gap = Math.max(kArrivedInterval, kArrivedCostShare * (performance.now() - start));
    };
    const dialog = $('Progress');
    const bar = $('ProgressBar');
    bar.max = files.length;
    bar.value = 0;
    $('ProgressLabel').textContent = core.progressStartText();
    $('StatusText').textContent = `Reading ${files.length} saves...`;
    const loading = {
        progress(done, total, failed) {
            bar.value = done;
            $('ProgressLabel').textContent = core.progressText(done, total, failed);
        },
        cancel() {},
        arrived(entry) {
            arrived.push(entry);
            if (waiting) return;
            waiting = true;
            setTimeout(() => requestAnimationFrame(showArrived), Math.max(0, shownAt + gap - performance.now()));
        },
    };
    state.loading = loading;
    for (const id of kBusyButtons) $(id).disabled = true;
    dialog.show();
    $('ProgressCancel').focus();
    const started = performance.now();
    state.profile = profileWanted() ? startProfile() : null;
    const entries = await analyseFiles(state, files);
    const summary = timed(state.profile, 'adopt', () => session.adopt(entries, skipped));
    clearSelection(state);
    state.graphSlots = [];
    // How long the load took, and (below) how many loads have ended: what a script driving the
    // page (the tests, bench/web-bench.py) waits for and reads.
    const ended = performance.now();
    state.lastLoad = { milliseconds: ended - started, files: files.length,
        workersReplaced: state.pool === null ? 0 : state.pool.replaced };
    state.loading = null;
    dialog.close();
    for (const id of kBusyButtons) $(id).disabled = false;
    timed(state.profile, 'render', () => renderAll(state));
    if (state.profile !== null) state.lastLoad.profile = profileSummary(state.profile, performance.now());
    state.profile = null;
    if (summary.problems.length > 0) showMessage(`${summary.problemsHeading}\n\n${summary.problems.join('\n')}`);
    document.body.dataset.loaded = String(Number(document.body.dataset.loaded || 0) + 1);
}

// The entries the core counts among a folder's files, in the core's order. The page can only list
// what the browser gives it: a folder's files, without the folders inside them.
export function inFolderOrder(core, entries, nameOf) {
    const listed = entries.filter((entry) => core.listedInFolder(nameOf(entry)));
    return [...core.folderOrder(listed.map(nameOf))].map((index) => listed[index]);
}

// A picked folder stands for the files directly in it; the folders inside it are passed over, as
// the window passes them over.
function folderFiles(core, fileList) {
    const direct = [...fileList].filter((file) => file.webkitRelativePath.split('/').length <= 2);
    const files = inFolderOrder(core, direct, (file) => file.name)
        .map((file) => ({ file, path: file.webkitRelativePath || file.name }));
    return { files, skipped: [] };
}

function readEntries(reader) {
    return new Promise((resolve, reject) => reader.readEntries(resolve, reject));
}

// The files of a drop: each file dropped, and the files directly in each folder dropped.
async function droppedFiles(core, items) {
    const files = [];
    const skipped = [];
    const entries = [...items].map((item) => (item.webkitGetAsEntry ? item.webkitGetAsEntry() : null));
    const plain = [...items].map((item) => item.getAsFile());
    for (let i = 0; i < entries.length; ++i) {
        const entry = entries[i];
        if (entry && entry.isDirectory) {
            const reader = entry.createReader();
            const inside = [];
            try {
                for (let batch = await readEntries(reader); batch.length > 0; batch = await readEntries(reader))
                    inside.push(...batch);
            } catch {
                skipped.push({ path: entry.name, reason: 'cannot list the folder' });
            }
            for (const child of inFolderOrder(core, inside, (child) => child.name)) {
                if (!child.isFile) continue;
                const file = await new Promise((resolve) => child.file(resolve, () => resolve(null)));
                const path = `${entry.name}/${child.name}`;
                if (file) files.push({ file, path });
                else skipped.push({ path, reason: 'cannot be read' });
            }
        } else if (plain[i]) {
            files.push({ file: plain[i], path: plain[i].name });
        }
    }
    return { files, skipped };
}

// Opens the file picker, unless a load runs.
export function pickFiles(state) {
    if (!state.loading) $('FilePicker').click();
}

export function wireLoading(state) {
    $('Button1').addEventListener('click', () => $('FilePicker').click());
    $('LoadFolder').addEventListener('click', () => $('FolderPicker').click());
    $('FilePicker').addEventListener('change', (event) => {
        const files = [...event.target.files].map((file) => ({ file, path: file.name }));
        event.target.value = '';
        loadFiles(state, files, []);
    });
    $('FolderPicker').addEventListener('change', (event) => {
        const { files, skipped } = folderFiles(state.core, [...event.target.files]);
        event.target.value = '';
        if (files.length === 0) showMessage('Nothing to load: no files in the folder.');
        else loadFiles(state, files, skipped);
    });
    $('ProgressCancel').addEventListener('click', () => state.loading && state.loading.cancel());
    document.addEventListener('dragover', (event) => {
        if (state.loading) return;
        event.preventDefault();
        $('DropHint').hidden = false;
    });
    document.addEventListener('dragleave', (event) => {
        if (event.relatedTarget === null) $('DropHint').hidden = true;
    });
    document.addEventListener('drop', async (event) => {
        event.preventDefault();
        $('DropHint').hidden = true;
        if (state.loading) return;
        const { files, skipped } = await droppedFiles(state.core, event.dataTransfer.items);
        if (files.length === 0) showMessage('Nothing to load: no files were dropped.');
        else loadFiles(state, files, skipped);
    });
}
