#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, when any is missing.
#   --dry-run (or QUILLMERE_DEPS_DRY_RUN=1)  only say what would be installed
#   QUILLMERE_SKIP_DEPS=1                    do nothing at all
set -euo pipefail

[ "${QUILLMERE_SKIP_DEPS:-0}" = 1 ] && exit 0

dry_run=${QUILLMERE_DEPS_DRY_RUN:-0}
for argument in "$@"; do
    case "$argument" in
        --dry-run) dry_run=1 ;;
        *) echo "ensure-deps.sh: unknown argument '$argument' (use --dry-run)" >&2; exit 2 ;;
    esac
done

packages=(
    build-essential cmake ninja-build pkg-config
    zlib1g-dev libdeflate-dev libxxhash-dev nlohmann-json3-dev libgtest-dev clang python3-jsonschema
    qt6-base-dev qt6-charts-dev libqt6charts6 qt6-svg-dev qt6-qpa-plugins libqt6opengl6-dev libgl-dev
    xvfb xauth xdotool wmctrl x11-apps imagemagick fonts-dejavu-core openbox
    dpkg-dev desktop-file-utils appstream groff-base
)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

by_hand="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$dry_run" = 1 ]; then
    echo "Would install: ${missing[*]}"
    echo "  $by_hand"
    exit 0
fi

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
for tool in apt-get "${sudo[@]}"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "ensure-deps.sh: these packages are missing: ${missing[*]}" >&2
        echo "ensure-deps.sh: cannot install them here ('$tool' is not available); as root, run:" >&2
        echo "  $by_hand" >&2
        echo "or set QUILLMERE_SKIP_DEPS=1 to build with what is installed." >&2
        exit 1
    fi
done

echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
