'use strict';
// The browser page: a thin front end over the core's session (src/web/SessionBindings.cpp). Every
// text it shows comes from the session; names are only ever set as text, never as markup.

const kStoredRules = 'quillmere.rules';
const kStoredProfile = 'quillmere.profile';
const kStoredCategory = 'quillmere.graphCategory';
// The page's elements of the grids, in the core's grid order.
const kGrids = ['BaseGrid', 'ReloadGrid', 'AdditionalGrid', 'FlagsGrid'].map((element) => ({ element }));
let names = null;  // the core's names: report files and types, frozen columns, the not-loaded text

const $ = (id) => document.getElementById(id);

let core = null;
let session = null;
let loading = null;
let selected = new Set();  // record indices
let anchor = null;          // the row a shift-click or shift-arrow extends from
let cursor = 0;             // the row the arrow keys move
let graphSlots = [];  // the graph plan's slots: a plotted save keeps its colour
let hiddenLines = new Set();
let noteTimer = null;

function decimalSeparator() {
    const parts = new Intl.NumberFormat().formatToParts(1.5);
    const decimal = parts.find((part) => part.type === 'decimal');
    return decimal && decimal.value === ',' ? ',' : '.';
}

function element(tag, text, className) {
    const made = document.createElement(tag);
    if (text !== undefined) made.textContent = text;
    if (className) made.className = className;
    return made;
}

function showMessage(text) {
    $('MessageText').textContent = text;
    $('Message').hidden = false;
    $('MessageClose').focus();
}

function showNote(text) {
    clearTimeout(noteTimer);
    $('StatusText').textContent = session.statusLine(text);
    noteTimer = setTimeout(() => { noteTimer = null; showStatus(); }, 6000);
}

// Asks with the buttons named; resolves to the name clicked, or null when the dialog is closed.
function ask(text, buttons) {
    return new Promise((resolve) => {
        const dialog = $('Ask');
        $('AskText').textContent = text;
        const row = $('AskButtons');
        row.replaceChildren();
        for (const name of buttons) {
            const button = element('button', name);
            button.type = 'button';
            button.addEventListener('click', () => { dialog.close(name); });
            row.append(button);
        }
        dialog.addEventListener('close', () => resolve(dialog.returnValue || null), { once: true });
        dialog.returnValue = '';
        dialog.showModal();
        row.firstChild.focus();
    });
}

function download(bytes, name, type) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    const link = element('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
}

function store(key, value) {
    try {
        if (value === null) localStorage.removeItem(key);
        else localStorage.setItem(key, JSON.stringify(value));
    } catch (error) {
        // Storage may be off (a private window, file:// in some browsers): nothing is remembered.
    }
}

function stored(key) {
    try {
        const text = localStorage.getItem(key);
        return text === null ? null : JSON.parse(text);
    } catch (error) {
        return null;
    }
}

function tabs() { return [...document.querySelectorAll('[role=tab]')]; }

function showTab(tab) {
    for (const other of tabs()) {
        const chosen = other === tab;
        other.setAttribute('aria-selected', String(chosen));
        other.tabIndex = chosen ? 0 : -1;
        $(other.getAttribute('aria-controls')).hidden = !chosen;
    }
    if (tab.id === 'tab-graph') drawGraph();
}

