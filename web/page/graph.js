// The history graph as SVG, drawn from the core's plan (session.graph): its lines, axes, labels,
// legend and hover text are the core's, and so are which point the pointer picks and the axes of a
// zoom; this only places them. A drag over the plot zooms in, a double click shows it all again.
// Saved as SVG or PNG.

import { $, element, download } from './dom.js';
import { kStoredCategory, store, stored } from './storage.js';

const kSvg = 'http://www.w3.org/2000/svg';
// The plot beside its legend, scaled to the tab's box.
const kWide = { left: 70, top: 34, width: 560, height: 330, legendLeft: 650, legendTop: 34, svgWidth: 900, svgHeight: 410 };
// A box narrower than this (a phone) gets the plot at its own width, in pixels, and the legend below.
const kNarrowBox = 600;
const kLegendRow = 18;
// A drag shorter than this either way, in pixels, is a click, not a zoom.
const kLeastDrag = 4;

function layoutFor(boxWidth, lineCount) {
    if (boxWidth >= kNarrowBox) return kWide;
    const svgWidth = Math.max(280, Math.floor(boxWidth));
    const top = 34;
    const height = 240;
    const legendTop = top + height + 60;
    return { left: 56, top, width: svgWidth - 56 - 16, height, legendLeft: 8, legendTop, svgWidth,
        svgHeight: legendTop + Math.max(lineCount, 1) * kLegendRow };
}

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

// The zoom in force for this graph: the core's axes, kept while the same rows of the same
// category are drawn.
function zoomOf(state, key) {
    return state.graphZoom && state.graphZoom.key === key ? state.graphZoom : null;
}

// Draws the graph of the selected rows (none: the core's first ones) in the category chosen.
export function drawGraph(state) {
    const category = $('GraphSelect').selectedIndex;
    const rows = [...state.selected].sort((a, b) => a - b);
    const graph = state.session.graph(rows, category, state.graphSlots);
    state.graphSlots = graph.slots;
    const key = `${category}:${rows.join(',')}`;
    const zoom = zoomOf(state, key);
    const shown = zoom || graph;

    const p = layoutFor($('HistoryChart').clientWidth, graph.lines.length);
    const narrow = p !== kWide;
    $('HistoryChart').classList.toggle('narrow', narrow);
    const svg = svgElement('svg', {
        xmlns: kSvg, viewBox: `0 0 ${p.svgWidth} ${p.svgHeight}`, width: p.svgWidth, height: p.svgHeight,
        role: 'img', 'aria-label': `${graph.caption || 'History'}: ${graph.valueName}`,
        'font-family': 'sans-serif', 'font-size': 12,
    });
    svg.append(svgElement('rect', { x: 0, y: 0, width: p.svgWidth, height: p.svgHeight, fill: '#ffffff' }));
    svg.append(svgElement('text', { x: p.left + p.width / 2, y: 18, 'text-anchor': 'middle' }, graph.caption));
    const x = (turn) => p.left + ((turn - shown.turns.min) / (shown.turns.max - shown.turns.min)) * p.width;
    const y = (value) => p.top + p.height - ((value - shown.values.min) / (shown.values.max - shown.values.min)) * p.height;
    svg.append(...axes(p, shown, graph.valueName, x, y));
    // A zoomed graph's lines stop at the plot's edges.
    const clip = svgElement('clipPath', { id: 'PlotClip' });
    clip.append(svgElement('rect', { x: p.left, y: p.top, width: p.width, height: p.height }));
    svg.append(clip);
    const drawn = [];
    const legend = svgElement('g', { class: 'legend' });
    graph.lines.forEach((line, legendRow) => {
        const colour = colourText(line.colour);
        const visible = !state.hiddenLines.has(line.id);
        drawn.push(visible && line.values.length > 0);
        if (drawn[legendRow]) {
            const points = [];
            line.values.forEach((value, turn) => points.push(`${x(turn).toFixed(1)},${y(value).toFixed(1)}`));
            svg.append(svgElement('polyline', {
                points: points.join(' '), fill: 'none', stroke: colour, 'stroke-width': 1.5, 'data-slot': line.slot,
                'clip-path': 'url(#PlotClip)',
            }));
        }
        legend.append(legendEntry(state, line, colour, visible, p, legendRow));
    });
    svg.append(legend);
    const plot = { p, shown, drawn, key };
    svg.addEventListener('mousemove', (event) => showPointTip(state, event, svg, plot));
    svg.addEventListener('mouseleave', () => { $('GraphTip').hidden = true; });
    wireZoom(state, svg, plot);
    $('HistoryChart').replaceChildren(svg);
    $('HistoryChart').dataset.zoomed = String(zoom !== null);
    $('HistoryChart').dataset.narrow = String(narrow);
}

