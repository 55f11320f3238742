#!/usr/bin/env python3
"""Writes the browser page as one file: web/index.html with its style sheet, its scripts and the
core's WebAssembly build (a single-file script) put inside it, so that it works from file://."""

import argparse
import os
import re
import sys
import tempfile


def script_text(text):
    # Inside <script> only "</script" and "<!--" can end or confuse the element; both stay the same
    # JavaScript when written with an escaped slash or bang.
    return text.replace("</script", "<\\/script").replace("<!--", "<\\!--")


def inline(page, web_dir, core_js):
    def read(name):
        with open(name, encoding="utf-8") as source:
            return source.read()

    def style(match):
        return "<style>\n" + read(os.path.join(web_dir, match.group(1))).replace("</style", "<\\/style") + "</style>"

    def script(match):
        attributes = match.group(1) + match.group(3)
        path = core_js if 'id="quillmere-core"' in attributes else os.path.join(web_dir, match.group(2))
        return "<script" + attributes + ">\n" + script_text(read(path)) + "</script>"

    page, styles = re.subn(r'<link rel="stylesheet" href="([^"]+)">', style, page)
    page, scripts = re.subn(r'<script([^>]*?) src="([^"]+)"([^>]*)></script>', script, page)
    if styles != 1 or scripts != 3:
        raise SystemExit(f"inline-web: expected 1 style sheet and 3 scripts in the page, found {styles} and {scripts}")
    return page


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--web", required=True, help="the folder of index.html, style.css, app.js, worker.js")
    parser.add_argument("--core", required=True, help="the core's single-file script (quillmere-core.js)")
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()
    with open(os.path.join(args.web, "index.html"), encoding="utf-8") as source:
        page = inline(source.read(), args.web, args.core)
    folder = os.path.dirname(os.path.abspath(args.output))
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", dir=folder, delete=False, suffix=".tmp") as out:
        out.write(page)
    os.chmod(out.name, 0o644)
    os.replace(out.name, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
