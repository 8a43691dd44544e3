#!/usr/bin/env bash
# Builds the Debian package of a build folder, checks what it holds, validates its desktop
# entry, AppStream data and itself (lintian: no errors), unpacks it into a scratch root and
# runs the installed programs there: registration, the launcher, vantel-batch.
#   scripts/package-test.sh BUILD_DIR VERSION
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
version=$2
id=io.github.vantel.Vantel

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
deb=$tmp/out/vantel_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"

# The control fields: the version is the project's, the library dependencies come from the
# binaries.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Section)" = devel ] || fail "section"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libwxgtk3.2 libsqlite3 libfmt zlib1g; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/list"
expected=(
  /usr/bin/vantel /usr/bin/vantel-batch /usr/bin/vantel-send /usr/bin/vantel-launch
  /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/$id.svg
  /usr/share/doc/vantel/copyright /usr/share/doc/vantel/changelog.gz /usr/share/doc/vantel/README.md
)
for size in 16 32 48 64 128 256; do expected+=("/usr/share/icons/hicolor/${size}x$size/apps/$id.png"); done
for f in "$src"/docs/*.md "$src"/docs/*.png; do expected+=("/usr/share/doc/vantel/docs/$(basename "$f")"); done
for f in "$src"/docs/man/*.scd; do
  [ -e "$f" ] || continue
  # Compressed or not, as the man-page build chooses.
  grep -q "^/usr/share/man/man1/$(basename "${f%.scd}")" "$tmp/list" || fail "the package lacks the man page of $f"
done
for tool in vantel-batch vantel-send; do
  [ -e "$src/completions/$tool" ] && expected+=("/usr/share/bash-completion/completions/$tool")
done
for path in "${expected[@]}"; do
  grep -qx -- "$path" "$tmp/list" || fail "the package lacks $path"
done

# lintian's errors fail the test; its warnings are shown.
lintian --tag-display-limit 0 "$deb" >"$tmp/lintian" 2>&1 || true
cat "$tmp/lintian"
if grep -q '^E:' "$tmp/lintian"; then fail "lintian reports errors"; fi

root=$tmp/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "AppStream data"
for exe in vantel vantel-batch vantel-send; do
  file -b "$root/usr/bin/$exe" | grep -q ', stripped' || fail "$exe is not stripped"
  ! grep -qF "$src" "$root/usr/bin/$exe" || fail "$exe names the source or build tree"
done

# Without a display, with scratch stores, from a scratch folder.
export VANTEL_REGISTRY=$tmp/store/user.db VANTEL_MACHINE_REGISTRY=$tmp/store/machine.db TZ=UTC
mkdir -p "$tmp/store" "$tmp/a" "$tmp/b"
unset DISPLAY WAYLAND_DISPLAY
cd "$tmp/a"
registered() { sqlite3 "$VANTEL_REGISTRY" "SELECT data FROM reg_value WHERE key='Plexa.Vantel' AND name=''"; }
app_paths() { sqlite3 "$VANTEL_MACHINE_REGISTRY" "SELECT data FROM reg_value WHERE name='Path'"; }

[ "$("$root/usr/bin/vantel-batch" --version)" = "vantel-batch $version" ] || fail "vantel-batch --version"
[ -z "$("$root/usr/bin/vantel-batch" --registered)" ] || fail "registered before registration"

"$root/usr/bin/vantel" /RegServer || fail "vantel /RegServer: exit $?"
[ "$(registered)" = "$version" ] || fail "the store holds \"$(registered)\" after /RegServer"
[ "$("$root/usr/bin/vantel-batch" --registered)" = "$version" ] || fail "vantel-batch --registered"

# The launcher registers only a version the store does not hold, then starts the console
# (which, with no display, says so and ends with 1). A registration appends the current
# folder to the App Paths list, so a start from another folder shows whether it ran.
paths=$(app_paths)
cd "$tmp/b"
status=0
"$root/usr/bin/vantel-launch" 2>"$tmp/launch.err" || status=$?
[ "$status" = 1 ] && grep -q 'no display' "$tmp/launch.err" || fail "launcher did not start vantel: $(cat "$tmp/launch.err")"
[ "$(app_paths)" = "$paths" ] || fail "launcher registered a registered version again"
"$root/usr/bin/vantel" /UnregServer
"$root/usr/bin/vantel-launch" 2>/dev/null || true
[ "$(registered)" = "$version" ] || fail "launcher did not register"
[ "$(app_paths)" = "$paths;$tmp/b" ] || fail "launcher registration: Path is \"$(app_paths)\""

# The scenarios from the installed program, as the batch tests run them from the build.
status=0
TMPDIR=$tmp "$root/usr/bin/vantel-batch" --check "$src/tests/batch" >"$tmp/check.txt" || status=$?
[ "$status" = 0 ] || { cat "$tmp/check.txt"; fail "installed vantel-batch --check: exit $status"; }
echo "package-test: $(basename "$deb") passes"
