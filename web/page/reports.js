// The downloads of the session's reports: the results file and the CSV, JSON and HTML exports.

import { ask, showMessage } from './dialogs.js';
import { $, download } from './dom.js';
import { showNote } from './status.js';

// The buttons of the reports, in the core's numbering of them (session.report).
const kReportButtons = ['Button2', 'ExportCsv', 'ExportJson', 'ExportHtml'];
const kResultsFile = 0;

// Downloads the report `format`; the results file with rows left out of the load asks first.
export async function saveReport(state, format) {
    const { core, session } = state;
    const report = session.report(format);
    if (report.error !== undefined) {
        showMessage(report.error);
        return;
    }
    const left = session.status().notLoaded;
    if (format === kResultsFile && left > 0) {
        const answer = await ask(core.blankRowsQuestion(left), ['Save', 'Cancel']);
        if (answer !== 'Save') return;
    }
    const kind = state.names.reports[format];
    download(report.bytes, kind.name, kind.type);
    showNote(state, report.note);
}

export function saveResults(state) {
    return saveReport(state, kResultsFile);
}

export function wireReports(state) {
    kReportButtons.forEach((id, format) => $(id).addEventListener('click', () => saveReport(state, format)));
}
