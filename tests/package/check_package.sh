#!/usr/bin/env bash
# The Debian package from the outside. Builds it (./run.sh package, which
# reuses the normal build and runs lintian), extracts it into a temporary
# root with dpkg-deb -x and uses it from there as a user would: HOME and the
# XDG folders in a temporary folder, the programs run in a temporary working
# folder. Checks that the settings land in ~/.config/zereltool/, privately,
# that the window finds its catalogues in the share folder and that "完成"
# of the common-parameter manager writes the user's copy, that nothing is
# written under the extracted usr/, and that `cmake --install` gives the
# package's layout. Ends with status 0 when everything holds.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

./run.sh package
deb=$(ls build/zereltool_*_amd64.deb)
version=$(dpkg-deb -f "$deb" Version)

work=$(mktemp -d)
dtusim_pid=
cleanup() {
  if [ -n "$dtusim_pid" ]; then
    kill "$dtusim_pid" 2>/dev/null || true
    wait "$dtusim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "check_package: FAILED: $*" >&2; exit 1; }
ok() { echo "check_package: ok: $*"; }

[ "$deb" = "build/zereltool_${version}_amd64.deb" ] || fail "package file name $deb"
root=$work/root
bin=$root/usr/bin
dpkg-deb -x "$deb" "$root"
for file in usr/bin/zereltool usr/bin/zereltool-cli usr/bin/zereltool-dtusim \
            usr/share/zereltool/dtuparam_s3.ini usr/share/zereltool/dtuparam_s2.ini \
            usr/share/zereltool/dtusim_s3.profile usr/share/zereltool/dtusim_s2.profile \
            usr/share/applications/zereltool.desktop usr/share/icons/hicolor/scalable/apps/zereltool.svg \
            usr/share/man/man1/zereltool.1.gz usr/share/man/man1/zereltool-cli.1.gz \
            usr/share/man/man1/zereltool-dtusim.1.gz usr/share/doc/zereltool/copyright; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "dependencies not computed"
ok "package $deb ($version): files and dependencies"

export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cd "$work/run"

# Every file under the extracted usr/ with its size, time and mode.
snapshot() { (cd "$root" && find usr -printf '%p %s %T@ %m\n' | sort); }
snapshot >"$work/usr.before"

for program in zereltool-cli zereltool-dtusim; do
  [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done
[ "$(QT_QPA_PLATFORM=offscreen "$bin/zereltool" --version)" = "zereltool $version" ] || fail "zereltool --version"
ok "--version of the three programs: $version"

# The simulator with its default profile from the share folder.
"$bin/zereltool-dtusim" --state "$work/dtu_state.ini" >dtusim.out 2>dtusim.err &
dtusim_pid=$!
for _ in $(seq 100); do
  [ -s dtusim.out ] && break
  kill -0 "$dtusim_pid" 2>/dev/null || break
  sleep 0.1
done
tty=$(head -n 1 dtusim.out)
[ -n "$tty" ] || fail "zereltool-dtusim did not start: $(cat dtusim.err)"
ok "zereltool-dtusim answers on $tty"

"$bin/zereltool-cli" paths | grep -q '^layout: installed$' || fail "zereltool-cli paths: not installed"
"$bin/zereltool-cli" -p "$tty" read >table.tsv 2>read.log || fail "zereltool-cli read: $(cat read.log)"
grep -q $'\tAPN\t' table.tsv || fail "zereltool-cli read printed no parameter table"
ok "zereltool-cli read, with the shipped catalogue"

"$bin/zereltool-cli" -p "$tty" prodtest --run-test --key "ZR-3100 READY" --csq 15 2>prodtest.log ||
  fail "zereltool-cli prodtest: $(cat prodtest.log)"
settings=$HOME/.config/zereltool/tool_set.ini
[ -f "$settings" ] || fail "no $settings after prodtest"
grep -q '^\[TEST\]' "$settings" || fail "$settings holds no section TEST"
[ "$(stat -c %a "$settings")" = 600 ] || fail "$settings is not 0600"
[ "$(stat -c %a "$HOME/.config/zereltool")" = 700 ] || fail "~/.config/zereltool is not 0700"
ok "zereltool-cli prodtest stored its choices in $settings (0600, folder 0700)"

export QT_QPA_PLATFORM=offscreen
"$bin/zereltool" --paths | grep -qx "dtuparam_s3.ini: $root/usr/share/zereltool/dtuparam_s3.ini" ||
  fail "zereltool --paths does not name the shipped catalogue"
# The window starts, connects to the simulator (which loads the catalogue
# from the share folder) and ends after its picture.
"$bin/zereltool" --port "$tty" --screenshot "$work/window.png" >window.log 2>&1 ||
  fail "the window did not connect: $(cat window.log)"
ok "the window starts and connects with the shipped catalogue"
# The real window driven by a QtTest program against the extracted tree.
ZT_INSTALLED_ROOT=$root "$repo/build/bin/zt_ui_tst_installed_layout" >qttest.log 2>&1 ||
  fail "the window against the extracted tree: $(cat qttest.log)"
[ -f "$HOME/.config/zereltool/dtuparam_s3.ini" ] || fail "完成 wrote no user's copy of the catalogue"
ok "完成 of the common-parameter manager wrote the user's copy of the catalogue"

snapshot >"$work/usr.after"
diff "$work/usr.before" "$work/usr.after" >&2 || fail "something was written under the extracted usr/"
ok "nothing was written under the extracted usr/"

cmake --install "$repo/build" --prefix "$work/prefix" >/dev/null
diff <(cd "$root/usr" && find . | sort) <(cd "$work/prefix" && find . | sort) >&2 ||
  fail "cmake --install gives another layout than the package"
ok "cmake --install --prefix gives the package's layout"
