#!/usr/bin/env python3
"""Writes the browser page as one file: web/index.html with its style sheet, its scripts and the
core's WebAssembly build (a single-file script) put inside it, so that it works from file://."""

import argparse
import base64
import json
import os
import posixpath
import re
import sys
import tempfile

# The page's own script is ES modules (web/page/*.js, entered at main.js), but a page opened from
# file:// cannot import one: the browser fetches each import, and refuses a fetch from file://. An
# import map of data: URLs would need data: in the policy's script-src, which would let any data:
# URL put into the page run. So the modules are bundled into the one inline module script: each
# module's body runs in a function of its own, the modules it imports before it, and returns its
# exports as a frozen object; each import becomes a const taken from that object. That is the
# same program while no export is ever reassigned (an import is a live binding) and no two modules
# import each other, so only `export function`, `export async function`, `export class` and
# `export const` are taken, a cycle is refused, and so is any import or export of another form.

IDENTIFIER = r"[A-Za-z_$][\w$]*"
IMPORT = re.compile(r"import \{([^}]*)\} from '(\.\.?/[^']+\.js)';")
EXPORT = re.compile(rf"export ((?:async )?function\*? |class |const )({IDENTIFIER})(?![\w$])")
IMPORTED_NAME = re.compile(rf"({IDENTIFIER})(?: as ({IDENTIFIER}))?")
# What no line of a module may hold besides the forms above.
IMPORT_OR_EXPORT_LINE = re.compile(r"\s*(import|export)\b")
DYNAMIC_IMPORT = re.compile(r"\bimport\s*\(|\bimport\.meta\b")
# The bundle's own names, one per module; a module may not use the prefix.
MODULE_PREFIX = "quillmereModule_"


class BundleError(Exception):
    """A module the bundler does not take; the message names the file, the line and why."""


class Module:
    def __init__(self, name, lines, imports, exports):
        self.name = name          # its path under the web folder, with '/'
        self.lines = lines        # its lines, import lines blanked and `export ` taken off
        self.imports = imports    # [(line number, module name, [(name, local name)])]
        self.exports = exports    # the names it exports, in order

    @property
    def variable(self):
        return MODULE_PREFIX + re.sub(r"[^\w]", "_", self.name)


def parse_module(name, text):
    """The module `name` of source `text`, or BundleError."""
    if MODULE_PREFIX in text:
        raise BundleError(f"{name}: uses the bundle's prefix '{MODULE_PREFIX}'")
    lines, imports, exports = [], [], []
    for number, line in enumerate(text.split("\n"), start=1):
        where = f"{name}:{number}"
        if DYNAMIC_IMPORT.search(line):
            raise BundleError(f"{where}: cannot bundle a dynamic import or import.meta")
        imported = IMPORT.fullmatch(line.rstrip())
        exported = EXPORT.match(line)
        if imported:
            names = []
            for item in (part.strip() for part in imported.group(1).split(",")):
                named = IMPORTED_NAME.fullmatch(item)
                if not named:
                    raise BundleError(f"{where}: cannot bundle the import of '{item}'")
                names.append((named.group(1), named.group(2) or named.group(1)))
            target = posixpath.normpath(posixpath.join(posixpath.dirname(name), imported.group(2)))
            if target.startswith("../"):
                raise BundleError(f"{where}: imports '{imported.group(2)}' from outside the page's folder")
            imports.append((number, target, names))
            lines.append("")
        elif exported:
            exports.append(exported.group(2))
            lines.append(line[len("export "):])
        elif IMPORT_OR_EXPORT_LINE.match(line):
            raise BundleError(f"{where}: cannot bundle '{line.strip()}' (import {{ names }} from './file.js'; on "
                              f"one line, or export function, class or const)")
        else:
            lines.append(line)
    return Module(name, lines, imports, exports)


def bundle(entry, read):
    """The script of the module `entry` and every module it imports, each before its importers;
    `read(name)` gives a module's text. Raises BundleError."""
    modules = {}
    ordered = []

    def visit(name, chain):
        if name in chain:
            raise BundleError(f"{name}: imports itself through {' -> '.join(chain[chain.index(name):] + [name])}")
        if name in modules:
            return modules[name]
        try:
            text = read(name)
        except OSError as error:
            raise BundleError(f"{chain[-1] if chain else name}: cannot read {name} ({error.strerror})") from None
        module = parse_module(name, text)
        for number, target, names in module.imports:
            dependency = visit(target, chain + [name])
            for imported, _ in names:
                if imported not in dependency.exports:
                    raise BundleError(f"{name}:{number}: {target} does not export '{imported}'")
        modules[name] = module
        ordered.append(module)
        return module

    visit(entry, [])
    variables = [module.variable for module in ordered]
    if len(set(variables)) != len(variables):
        raise BundleError("two modules' names differ only in punctuation: rename one")
    return "\n".join(wrapped(module, modules) for module in ordered)


