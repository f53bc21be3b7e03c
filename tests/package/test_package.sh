#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a temporary root and runs the
# installed korvan-cli there with a temporary HOME: the data must land in the user's data folder.
set -euo pipefail
BUILD=$1
TMP=$(mktemp -d "${TMPDIR:-/tmp}/korvan-package-XXXXXX")
trap 'rm -rf "$TMP"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB -B "$TMP/pkg" --config "$BUILD/CPackConfig.cmake" >"$TMP/cpack.log" 2>&1 \
    || { cat "$TMP/cpack.log"; fail "cpack"; }
deb=$(ls "$TMP"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libsqlite3-0 fonts-liberation; do
    [[ $depends == *"$d"* ]] || fail "Depends lacks $d: $depends"
done

root="$TMP/root"
dpkg -x "$deb" "$root"
for f in usr/bin/korvan usr/bin/korvan-cli usr/share/korvan/korvan-layout.txt \
         usr/share/applications/org.korvan.KorvanVL.desktop \
         usr/share/metainfo/org.korvan.KorvanVL.metainfo.xml \
         usr/share/mime/packages/org.korvan.KorvanVL.xml \
         usr/share/icons/hicolor/scalable/apps/org.korvan.KorvanVL.svg \
         usr/share/icons/hicolor/48x48/apps/org.korvan.KorvanVL.png \
         usr/share/icons/hicolor/256x256/apps/org.korvan.KorvanVL.png; do
    [ -e "$root/$f" ] || fail "missing $f"
done
desktop-file-validate "$root/usr/share/applications/org.korvan.KorvanVL.desktop"
# The desktop entry opens project files, and the MIME database knows them by their extension.
grep -q '^Exec=korvan %f$' "$root/usr/share/applications/org.korvan.KorvanVL.desktop" \
    || fail "the desktop entry does not pass the file"
grep -q '^MimeType=application/x-korvan-project;$' \
    "$root/usr/share/applications/org.korvan.KorvanVL.desktop" || fail "no MimeType in the desktop entry"
if command -v update-mime-database >/dev/null; then
    mkdir -p "$TMP/mime/packages"
    cp "$root/usr/share/mime/packages/org.korvan.KorvanVL.xml" "$TMP/mime/packages/"
    update-mime-database "$TMP/mime" || fail "update-mime-database"
    grep -q 'application/x-korvan-project:\*\.kvproj' "$TMP/mime/globs2" \
        || fail "*.kvproj not registered"
fi
appstreamcli validate --no-net "$root/usr/share/metainfo/org.korvan.KorvanVL.metainfo.xml" >/dev/null

# The installed program keeps its data in the user's data folder, not beside the executable.
export HOME="$TMP/home"
unset XDG_DATA_HOME
mkdir -p "$HOME"
cli="$root/usr/bin/korvan-cli"
"$cli" list >/dev/null 2>&1 && fail "list before init must be refused"
"$cli" init >"$TMP/init.txt" || fail "init"
data="$HOME/.local/share/korvan/Data"
[ -f "$data/project.DB" ] || fail "no data in $data: $(cat "$TMP/init.txt")"
[ ! -e "$root/usr/bin/Data" ] || fail "Data beside the installed executable"
"$cli" list | grep -q "Пример" || fail "list does not show the sample project"
XDG_DATA_HOME="$TMP/xdg" "$cli" init >/dev/null
[ -f "$TMP/xdg/korvan/Data/project.DB" ] || fail "XDG_DATA_HOME ignored"
echo "package ok: $(basename "$deb")"
