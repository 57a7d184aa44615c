#!/bin/sh
# The Debian package as a user gets it: built from this build tree, clean for lintian, its desktop entry
# and metainfo valid, and the program unpacked from it runs headless: --help, --version and a batch
# printed to PDF, with its database in the per-user data folder, never beside the executable.
# Exit 77 (skipped, with the reason) when the Debian tools are missing.
set -eu
BUILD=$(cd "$1" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli pdfinfo; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed, the package is not checked (make deps installs it)."
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$BUILD" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/vorlan_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no vorlan_<version>_amd64.deb was made"
echo "package: $(basename "$deb")"

# lintian: no error (the accepted warnings are listed in the README).
lintian --fail-on error --suppress-tags-from-file "$(dirname "$0")/lintian-accepted" "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors"; }
cat "$work/lintian.log"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/vorlan usr/share/man/man1/vorlan.1.gz usr/share/doc/vorlan/copyright \
    usr/share/doc/vorlan/changelog.gz usr/share/icons/hicolor/scalable/apps/vorlan.svg \
    usr/share/icons/hicolor/48x48/apps/vorlan.png usr/share/icons/hicolor/128x128/apps/vorlan.png \
    usr/share/icons/hicolor/256x256/apps/vorlan.png; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done
desktop-file-validate "$root/usr/share/applications/cn.vorlan.Vorlan.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/cn.vorlan.Vorlan.metainfo.xml" >"$work/as.log" 2>&1 ||
    { cat "$work/as.log"; fail "metainfo"; }
dpkg-deb -f "$deb" Depends | grep -q "libqt6sql6-sqlite" || fail "Depends lacks the database driver"
dpkg-deb -f "$deb" Depends | grep -q "fonts-arphic-uming" || fail "Depends lacks a CJK font"

vorlan="$root/usr/bin/vorlan"
export QT_QPA_PLATFORM=offscreen
"$vorlan" --help | grep -q -- "--template" || fail "vorlan --help"
version=$("$vorlan" --version)
echo "$version" | grep -q "$(dpkg-deb -f "$deb" Version)" || fail "--version says '$version'"
zcat "$root/usr/share/man/man1/vorlan.1.gz" | grep -q -- "--template" || fail "the manual page lacks the options"

# A batch to PDF from the unpacked tree: the database goes into the per-user data folder.
printf '收件人,收件电话\n张三,1\n李四,2\n' >"$work/orders.csv"
export XDG_DATA_HOME="$work/xdg" HOME="$work/home"
mkdir -p "$HOME"
echo "secret1" | "$vorlan" print --template 示例运单 --data "$work/orders.csv" --pdf "$work/out.pdf" \
    --user 管理员 || fail "vorlan print from the unpacked package"
pages=$(pdfinfo "$work/out.pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 2 ] || fail "the batch printed $pages pages instead of 2"
[ -f "$XDG_DATA_HOME/Vorlan/Vorlan/RavIZ.mdb" ] || fail "the database is not in the per-user data folder"
[ "$(ls "$root/usr/bin")" = vorlan ] || fail "the program wrote beside its executable: $(ls "$root/usr/bin")"

# --data-dir chooses another folder.
echo "secret1" | "$vorlan" print --data-dir "$work/shop2" --template 示例运单 --data "$work/orders.csv" \
    --pdf "$work/out2.pdf" --user 管理员 || fail "vorlan print --data-dir"
[ -f "$work/shop2/RavIZ.mdb" ] || fail "--data-dir did not hold the database"
echo "package checked"
