// The page's few DOM helpers. Text goes in as text: nothing here parses markup.

export const $ = (id) => document.getElementById(id);

export function element(tag, text, className) {
    const made = document.createElement(tag);
    if (text !== undefined) made.textContent = text;
    if (className) made.className = className;
    return made;
}

// Hands `bytes` to the browser as a download of the file `name`, of MIME type `type`.
export function download(bytes, name, type) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    const link = element('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
}
