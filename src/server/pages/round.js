// The referee's view of one round in the browser edition's own grids, tabs, rules and graph: the
// round's records from the archive, shown by the browser core's session under the round's profile.
// The exports are the archive's (what quillmere-tournament export writes for the round); a rule
// changed here changes this view only, never how the archive judges the round.
import { call, tokenFromFragment } from '../api.js';
import { showMessage } from './dialogs.js';
import { $, download } from './dom.js';
import { renderAll, wireGrids } from './grid.js';
import { wireGraph } from './graph.js';
import { decimalSeparator } from './locale.js';
import { showRulesInForce, wireRules } from './rules.js';
import { createState } from './state.js';
import { showNote } from './status.js';
import { wireTabs } from './tabs.js';

const token = tokenFromFragment();
const round = Number(new URLSearchParams(window.location.search).get('round'));
// The report buttons, in the core's numbering of the reports, with the archive's names of them.
const kExports = [['Button2', 'res'], ['ExportCsv', 'csv'], ['ExportJson', 'json'], ['ExportHtml', 'html']];

// The records of the server's answer: each a little-endian 32-bit length, then its bytes.
function recordsOf(buffer) {
    const view = new DataView(buffer);
    const records = [];
    let at = 0;
    while (at < buffer.byteLength) {
        if (buffer.byteLength - at < 4) throw new Error('the round\'s records end inside a length');
        const length = view.getUint32(at, true);
        at += 4;
        if (length > buffer.byteLength - at) throw new Error('the round\'s records end inside a record');
        records.push(new Uint8Array(buffer, at, length));
        at += length;
    }
    return records;
}

async function fetchBytes(path) {
    const response = await fetch(path, {
        headers: { Authorization: `Bearer ${token}` }, credentials: 'omit', cache: 'no-store',
    });
    if (!response.ok) throw new Error((await response.json()).error);
    return response.arrayBuffer();
}

function wireExports(state) {
    kExports.forEach(([id, format], index) => $(id).addEventListener('click', async () => {
        try {
            const kind = state.names.reports[index];
            download(await fetchBytes(`/api/rounds/${round}/results?format=${format}`), kind.name, kind.type);
            showNote(state, `${kind.name} of round ${round}, as the archive writes it`);
        } catch (error) {
            showMessage(error.message);
        }
    }));
}

async function start() {
    if (!token || !Number.isInteger(round) || round < 1) {
        showMessage('This page needs the referee\'s private link and a round: open it from the referee\'s page.');
        return;
    }
    if (typeof QuillmereModule === 'undefined') {
        showMessage('This server has no browser core to show the round with (quillmere-server --page-core).');
        return;
    }
    const core = await QuillmereModule();
    const state = createState(core, new core.Session(new Date().getFullYear(), decimalSeparator()));
    const { status, answer } = await call(token, 'GET', `/api/rounds/${round}/submissions`);
    if (status !== 200) {
        showMessage(answer.error);
        return;
    }
    const check = state.session.openProfile(new TextEncoder().encode(answer.profile),
        `${answer.profileName || `round ${round}`}.json`, false);
    if (check.error !== undefined) showMessage(check.error);
    state.session.adopt(recordsOf(await fetchBytes(`/api/rounds/${round}/records`)), []);
    wireGrids(state);
    wireTabs(state);
    wireGraph(state);
    wireRules(state);
    wireExports(state);
    showRulesInForce(state);
    renderAll(state);
    document.title = `Round ${round}${answer.title ? `: ${answer.title}` : ''}`;
    document.body.dataset.ready = 'true';
}

start().catch((error) => showMessage(`The round cannot be shown: ${error.message}`));
