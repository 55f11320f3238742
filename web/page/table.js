// One grid of the core's session as a table: its header cells and rows, with the core's texts,
// tints, marks and tooltips. The page's grids and the server's player page both build theirs here.

import { element } from './dom.js';

// The header cell of `column` (the core's {text, width, help, verdict}) at `index`.
export function headCell(column, index, frozen) {
    const cell = element('th');
    cell.style.minWidth = `${column.width}px`;
    cell.append(element('span', column.text));
    if (index < frozen) cell.classList.add('frozen', `frozen${index}`);
    if (column.verdict) cell.classList.add('verdict');
    cell.dataset.column = index;
    return cell;
}

// The row of `cells` (the core's texts) with its `look` ({tint, title, cells: [{column, name,
// colour, title}]}).
export function rowElement(columns, cells, look, frozen) {
    const line = element('tr');
    if (look.tint) line.classList.add(look.tint);
    if (look.title) line.title = look.title;
    cells.forEach((text, column) => {
        const numeric = columns[column].numeric;
        const cell = element('td', numeric ? text.trim() : text);
        if (numeric) cell.className = 'number';
        if (column < frozen) cell.classList.add('frozen', `frozen${column}`);
        if (columns[column].verdict) cell.classList.add('verdict');
        line.append(cell);
    });
    for (const own of look.cells) {
        const cell = line.cells[own.column];
        if (own.name) {
            cell.classList.add('mark', own.name);
            cell.style.background = own.colour;
        }
        if (own.title) cell.title = own.title;
    }
    // The file name may be cut short on a narrow screen: its tooltip, or a tap, shows it whole.
    const name = line.cells[frozen - 1];
    if (name && !name.title && !line.title) name.title = name.textContent;
    return line;
}