function renderGrid(gridIndex) {
    const host = $(kGrids[gridIndex].element);
    const columns = session.columns(gridIndex);
    const texts = session.gridTexts(gridIndex);
    const looks = session.rowLooks(gridIndex);
    const sort = session.sortState();
    const verdictColumn = session.verdictColumn();
    const frozen = names.frozenColumns;
    const table = element('table');
    const head = element('thead');
    const headRow = element('tr');
    columns.forEach((column, index) => {
        const cell = element('th');
        cell.style.minWidth = `${column.width}px`;
        const label = element('span', column.text);
        cell.append(label);
        if (sort.column && sort.column.grid === gridIndex && sort.column.column === index) {
            cell.append(element('span', ` ${sort.column.mark}`, 'arrow'));
            cell.setAttribute('aria-sort', sort.column.ascending ? 'ascending' : 'descending');
        }
        if (index < frozen) cell.classList.add('frozen', `frozen${index}`);
        cell.tabIndex = -1;
        cell.dataset.column = index;
        cell.title = sort.columnTitle;
        headRow.append(cell);
    });
    head.append(headRow);
    const body = element('tbody');
    const filter = session.filterRows($('RowFilter').value);
    texts.forEach((cells, row) => {
        const line = element('tr');
        line.dataset.row = row;
        const look = looks[row];
        if (look.tint) line.classList.add(look.tint);
        if (look.title) line.title = look.title;
        if (selected.has(row)) line.setAttribute('aria-selected', 'true');
        line.hidden = !filter.shown[row];
        cells.forEach((text, column) => {
            const numeric = columns[column].numeric;
            const cell = element('td', numeric ? text.trim() : text);
            if (numeric) cell.className = 'number';
            if (column < frozen) cell.classList.add('frozen', `frozen${column}`);
            if (column === verdictColumn && look.verdict) cell.title = look.verdict;
            line.append(cell);
        });
        body.append(line);
    });
    table.append(head, body);
    host.replaceChildren(table);
    if (gridIndex === 0) $('FilterNote').textContent = filter.note;
}

function renderAll() {
    for (let grid = 0; grid < kGrids.length; ++grid) renderGrid(grid);
    showSortButtons();
    showStatus();
    if (!$('TabSheet5').hidden) drawGraph();
}

function showSortButtons() {
    const sort = session.sortState();
    for (const button of document.querySelectorAll('button.sort')) {
        const shown = sort.buttons[Number(button.dataset.key)];
        button.dataset.shows = shown.shows;
        button.setAttribute('aria-pressed', String(shown.shows !== 'key'));
        let mark = button.querySelector('.mark');
        if (!mark) {
            mark = element('span', '', 'mark');
            button.prepend(mark);
        }
        mark.textContent = `${shown.mark} `;
        button.title = shown.title;
    }
}

function showStatus() {
    const status = session.status();
    const off = status.checksOff.join('; ');
    $('ChecksOff').textContent = off;
    if (loading || noteTimer !== null) return;
    $('StatusText').textContent = session.statusLine('');
}

function setSelection(rows, keepCursor) {
    selected = new Set(rows);
    for (const grid of kGrids) {
        for (const line of $(grid.element).querySelectorAll('tbody tr')) {
            if (selected.has(Number(line.dataset.row))) line.setAttribute('aria-selected', 'true');
            else line.removeAttribute('aria-selected');
            line.classList.toggle('cursor', keepCursor !== false && Number(line.dataset.row) === cursor);
        }
    }
}

function visibleRows(host) {
    return [...host.querySelectorAll('tbody tr')].filter((line) => !line.hidden).map((line) => Number(line.dataset.row));
}

function selectRange(host, from, to) {
    const rows = visibleRows(host);
    const a = rows.indexOf(from);
    const b = rows.indexOf(to);
    if (a < 0 || b < 0) return [to];
    return rows.slice(Math.min(a, b), Math.max(a, b) + 1);
}

function onGridClick(event) {
    const host = event.currentTarget;
    const gridIndex = Number(host.dataset.grid);
    const header = event.target.closest('th');
    if (header) {
        session.headerClick(gridIndex, Number(header.dataset.column));
        selected.clear();
        renderAll();
        $(kGrids[gridIndex].element).querySelector(`th[data-column="${header.dataset.column}"]`)?.focus();
        return;
    }
    const line = event.target.closest('tbody tr');
    if (!line) return;
    const row = Number(line.dataset.row);
    cursor = row;
    if (event.shiftKey && anchor !== null) {
        setSelection(selectRange(host, anchor, row));
    } else if (event.ctrlKey || event.metaKey) {
        const rows = new Set(selected);
        if (rows.has(row)) rows.delete(row); else rows.add(row);
        anchor = row;
        setSelection(rows);
    } else {
        anchor = row;
        setSelection([row]);
    }
}

