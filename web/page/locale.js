// What the browser's locale says about how numbers are written.

// The locale's decimal separator, which the core's session writes numbers with: ',' or '.'.
export function decimalSeparator() {
    const parts = new Intl.NumberFormat().formatToParts(1.5);
    const decimal = parts.find((part) => part.type === 'decimal');
    return decimal && decimal.value === ',' ? ',' : '.';
}
