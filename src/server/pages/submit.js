// The player's page: shows a picked save as the referee will see it (the browser core's row under
// the round's rules, where the server has the core), sends its bytes, shows the signed receipt and
// lists the player's own submissions. The server analyses every upload itself: what the page
// computed is never sent.
import { $, element } from './dom.js';
import { call, tokenFromFragment } from './api.js';
import { decimalSeparator } from './locale.js';
import { headCell, rowElement } from './table.js';

const token = tokenFromFragment();
// The grids the preview shows, by the core's grid number, with their tabs' names.
const kPreviewGrids = [[0, 'Base'], [1, 'Reloads'], [3, 'Flags']];
// The browser core once started: {core, session, worker, frozen, serial}; null without one.
const preview = { running: null, serial: 0 };

function showMessage(text, failed) {
    $('Message').textContent = text;
    $('Message').className = failed ? 'failed' : '';
}

function row(cells) {
    const tr = element('tr');
    for (const cell of cells) tr.append(element('td', cell === undefined ? '' : String(cell)));
    return tr;
}

async function listSubmissions() {
    const { status, answer } = await call(token, 'GET', '/api/submissions');
    if (status !== 200) {
        showMessage(answer.error, true);
        return;
    }
    $('Who').textContent = `Signed in by your private link as ${answer.player}.`;
    const rows = answer.submissions.map((s) =>
        row([s.submission, s.round, s.fileName, s.receivedAt, s.finalScore, s.standing,
            s.ruling + (s.reason ? `: ${s.reason}` : ''), s.flags.join('; ')]));
    $('Submissions').replaceChildren(...rows);
}

function showReceipt(receipt) {
    const entries = [['Submission', receipt.submission], ['Round', receipt.round], ['File', receipt.fileName],
        ['SHA-256', receipt.sha256], ['Received (UTC)', receipt.receivedAt],
        ['Flags', receipt.flags.length ? receipt.flags.join('; ') : 'none'], ['Signature', receipt.signature]];
    $('Receipt').replaceChildren(...entries.flatMap(([term, value]) => [element('dt', term), element('dd', String(value))]));
    $('Signed').textContent = receipt.signed;
    $('ReceiptBox').hidden = false;
}

function loadScript(source) {
    return new Promise((resolve, reject) => {
        const script = element('script');
        script.src = source;
        script.addEventListener('load', resolve);
        script.addEventListener('error', () => reject(new Error(`${source} did not load`)));
        document.head.append(script);
    });
}

// Starts the browser core with the rules of the round an upload would go to. Without a core on the
// server, or without an open round, the page says so and sends saves as before.
async function startPreview() {
    const { status, answer } = await call(token, 'GET', '/api/preview');
    $('PreviewBox').hidden = false;
    if (status !== 200) {
        $('PreviewNote').textContent = answer.error;
        return;
    }
    const round = `round ${answer.round}${answer.title ? ` (${answer.title})` : ''}`;
    if (!answer.core) {
        $('PreviewNote').textContent = `This server shows a save's row only once it has received it, in ${round}. ` +
            answer.lateRule;
        return;
    }
    await loadScript('/static/quillmere-core.js');
    const core = await QuillmereModule();
    const session = new core.Session(new Date().getFullYear(), decimalSeparator());
    const check = session.openProfile(new TextEncoder().encode(answer.profile),
        `${answer.profileName || `round ${answer.round}`}.json`, false);
    if (check.error) {
        $('PreviewNote').textContent = `The round's rules cannot be shown here: ${check.error}`;
        return;
    }
    const worker = new Worker('/static/analyser.js');
    preview.running = { core, session, worker, frozen: core.pageNames().frozenColumns };
    $('PreviewNote').textContent = `Pick a save to see it as the referee will in ${round}, computed in your ` +
        'browser. The server analyses it again when it receives it; the checks against the other ' +
        `submissions (the same game, a name used before) are made there, and the receipt lists them. ${answer.lateRule}`;
}

function previewGrid(session, grid, caption, frozen) {
    const columns = session.columns(grid);
    const texts = session.gridTexts(grid);
    const looks = session.rowLooks(grid);
    const head = element('tr');
    columns.forEach((column, index) => {
        const cell = headCell(column, index, frozen);
        cell.title = column.help;
        head.append(cell);
    });
    const table = element('table');
    table.append(element('caption', caption));
    table.createTHead().append(head);
    const body = table.createTBody();
    texts.forEach((cells, row) => body.append(rowElement(columns, cells, looks[row], frozen)));
    const box = element('div', undefined, 'grid');
    box.append(table);
    return box;
}

// The picked file's row and flags as the session of the round's rules shows them. The server takes
// the moment it receives a save as its file time, so the preview takes now.
async function showPreview(file) {
    const running = preview.running;
    if (running === null) return;
    const serial = ++preview.serial;
    // The same bytes under a file time of now; the worker reads them itself.
    const now = new File([file], file.name, { lastModified: Date.now() });
    const job = { index: serial, file: now, path: file.name, unread: file.size > running.core.maxSaveFileBytes() };
    const entry = await new Promise((resolve) => {
        running.worker.onmessage = (event) => {
            const message = event.data;
            if (message.index !== serial) return;
            resolve(message.record ? message.record : { path: message.path, failure: message.failure });
        };
        running.worker.postMessage(job);
    });
    if (serial !== preview.serial) return;  // another file was picked meanwhile
    running.session.adopt([entry], []);
    $('PreviewRows').replaceChildren(...kPreviewGrids.map(([grid, caption]) =>
        previewGrid(running.session, grid, caption, running.frozen)));
}

async function send() {
    const file = $('SaveFile').files[0];
    if (!file) return;
    $('Send').disabled = true;
    showMessage(`Sending ${file.name}...`, false);
    try {
        const bytes = await file.arrayBuffer();
        const { status, answer } = await call(token, 'POST', `/api/submissions`, bytes, {
            // A header is Latin-1 text: the name goes percent-encoded, as UTF-8.
            'X-File-Name': encodeURIComponent(file.name),
            'Content-Type': 'application/octet-stream',
        });
        if (status === 200 || status === 201) {
            showMessage(status === 201 ? 'Received.' : 'This file was received before: here is its first receipt.', false);
            showReceipt(answer);
            await listSubmissions();
        } else {
            showMessage(answer.error, true);
        }
    } catch (error) {
        showMessage(`The save could not be sent (${error.message}).`, true);
    } finally {
        $('Send').disabled = false;
    }
}

async function start() {
    if (!token) {
        showMessage('This page needs your private link (it ends in #token=...): ask the referee for it.', true);
        return;
    }
    const key = await fetch('/api/public-key').then((r) => r.json());
    $('PublicKey').textContent = key.publicKey;
    $('SaveFile').addEventListener('change', () => {
        const file = $('SaveFile').files[0];
        $('Send').disabled = !file;
        if (file) showPreview(file);
    });
    $('Send').addEventListener('click', send);
    await listSubmissions();
    try {
        await startPreview();
    } catch (error) {
        $('PreviewNote').textContent = `The preview could not start (${error.message}); the save can still be sent.`;
    }
}

// A link pasted over the page's address changes only the fragment: start again with its token.
window.addEventListener('hashchange', () => window.location.reload());
start();