function onGridKey(event) {
    const host = event.currentTarget;
    const gridIndex = Number(host.dataset.grid);
    const header = event.target.closest('th');
    if (header && (event.key === 'Enter' || event.key === ' ')) {
        event.preventDefault();
        header.click();
        return;
    }
    if (header && (event.key === 'ArrowLeft' || event.key === 'ArrowRight')) {
        event.preventDefault();
        const next = event.key === 'ArrowLeft' ? header.previousElementSibling : header.nextElementSibling;
        next?.focus();
        return;
    }
    const rows = visibleRows(host);
    if (rows.length === 0) return;
    let at = Math.max(0, rows.indexOf(cursor));
    switch (event.key) {
        case 'ArrowDown': at = Math.min(rows.length - 1, at + 1); break;
        case 'ArrowUp':
            if (at === 0 && !event.shiftKey) {
                // Up from the first row reaches the headers, which sort on Enter.
                event.preventDefault();
                host.querySelector('th')?.focus();
                return;
            }
            at = Math.max(0, at - 1);
            break;
        case 'PageDown': at = Math.min(rows.length - 1, at + 20); break;
        case 'PageUp': at = Math.max(0, at - 20); break;
        case 'Home': at = 0; break;
        case 'End': at = rows.length - 1; break;
        case 'a':
            if (event.ctrlKey || event.metaKey) {
                event.preventDefault();
                setSelection(rows);
            }
            return;
        case 'c':
            if (event.ctrlKey || event.metaKey) {
                event.preventDefault();
                copyRows();
            }
            return;
        default: return;
    }
    event.preventDefault();
    cursor = rows[at];
    if (event.shiftKey) {
        if (anchor === null) anchor = cursor;
        setSelection(selectRange(host, anchor, cursor));
    } else {
        anchor = cursor;
        setSelection([cursor]);
    }
    host.querySelector(`tbody tr[data-row="${cursor}"]`)?.scrollIntoView({ block: 'nearest' });
    host.focus();
}

function copyRows() {
    if (selected.size === 0) {
        showNote('Select the rows to copy first');
        return;
    }
    const text = session.copyRows([...selected].sort((a, b) => a - b));
    navigator.clipboard.writeText(text).then(() => showNote(`Copied ${selected.size} rows`),
        () => showNote('The browser refused the clipboard'));
}

function ruleBoxes() { return [...document.querySelectorAll('input[data-rule]')]; }

function typedRules() {
    const texts = {};
    for (const box of ruleBoxes()) texts[box.dataset.rule] = box.value;
    return texts;
}

function showRuleTexts(texts) {
    for (const box of ruleBoxes()) box.value = texts[box.dataset.rule];
}

const kRuleBoxes = {
    startDate: ['Edit6', 'Edit2', 'Edit3'],
    sessionsPerDay: ['Edit7'],
    minSessionMinutes: ['Edit8'],
    presessions: ['Edit4'],
};

function showRuleCheck(check) {
    for (const box of ruleBoxes()) {
        box.classList.remove('invalid');
        box.removeAttribute('aria-invalid');
        box.title = '';
    }
    const messages = [];
    for (const error of check.errors) {
        messages.push(error.message);
        for (const id of kRuleBoxes[error.field] || []) {
            $(id).classList.add('invalid');
            $(id).setAttribute('aria-invalid', 'true');
            $(id).title = error.message;
        }
    }
    $('RuleError').textContent = messages.join('\n');
}

function onRulesEdited() {
    showRuleCheck(session.setRules(typedRules()));
    store(kStoredRules, session.ruleTexts());
    renderAll();
}

function resetRules() {
    showRuleTexts(session.defaultRuleTexts());
    onRulesEdited();
    showNote('The rules are back at their defaults');
}

function showProfileName() {
    const name = session.profileName();
    $('ProfileName').textContent = name ? `Profile: ${name}` : '';
    document.title = name ? `Quillmere - ${name}` : 'Quillmere';
}

