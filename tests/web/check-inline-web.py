#!/usr/bin/env python3
"""tools/inline-web.py: the page's modules bundle into one script that runs as the modules would
(each once, after what it imports, with the names it imports), what the bundler does not take is
refused with the file, the line and why, and the real page bundles into one inline module.
The bundles run in node, where node is installed."""

import os
import re
import shutil
import subprocess
import tempfile
import types
import unittest
from importlib.machinery import SourceFileLoader

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The tool's file name has a hyphen, so it is loaded from its path rather than imported.
TOOL = SourceFileLoader("inline_web", os.path.join(ROOT, "tools", "inline-web.py"))
inline_web = types.ModuleType(TOOL.name)
TOOL.exec_module(inline_web)
NODE = shutil.which("node")


def bundle_of(modules, entry="main.js"):
    def read(name):
        if name not in modules:
            raise FileNotFoundError(2, "No such file or directory")
        return modules[name]
    return inline_web.bundle(entry, read)


def run_module(text):
    """What node prints running `text` as a module."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "bundle.mjs")
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)
        return subprocess.run([NODE, path], capture_output=True, text=True, check=True).stdout


class Bundles(unittest.TestCase):
    MODULES = {
        "main.js": "import { twice, Counter } from './lib/twice.js';\n"
                   "import { kBase as base, $ } from './base.js';\n"
                   "export async function later() { return twice(base); }\n"
                   "console.log('main', twice(base), new Counter().next(), $('x'));\n"
                   "later().then((value) => console.log('later', value));\n",
        "lib/twice.js": "import { kBase } from '../base.js';\n"
                        "export function twice(n) { return 2 * n; }\n"
                        "export class Counter { next() { return kBase + 1; } }\n"
                        "export function* never() {}\n",
        "base.js": "console.log('base');\n"
                   "export const kBase = 20;\n"
                   "export const $ = (id) => `#${id}`;\n",
    }

    def test_each_module_comes_once_and_after_what_it_imports(self):
        names = re.findall(r"^// (\S+)$", bundle_of(self.MODULES), re.M)
        self.assertEqual(names, ["base.js", "lib/twice.js", "main.js"])

    def test_no_import_or_export_is_left(self):
        self.assertEqual(re.findall(r"^\s*(?:import|export)\b.*", bundle_of(self.MODULES), re.M), [])

    @unittest.skipIf(NODE is None, "no node")
    def test_the_bundle_runs_as_the_modules_do(self):
        self.assertEqual(run_module(bundle_of(self.MODULES)), "base\nmain 40 21 #x\nlater 40\n")

    @unittest.skipIf(NODE is None, "no node")
    def test_a_module_does_not_see_another_modules_names(self):
        modules = {"main.js": "import { a } from './a.js';\nconst b = 2;\nconsole.log(a, b);\n",
                   "a.js": "const b = 1;\nexport const a = b;\n"}
        self.assertEqual(run_module(bundle_of(modules)), "1 2\n")


class Refuses(unittest.TestCase):
    CASES = [
        ("export let", {"main.js": "export let x = 1;\n"}, "main.js:1: cannot bundle 'export let x = 1;'"),
        ("export var", {"main.js": "export var x = 1;\n"}, "main.js:1: cannot bundle 'export var x = 1;'"),
        ("a default export", {"main.js": "\nexport default 1;\n"}, "main.js:2: cannot bundle 'export default 1;'"),
        ("an export list", {"main.js": "const a = 1;\nexport { a };\n"}, "main.js:2: cannot bundle 'export { a };'"),
        ("a re-export", {"main.js": "export * from './a.js';\n"}, "main.js:1: cannot bundle"),
        ("a default import", {"main.js": "import a from './a.js';\n"}, "main.js:1: cannot bundle 'import a from"),
        ("a namespace import", {"main.js": "import * as a from './a.js';\n"}, "main.js:1: cannot bundle"),
        ("an import over lines", {"main.js": "import {\n    a,\n} from './a.js';\n"},
         "main.js:1: cannot bundle 'import {'"),
        ("an indented import", {"main.js": "  import { a } from './a.js';\n"}, "main.js:1: cannot bundle"),
        ("a package", {"main.js": "import { a } from 'a';\n"}, "main.js:1: cannot bundle"),
        ("a file that is not .js", {"main.js": "import { a } from './a.mjs';\n"}, "main.js:1: cannot bundle"),
        ("an empty name", {"main.js": "import { a, } from './a.js';\n", "a.js": "export const a = 1;\n"},
         "main.js:1: cannot bundle the import of ''"),
        ("a dynamic import", {"main.js": "const a = import('./a.js');\n"}, "main.js:1: cannot bundle a dynamic import"),
        ("import.meta", {"main.js": "const url = import.meta.url;\n"}, "main.js:1: cannot bundle a dynamic import"),
        ("a cycle", {"main.js": "import { a } from './a.js';\n",
                     "a.js": "import { b } from './b.js';\nexport const a = 1;\n",
                     "b.js": "import { a } from './a.js';\nexport const b = 1;\n"},
         "a.js: imports itself through a.js -> b.js -> a.js"),
        ("a missing module", {"main.js": "import { a } from './a.js';\n"}, "main.js: cannot read a.js"),
        ("a name not exported", {"main.js": "import { a, b } from './a.js';\n", "a.js": "export const a = 1, b = 2;\n"},
         "main.js:1: a.js does not export 'b'"),
        ("a module outside the folder", {"main.js": "import { a } from '../a.js';\n"},
         "main.js:1: imports '../a.js' from outside the page's folder"),
        ("the bundle's own names", {"main.js": "const quillmereModule_a_js = 1;\n"},
         "main.js: uses the bundle's prefix"),
    ]

    def test_what_the_bundler_does_not_take(self):
        for what, modules, message in self.CASES:
            with self.subTest(what):
                with self.assertRaises(inline_web.BundleError) as refused:
                    bundle_of(modules)
                self.assertIn(message, str(refused.exception))


class Page(unittest.TestCase):
    PAGE = ('<link rel="stylesheet" href="style.css">\n<script id="quillmere-core" src="core.js"></script>\n'
            '<script id="quillmere-worker" type="text/plain" src="worker.js"></script>\n'
            '<script type="module" src="page/main.js"></script>\n')

    def page_of(self, files, page=PAGE):
        with tempfile.TemporaryDirectory() as web:
            for name, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(web, name)), exist_ok=True)
                with open(os.path.join(web, name), "w", encoding="utf-8") as out:
                    out.write(text)
            return inline_web.inline(page, web, os.path.join(web, "core.js"))

    FILES = {"style.css": "p {}\n", "core.js": "var QuillmereModule;\n", "worker.js": "onmessage = null;\n",
             "page/main.js": "import { end } from './end.js';\nconsole.log(end + '<!-- -->');\n",
             "page/end.js": "export const end = '</script>';\n"}

    def module_of(self, page):
        return re.search(r'<script type="module">\n(.*?)</script>', page, re.S).group(1)

    def test_markup_in_a_module_does_not_end_its_script(self):
        page, _ = self.page_of(self.FILES)
        self.assertEqual(page.count("</script>"), 3)
        self.assertNotIn("<!--", page)

    @unittest.skipIf(NODE is None, "no node")
    def test_the_escaped_module_still_says_the_same(self):
        page, _ = self.page_of(self.FILES)
        self.assertEqual(run_module(self.module_of(page)), "</script><!-- -->\n")

    def test_the_files_read_are_named_for_the_build(self):
        _, sources = self.page_of(self.FILES)
        self.assertEqual([os.path.basename(name) for name in sources],
                         ["style.css", "core.js", "worker.js", "main.js", "end.js"])

    def test_a_page_without_its_module_is_refused(self):
        with self.assertRaises(inline_web.BundleError) as refused:
            self.page_of(self.FILES, self.PAGE.replace(' type="module"', ""))
        self.assertIn("found 1 and 3, 0 of them modules", str(refused.exception))

    def test_the_real_page_bundles_into_one_module(self):
        web = os.path.join(ROOT, "web")
        with open(os.path.join(web, "index.html"), encoding="utf-8") as source:
            page, _ = inline_web.inline(source.read(), web, os.path.join(web, "worker.js"))
        self.assertEqual(len(re.findall(r"<script type=\"module\">", page)), 1)
        self.assertIn('<script id="quillmere-worker" type="text/plain">', page)
        module = self.module_of(page)
        self.assertIn("// page/main.js\n", module)
        if NODE is not None:
            with tempfile.TemporaryDirectory() as folder:
                path = os.path.join(folder, "page.mjs")
                with open(path, "w", encoding="utf-8") as out:
                    out.write(module)
                checked = subprocess.run([NODE, "--check", path], capture_output=True, text=True, check=False)
                self.assertEqual(checked.returncode, 0, checked.stderr)


if __name__ == "__main__":
    unittest.main()
