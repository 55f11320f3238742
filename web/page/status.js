// The status line: the session's, or a note in front of it for a few seconds.

import { $ } from './dom.js';

const kNoteMilliseconds = 6000;

// Shows the checks that are off and, unless a load or a note holds the line, the status line.
export function showStatus(state) {
    $('ChecksOff').textContent = state.session.status().checksOff.join('; ');
    if (state.loading || state.noteTimer !== null) return;
    $('StatusText').textContent = state.session.statusLine('');
}

export function showNote(state, text) {
    clearTimeout(state.noteTimer);
    $('StatusText').textContent = state.session.statusLine(text);
    state.noteTimer = setTimeout(() => {
        state.noteTimer = null;
        showStatus(state);
    }, kNoteMilliseconds);
}

// Ends the note showing, if any, at once.
export function clearNote(state) {
    clearTimeout(state.noteTimer);
    state.noteTimer = null;
    showStatus(state);
}