async function openProfileFile(file) {
    let bytes;
    try {
        // The core refuses a file larger than any profile: a byte more than that is all it needs.
        bytes = new Uint8Array(await file.slice(0, core.mostProfileBytes() + 1).arrayBuffer());
    } catch (error) {
        showMessage(`${file.name}: the file cannot be read.`);
        return;
    }
    const look = session.inspectProfile(bytes, file.name);
    if (look.error !== undefined) {
        showMessage(look.error);
        return;
    }
    let keep = false;
    if (look.changes) {
        const answer = await ask(core.profileRulesQuestion(look.changes), ['Yes', 'No', 'Cancel']);
        if (answer !== 'Yes' && answer !== 'No') return;
        keep = answer === 'No';
    }
    const check = session.openProfile(bytes, file.name, keep);
    showRuleTexts(session.ruleTexts());
    showRuleCheck(check);
    store(kStoredProfile, { text: new TextDecoder().decode(bytes), name: file.name });
    store(kStoredRules, session.ruleTexts());
    showProfileName();
    renderAll();
    showNote(`Profile ${session.profileName()} in use`);
}

function saveProfile() {
    const name = session.profileName() || 'profile';
    const text = session.profileJson(name);
    store(kStoredProfile, { text, name: `${name}.json` });
    showProfileName();
    download(new TextEncoder().encode(text), `${name}.json`, 'application/json');
}

function dropProfile() {
    session.dropProfile();
    store(kStoredProfile, null);
    showProfileName();
    renderAll();
    showNote('No profile in use');
}

async function saveReport(format) {
    const report = session.report(format);
    if (report.error !== undefined) {
        showMessage(report.error);
        return;
    }
    const left = session.status().notLoaded;
    if (format === 0 && left > 0) {
        const answer = await ask(core.blankRowsQuestion(left), ['Save', 'Cancel']);
        if (answer !== 'Save') return;
    }
    const kind = names.reports[format];
    download(report.bytes, kind.name, kind.type);
    showNote(core.savedRowsNote(report.rows, kind.name));
}

class WorkerPool {
    constructor(count) {
        const source = $('quillmere-core').textContent + '\n' + $('quillmere-worker').textContent;
        this.url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
        this.workers = [];
        for (let i = 0; i < count; ++i) this.workers.push(new Worker(this.url));
        this.grown = new Set();
        this.replaced = 0;
    }

    // Replaces the workers whose memory a big save grew: WebAssembly memory never shrinks.
    renew() {
        this.workers = this.workers.map((worker) => {
            if (!this.grown.has(worker)) return worker;
            worker.terminate();
            this.replaced += 1;
            return new Worker(this.url);
        });
        this.grown.clear();
    }
}

let pool = null;

function workerCount() {
    const asked = Number(new URLSearchParams(location.search).get('workers'));
    if (Number.isInteger(asked) && asked > 0) return asked;
    return Math.max(1, navigator.hardwareConcurrency || 1);
}

// How many files each worker is handed at a time: the page reads the next while it analyses one.
const kFilesPerWorker = 2;

