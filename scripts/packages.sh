#!/bin/sh
# Installs the Debian packages Velmora needs that are not installed yet, and nothing else.
set -eu

PACKAGES="build-essential cmake pkg-config qt6-base-dev qt6-webengine-dev qt6-translations-l10n libqt6sql6-sqlite libgl-dev libqt6svg6 zlib1g-dev libsqlite3-dev sqlite3 libpq-dev libical-dev pxlib-dev mdbtools-dev mdbtools fonts-liberation2 xdg-utils"
for option in "$@"; do
    case "$option" in
    --with-display) PACKAGES="$PACKAGES xvfb xauth" ;;
    # What the tests use besides the program: the desktop's validators, the PDF tools, and
    # the PostgreSQL server the server tests start for themselves, and the CalDAV server and
    # the independent iCalendar reader of the calendar tests.
    --for-tests) PACKAGES="$PACKAGES desktop-file-utils appstream poppler-utils postgresql-15 postgresql-client-15 radicale python3-icalendar" ;;
    # clang's libFuzzer and sanitizer runtimes, for the fuzz targets of the file readers.
    --for-fuzzing) PACKAGES="$PACKAGES clang libclang-rt-14-dev" ;;
    *) echo "opção desconhecida: $option" >&2; exit 2 ;;
    esac
done

missing=""
for package in $PACKAGES; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $package"
done
[ -n "$missing" ] || exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi
$SUDO apt-get update -q
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
