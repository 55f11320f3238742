// The referee's page: a round's submissions with rulings (a late one's time marked), what the round
// does with late uploads, the players and their links, the round's results file, whether the
// standings are public. Every name is shown as text.
import { $, element, download } from './dom.js';
import { call, tokenFromFragment } from './api.js';

const token = tokenFromFragment();
let rounds = [];

function showMessage(text, failed) {
    $('Message').textContent = text;
    $('Message').className = failed ? 'failed' : '';
}

function cell(text) { return element('td', text === undefined ? '' : String(text)); }

function rulingCell(submission) {
    const td = element('td');
    const state = element('select');
    for (const name of ['accepted', 'rejected', 'disqualified', 'pending']) state.append(element('option', name));
    const reason = element('input');
    reason.placeholder = 'reason';
    const rule = element('button', 'Rule');
    rule.type = 'button';
    rule.addEventListener('click', async () => {
        const { status, answer } = await call(token, 'POST', `/api/submissions/${submission}/ruling`,
            JSON.stringify({ state: state.value, reason: reason.value }), { 'Content-Type': 'application/json' });
        showMessage(status === 200 ? `Submission ${submission}: ${answer.ruling}` : answer.error, status !== 200);
        if (status === 200) await showRound();
    });
    td.append(state, reason, rule);
    return td;
}

async function showRound() {
    const round = $('Round').value;
    if (!round) return;
    $('LateRule').textContent = rounds.find((r) => String(r.number) === round)?.lateRule ?? '';
    // The link keeps the token in its fragment, which is never sent to a server.
    $('Browse').href = `/round?round=${round}#token=${token}`;
    $('Browse').hidden = false;
    const { status, answer } = await call(token, 'GET', `/api/rounds/${round}/submissions`);
    if (status !== 200) {
        showMessage(answer.error, true);
        return;
    }
    $('Submissions').replaceChildren(...answer.submissions.map((s) => {
        const tr = element('tr');
        const received = cell(s.receivedAt);
        if (s.late) received.className = 'late';
        tr.append(cell(s.submission), cell(s.player), cell(s.fileName), received, cell(s.finalScore),
            cell(s.rank), cell(s.standing), cell(s.ruling + (s.reason ? `: ${s.reason}` : '')),
            cell(s.flags.join('; ')), rulingCell(s.submission));
        return tr;
    }));
}

async function showPlayers() {
    const { status, answer } = await call(token, 'GET', '/api/players');
    if (status !== 200) return;
    $('Players').replaceChildren(...answer.players.map((p) => {
        const tr = element('tr');
        const revoke = element('button', 'Revoke links');
        revoke.type = 'button';
        revoke.addEventListener('click', async () => {
            const result = await call(token, 'POST', '/api/links/revoke', JSON.stringify({ player: p.name }),
                { 'Content-Type': 'application/json' });
            showMessage(result.status === 200 ? `${p.name}: ${result.answer.revoked} links revoked` : result.answer.error,
                result.status !== 200);
        });
        const td = element('td');
        td.append(revoke);
        tr.append(cell(p.name), cell(p.playsAs.join(', ')), cell(p.submissions), td);
        return tr;
    }));
}

async function downloadResults() {
    const response = await fetch(`/api/rounds/${$('Round').value}/results`, {
        headers: { Authorization: `Bearer ${token}` }, credentials: 'omit', cache: 'no-store',
    });
    if (response.ok) download(await response.arrayBuffer(), 'Res.txt', 'text/plain');
    else showMessage((await response.json()).error, true);
}

async function start() {
    if (!token) {
        showMessage('This page needs the referee\'s private link (quillmere-tournament referee-link).', true);
        return;
    }
    const key = await fetch('/api/public-key').then((r) => r.json());
    $('PublicKey').textContent = key.publicKey;
    const { status, answer } = await call(token, 'GET', '/api/rounds');
    if (status !== 200) {
        showMessage(answer.error, true);
        return;
    }
    $('Tournament').textContent = `${answer.tournament}: referee`;
    rounds = answer.rounds;
    $('Publish').checked = answer.standingsPublic;
    $('Publish').addEventListener('change', async () => {
        const result = await call(token, 'POST', '/api/standings/publish',
            JSON.stringify({ published: $('Publish').checked }), { 'Content-Type': 'application/json' });
        if (result.status !== 200) {
            $('Publish').checked = !$('Publish').checked;
            showMessage(result.answer.error, true);
        } else {
            showMessage(result.answer.published ? 'Standings published at /standings' : 'Standings not public', false);
        }
    });
    $('Round').replaceChildren(...answer.rounds.map((r) => {
        const option = element('option', `${r.number}: ${r.title}`);
        option.value = String(r.number);
        return option;
    }));
    if (answer.rounds.length) $('Round').value = String(answer.rounds[answer.rounds.length - 1].number);
    $('Round').addEventListener('change', showRound);
    $('Results').addEventListener('click', downloadResults);
    await showRound();
    await showPlayers();
}

// A link pasted over the page's address changes only the fragment: start again with its token.
window.addEventListener('hashchange', () => window.location.reload());
start();