// Analyses `files` ({file, path} in load order) on the workers, kFilesPerWorker at a time each.
function analyseFiles(files) {
    if (pool === null) pool = new WorkerPool(workerCount());
    const entries = new Array(files.length);
    let next = 0;
    let done = 0;
    let failed = 0;
    const run = { cancelled: false };
    return new Promise((resolve) => {
        const finishIfDone = (workers = pool.workers) => {
            if (done < files.length && !(run.cancelled && pending === 0)) return false;
            for (let i = 0; i < files.length; ++i) {
                if (entries[i] === undefined) entries[i] = { path: files[i].path, failure: names.notLoaded };
            }
            for (const worker of workers) {
                worker.onmessage = null;
                worker.onerror = null;
            }
            if (pool !== null) pool.renew();
            resolve(entries);
            return true;
        };
        let pending = 0;
        // The page reads each file and hands its bytes over: a worker busy in the core could not
        // take them in before its analysis ends, the page's thread reads while the workers work.
        const feed = (worker) => {
            if (run.cancelled || next >= files.length) return;
            const index = next++;
            pending += 1;
            const { file, path } = files[index];
            if (file.size > core.maxSaveFileBytes()) {
                worker.postMessage({ index, file, path });  // refused by its size alone: never read
                return;
            }
            file.arrayBuffer().then(
                (bytes) => worker.postMessage({ index, file, path, bytes }, [bytes]),
                (error) => worker.postMessage({ index, file, path, failure: error && error.message ? error.message
                    : 'the file cannot be read' }));
        };
        // A worker that cannot run fails the files not yet analysed, so that the load still ends.
        const giveUp = (reason) => {
            for (let i = 0; i < files.length; ++i) {
                if (entries[i] === undefined) entries[i] = { path: files[i].path, failure: reason };
            }
            done = files.length;
            // A file may still be on its way in a worker: none of these workers is used again.
            for (const worker of pool.workers) worker.terminate();
            const workers = pool.workers;
            pool = null;
            finishIfDone(workers);
        };
        for (const worker of pool.workers) {
            worker.onerror = (event) => {
                event.preventDefault();
                giveUp(`the analyser stopped (${event.message || 'an error in the worker'})`);
            };
            worker.onmessage = (event) => {
                const message = event.data;
                if (message.ready) return;
                if (message.fatal !== undefined) {
                    giveUp(`the analyser could not start (${message.fatal})`);
                    return;
                }
                pending -= 1;
                done += 1;
                if (message.grown) pool.grown.add(worker);
                if (message.record) {
                    entries[message.index] = message.record;
                } else {
                    entries[message.index] = { path: message.path, failure: message.failure };
                    failed += 1;
                }
                loading.progress(done, files.length, failed);
                if (!finishIfDone()) feed(worker);
            };
            for (let i = 0; i < kFilesPerWorker; ++i) feed(worker);
        }
        loading.cancel = () => {
            run.cancelled = true;
            finishIfDone();
        };
    });
}

// What cannot act while a load runs: another load, and every output of the rows it is replacing.
const kBusyButtons = ['Button1', 'LoadFolder', 'Button2', 'ExportCsv', 'ExportJson', 'ExportHtml', 'SavePng', 'SaveSvg'];

async function loadFiles(files, skipped) {
    if (loading || files.length === 0) return;
    selected.clear();
    session.adopt([], []);
    graphSlots = [];
    renderAll();
    const dialog = $('Progress');
    const bar = $('ProgressBar');
    bar.max = files.length;
    bar.value = 0;
    $('ProgressLabel').textContent = core.progressStartText();
    $('StatusText').textContent = `Reading ${files.length} saves...`;
    loading = {
        progress(done, total, failed) {
            bar.value = done;
            $('ProgressLabel').textContent = core.progressText(done, total, failed);
        },
        cancel() {},
    };
    for (const id of kBusyButtons) $(id).disabled = true;
    dialog.show();
    $('ProgressCancel').focus();
    const started = performance.now();
    const entries = await analyseFiles(files);
    const summary = session.adopt(entries, skipped);
    // How long the last load took, and (below) how many loads have ended: what a script driving the
    // page (the tests, bench/web-bench.py) waits for and reads.
    window.quillmereLastLoad = { milliseconds: performance.now() - started, files: files.length,
        workersReplaced: pool === null ? 0 : pool.replaced };
    loading = null;
    dialog.close();
    for (const id of kBusyButtons) $(id).disabled = false;
    renderAll();
    if (summary.problems.length > 0) showMessage(`${summary.problemsHeading}\n\n${summary.problems.join('\n')}`);
    document.body.dataset.loaded = String(Number(document.body.dataset.loaded || 0) + 1);
}

// The entries the core counts among a folder's files, in the core's order. The page can only list
// what the browser gives it: a folder's files, without the folders inside them.
function inFolderOrder(entries, nameOf) {
    const listed = entries.filter((entry) => core.listedInFolder(nameOf(entry)));
    return [...core.folderOrder(listed.map(nameOf))].map((index) => listed[index]);
}

// A picked folder stands for the files directly in it; the folders inside it are passed over, as
// the window passes them over.
function folderFiles(fileList) {
    const direct = [...fileList].filter((file) => file.webkitRelativePath.split('/').length <= 2);
    const files = inFolderOrder(direct, (file) => file.name)
        .map((file) => ({ file, path: file.webkitRelativePath || file.name }));
    return { files, skipped: [] };
}

function readEntries(reader) {
    return new Promise((resolve, reject) => reader.readEntries(resolve, reject));
}

