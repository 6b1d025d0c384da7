#!/bin/sh
# debian-package.sh BUILD_DIR VERSION: packages the build with CPack and
# checks the package: its name, that it holds exactly what cmake --install
# puts under /usr, that its dependencies come from the linked libraries,
# and that lintian finds no error.
set -eu
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/package/quorrel_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$work/package")"

# The package's files against the install layout, both as paths under /usr.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort > "$work/packaged"
DESTDIR="$work/root" cmake --install "$build" --prefix /usr > /dev/null
(cd "$work/root" && find . ! -type d | sed 's|^\./||' | sort) > "$work/installed"
diff -u "$work/installed" "$work/packaged" || fail "the package differs from the install layout"
for file in usr/bin/quorrel usr/bin/quorrel-practice-site usr/share/quorrel/servers.xml \
            usr/share/applications/org.quorrel.Quorrel.desktop \
            usr/share/metainfo/org.quorrel.Quorrel.metainfo.xml \
            usr/share/icons/hicolor/16x16/apps/org.quorrel.Quorrel.png \
            usr/share/icons/hicolor/32x32/apps/org.quorrel.Quorrel.png \
            usr/share/icons/hicolor/48x48/apps/org.quorrel.Quorrel.png \
            usr/share/icons/hicolor/128x128/apps/org.quorrel.Quorrel.png \
            usr/share/icons/hicolor/256x256/apps/org.quorrel.Quorrel.png \
            usr/share/icons/hicolor/scalable/apps/org.quorrel.Quorrel.svg \
            usr/share/man/man1/quorrel.1.gz usr/share/doc/quorrel/copyright; do
  grep -qx "$file" "$work/packaged" || fail "$file is not in the package"
done

[ "$(dpkg-deb -f "$deb" Package)" = quorrel ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libwxgtk3.2 libcurl4 libboost-regex; do
  echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq 'postinst|preinst|postrm|prerm' && fail "maintainer scripts"

lintian --fail-on error --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian reports errors"; }
cat "$work/lintian.log"
echo "package $(basename "$deb") checked"
