// The message box and the question dialog of index.html.

import { $, element } from './dom.js';

export function showMessage(text) {
    $('MessageText').textContent = text;
    $('Message').hidden = false;
    $('MessageClose').focus();
}

export function closeMessage() {
    $('Message').hidden = true;
}

export function messageShown() {
    return !$('Message').hidden;
}

// Asks with the buttons named; resolves to the name clicked, or null when the dialog is closed.
export function ask(text, buttons) {
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
