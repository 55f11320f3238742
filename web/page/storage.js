// What the page remembers across visits, in localStorage as JSON.

export const kStoredRules = 'quillmere.rules';
export const kStoredProfile = 'quillmere.profile';
export const kStoredCategory = 'quillmere.graphCategory';

// Remembers `value` under `key`; null forgets it.
export function store(key, value) {
    try {
        if (value === null) localStorage.removeItem(key);
        else localStorage.setItem(key, JSON.stringify(value));
    } catch {
        // Storage may be off (a private window, file:// in some browsers): nothing is remembered.
    }
}

// What `key` remembers, or null.
export function stored(key) {
    try {
        const text = localStorage.getItem(key);
        return text === null ? null : JSON.parse(text);
    } catch {
        return null;
    }
}
