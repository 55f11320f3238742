// The player's page: sends one save's bytes, shows the signed receipt, lists the player's own
// submissions. The server analyses every upload itself; the page only shows what it answers.
import { $, element } from './dom.js';
import { call, tokenFromFragment } from './api.js';

const token = tokenFromFragment();

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
    $('SaveFile').addEventListener('change', () => { $('Send').disabled = !$('SaveFile').files.length; });
    $('Send').addEventListener('click', send);
    await listSubmissions();
}

// A link pasted over the page's address changes only the fragment: start again with its token.
window.addEventListener('hashchange', () => window.location.reload());
start();
