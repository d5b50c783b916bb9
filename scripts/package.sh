#!/usr/bin/env bash
# Builds the Debian package from the tree: configures a build of its own in build-deb/ (or the folder
# in BUILD_DIR) for /usr, builds what the package holds, installs it into a staging root and packs it
# with the Debian tools. Prints the path of the .deb; checks it with lintian, desktop-file-validate
# and appstreamcli unless TARN_PACKAGE_CHECK=0.
#
# Layout: /usr/bin/tarntool and /usr/bin/tarn lead to /usr/lib/tarntool/, which holds the programs,
# libtarn.so, the skin plug-in, translations, manuals and the default settings; the trusted makers
# list is the conffile /etc/tarntool/trusted-makers.txt. The postinst gives both programs cap_net_raw.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/setup.sh"
build="${BUILD_DIR:-$top/build-deb}"
private=/usr/lib/tarntool

generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
# Hardened as Debian builds: checked buffer functions, relocations read-only and bound at start.
fortify="-D_FORTIFY_SOURCE=2"
bindnow="-Wl,-z,relro -Wl,-z,now"
cmake -S "$top" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DTARN_INSTALL_RUNPATH="$private" -DTARN_BUILD_TESTS=OFF -DCMAKE_C_FLAGS="$fortify" \
    -DCMAKE_CXX_FLAGS="$fortify" -DCMAKE_EXE_LINKER_FLAGS="$bindnow" -DCMAKE_SHARED_LINKER_FLAGS="$bindnow" \
    -DCMAKE_MODULE_LINKER_FLAGS="$bindnow" >/dev/null
cmake --build "$build" --parallel 2 --target TarnTool tarn_cli tarn CommonSkin translations manuals man_pages \
    default_setup default_column_config

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
work="$build/deb"
stage="$work/debian/tarntool"
rm -rf "$work"
mkdir -p "$stage"
DESTDIR="$stage" cmake --install "$build" --strip >/dev/null
elves=("$stage$private/TarnTool" "$stage$private/tarn" "$stage$private/libtarn.so" "$stage$private"/plugins/skins/*.so)
strip --remove-section=.comment "${elves[@]}"

# The trusted makers are the administrator's to edit: a conffile, which the program finds beside itself.
mkdir -p "$stage/etc/tarntool"
mv "$stage$private/trusted-makers.txt" "$stage/etc/tarntool/trusted-makers.txt"
ln -s /etc/tarntool/trusted-makers.txt "$stage$private/trusted-makers.txt"

doc="$stage/usr/share/doc/tarntool"
mkdir -p "$doc"
install -m 0644 "$top/packaging/debian/copyright" "$doc/copyright"
gzip -9nc "$top/packaging/debian/changelog" >"$doc/changelog.gz"

# Debian's tools work in a source tree with debian/control and find a package's root by its
# DEBIAN folder; this tree exists only to run them.
mkdir -p "$stage/DEBIAN"
cat >"$work/debian/control" <<EOF
Source: tarntool
Maintainer: TARN Tool maintainers <maintainers@tarntool.example>

Package: tarntool
Architecture: any
EOF
shlibs=$(cd "$work" && dpkg-shlibdeps -O -l"debian/tarntool$private" "${elves[@]#"$work/"}")
depends="${shlibs#shlibs:Depends=}, libcap2-bin"

install -m 0755 "$top/packaging/debian/postinst" "$stage/DEBIAN/postinst"
echo /etc/tarntool/trusted-makers.txt >"$stage/DEBIAN/conffiles"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s#@VERSION@#$version#" -e "s#@ARCH@#$arch#" -e "s#@SIZE@#$size#" -e "s#@DEPENDS@#$depends#" \
    "$top/packaging/debian/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z | xargs -0 md5sum) \
    >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/conffiles" "$stage/DEBIAN/md5sums"

deb="$build/tarntool_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null

if [ "${TARN_PACKAGE_CHECK:-1}" != 0 ]; then
    desktop-file-validate "$stage/usr/share/applications/"*.desktop
    appstreamcli validate --no-net --explain "$stage/usr/share/metainfo/"*.metainfo.xml >/dev/null
    # Errors fail; warnings are shown.
    lintian --fail-on error "$deb" >&2
fi
echo "$deb"
