#!/bin/sh
# Installs the build into a staging folder (DESTDIR) and checks that exactly the expected files
# land there and that the installed tool runs.
# Usage: check_install.sh CMAKE BUILD_DIR VERSION WITH_GUI(0|1)
set -eu
cmake=$1 build=$2 version=$3 gui=$4

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr >/dev/null

expected="./usr/bin/msgkeeper-cli
./usr/share/bash-completion/completions/msgkeeper-cli
./usr/share/man/man1/msgkeeper-cli.1"
if [ "$gui" = 1 ]; then
    expected="$expected
./usr/bin/msgkeeper
./usr/share/applications/msgkeeper.desktop
./usr/share/man/man1/msgkeeper.1
./usr/share/pixmaps/msgkeeper.png"
fi
expected=$(printf '%s\n' "$expected" | LC_ALL=C sort)
actual=$(cd "$stage" && find . -type f | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    echo "installed files differ from the expected list:"
    printf '%s\n' "$expected" >"$stage.expected"
    printf '%s\n' "$actual" | diff "$stage.expected" - || true
    rm -f "$stage.expected"
    exit 1
fi

shown=$("$stage/usr/bin/msgkeeper-cli" --version)
if [ "$shown" != "msgkeeper-cli $version" ]; then
    echo "installed msgkeeper-cli reports '$shown', expected 'msgkeeper-cli $version'"
    exit 1
fi
# The man page names every FORMAT that backup and convert take, the interchange ones too.
for format in usms xml json; do
    if ! grep -q "\\\\fB$format\\\\fR" "$stage/usr/share/man/man1/msgkeeper-cli.1"; then
        echo "the man page of msgkeeper-cli does not name the format $format"
        exit 1
    fi
done
if [ "$gui" = 1 ] && ! grep -q '^Exec=msgkeeper$' "$stage/usr/share/applications/msgkeeper.desktop"; then
    echo "the desktop entry does not start msgkeeper"
    exit 1
fi
echo "install: $(printf '%s\n' "$actual" | wc -l) files as expected"
