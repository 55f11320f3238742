// The rule boxes of the Reloads tab and the profile: open, save, none. The session checks the
// texts and reads the profile; the page shows its answers and remembers them.

import { ask, showMessage } from './dialogs.js';
import { $, download } from './dom.js';
import { renderAll } from './grid.js';
import { showNote } from './status.js';
import { kStoredProfile, kStoredRules, store, stored } from './storage.js';

// The boxes of each rule the session names in its errors.
const kRuleBoxes = {
    startDate: ['Edit6', 'Edit2', 'Edit3'],
    sessionsPerDay: ['Edit7'],
    minSessionMinutes: ['Edit8'],
    presessions: ['Edit4'],
};

function ruleBoxes() { return [...document.querySelectorAll('input[data-rule]')]; }

function typedRules() {
    const texts = {};
    for (const box of ruleBoxes()) texts[box.dataset.rule] = box.value;
    return texts;
}

function showRuleTexts(texts) {
    for (const box of ruleBoxes()) box.value = texts[box.dataset.rule];
}

// Marks the boxes of the rules in error with the session's messages, and lists them.
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

function onRulesEdited(state) {
    showRuleCheck(state.session.setRules(typedRules()));
    store(kStoredRules, state.session.ruleTexts());
    renderAll(state);
}

function resetRules(state) {
    showRuleTexts(state.session.defaultRuleTexts());
    onRulesEdited(state);
    showNote(state, 'The rules are back at their defaults');
}

function showProfileName(state) {
    const name = state.session.profileName();
    $('ProfileName').textContent = name ? `Profile: ${name}` : '';
    document.title = name ? `Quillmere - ${name}` : 'Quillmere';
}

// Opens the profile `file` as a picked one, asking whether to take its rules when they differ;
// resolves to whether it is now in use.
export async function openProfileFile(state, file) {
    const { core, session } = state;
    let bytes;
    try {
        // The core refuses a file larger than any profile: a byte more than that is all it needs.
        bytes = new Uint8Array(await file.slice(0, core.mostProfileBytes() + 1).arrayBuffer());
    } catch {
        showMessage(`${file.name}: the file cannot be read.`);
        return false;
    }
    const look = session.inspectProfile(bytes, file.name);
    if (look.error !== undefined) {
        showMessage(look.error);
        return false;
    }
    let keep = false;
    if (look.changes) {
        const answer = await ask(core.profileRulesQuestion(look.changes), ['Yes', 'No', 'Cancel']);
        if (answer !== 'Yes' && answer !== 'No') return false;
        keep = answer === 'No';
    }
    const check = session.openProfile(bytes, file.name, keep);
    showRuleTexts(session.ruleTexts());
    showRuleCheck(check);
    store(kStoredProfile, { text: new TextDecoder().decode(bytes), name: file.name });
    store(kStoredRules, session.ruleTexts());
    showProfileName(state);
    renderAll(state);
    showNote(state, `Profile ${session.profileName()} in use`);
    return true;
}

function saveProfile(state) {
    const name = state.session.profileName() || 'profile';
    const text = state.session.profileJson(name);
    store(kStoredProfile, { text, name: `${name}.json` });
    showProfileName(state);
    download(new TextEncoder().encode(text), `${name}.json`, 'application/json');
}

function dropProfile(state) {
    state.session.dropProfile();
    store(kStoredProfile, null);
    showProfileName(state);
    renderAll(state);
    showNote(state, 'No profile in use');
}

// Takes the profile and the rules remembered from the last visit, if the session still takes them.
export function restoreRules(state) {
    const { session } = state;
    const profile = stored(kStoredProfile);
    if (profile && typeof profile.text === 'string') {
        const check = session.openProfile(new TextEncoder().encode(profile.text),
            String(profile.name || 'profile.json'), true);
        if (check.error !== undefined) store(kStoredProfile, null);
    }
    const rules = stored(kStoredRules);
    showRuleTexts(rules && typeof rules === 'object' ? { ...session.defaultRuleTexts(), ...rules } : session.ruleTexts());
    showRuleCheck(session.setRules(typedRules()));
    showProfileName(state);
}

// Shows the rules and the profile the session has in force, as a profile opened elsewhere set them.
export function showRulesInForce(state) {
    showRuleTexts(state.session.ruleTexts());
    showRuleCheck(state.session.ruleCheck());
    showProfileName(state);
}

export function wireRules(state) {
    for (const box of ruleBoxes()) box.addEventListener('input', () => onRulesEdited(state));
    $('ResetRules').addEventListener('click', () => resetRules(state));
    $('OpenProfile').addEventListener('click', () => $('ProfilePicker').click());
    $('ProfilePicker').addEventListener('change', (event) => {
        const file = event.target.files[0];
        event.target.value = '';
        if (file) openProfileFile(state, file);
    });
    $('SaveProfile').addEventListener('click', () => saveProfile(state));
    $('NoProfile').addEventListener('click', () => dropProfile(state));
}
