#!/usr/bin/env bash
# Usage: check-install.sh CMAKE BUILD_DIR VERSION WITH_WINDOW(0|1)
# Installs BUILD_DIR into a temporary prefix, checks that every file is there and fits together,
# and validates the desktop file, the metainfo and the man pages with the tools that are present.
set -euo pipefail
cmake=$1 build=$2 version=$3 with_window=$4

unset DESTDIR
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

app_id=io.github.quillmere.Quillmere
doc=share/doc/quillmere-report
expected=(bin/quillmere-report share/man/man1/quillmere-report.1.gz
          bin/quillmere-tournament share/man/man1/quillmere-tournament.1.gz
          $doc/copyright $doc/changelog.Debian.gz $doc/README.md
          $doc/examples/report.schema.json $doc/examples/profile.schema.json $doc/examples/profile.json
          $doc/examples/standings.schema.json $doc/examples/server-api.md
          bin/quillmere-server share/man/man1/quillmere-server.1.gz lib/systemd/system/quillmere-server.service
          share/doc/quillmere-server/copyright share/doc/quillmere-server/changelog.Debian.gz
          share/bash-completion/completions/quillmere-tournament
          share/bash-completion/completions/quillmere-report share/zsh/vendor-completions/_quillmere-report)
window=(bin/quillmere share/man/man1/quillmere.1.gz share/applications/$app_id.desktop
        share/icons/hicolor/scalable/apps/$app_id.svg share/metainfo/$app_id.metainfo.xml
        share/doc/quillmere/copyright share/doc/quillmere/changelog.Debian.gz
        share/quillmere/examples-tournament/profile.json)
if [ "$with_window" = 1 ]; then
    expected+=("${window[@]}")
else
    for file in "${window[@]}"; do [ ! -e "$prefix/$file" ] || fail "$file installed without the window"; done
fi
for file in "${expected[@]}"; do [ -f "$prefix/$file" ] || fail "$file not installed"; done
for program in "$prefix"/bin/*; do [ -x "$program" ] || fail "${program#"$prefix"/} is not executable"; done

[ "$("$prefix/bin/quillmere-report" --version)" = "quillmere-report $version" ] ||
    fail "quillmere-report --version does not say $version"

# Every link of the installed README to a file next to it leads to an installed file.
for link in $(grep -o '](examples/[^)]*)' "$prefix/$doc/README.md" | sed 's/^](//; s/)$//'); do
    [ -f "$prefix/$doc/$link" ] || fail "README links to $link, which is not installed"
done
grep -q '](docs/' "$prefix/$doc/README.md" && fail "the installed README links to docs/, which is not installed"
for file in "$prefix"/share/man/man1/*.gz "$prefix"/share/doc/*/changelog.Debian.gz; do
    # gzip -9n: no name or time in the header (bytes 4-7 zero), maximum compression (byte 8 is 2).
    [ "$(od -An -tx1 -j4 -N5 "$file" | tr -d ' ')" = 0000000002 ] || fail "${file#"$prefix"/} is not gzip -9n"
done

# The bash completion offers an option's values, also after "=".
if [ -f /usr/share/bash-completion/bash_completion ]; then
    # Usage: complete_line LINE WORD... (the words as bash splits LINE)
    complete_line() {
        bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" && COMP_LINE=$2 &&
                 COMP_POINT=${#COMP_LINE} && shift 2 && COMP_WORDS=("$@") && COMP_CWORD=$(($# - 1)) &&
                 _quillmere_report 2>/dev/null; echo "${COMPREPLY[*]}"' \
            _ "$prefix/share/bash-completion/completions/quillmere-report" "$@"
    }
    [ "$(complete_line "quillmere-report --format " quillmere-report --format "")" = "res csv json html xlsx" ] ||
        fail "bash completion of --format"
    [ "$(complete_line "quillmere-report --sort=s" quillmere-report --sort = s)" = "score" ] ||
        fail "bash completion of --sort=s"
    [ "$(bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" && COMP_WORDS=(quillmere-tournament
             rule s.qmt 3 d) && COMP_CWORD=4 && COMP_LINE="quillmere-tournament rule s.qmt 3 d" &&
             COMP_POINT=${#COMP_LINE} && _quillmere_tournament 2>/dev/null; echo "${COMPREPLY[*]}"' \
             _ "$prefix/share/bash-completion/completions/quillmere-tournament")" = "disqualify" ] ||
        fail "bash completion of a ruling"
else
    echo "skipped: bash-completion not found"
fi

if [ "$with_window" = 1 ]; then
    # The window's help and version need no display.
    [ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillmere" --version)" = "Quillmere $version" ] ||
        fail "quillmere --version without a display does not say $version"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quillmere" --help | grep -q -- --profile ||
        fail "quillmere --help without a display does not list its options"

    # The menu entry must start an installed program and show an installed icon.
    desktop=$prefix/share/applications/$app_id.desktop
    exec_line=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -x "$prefix/bin/$exec_line" ] || fail "desktop Exec '$exec_line' is not an installed program"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "desktop Icon '$icon' is not installed"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
        "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "metainfo does not launch $app_id.desktop"

    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    else
        echo "skipped: desktop-file-validate not found"
    fi
    if command -v appstreamcli >/dev/null; then
        # Pedantic, but the id keeps its capital letter: it is the application's published name.
        appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" |
            grep -Ev '^(P: .*cid-contains-uppercase-letter|$)|Validation was successful' && fail "appstreamcli validate --pedantic"
    else
        echo "skipped: appstreamcli not found"
    fi
fi

if command -v groff >/dev/null; then
    for page in "$prefix"/share/man/man1/*.1.gz; do
        warnings=$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1)
        [ -z "$warnings" ] || fail "${page##*/}: $warnings"
    done
else
    echo "skipped: groff not found"
fi

echo "Installed files:"
(cd "$prefix" && find . -type f | sort)
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install tree OK"