// The grid lines and the labels of both axes, and the axes' names.
function axes(p, shown, valueName, x, y) {
    const lines = svgElement('g', { stroke: '#c8c8c8', 'stroke-width': 1 });
    const labels = svgElement('g', { fill: '#333333' });
    for (let i = 0; i <= shown.values.ticks; ++i) {
        const value = shown.values.min + i * shown.values.step;
        lines.append(svgElement('line', { x1: p.left, x2: p.left + p.width, y1: y(value), y2: y(value) }));
        labels.append(svgElement('text', { x: p.left - 6, y: y(value) + 4, 'text-anchor': 'end' }, shown.valueLabels[i]));
    }
    for (let i = 0; i <= shown.turns.ticks; ++i) {
        const turn = shown.turns.min + i * shown.turns.step;
        lines.append(svgElement('line', { x1: x(turn), x2: x(turn), y1: p.top, y2: p.top + p.height }));
        labels.append(svgElement('text', { x: x(turn), y: p.top + p.height + 16, 'text-anchor': 'middle' }, shown.turnLabels[i]));
    }
    labels.append(svgElement('text', { x: p.left + p.width / 2, y: p.top + p.height + 38, 'text-anchor': 'middle' }, 'Turn'));
    labels.append(svgElement('text', {
        x: 16, y: p.top + p.height / 2, 'text-anchor': 'middle', transform: `rotate(-90 16 ${p.top + p.height / 2})`,
    }, valueName));
    return [lines, labels];
}

