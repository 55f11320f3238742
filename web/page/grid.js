// The four grids as tables of the core's texts and looks, with frozen columns, the row filter, the
// sort buttons and header sorting, and the selection by mouse and keyboard.

import { $, element } from './dom.js';
import { drawGraph, graphShown } from './graph.js';
import { showNote, showStatus } from './status.js';
import { headCell, rowElement } from './table.js';

// The page's elements of the grids, in the core's grid order.
const kGrids = ['BaseGrid', 'ReloadGrid', 'AdditionalGrid', 'FlagsGrid'];
// How far PageUp and PageDown move the cursor.
const kPageRows = 20;

function renderGrid(state, gridIndex) {
    const { session } = state;
    const columns = session.columns(gridIndex);
    const texts = session.gridTexts(gridIndex);
    const looks = session.rowLooks(gridIndex);
    const sort = session.sortState();
    const frozen = state.names.frozenColumns;
    const headRow = element('tr');
    columns.forEach((column, index) => {
        const cell = headCell(column, index, frozen);
        if (sort.column && sort.column.grid === gridIndex && sort.column.column === index) {
            cell.append(element('span', ` ${sort.column.mark}`, 'arrow'));
            cell.setAttribute('aria-sort', sort.column.ascending ? 'ascending' : 'descending');
        }
        cell.tabIndex = -1;
        cell.title = `${column.help}\n${sort.columnTitle}`;
        headRow.append(cell);
    });
    const head = element('thead');
    head.append(headRow);
    const body = element('tbody');
    const filter = session.filterRows($('RowFilter').value, $('AttentionFilter').checked);
    texts.forEach((cells, row) => {
        const line = rowElement(columns, cells, looks[row], frozen);
        line.dataset.row = row;
        if (state.selected.has(row)) line.setAttribute('aria-selected', 'true');
        line.hidden = !filter.shown[row];
        body.append(line);
    });
    const table = element('table');
    table.append(head, body);
    $(kGrids[gridIndex]).replaceChildren(table);
    if (gridIndex === 0) showFilterNote(state, filter);
}

// The row filter's note and the attention filter's count, beside the tabs.
function showFilterNote(state, filter) {
    $('FilterNote').textContent = filter.note;
    $('AttentionText').textContent = state.session.attentionText();
}

function gridHidden(gridIndex) {
    return $(kGrids[gridIndex]).closest('[role=tabpanel]').hidden;
}

// Draws the grids anew; with `onlyShown` (the partial table of a running load) only the grid of the
// tab shown, the others marked to be drawn when their tab is shown (drawStaleGrids).
function renderGrids(state, onlyShown) {
    for (let grid = 0; grid < kGrids.length; ++grid) {
        if (onlyShown && gridHidden(grid)) {
            state.staleGrids.add(grid);
            if (grid === 0) showFilterNote(state, state.session.filterRows($('RowFilter').value, $('AttentionFilter').checked));
            continue;
        }
        renderGrid(state, grid);
        state.staleGrids.delete(grid);
    }
    showSortButtons(state);
    showStatus(state);
    if (graphShown()) drawGraph(state);
}

// Draws the grids a running load's drawing left behind whose tab is now shown.
export function drawStaleGrids(state) {
    for (const grid of [...state.staleGrids]) {
        if (gridHidden(grid)) continue;
        renderGrid(state, grid);
        state.staleGrids.delete(grid);
    }
}

