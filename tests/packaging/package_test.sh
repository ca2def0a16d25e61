#!/usr/bin/env bash
# Builds the package from this build's programs, runs the validators, then
# unpacks it into a temporary root and starts qlmtool and QLM6200 from there
# as a new user (HOME in a temporary folder): the user's files must land in
# that home, owner-only, and nothing in the application folder.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR PROBE_PLUGIN_DIR
set -euo pipefail
src=$1 build=$2 probe=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

deb=$("$src/scripts/package" --no-build --build-dir "$build" --out "$tmp" | tail -n 1)
[ -f "$deb" ] || fail "scripts/package printed no package: $deb"
case $(basename "$deb") in qlm6200_*_*.deb) ;; *) fail "package name $(basename "$deb")" ;; esac

# Lintian: no error (warnings are reported, not failed on).
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
app="$root/usr/lib/qlm6200"
for f in usr/bin/qlm6200 usr/bin/qlmtool usr/lib/qlm6200/QLM6200 usr/lib/qlm6200/voxform \
    usr/lib/qlm6200/libkvc.so usr/lib/qlm6200/libGainPass.so usr/lib/qlm6200/libMpegPack.so \
    usr/lib/qlm6200/strLib.ini usr/lib/qlm6200/lang/strLib.de.ini \
    usr/share/applications/org.qlm6200.QLM6200.desktop usr/share/metainfo/org.qlm6200.QLM6200.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/qlm6200.svg usr/share/icons/hicolor/48x48/apps/qlm6200.png \
    usr/share/icons/hicolor/128x128/apps/qlm6200.png usr/share/icons/hicolor/256x256/apps/qlm6200.png \
    usr/share/man/man1/qlm6200.1.gz usr/share/man/man1/qlmtool.1.gz \
    usr/share/bash-completion/completions/qlmtool; do
    [ -e "$root/$f" ] || fail "missing /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libsqlite3-0 libcodec2 libmp3lame0 qt6-qpa-plugins fonts-dejavu-core xdg-utils; do
    grep -q "$d" <<< "$depends" || fail "Depends lacks $d: $depends"
done
desktop-file-validate "$root/usr/share/applications/org.qlm6200.QLM6200.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.qlm6200.QLM6200.metainfo.xml" || fail "metainfo"

# Every command of qlmtool is offered by the completion.
complete_words=$(bash -c "source /usr/share/bash-completion/bash_completion 2>/dev/null
    source '$root/usr/share/bash-completion/completions/qlmtool'
    COMP_WORDS=(qlmtool ''); COMP_CWORD=1; COMP_LINE='qlmtool '; COMP_POINT=8
    _qlmtool qlmtool '' qlmtool; echo \${COMPREPLY[*]}")
for c in header copy build list search comment delete wipe-card convert play export backup prune verify passwd; do
    grep -qw -- "$c" <<< "$complete_words" || fail "completion lacks $c: $complete_words"
done

# A new user on the unpacked package.
home="$tmp/home"
mkdir -m 0755 "$home"
before=$(cd "$app" && find . -printf '%p %s %T@\n' | sort)
"$build/bin/qlmsim" write "$tmp/card" --time "2024-10-25 14:35:27" --number 5550123 --flags 0x28 --bytes 9216 \
    > /dev/null
run() { env -i PATH=/usr/bin:/bin HOME="$home" LC_ALL=C.UTF-8 XDG_RUNTIME_DIR="$tmp/run" "$@"; }
mkdir -m 0700 "$tmp/run"
header=$(run "$root/usr/bin/qlmtool" header "$tmp"/card/*) || fail "qlmtool header"
grep -q 5550123 <<< "$header" || fail "qlmtool header printed: $header"

log=$(run QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$probe" QT_QPA_GENERIC_PLUGINS=qlmprobe \
    timeout 120 "$root/usr/bin/qlm6200" 2>&1) || fail "QLM6200 ended with $?: $log"
grep -q "probe: shown frmSignin" <<< "$log" || fail "no sign-in dialog: $log"
grep -q "probe: closing frmMain" <<< "$log" || fail "the window did not come up after the sign-in: $log"

pwd_file="$home/.config/qlm6200/qlm6200.pwd"
[ -f "$pwd_file" ] || fail "no password file in the home: $(cd "$home" && find .)"
[ "$(stat -c %a "$pwd_file")" = 600 ] || fail "password file mode $(stat -c %a "$pwd_file")"
[ "$(stat -c %a "$home/.config/qlm6200")" = 700 ] || fail "config folder mode"
# Work files, made when a run first needs them, go to the user's cache,
# owner-only.
catalogue=$(printf '\n' | run "$root/usr/bin/qlmtool" build --password-stdin "$tmp/card" | cut -f1) || fail "qlmtool build"
printf '\n' | run QT_QPA_PLATFORM=offscreen "$root/usr/bin/qlmtool" play --password-stdin "$catalogue" A2524143.527 \
    --output "$tmp/heard.wav" > /dev/null 2>&1 || fail "qlmtool play of the installed package"
[ -d "$home/.cache/qlm6200/temp" ] || fail "no work folder in the cache: $(cd "$home" && find .)"
[ "$(stat -c %a "$home/.cache/qlm6200/temp")" = 700 ] || fail "work folder mode $(stat -c %a "$home/.cache/qlm6200/temp")"
# qlmtool signs in against the same file: the empty password opens it.
printf '\n' | run "$root/usr/bin/qlmtool" list --password-stdin "$tmp/none.mdb" > /dev/null 2>&1 && status=0 || status=$?
[ "$status" = 1 ] || fail "qlmtool list with the user's password ended with $status (3: wrong password)"
after=$(cd "$app" && find . -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the application folder changed: $(diff <(echo "$before") <(echo "$after"))"
echo "package $(basename "$deb") checked"