// A legend entry, which hides or shows its line when clicked or on Enter or Space.
function legendEntry(state, line, colour, shown, p, row) {
    const entry = svgElement('g', {
        class: 'entry', tabindex: 0, role: 'button', 'aria-pressed': String(shown),
        transform: `translate(${p.legendLeft} ${p.legendTop + row * kLegendRow})`, opacity: shown ? 1 : 0.35,
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

// Where the pointer of `event` is in the graph's own units, and how many of them a screen pixel is.
function pointIn(svg, event) {
    const screen = svg.getScreenCTM();
    const at = new DOMPoint(event.clientX, event.clientY).matrixTransform(screen.inverse());
    return { x: at.x, y: at.y, scale: 1 / screen.a };
}

function inPlot(p, at) {
    return at.x >= p.left && at.x <= p.left + p.width && at.y >= p.top && at.y <= p.top + p.height;
}

// The core's text of the point it picks under the pointer, measured in screen pixels.
function showPointTip(state, event, svg, plot) {
    const tip = $('GraphTip');
    const { p } = plot;
    const at = pointIn(svg, event);
    if (state.graphDrag || !inPlot(p, at)) {
        tip.hidden = true;
        return;
    }
    const area = { left: p.left / at.scale, top: p.top / at.scale, width: p.width / at.scale, height: p.height / at.scale };
    const picked = state.session.pickGraphPoint(plot.drawn, plot.shown, area, at.x / at.scale, at.y / at.scale);
    if (picked === null) {
        tip.hidden = true;
        return;
    }
    tip.textContent = picked.text;
    tip.hidden = false;
    tip.style.left = `${event.clientX + 12}px`;
    tip.style.top = `${event.clientY + 12}px`;
}

// A drag over the plot draws a band and zooms into it; a double click shows the whole graph again.
function wireZoom(state, svg, plot) {
    const { p, shown } = plot;
    const turnAt = (px) => shown.turns.min + ((px - p.left) / p.width) * (shown.turns.max - shown.turns.min);
    const valueAt = (py) => shown.values.min + ((p.top + p.height - py) / p.height) * (shown.values.max - shown.values.min);
    const clamp = (at) => ({ x: Math.min(Math.max(at.x, p.left), p.left + p.width),
        y: Math.min(Math.max(at.y, p.top), p.top + p.height), scale: at.scale });
    let band = null;
    svg.addEventListener('pointerdown', (event) => {
        const at = pointIn(svg, event);
        if (event.button !== 0 || !inPlot(p, at)) return;
        state.graphDrag = { from: at, to: at };
        band = svgElement('rect', { class: 'band', x: at.x, y: at.y, width: 0, height: 0,
            fill: 'rgba(10, 100, 216, 0.15)', stroke: '#0a64d8', 'stroke-dasharray': '4 2' });
        svg.append(band);
        svg.setPointerCapture(event.pointerId);
        $('GraphTip').hidden = true;
    });
    svg.addEventListener('pointermove', (event) => {
        if (!state.graphDrag || band === null) return;
        const to = clamp(pointIn(svg, event));
        state.graphDrag.to = to;
        const { from } = state.graphDrag;
        band.setAttribute('x', Math.min(from.x, to.x));
        band.setAttribute('y', Math.min(from.y, to.y));
        band.setAttribute('width', Math.abs(to.x - from.x));
        band.setAttribute('height', Math.abs(to.y - from.y));
    });
    const end = (zoom) => {
        const drag = state.graphDrag;
        state.graphDrag = null;
        band?.remove();
        band = null;
        if (!zoom || !drag) return;
        const { from, to } = drag;
        const least = kLeastDrag * from.scale;
        if (Math.abs(to.x - from.x) < least || Math.abs(to.y - from.y) < least) return;
        const axesShown = state.core.zoomedAxes(turnAt(from.x), turnAt(to.x), valueAt(from.y), valueAt(to.y));
        state.graphZoom = { key: plot.key, ...axesShown };
        drawGraph(state);
    };
    svg.addEventListener('pointerup', () => end(true));
    svg.addEventListener('pointercancel', () => end(false));
    svg.addEventListener('dblclick', () => {
        if (state.graphZoom === null) return;
        state.graphZoom = null;
        drawGraph(state);
    });
}

// Saves the graph shown as SVG, or as PNG at twice its size.
function saveGraph(png) {
    const svg = $('HistoryChart').querySelector('svg');
    const text = new XMLSerializer().serializeToString(svg);
    const name = `graph-${$('GraphSelect').value.toLowerCase()}`;
    if (!png) {
        download(new TextEncoder().encode(text), `${name}.svg`, 'image/svg+xml');
        return;
    }
    const width = Number(svg.getAttribute('width'));
    const height = Number(svg.getAttribute('height'));
    const image = new Image();
    image.onload = () => {
        const canvas = element('canvas');
        canvas.width = width * 2;
        canvas.height = height * 2;
        const context = canvas.getContext('2d');
        context.scale(2, 2);
        context.drawImage(image, 0, 0);
        canvas.toBlob((blob) => blob.arrayBuffer().then((bytes) => download(bytes, `${name}.png`, 'image/png')));
    };
    image.src = `data:image/svg+xml;base64,${btoa(String.fromCharCode(...new TextEncoder().encode(text)))}`;
}

// Fills the category list with the core's categories, the one remembered chosen, and wires the
// list, the save buttons and a redraw at a new width.
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
    let width = 0;
    new ResizeObserver(() => {
        const now = $('HistoryChart').clientWidth;
        if (graphShown() && now !== width && (now < kNarrowBox || width < kNarrowBox)) drawGraph(state);
        width = now;
    }).observe($('HistoryChart'));
}
