#!/bin/sh
# Installs the build into a staging folder (DESTDIR) and checks that exactly the expected files
# land there and that the installed tool runs; then builds the .deb and has lintian check it,
# failing on any error or warning.
# Usage: check_install.sh CMAKE CPACK BUILD_DIR VERSION WITH_GUI(0|1)
set -eu
cmake=$1 cpack=$2 build=$3 version=$4 gui=$5

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage/root" "$cmake" --install "$build" --prefix /usr >/dev/null

expected="./usr/bin/msgkeeper-cli
./usr/share/bash-completion/completions/msgkeeper-cli
./usr/share/doc/msgkeeper/changelog.gz
./usr/share/doc/msgkeeper/copyright
./usr/share/man/man1/msgkeeper-cli.1.gz"
if [ "$gui" = 1 ]; then
    expected="$expected
./usr/bin/msgkeeper
./usr/share/applications/msgkeeper.desktop
./usr/share/icons/hicolor/256x256/apps/msgkeeper.png
./usr/share/icons/hicolor/48x48/apps/msgkeeper.png
./usr/share/man/man1/msgkeeper.1.gz
./usr/share/pixmaps/msgkeeper.png"
fi
expected=$(printf '%s\n' "$expected" | LC_ALL=C sort)
actual=$(cd "$stage/root" && find . -type f | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    echo "installed files differ from the expected list:"
    printf '%s\n' "$expected" >"$stage/expected"
    printf '%s\n' "$actual" | diff "$stage/expected" - || true
    exit 1
fi

shown=$("$stage/root/usr/bin/msgkeeper-cli" --version)
if [ "$shown" != "msgkeeper-cli $version" ]; then
    echo "installed msgkeeper-cli reports '$shown', expected 'msgkeeper-cli $version'"
    exit 1
fi
if [ "$gui" = 1 ]; then
    if ! grep -q '^Exec=msgkeeper$' "$stage/root/usr/share/applications/msgkeeper.desktop"; then
        echo "the desktop entry does not start msgkeeper"
        exit 1
    fi
    for size in 48 256; do
        if ! file "$stage/root/usr/share/icons/hicolor/${size}x$size/apps/msgkeeper.png" |
            grep -q "PNG image data, $size x $size"; then
            echo "the ${size}x$size icon is not a PNG of that size"
            exit 1
        fi
    done
fi
for page in "$stage"/root/usr/share/man/man1/*.gz; do
    if ! gzip -dc "$page" | head -n 1 | grep -q '^\.TH '; then
        echo "$page is not a compressed man page"
        exit 1
    fi
done
# The man page names every FORMAT that backup and convert take, the interchange ones too.
for format in usms xml json; do
    if ! gzip -dc "$stage/root/usr/share/man/man1/msgkeeper-cli.1.gz" | grep -q "\\\\fB$format\\\\fR"; then
        echo "the man page of msgkeeper-cli does not name the format $format"
        exit 1
    fi
done
echo "install: $(printf '%s\n' "$actual" | wc -l) files as expected"

# The package, checked by Debian's own checker. Pedantic and informational tags are shown but
# do not fail the test.
if ! command -v lintian >/dev/null; then
    echo "lintian is not installed; scripts/setup installs it"
    exit 1
fi
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$stage/package" >"$stage/cpack.log" 2>&1 ||
    { cat "$stage/cpack.log"; exit 1; }
set -- "$stage"/package/msgkeeper_"$version"_*.deb
if [ ! -f "$1" ]; then
    echo "cpack made no msgkeeper_${version} package:"
    cat "$stage/cpack.log"
    exit 1
fi
status=0
lintian --display-info --display-experimental --pedantic --fail-on error,warning "$1" >"$stage/lintian.log" 2>&1 || status=$?
cat "$stage/lintian.log"
if [ "$status" != 0 ] || grep -q '^[EW]: ' "$stage/lintian.log"; then
    echo "lintian reports errors or warnings on the package (status $status)"
    exit 1
fi
echo "lintian: no errors or warnings on $(basename "$1")"