async function droppedFiles(items) {
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
            } catch (error) {
                skipped.push({ path: entry.name, reason: 'cannot list the folder' });
            }
            for (const child of inFolderOrder(inside, (child) => child.name)) {
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

const kSvg = 'http://www.w3.org/2000/svg';
const kPlot = { left: 70, top: 34, width: 560, height: 330, legendLeft: 650, svgWidth: 900, svgHeight: 410 };

function svgElement(tag, attributes, text) {
    const made = document.createElementNS(kSvg, tag);
    for (const [name, value] of Object.entries(attributes || {})) made.setAttribute(name, String(value));
    if (text !== undefined) made.textContent = text;
    return made;
}

function colourText(colour) { return `#${colour.toString(16).padStart(6, '0')}`; }


function drawGraph() {
    const category = $('GraphSelect').selectedIndex;
    const graph = session.graph([...selected].sort((a, b) => a - b), category, graphSlots);
    graphSlots = graph.slots;

    const p = kPlot;
    const svg = svgElement('svg', {
        xmlns: kSvg, viewBox: `0 0 ${p.svgWidth} ${p.svgHeight}`, width: p.svgWidth, height: p.svgHeight,
        role: 'img', 'aria-label': `${graph.caption || 'History'}: ${graph.valueName}`,
        'font-family': 'sans-serif', 'font-size': 12,
    });
    svg.append(svgElement('rect', { x: 0, y: 0, width: p.svgWidth, height: p.svgHeight, fill: '#ffffff' }));
    svg.append(svgElement('text', { x: p.left + p.width / 2, y: 18, 'text-anchor': 'middle' }, graph.caption));
    const x = (turn) => p.left + ((turn - graph.turns.min) / (graph.turns.max - graph.turns.min)) * p.width;
    const y = (value) => p.top + p.height - ((value - graph.values.min) / (graph.values.max - graph.values.min)) * p.height;
    const axes = svgElement('g', { stroke: '#c8c8c8', 'stroke-width': 1 });
    const labels = svgElement('g', { fill: '#333333' });
    for (let i = 0; i <= graph.values.ticks; ++i) {
        const value = graph.values.min + i * graph.values.step;
        axes.append(svgElement('line', { x1: p.left, x2: p.left + p.width, y1: y(value), y2: y(value) }));
        labels.append(svgElement('text', { x: p.left - 6, y: y(value) + 4, 'text-anchor': 'end' }, graph.valueLabels[i]));
    }
    for (let i = 0; i <= graph.turns.ticks; ++i) {
        const turn = graph.turns.min + i * graph.turns.step;
        axes.append(svgElement('line', { x1: x(turn), x2: x(turn), y1: p.top, y2: p.top + p.height }));
        labels.append(svgElement('text', { x: x(turn), y: p.top + p.height + 16, 'text-anchor': 'middle' }, graph.turnLabels[i]));
    }
    labels.append(svgElement('text', { x: p.left + p.width / 2, y: p.svgHeight - 8, 'text-anchor': 'middle' }, 'Turn'));
    labels.append(svgElement('text', {
        x: 16, y: p.top + p.height / 2, 'text-anchor': 'middle', transform: `rotate(-90 16 ${p.top + p.height / 2})`,
    }, graph.valueName));
    svg.append(axes, labels);
    const plotted = [];
    const legend = svgElement('g', { class: 'legend' });
    let legendRow = 0;
    for (const line of graph.lines) {
        const slot = line.slot;
        const colour = colourText(line.colour);
        const shown = !hiddenLines.has(line.id);
        if (shown && line.values.length > 0) {
            const points = [];
            line.values.forEach((value, turn) => points.push(`${x(turn).toFixed(1)},${y(value).toFixed(1)}`));
            svg.append(svgElement('polyline', {
                points: points.join(' '), fill: 'none', stroke: colour, 'stroke-width': 1.5, 'data-slot': slot,
            }));
            plotted.push({ line, colour });
        }
        const entry = svgElement('g', {
            class: 'entry', tabindex: 0, role: 'button', 'aria-pressed': String(shown),
            transform: `translate(${p.legendLeft} ${p.top + legendRow * 18})`, opacity: shown ? 1 : 0.35,
        });
        entry.append(svgElement('rect', { x: 0, y: -9, width: 14, height: 10, fill: colour }));
        entry.append(svgElement('text', { x: 20, y: 0 }, line.name));
        const toggle = () => {
            if (hiddenLines.has(line.id)) hiddenLines.delete(line.id); else hiddenLines.add(line.id);
            drawGraph();
            $('HistoryChart').querySelector(`g.entry[data-id="${CSS.escape(line.id)}"]`)?.focus();
        };
        entry.dataset.id = line.id;
        entry.addEventListener('click', toggle);
        entry.addEventListener('keydown', (event) => {
            if (event.key === 'Enter' || event.key === ' ') {
                event.preventDefault();
                toggle();
            }
        });
        legend.append(entry);
        legendRow += 1;
    }
    svg.append(legend);
    svg.addEventListener('mousemove', (event) => {
        const box = svg.getBoundingClientRect();
        const scale = p.svgWidth / box.width;
        const px = (event.clientX - box.left) * scale;
        const py = (event.clientY - box.top) * scale;
        const turn = Math.round(graph.turns.min + ((px - p.left) / p.width) * (graph.turns.max - graph.turns.min));
        let best = null;
        for (const { line } of plotted) {
            if (turn < 0 || turn >= line.values.length) continue;
            const distance = Math.abs(y(line.values[turn]) - py);
            if (distance < 12 && (best === null || distance < best.distance)) best = { line, distance };
        }
        const tip = $('GraphTip');
        if (best === null || px < p.left || px > p.left + p.width) {
            tip.hidden = true;
            return;
        }
        tip.textContent = core.graphPointText(best.line.name, graph.valueName, turn, best.line.values[turn]);
        tip.hidden = false;
        tip.style.left = `${event.clientX + 12}px`;
        tip.style.top = `${event.clientY + 12}px`;
    });
    svg.addEventListener('mouseleave', () => { $('GraphTip').hidden = true; });
    $('HistoryChart').replaceChildren(svg);
}

function graphSvgText() {
    const svg = $('HistoryChart').querySelector('svg');
    return new XMLSerializer().serializeToString(svg);
}

function saveGraph(png) {
    const text = graphSvgText();
    const name = `graph-${$('GraphSelect').value.toLowerCase()}`;
    if (!png) {
        download(new TextEncoder().encode(text), `${name}.svg`, 'image/svg+xml');
        return;
    }
    const image = new Image();
    image.onload = () => {
        const canvas = element('canvas');
        canvas.width = kPlot.svgWidth * 2;
        canvas.height = kPlot.svgHeight * 2;
        const context = canvas.getContext('2d');
        context.scale(2, 2);
        context.drawImage(image, 0, 0);
        canvas.toBlob((blob) => blob.arrayBuffer().then((bytes) => download(bytes, `${name}.png`, 'image/png')));
    };
    image.src = `data:image/svg+xml;base64,${btoa(String.fromCharCode(...new TextEncoder().encode(text)))}`;
}

function wire() {
    $('Button1').addEventListener('click', () => $('FilePicker').click());
    $('LoadFolder').addEventListener('click', () => $('FolderPicker').click());
    $('FilePicker').addEventListener('change', (event) => {
        const files = [...event.target.files].map((file) => ({ file, path: file.name }));
        event.target.value = '';
        loadFiles(files, []);
    });
    $('FolderPicker').addEventListener('change', (event) => {
        const { files, skipped } = folderFiles([...event.target.files]);
        event.target.value = '';
        if (files.length === 0) showMessage('Nothing to load: no files in the folder.');
        else loadFiles(files, skipped);
    });
    $('ProfilePicker').addEventListener('change', (event) => {
        const file = event.target.files[0];
        event.target.value = '';
        if (file) openProfileFile(file);
    });
    $('Button2').addEventListener('click', () => saveReport(0));
    $('ExportCsv').addEventListener('click', () => saveReport(1));
    $('ExportJson').addEventListener('click', () => saveReport(2));
    $('ExportHtml').addEventListener('click', () => saveReport(3));
    $('OpenProfile').addEventListener('click', () => $('ProfilePicker').click());
    $('SaveProfile').addEventListener('click', saveProfile);
    $('NoProfile').addEventListener('click', dropProfile);
    $('ResetRules').addEventListener('click', resetRules);
    $('MessageClose').addEventListener('click', () => { $('Message').hidden = true; });
    $('ProgressCancel').addEventListener('click', () => loading && loading.cancel());
    $('RowFilter').addEventListener('input', () => renderAll());
    for (const box of ruleBoxes()) box.addEventListener('input', onRulesEdited);
    for (const button of document.querySelectorAll('button.sort')) {
        button.addEventListener('click', () => {
            session.sortBy(Number(button.dataset.key));
            selected.clear();
            renderAll();
        });
    }
    for (const grid of kGrids) {
        $(grid.element).addEventListener('click', onGridClick);
        $(grid.element).addEventListener('keydown', onGridKey);
    }
    for (const tab of tabs()) {
        tab.addEventListener('click', () => showTab(tab));
        tab.addEventListener('keydown', (event) => {
            const all = tabs();
            const at = all.indexOf(tab);
            let next = null;
            if (event.key === 'ArrowRight') next = all[(at + 1) % all.length];
            if (event.key === 'ArrowLeft') next = all[(at + all.length - 1) % all.length];
            if (next) {
                event.preventDefault();
                showTab(next);
                next.focus();
            }
        });
    }
    for (const [index, name] of session.graphCategories().entries()) $('GraphSelect').append(new Option(name, name, false, index === 0));
    $('GraphSelect').addEventListener('change', () => {
        store(kStoredCategory, $('GraphSelect').value);
        drawGraph();
    });
    $('SavePng').addEventListener('click', () => saveGraph(true));
    $('SaveSvg').addEventListener('click', () => saveGraph(false));
    document.addEventListener('keydown', (event) => {
        if (event.key === 'Escape' && !$('Message').hidden) $('Message').hidden = true;
        if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
        const key = event.key.toLowerCase();
        if (key === 'o') { event.preventDefault(); if (!loading) $('FilePicker').click(); }
        if (key === 's') { event.preventDefault(); if (!loading) saveReport(0); }
        if (key >= '1' && key <= '5') {
            event.preventDefault();
            const tab = tabs()[Number(key) - 1];
            showTab(tab);
            tab.focus();
        }
    });
    document.addEventListener('dragover', (event) => {
        if (loading) return;
        event.preventDefault();
        $('DropHint').hidden = false;
    });
    document.addEventListener('dragleave', (event) => {
        if (event.relatedTarget === null) $('DropHint').hidden = true;
    });
    document.addEventListener('drop', async (event) => {
        event.preventDefault();
        $('DropHint').hidden = true;
        if (loading) return;
        const { files, skipped } = await droppedFiles(event.dataTransfer.items);
        if (files.length === 0) showMessage('Nothing to load: no files were dropped.');
        else loadFiles(files, skipped);
    });
}

function restore() {
    const profile = stored(kStoredProfile);
    if (profile && typeof profile.text === 'string') {
        const check = session.openProfile(new TextEncoder().encode(profile.text),
            String(profile.name || 'profile.json'), true);
        if (check.error !== undefined) store(kStoredProfile, null);
    }
    const rules = stored(kStoredRules);
    showRuleTexts(rules && typeof rules === 'object' ? { ...session.defaultRuleTexts(), ...rules } : session.ruleTexts());
    showRuleCheck(session.setRules(typedRules()));
    const category = stored(kStoredCategory);
    if (typeof category === 'string') {
        const option = [...$('GraphSelect').options].find((candidate) => candidate.value === category);
        if (option) option.selected = true;
    }
    showProfileName();
}

QuillmereModule().then((module) => {
    core = module;
    names = core.pageNames();
    session = new core.Session(new Date().getFullYear(), decimalSeparator());
    wire();
    restore();
    renderAll();
    document.body.dataset.ready = 'true';
}, (error) => {
    $('StatusText').textContent = `The page could not start: ${error}`;
});
