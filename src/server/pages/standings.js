// The public standings: the season's table as the server's core words it (heading, column headers,
// cells, note), shown as text. No link is needed; the server answers only while the referee
// publishes them.
import { $, element } from './dom.js';

async function start() {
    const response = await fetch('/api/public-standings', {
        credentials: 'omit', cache: 'no-store', referrerPolicy: 'no-referrer',
    });
    const answer = await response.json().catch(() => ({ error: `the server answered ${response.status}` }));
    if (!response.ok) {
        $('Message').textContent = answer.error;
        $('Message').className = 'failed';
        return;
    }
    $('Heading').textContent = answer.heading;
    $('Header').replaceChildren(...answer.header.map((text) => element('th', text)));
    $('Rows').replaceChildren(...answer.rows.map((cells) => {
        const tr = element('tr');
        tr.append(...cells.map((text, i) => element('td', text, answer.numeric[i] ? 'number' : undefined)));
        return tr;
    }));
    $('Note').textContent = answer.note;
}

start();
