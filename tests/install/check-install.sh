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
expected=(bin/quillmere-report share/man/man1/quillmere-report.1
          share/doc/quillmere/LICENSE share/doc/quillmere/README.md)
window=(bin/quillmere share/man/man1/quillmere.1 share/applications/quillmere.desktop
        share/icons/hicolor/scalable/apps/quillmere.svg share/metainfo/$app_id.metainfo.xml)
if [ "$with_window" = 1 ]; then
    expected+=("${window[@]}")
else
    for file in "${window[@]}"; do [ ! -e "$prefix/$file" ] || fail "$file installed without the window"; done
fi
for file in "${expected[@]}"; do [ -f "$prefix/$file" ] || fail "$file not installed"; done
for program in "$prefix"/bin/*; do [ -x "$program" ] || fail "${program#"$prefix"/} is not executable"; done

[ "$("$prefix/bin/quillmere-report" --version)" = "quillmere-report $version" ] ||
    fail "quillmere-report --version does not say $version"

if [ "$with_window" = 1 ]; then
    [ "$(QT_QPA_PLATFORM=offscreen "$prefix/bin/quillmere" --version)" = "Quillmere $version" ] ||
        fail "quillmere --version does not say $version"

    # The menu entry must start an installed program and show an installed icon.
    desktop=$prefix/share/applications/quillmere.desktop
    exec_line=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -x "$prefix/bin/$exec_line" ] || fail "desktop Exec '$exec_line' is not an installed program"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "desktop Icon '$icon' is not installed"
    grep -q "<launchable type=\"desktop-id\">quillmere.desktop</launchable>" \
        "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "metainfo does not launch quillmere.desktop"

    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    else
        echo "skipped: desktop-file-validate not found"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
    else
        echo "skipped: appstreamcli not found"
    fi
fi

if command -v groff >/dev/null; then
    for page in "$prefix"/share/man/man1/*.1; do
        warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
        [ -z "$warnings" ] || fail "${page##*/}: $warnings"
    done
else
    echo "skipped: groff not found"
fi

echo "Installed files:"
(cd "$prefix" && find . -type f | sort)
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install tree OK"
