// The example tournament the page holds (put inside it when it was built): its profile opens as a
// picked one and its saves load as a dropped folder of them, so that it shows what the same files
// would.

import { $ } from './dom.js';
import { inFolderOrder, loadFiles } from './loader.js';
import { openProfileFile } from './rules.js';

function fileOf(entry) {
    const text = atob(entry.data);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    return new File([bytes], entry.name, { lastModified: entry.modified });
}

// Whether the page was built with the example.
export function exampleShipped() {
    return $('quillmere-example').textContent.trim() !== '';
}

// Opens the example's profile, then loads its saves, unless a load runs or the profile is not taken.
export async function loadExample(state) {
    if (state.loading || !exampleShipped()) return;
    const example = JSON.parse($('quillmere-example').textContent);
    if (!await openProfileFile(state, fileOf(example.profile))) return;
    const saves = example.saves.map((entry) => ({ file: fileOf(entry), path: `${example.folder}/${entry.name}` }));
    await loadFiles(state, inFolderOrder(state.core, saves, (save) => save.file.name), []);
}
