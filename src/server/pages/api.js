// The server's JSON API as the pages call it. The link's token comes from the page's fragment
// (#token=...), which the browser never sends to a server, and goes out only as an Authorization
// header: never in a URL, a log or a cookie.

export function tokenFromFragment() {
    const match = /^#token=([0-9a-f]{64})$/.exec(window.location.hash);
    return match ? match[1] : null;
}

export async function call(token, method, path, body, headers = {}) {
    const response = await fetch(path, {
        method,
        body,
        headers: { Authorization: `Bearer ${token}`, ...headers },
        credentials: 'omit',
        cache: 'no-store',
        referrerPolicy: 'no-referrer',
    });
    let answer = null;
    try {
        answer = await response.json();
    } catch {
        answer = { error: `the server answered ${response.status}` };
    }
    return { status: response.status, answer };
}
