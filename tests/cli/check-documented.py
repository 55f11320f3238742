#!/usr/bin/python3
"""Every option that quillmere-report --help lists is in the man page and in both shell
completions (the short ones in the man page and zsh's).

    check-documented.py QUILLMERE_REPORT MAN_PAGE ZSH_COMPLETION BASH_COMPLETION
"""
import re
import subprocess
import sys

report, man_path, zsh_path, bash_path = sys.argv[1:5]
help_text = subprocess.run([report, "--help"], capture_output=True, text=True, check=True).stdout
listed = re.findall(r"^  (?:(-\w), |    )(--[\w-]+)", help_text, re.M)
assert len(listed) >= 15, listed
man = open(man_path, encoding="utf-8").read()
zsh = open(zsh_path, encoding="utf-8").read()
bash = open(bash_path, encoding="utf-8").read()
missing = []
for short, long in listed:
    for name, text, form in (("man page", man, long.replace("-", r"\-")), ("zsh", zsh, long), ("bash", bash, long)):
        if not re.search(re.escape(form) + r"(?![\w-])", text):
            missing.append(f"{long} in the {name}")
    if short and (short.replace("-", r"\-") not in man or not re.search(re.escape(short) + r"\b", zsh)):
        missing.append(f"{short} in the man page or zsh")
assert not missing, missing
print(f"{len(listed)} options documented")
