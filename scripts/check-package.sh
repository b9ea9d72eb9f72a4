#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it: its contents, the
# desktop entry and AppStream metainfo under their validators, that apt can
# satisfy its dependencies, and that the programs it installs run. In CI
# (CI=true, as root) the package is really installed and removed again;
# elsewhere it is unpacked into a scratch folder, so that engineers sharing a
# machine never install over each other.
#   scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath "${1:-build}")

(cd "$build_dir" && cpack -G DEB > /dev/null)
package=$(ls "$build_dir"/torvane_*.deb)
echo "package: $(basename "$package")"

expected=(
    ./usr/bin/torvane
    ./usr/bin/torvane-convert
    ./usr/bin/torvane-inspect
    ./usr/share/applications/org.torvane.Torvane.desktop
    ./usr/share/metainfo/org.torvane.Torvane.metainfo.xml
    ./usr/share/icons/hicolor/32x32/apps/org.torvane.Torvane.png
    ./usr/share/icons/hicolor/48x48/apps/org.torvane.Torvane.png
    ./usr/share/icons/hicolor/128x128/apps/org.torvane.Torvane.png
    ./usr/share/icons/hicolor/256x256/apps/org.torvane.Torvane.png
)
contents=$(dpkg-deb -c "$package" | awk '{print $NF}')
for file in "${expected[@]}"; do
    grep -qxF "$file" <<< "$contents" || { echo "the package lacks $file" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$package" Depends)
grep -q 'libqt6widgets6' <<< "$depends" || { echo "no Qt dependency found by dpkg-shlibdeps: $depends" >&2; exit 1; }
echo "contents: ${#expected[@]} files as expected; depends: $depends"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$package" "$root"
desktop-file-validate "$root/usr/share/applications/org.torvane.Torvane.desktop"
appstreamcli validate --no-net --strict "$root/usr/share/metainfo/org.torvane.Torvane.metainfo.xml"
apt-get install --simulate -qq "$package" > /dev/null

if [[ ${CI:-} == true && $(id -u) -eq 0 ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" > /dev/null
    version=$(torvane-convert --version; torvane-inspect --version)
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq torvane > /dev/null
else
    version=$("$root/usr/bin/torvane-convert" --version; "$root/usr/bin/torvane-inspect" --version)
fi
echo "installed: $version"
