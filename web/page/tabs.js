// The tabs of the views: a click or Ctrl+1 to Ctrl+5 shows one, Left and Right move along them.

import { $ } from './dom.js';
import { drawGraph } from './graph.js';
import { drawStaleGrids } from './grid.js';

function tabs() { return [...document.querySelectorAll('[role=tab]')]; }

export function showTab(state, tab) {
    for (const other of tabs()) {
        const chosen = other === tab;
        other.setAttribute('aria-selected', String(chosen));
        other.tabIndex = chosen ? 0 : -1;
        $(other.getAttribute('aria-controls')).hidden = !chosen;
    }
    drawStaleGrids(state);
    if (tab.id === 'tab-graph') drawGraph(state);
}

// Shows the tab at `index` (from 0) and gives it the focus; false when there is none.
export function showTabAt(state, index) {
    const tab = tabs()[index];
    if (!tab) return false;
    showTab(state, tab);
    tab.focus();
    return true;
}

export function wireTabs(state) {
    for (const tab of tabs()) {
        tab.addEventListener('click', () => showTab(state, tab));
        tab.addEventListener('keydown', (event) => {
            const all = tabs();
            const at = all.indexOf(tab);
            let next = null;
            if (event.key === 'ArrowRight') next = (at + 1) % all.length;
            if (event.key === 'ArrowLeft') next = (at + all.length - 1) % all.length;
            if (next !== null) {
                event.preventDefault();
                showTabAt(state, next);
            }
        });
    }
}
