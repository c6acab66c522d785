#!/usr/bin/env bash
# Makes the Debian package from the built tree, unpacks it into a scratch
# root and checks its files, its dependencies, its desktop entry, and that the
# installed program starts and keeps its ledger in the user's data folder.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
scratch=$(mktemp -d /tmp/kovral-pkg-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/kovral_*.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root"

for f in usr/bin/kovral usr/bin/kovral-check usr/bin/kovral-gen usr/bin/kovral-export \
         usr/share/applications/kovral.desktop usr/share/icons/hicolor/scalable/apps/kovral.svg \
         usr/share/icons/hicolor/48x48/apps/kovral.png usr/share/icons/hicolor/256x256/apps/kovral.png \
         usr/share/man/man1/kovral.1 usr/share/man/man1/kovral-check.1; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
[ ! -e "$root/usr/bin/kovral-driver" ] || { echo "the crash driver is packaged"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6core6 libsqlite3-0; do
  case "$depends" in *"$dep"*) ;; *) echo "Depends lacks $dep: $depends"; exit 1 ;; esac
done
desktop-file-validate "$root/usr/share/applications/kovral.desktop"

# The installed program keeps its ledger under XDG_DATA_HOME, never beside itself.
XDG_DATA_HOME=$scratch/xdg HOME=$scratch/home \
  bash "$here/start_test.sh" "$root/usr/bin/kovral" "$scratch/xdg/kovral/DATA" "$root/usr/bin"
# The tools make nothing beside themselves.
"$root/usr/bin/kovral-check" "$scratch/ledger/DATA/" --create >/dev/null
[ ! -e "$root/usr/bin/Pre-healthcheck backups" ] || { echo "kovral-check wrote beside itself"; exit 1; }
[ -d "$scratch/ledger/Pre-healthcheck backups" ] || { echo "kovral-check's backup is not beside the folder"; exit 1; }
echo "package checked: $(basename "$deb")"
