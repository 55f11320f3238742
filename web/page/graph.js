// The history graph as SVG, drawn from the core's plan (session.graph): its lines, axes, labels,
// legend and hover text are the core's; this only places them. Saved as SVG or PNG.

import { $, element, download } from './dom.js';
import { kStoredCategory, store, stored } from './storage.js';

const kSvg = 'http://www.w3.org/2000/svg';
const kPlot = { left: 70, top: 34, width: 560, height: 330, legendLeft: 650, svgWidth: 900, svgHeight: 410 };

function svgElement(tag, attributes, text) {
    const made = document.createElementNS(kSvg, tag);
    for (const [name, value] of Object.entries(attributes || {})) made.setAttribute(name, String(value));
    if (text !== undefined) made.textContent = text;
    return made;
}

function colourText(colour) { return `#${colour.toString(16).padStart(6, '0')}`; }

// Whether the graph's tab is the one shown, so that a redraw of the page redraws it too.
export function graphShown() {
    return !$('TabSheet5').hidden;
}

// Draws the graph of the selected rows (none: the core's first ones) in the category chosen.
export function drawGraph(state) {
    const category = $('GraphSelect').selectedIndex;
    const graph = state.session.graph([...state.selected].sort((a, b) => a - b), category, state.graphSlots);
    state.graphSlots = graph.slots;

    const p = kPlot;
    const svg = svgElement('svg', {
        xmlns: kSvg, viewBox: `0 0 ${p.svgWidth} ${p.svgHeight}`, width: p.svgWidth, height: p.svgHeight,
        role: 'img', 'aria-label': `${graph.caption || 'History'}: ${graph.valueName}`,
        'font-family': 'sans-serif', 'font-size': 12,
    });
    svg.append(svgElement('rect', { x: 0, y: 0, width: p.svgWidth, height: p.svgHeight, fill: '#ffffff' }));
    svg.append(svgElement('text', { x: p.left + p.width / 2, y: 18, 'text-anchor': 'middle' }, graph.caption));
    const x = (turn) => p.left + ((turn - graph.turns.min) / (graph.turns.max - graph.turns.min)) * p.width;
    const y = (value) => p.top + p.height - ((value - graph.values.min) / (graph.values.max - graph.values.min)) * p.height;
    svg.append(...axes(graph, x, y));
    const plotted = [];
    const legend = svgElement('g', { class: 'legend' });
    graph.lines.forEach((line, legendRow) => {
        const colour = colourText(line.colour);
        const shown = !state.hiddenLines.has(line.id);
        if (shown && line.values.length > 0) {
            const points = [];
            line.values.forEach((value, turn) => points.push(`${x(turn).toFixed(1)},${y(value).toFixed(1)}`));
            svg.append(svgElement('polyline', {
                points: points.join(' '), fill: 'none', stroke: colour, 'stroke-width': 1.5, 'data-slot': line.slot,
            }));
            plotted.push(line);
        }
        legend.append(legendEntry(state, line, colour, shown, p.top + legendRow * 18));
    });
    svg.append(legend);
    svg.addEventListener('mousemove', (event) => showPointTip(state, event, svg, graph, plotted, y));
    svg.addEventListener('mouseleave', () => { $('GraphTip').hidden = true; });
    $('HistoryChart').replaceChildren(svg);
}

// The grid lines and the labels of both axes, and the axes' names.
function axes(graph, x, y) {
    const p = kPlot;
    const lines = svgElement('g', { stroke: '#c8c8c8', 'stroke-width': 1 });
    const labels = svgElement('g', { fill: '#333333' });
    for (let i = 0; i <= graph.values.ticks; ++i) {
        const value = graph.values.min + i * graph.values.step;
        lines.append(svgElement('line', { x1: p.left, x2: p.left + p.width, y1: y(value), y2: y(value) }));
        labels.append(svgElement('text', { x: p.left - 6, y: y(value) + 4, 'text-anchor': 'end' }, graph.valueLabels[i]));
    }
    for (let i = 0; i <= graph.turns.ticks; ++i) {
        const turn = graph.turns.min + i * graph.turns.step;
        lines.append(svgElement('line', { x1: x(turn), x2: x(turn), y1: p.top, y2: p.top + p.height }));
        labels.append(svgElement('text', { x: x(turn), y: p.top + p.height + 16, 'text-anchor': 'middle' }, graph.turnLabels[i]));
    }
    labels.append(svgElement('text', { x: p.left + p.width / 2, y: p.svgHeight - 8, 'text-anchor': 'middle' }, 'Turn'));
    labels.append(svgElement('text', {
        x: 16, y: p.top + p.height / 2, 'text-anchor': 'middle', transform: `rotate(-90 16 ${p.top + p.height / 2})`,
    }, graph.valueName));
    return [lines, labels];
}

