#!/usr/bin/env bash
# Installs the Debian packages that are missing: what runs the programs, what builds them and, unless
# --no-tests, what the tests and the packaging checks need; with --web also what builds and tests
# the browser edition (emscripten is about 800 MB, so only when asked: ./test.sh asks), with the linter
# of the page's scripts from npm into tools/lint/node_modules, as tools/lint/package-lock.json pins it.
#   --no-tests                               only what runs and builds the programs (./run.sh)
#   --web                                    also the browser edition's compiler and test browser
#   --dry-run (or QUILLMERE_DEPS_DRY_RUN=1)  only say what would be installed
#   QUILLMERE_SKIP_DEPS=1                    do nothing at all
set -euo pipefail

[ "${QUILLMERE_SKIP_DEPS:-0}" = 1 ] && exit 0

dry_run=${QUILLMERE_DEPS_DRY_RUN:-0}
with_tests=1
with_web=0
for argument in "$@"; do
    case "$argument" in
        --dry-run) dry_run=1 ;;
        --no-tests) with_tests=0 ;;
        --web) with_web=1 ;;
        *) echo "ensure-deps.sh: unknown argument '$argument' (use --dry-run, --no-tests or --web)" >&2; exit 2 ;;
    esac
done

# What the programs need at run time (the window's Qt libraries and display plugins).
run_packages=(libqt6widgets6 libqt6charts6 libqt6svg6 qt6-qpa-plugins)
# What builds them; the unit tests and the benchmark are part of the default build, so GoogleTest,
# zlib (the tests' reference inflate) and libdeflate (the benchmark's floor) are here too. The
# tournament archive is SQLite, its files' hashes OpenSSL's SHA-256; the server is cpp-httplib, its
# tokens and signed receipts libsodium; the workbook export is libxlsxwriter.
build_packages=(
    build-essential cmake ninja-build pkg-config
    zlib1g-dev libdeflate-dev libxxhash-dev nlohmann-json3-dev libgtest-dev libsqlite3-dev libssl-dev
    libcpp-httplib-dev libsodium-dev libxlsxwriter-dev
    qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev
)
# What the tests and checks use: a second compiler, the report parsers, a real X server with a
# window manager and screenshots, the packaging and desktop-file checks, time zones, completion,
# jq, which a worked example uses, the server tests' HTTP client and signature check, and the
# workbook's readers: openpyxl and a spreadsheet without a display.
test_packages=(
    clang clang-format python3-jsonschema python3-requests python3-cryptography jq tzdata
    python3-openpyxl libreoffice-calc-nogui
    xvfb xauth xdotool wmctrl x11-apps x11-utils imagemagick fonts-dejavu-core openbox
    dpkg-dev lintian desktop-file-utils appstream groff-base man-db bash-completion
)
# The browser edition: the WebAssembly compiler (its node runs the precision test), and the
# browser and driver its page tests run in.
web_packages=(emscripten chromium chromium-driver python3-selenium)
# npm installs the linter; a node from elsewhere may bring its own npm, and Debian's would clash with it.
command -v npm >/dev/null 2>&1 || web_packages+=(npm)
packages=("${run_packages[@]}" "${build_packages[@]}")
[ "$with_tests" = 1 ] && packages+=("${test_packages[@]}")
[ "$with_web" = 1 ] && packages+=("${web_packages[@]}")

# The linter of the page's scripts: npm ci again only when the lock file changed since it last ran.
ensure_linter() {
    [ "$with_web" = 1 ] || return 0
    local lint=tools/lint
    cmp -s "$lint/package-lock.json" "$lint/node_modules/.installed-lock.json" 2>/dev/null && return 0
    if [ "$dry_run" = 1 ]; then
        echo "Would install the linter: npm ci --prefix $lint"
        return 0
    fi
    echo "Installing the linter into $lint/node_modules"
    npm ci --prefix "$lint" --no-audit --no-fund --loglevel=error
    cp "$lint/package-lock.json" "$lint/node_modules/.installed-lock.json"
}
cd "$(dirname "$0")/.."

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    ensure_linter
    exit 0
fi

by_hand="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$dry_run" = 1 ]; then
    echo "Would install: ${missing[*]}"
    echo "  $by_hand"
    ensure_linter
    exit 0
fi

# sudo clears the environment, so the variable is given to it as an assignment.
export DEBIAN_FRONTEND=noninteractive
apt_get=(apt-get)
[ "$(id -u)" -ne 0 ] && apt_get=(sudo DEBIAN_FRONTEND=noninteractive apt-get)
for tool in apt-get "${apt_get[0]}"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "ensure-deps.sh: these packages are missing: ${missing[*]}" >&2
        echo "ensure-deps.sh: cannot install them here ('$tool' is not available); as root, run:" >&2
        echo "  $by_hand" >&2
        echo "or set QUILLMERE_SKIP_DEPS=1 to build with what is installed." >&2
        exit 1
    fi
done

echo "Installing: ${missing[*]}"
"${apt_get[@]}" update -qq
"${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
ensure_linter