def wrapped(module, modules):
    """The script of `module`: its body in a function that takes its imports from the objects of
    the modules in `modules` it imports and returns its exports."""
    heads = []
    for _, target, names in module.imports:
        fields = ", ".join(name if name == local else f"{name}: {local}" for name, local in names)
        heads.append(f"const {{ {fields} }} = {modules[target].variable};\n")
    body = "\n".join(module.lines).rstrip("\n")
    exports = f" {', '.join(module.exports)} " if module.exports else ""
    return (f"// {module.name}\nconst {module.variable} = (() => {{\n{''.join(heads)}{body}\n"
            f"return Object.freeze({{{exports}}});\n}})();\n")


def script_text(text):
    # Inside <script> only "</script" and "<!--" can end or confuse the element; both stay the same
    # JavaScript when written with an escaped slash or bang.
    return text.replace("</script", "<\\/script").replace("<!--", "<\\!--")


# Where the example tournament goes: a JSON script element the page reads, empty without one.
EXAMPLE_ELEMENT = '<script id="quillmere-example" type="application/json"></script>'


def example_json(folder, read_bytes):
    """The example tournament of `folder` (its saves/ and profile.json) as the page's JSON: each
    file's name, its time of modification in milliseconds (the File Date the page shows) and its
    bytes in base64; markup cannot end the element. Raises BundleError."""
    def entry(path):
        try:
            data = read_bytes(path)
            modified = os.stat(path).st_mtime_ns // 1_000_000
        except OSError as error:
            raise BundleError(f"the example tournament: cannot read {path} ({error.strerror})") from None
        return {"name": os.path.basename(path), "modified": modified, "data": base64.b64encode(data).decode("ascii")}

    saves = os.path.join(folder, "saves")
    try:
        names = sorted(os.listdir(saves))
    except OSError as error:
        raise BundleError(f"the example tournament: cannot list {saves} ({error.strerror})") from None
    example = {"folder": "saves", "profile": entry(os.path.join(folder, "profile.json")),
               "saves": [entry(os.path.join(saves, name)) for name in names]}
    return json.dumps(example, separators=(",", ":")).replace("<", "\\u003c")


def inline(page, web_dir, core_js, example_dir=None):
    """The page `page` (index.html's text) with its style sheet and scripts from `web_dir`, the
    core's script `core_js` and, if given, the example tournament of `example_dir` put inside it,
    and the paths of the files it read. Raises BundleError."""
    sources = []

    def read_bytes(name):
        sources.append(name)
        with open(name, "rb") as source:
            return source.read()

    def read(name):
        sources.append(name)
        with open(name, encoding="utf-8") as source:
            return source.read()

    def style(match):
        return "<style>\n" + read(os.path.join(web_dir, match.group(1))).replace("</style", "<\\/style") + "</style>"

    def script(match):
        attributes = match.group(1) + match.group(3)
        if 'type="module"' in attributes:
            text = bundle(match.group(2), lambda name: read(os.path.join(web_dir, name)))
        else:
            text = read(core_js if 'id="quillmere-core"' in attributes else os.path.join(web_dir, match.group(2)))
        return "<script" + attributes + ">\n" + script_text(text) + "</script>"

    page, styles = re.subn(r'<link rel="stylesheet" href="([^"]+)">', style, page)
    modules = len(re.findall(r'<script[^>]* type="module"[^>]*></script>', page))
    page, scripts = re.subn(r'<script([^>]*?) src="([^"]+)"([^>]*)></script>', script, page)
    if styles != 1 or scripts != 3 or modules != 1:
        raise BundleError(f"expected 1 style sheet and 3 scripts, 1 of them a module, in the page, found {styles} "
                          f"and {scripts}, {modules} of them modules")
    if example_dir is not None:
        if page.count(EXAMPLE_ELEMENT) != 1:
            raise BundleError(f"expected one {EXAMPLE_ELEMENT} in the page for the example tournament")
        filled = EXAMPLE_ELEMENT.replace("></script>", ">" + example_json(example_dir, read_bytes) + "</script>")
        page = page.replace(EXAMPLE_ELEMENT, filled)
    return page, sources


def write_depfile(path, output, sources):
    # Make's syntax, which Ninja reads: the modules the bundle took are the page's inputs too.
    def escape(name):
        return os.path.abspath(name).replace(" ", "\\ ").replace("$", "$$")

    with open(path, "w", encoding="utf-8") as out:
        out.write(f"{escape(output)}: {' '.join(escape(name) for name in sources)}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--web", required=True, help="the folder of index.html, style.css, worker.js and page/")
    parser.add_argument("--core", required=True, help="the core's single-file script (quillmere-core.js)")
    parser.add_argument("-o", "--output", required=True)
    parser.add_argument("--example", help="the example tournament's folder (saves/ and profile.json) to put inside")
    parser.add_argument("--depfile", help="also write the files the page was made of, for the build")
    args = parser.parse_args()
    index = os.path.join(args.web, "index.html")
    with open(index, encoding="utf-8") as source:
        try:
            page, sources = inline(source.read(), args.web, args.core, args.example)
        except BundleError as error:
            raise SystemExit(f"inline-web: {error}") from None
    folder = os.path.dirname(os.path.abspath(args.output))
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", dir=folder, delete=False, suffix=".tmp") as out:
        out.write(page)
    os.chmod(out.name, 0o644)
    os.replace(out.name, args.output)
    if args.depfile:
        write_depfile(args.depfile, args.output, [index, *sources])
    return 0


if __name__ == "__main__":
    sys.exit(main())