function showSortButtons(state) {
    const sort = state.session.sortState();
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

// Shows the session anew: every grid, the sort buttons, the status line and the graph if shown.
export function renderAll(state) {
    $('FirstScreen').hidden = state.session.size() > 0;
    renderGrids(state, false);
}

// Shows the partial table of a running load: as renderAll, but of the grids only the one shown.
export function renderShown(state) {
    $('FirstScreen').hidden = state.session.size() > 0;
    renderGrids(state, true);
}

// Forgets the selection (a new sort or a new load changes what the rows are).
export function clearSelection(state) {
    state.selected.clear();
}

function setSelection(state, rows, keepCursor) {
    state.selected = new Set(rows);
    for (const id of kGrids) {
        for (const line of $(id).querySelectorAll('tbody tr')) {
            if (state.selected.has(Number(line.dataset.row))) line.setAttribute('aria-selected', 'true');
            else line.removeAttribute('aria-selected');
            line.classList.toggle('cursor', keepCursor !== false && Number(line.dataset.row) === state.cursor);
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

function onGridClick(state, event) {
    const host = event.currentTarget;
    const gridIndex = Number(host.dataset.grid);
    const header = event.target.closest('th');
    if (header) {
        state.session.headerClick(gridIndex, Number(header.dataset.column));
        clearSelection(state);
        renderAll(state);
        $(kGrids[gridIndex]).querySelector(`th[data-column="${header.dataset.column}"]`)?.focus();
        return;
    }
    const line = event.target.closest('tbody tr');
    if (!line) return;
    event.target.closest('td.frozen1')?.classList.toggle('whole');
    const row = Number(line.dataset.row);
    state.cursor = row;
    if (event.shiftKey && state.anchor !== null) {
        setSelection(state, selectRange(host, state.anchor, row));
    } else if (event.ctrlKey || event.metaKey) {
        const rows = new Set(state.selected);
        if (rows.has(row)) rows.delete(row); else rows.add(row);
        state.anchor = row;
        setSelection(state, rows);
    } else {
        state.anchor = row;
        setSelection(state, [row]);
    }
}

// On a header: Enter or Space sorts by it, Left and Right move along the headers. Returns whether
// the key was a header's.
function onHeaderKey(event, header) {
    if (event.key === 'Enter' || event.key === ' ') {
        event.preventDefault();
        header.click();
        return true;
    }
    if (event.key === 'ArrowLeft' || event.key === 'ArrowRight') {
        event.preventDefault();
        const next = event.key === 'ArrowLeft' ? header.previousElementSibling : header.nextElementSibling;
        next?.focus();
        return true;
    }
    return false;
}

function onGridKey(state, event) {
    const host = event.currentTarget;
    const header = event.target.closest('th');
    if (header && onHeaderKey(event, header)) return;
    const rows = visibleRows(host);
    if (rows.length === 0) return;
    const command = event.ctrlKey || event.metaKey;
    let at = Math.max(0, rows.indexOf(state.cursor));
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
        case 'PageDown': at = Math.min(rows.length - 1, at + kPageRows); break;
        case 'PageUp': at = Math.max(0, at - kPageRows); break;
        case 'Home': at = 0; break;
        case 'End': at = rows.length - 1; break;
        case 'a':
            if (command) {
                event.preventDefault();
                setSelection(state, rows);
            }
            return;
        case 'c':
            if (command) {
                event.preventDefault();
                copyRows(state);
            }
            return;
        default: return;
    }
    event.preventDefault();
    state.cursor = rows[at];
    if (event.shiftKey) {
        if (state.anchor === null) state.anchor = state.cursor;
        setSelection(state, selectRange(host, state.anchor, state.cursor));
    } else {
        state.anchor = state.cursor;
        setSelection(state, [state.cursor]);
    }
    host.querySelector(`tbody tr[data-row="${state.cursor}"]`)?.scrollIntoView({ block: 'nearest' });
    host.focus();
}

// Copies the selected rows as the core writes them for a spreadsheet.
function copyRows(state) {
    const count = state.selected.size;
    if (count === 0) {
        showNote(state, 'Select the rows to copy first');
        return;
    }
    const text = state.session.copyRows([...state.selected].sort((a, b) => a - b));
    navigator.clipboard.writeText(text).then(() => showNote(state, `Copied ${count} rows`),
        () => showNote(state, 'The browser refused the clipboard'));
}

// Wires the grids, the sort buttons and the row filter.
export function wireGrids(state) {
    $('RowFilter').addEventListener('input', () => renderAll(state));
    $('AttentionFilter').addEventListener('change', () => renderAll(state));
    for (const button of document.querySelectorAll('button.sort')) {
        button.addEventListener('click', () => {
            state.session.sortBy(Number(button.dataset.key));
            clearSelection(state);
            renderAll(state);
        });
    }
    for (const id of kGrids) {
        $(id).addEventListener('click', (event) => onGridClick(state, event));
        $(id).addEventListener('keydown', (event) => onGridKey(state, event));
    }
}