// A legend entry, which hides or shows its line when clicked or on Enter or Space.
function legendEntry(state, line, colour, shown, top) {
    const entry = svgElement('g', {
        class: 'entry', tabindex: 0, role: 'button', 'aria-pressed': String(shown),
        transform: `translate(${kPlot.legendLeft} ${top})`, opacity: shown ? 1 : 0.35,
    });
    entry.append(svgElement('rect', { x: 0, y: -9, width: 14, height: 10, fill: colour }));
    entry.append(svgElement('text', { x: 20, y: 0 }, line.name));
    const toggle = () => {
        if (state.hiddenLines.has(line.id)) state.hiddenLines.delete(line.id);
        else state.hiddenLines.add(line.id);
        drawGraph(state);
        $('HistoryChart').querySelector(`g.entry[data-id="${CSS.escape(line.id)}"]`)?.focus();
    };
    entry.dataset.id = line.id;
    entry.addEventListener('click', toggle);
    entry.addEventListener('keydown', (event) => {
        if (event.key === 'Enter' || event.key === ' ') {
            event.preventDefault();
            toggle();
        }
    });
    return entry;
}

// The core's text of the point nearest the mouse, on the line within 12 pixels of it.
function showPointTip(state, event, svg, graph, plotted, y) {
    const p = kPlot;
    const box = svg.getBoundingClientRect();
    const scale = p.svgWidth / box.width;
    const px = (event.clientX - box.left) * scale;
    const py = (event.clientY - box.top) * scale;
    const turn = Math.round(graph.turns.min + ((px - p.left) / p.width) * (graph.turns.max - graph.turns.min));
    let best = null;
    for (const line of plotted) {
        if (turn < 0 || turn >= line.values.length) continue;
        const distance = Math.abs(y(line.values[turn]) - py);
        if (distance < 12 && (best === null || distance < best.distance)) best = { line, distance };
    }
    const tip = $('GraphTip');
    if (best === null || px < p.left || px > p.left + p.width) {
        tip.hidden = true;
        return;
    }
    tip.textContent = state.core.graphPointText(best.line.name, graph.valueName, turn, best.line.values[turn]);
    tip.hidden = false;
    tip.style.left = `${event.clientX + 12}px`;
    tip.style.top = `${event.clientY + 12}px`;
}

// Saves the graph shown as SVG, or as PNG at twice its size.
function saveGraph(png) {
    const text = new XMLSerializer().serializeToString($('HistoryChart').querySelector('svg'));
    const name = `graph-${$('GraphSelect').value.toLowerCase()}`;
    if (!png) {
        download(new TextEncoder().encode(text), `${name}.svg`, 'image/svg+xml');
        return;
    }
    const image = new Image();
    image.onload = () => {
        const canvas = element('canvas');
        canvas.width = kPlot.svgWidth * 2;
        canvas.height = kPlot.svgHeight * 2;
        const context = canvas.getContext('2d');
        context.scale(2, 2);
        context.drawImage(image, 0, 0);
        canvas.toBlob((blob) => blob.arrayBuffer().then((bytes) => download(bytes, `${name}.png`, 'image/png')));
    };
    image.src = `data:image/svg+xml;base64,${btoa(String.fromCharCode(...new TextEncoder().encode(text)))}`;
}

// Fills the category list with the core's categories, the one remembered chosen, and wires the
// list and the save buttons.
export function wireGraph(state) {
    const select = $('GraphSelect');
    for (const [index, name] of state.session.graphCategories().entries()) {
        select.append(new Option(name, name, false, index === 0));
    }
    const remembered = stored(kStoredCategory);
    if (typeof remembered === 'string') {
        const option = [...select.options].find((candidate) => candidate.value === remembered);
        if (option) option.selected = true;
    }
    select.addEventListener('change', () => {
        store(kStoredCategory, select.value);
        drawGraph(state);
    });
    $('SavePng').addEventListener('click', () => saveGraph(true));
    $('SaveSvg').addEventListener('click', () => saveGraph(false));
}
