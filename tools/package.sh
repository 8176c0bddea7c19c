#!/usr/bin/env bash
# Builds the Debian package orvel_VERSION_ARCH.deb in the top folder with
# CPack, from a build of its own made with Debian's hardening flags, and
# checks it: the files it holds (dist/package-files.txt), its Depends and
# Recommends, its version against the programs', the changelog, lintian
# and the AppStream validator. Any miss fails the script.
#
#   bash tools/package.sh                   # build and check the package
#   bash tools/package.sh --install-check   # also install it with apt-get,
#                                           # run it, remove it, and check
#                                           # that nothing stays behind (root)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
install_check=false
case "${1:-}" in
"") ;;
--install-check) install_check=true ;;
*)
  echo "usage: $0 [--install-check]" >&2
  exit 2
  ;;
esac

. tools/deps.sh
orvel_install_missing dpkg-dev fakeroot lintian
build=${ORVEL_PACKAGE_BUILD_DIR:-build-package}

fail() {
  echo "package: $*" >&2
  exit 1
}

# Debian's flags alone, as Debian's own builds pass them (build type None):
# optimised, fortified functions, stack protector, read-only relocations
# bound at start, as lintian's hardening checks expect.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF -DORVEL_WERROR=ON "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)

version=$("$build/cli/orvel-cli" --version | sed -n 's/^orvel-cli //p')
arch=$(dpkg --print-architecture)
deb=orvel_${version}_${arch}.deb
[ -f "$build/$deb" ] || fail "CPack made no $deb"
cp "$build/$deb" "$root/$deb"
echo "package: $deb"

# One version everywhere: the package, both programs, the changelog.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
[ "$("$build/app/orvel" --version)" = "orvel $version" ] || fail "orvel --version is not $version"
[ "$(dpkg-parsechangelog -l dist/changelog -S Version)" = "$version" ] ||
  fail "dist/changelog has no entry for $version at its top"

# The files, exactly.
expected=$(grep -v '^#' dist/package-files.txt | sort)
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' | grep -v '/$' | sort)
if [ "$expected" != "$actual" ]; then
  diff <(echo "$expected") <(echo "$actual") | sed 's/^</missing:/;s/^>/not listed:/' | grep : >&2
  fail "the package's files differ from dist/package-files.txt"
fi
# Every file root's; the programs executable, the rest not.
dpkg-deb -c "$deb" | awk '$2 != "root/root" { bad = 1; print "not root/root: " $6 } END { exit bad }' >&2 ||
  fail "files not owned by root"
dpkg-deb -c "$deb" | awk '$1 ~ /^-/ && (($6 ~ /\/bin\//) != ($1 == "-rwxr-xr-x")) {
    bad = 1; print "mode " $1 ": " $6 } END { exit bad }' >&2 || fail "files of the wrong mode"

# Depends: what the programs link (dpkg-shlibdeps found it) and the plug-ins
# they load; Recommends: the dictionary data and the speech engine.
depends=$(dpkg-deb -f "$deb" Depends)
depended=$(echo "$depends" | tr ',' '\n' | sed 's/(.*//; s/ //g')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6sql6 \
  libqt6sql6-sqlite libqt6svg6 libqt6printsupport6 libqt6texttospeech6 libsqlite3-0 libxcb1 libxxhash0; do
  echo "$depended" | grep -Fxq "$needed" || fail "Depends lacks $needed: $depends"
done
recommends="edict, qt6-speech-speechd-plugin, speech-dispatcher"
[ "$(dpkg-deb -f "$deb" Recommends)" = "$recommends" ] || fail "Recommends is not $recommends"

# The package's own checks. Lintian's errors fail; its warnings are printed
# and each one left is named in docs/architecture.md (The package).
lintian_out=$(lintian --fail-on error --display-info "$deb" 2>&1) || {
  echo "$lintian_out" >&2
  fail "lintian reports errors"
}
[ -z "$lintian_out" ] || echo "$lintian_out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
appstreamcli validate --no-net "$scratch/usr/share/metainfo/example.veldrana.Orvel.metainfo.xml" >/dev/null ||
  fail "appstreamcli rejects the metainfo"
desktop-file-validate "$scratch/usr/share/applications/example.veldrana.Orvel.desktop" ||
  fail "desktop-file-validate rejects the menu entry"

if $install_check; then
  [ "$(id -u)" -eq 0 ] || fail "--install-check installs the package: run it as root"
  dpkg-query -W orvel >/dev/null 2>&1 && fail "orvel is installed already; remove it first"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
  listed=$(dpkg -L orvel)
  [ "$(/usr/bin/orvel-cli --version)" = "orvel-cli $version" ] || fail "the installed orvel-cli does not run"
  man -w orvel-cli >/dev/null || fail "man finds no orvel-cli page"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq orvel >/dev/null
  dpkg-query -W orvel >/dev/null 2>&1 && fail "orvel is still known to dpkg after its removal"
  # Every file it listed is gone, and so are the folders that were its own.
  left=$(echo "$listed" | while read -r path; do
    if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == */orvel* ]]; }; then echo "$path"; fi
  done)
  [ -z "$left" ] || fail "left behind after removal: $left"
  echo "package: installed, ran and removed without a trace"
fi
