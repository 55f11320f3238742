#!/usr/bin/env bash
# Usage: check-packages.sh CPACK BUILD_DIR VERSION WITH_WINDOW(0|1)
# Packs BUILD_DIR's Debian packages into a temporary folder, checks their dependencies (the command
# line's and the server's packages need no Qt; the window's and the server's need the command line's of
# the same version), what the server's package holds, and runs
# lintian on them: any error or warning fails. Its informational tags are shown, not judged: the
# hardening ones depend on the build's flags (scripts/build-deb.sh builds with Debian's).
set -euo pipefail
cpack=$1 build=$2 version=$3 with_window=$4

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log" >&2; exit 1; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

report=("$out"/quillmere-report_"$version"-*.deb)
[ -f "${report[0]}" ] || { ls "$out" >&2; fail "no quillmere-report package"; exit 1; }
debs=("${report[0]}")
depends=$(dpkg-deb -f "${report[0]}" Depends)
[[ $depends != *qt* && $depends != *Qt* ]] || fail "quillmere-report depends on Qt: $depends"
[ "$(dpkg-deb -f "${report[0]}" Section)" = utils ] || fail "quillmere-report is not in section utils"
full_version=$(dpkg-deb -f "${report[0]}" Version)
server=("$out"/quillmere-server_"$version"-*.deb)
[ -f "${server[0]}" ] || { ls "$out" >&2; fail "no quillmere-server package"; exit 1; }
debs+=("${server[0]}")
depends=$(dpkg-deb -f "${server[0]}" Depends)
[[ $depends != *qt* && $depends != *Qt* ]] || fail "quillmere-server depends on Qt: $depends"
[[ $depends == *"quillmere-report (= $full_version)"* ]] ||
    fail "quillmere-server does not depend on quillmere-report (= $full_version)"
# The server, its man page and its unit, and nothing of the other packages.
server_files=$(dpkg-deb -c "${server[0]}" | awk '{print $NF}' | grep -v '/$' | sort)
for file in ./usr/bin/quillmere-server ./usr/share/man/man1/quillmere-server.1.gz \
            ./usr/lib/systemd/system/quillmere-server.service ./usr/share/doc/quillmere-server/copyright; do
    grep -qxF "$file" <<<"$server_files" || fail "quillmere-server does not hold $file"
done
[ "$(grep -c '/bin/' <<<"$server_files")" = 1 ] || fail "quillmere-server holds other programs: $server_files"
dpkg-deb -c "${report[0]}" | grep -q 'quillmere-server' && fail "quillmere-report holds files of quillmere-server"
if [ "$with_window" = 1 ]; then
    window=("$out"/quillmere_"$version"-*.deb)
    [ -f "${window[0]}" ] || { ls "$out" >&2; fail "no quillmere package"; exit 1; }
    debs+=("${window[0]}")
    [[ $(dpkg-deb -f "${window[0]}" Depends) == *"quillmere-report (= $full_version)"* ]] ||
        fail "quillmere does not depend on quillmere-report (= $full_version)"
fi

for deb in "${debs[@]}"; do
    echo "== ${deb##*/}"
    dpkg-deb -f "$deb" Package Version Section Depends
    tags=$(lintian -I --pedantic "$deb" 2>&1 | grep -v '^running with root privileges' || true)
    [ -z "$tags" ] || echo "$tags"
    if grep -Eq '^[EW]: ' <<<"$tags"; then fail "lintian: errors or warnings on ${deb##*/}"; fi
done
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "packages OK"
