#!/usr/bin/env bash
# The Debian packages from CPack: dependencies, contents, the runtime run unpacked anywhere; in CI (or
# ZRC_TEST_INSTALL_DEB=1, as root) both installed with apt-get and used from /usr as a user of the machine would.
# check_deb.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$(dirname "$0")/../..")
source "$source/tests/install/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -rf "$build/packages"
(cd "$build" && cpack -G DEB -B "$build/packages") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
shopt -s nullglob
runtime=("$build"/packages/zrc-toolkit_*.deb)
dev=("$build"/packages/libpagecodec-dev_*.deb)
[ ${#runtime[@]} -eq 1 ] && [ ${#dev[@]} -eq 1 ] || { ls -l "$build/packages" >&2; fail "cpack made no zrc-toolkit and libpagecodec-dev packages"; }
pass "cpack made $(basename "${runtime[0]}") and $(basename "${dev[0]}")"
depends=$(dpkg-deb -f "${runtime[0]}" Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }')
for package in libqt6widgets6 libsdl2-2.0-0 libsoxr0 libsndfile1 libc6 libstdc++6; do
  grep -qxF "$package" <<<"$names" || fail "zrc-toolkit does not depend on $package"
done
pass "zrc-toolkit depends on Qt 6 Widgets, SDL2, libsoxr, libsndfile and the C and C++ libraries"
# The GStreamer plugin is built where GStreamer's development files are
# (always in scripts/test).
gst_plugin=false
[ -f "$build/bin/libgstzrc.so" ] && gst_plugin=true
if $gst_plugin; then
  grep -qxF libgstreamer1.0-0 <<<"$names" || fail "zrc-toolkit does not depend on libgstreamer1.0-0"
  pass "zrc-toolkit depends on GStreamer"
fi
version=$(dpkg-deb -f "${runtime[0]}" Version)
grep -qF "zrc-toolkit (= $version)" <<<"$(dpkg-deb -f "${dev[0]}" Depends)" || fail "libpagecodec-dev does not depend on zrc-toolkit $version"
pass "libpagecodec-dev depends on zrc-toolkit (= $version)"
# Whole outputs into grep -q, never a pipe: grep leaving early would fail the writer (pipefail).
grep -qx './shlibs' <<<"$(dpkg-deb --ctrl-tarfile "${runtime[0]}" | tar -t)" || fail "zrc-toolkit has no shlibs file"
pass "zrc-toolkit declares libPageCodec in its shlibs"
dpkg-deb -c "${runtime[0]}" | awk '{ print $6 }' >"$work/runtime.txt"
dpkg-deb -c "${dev[0]}" | awk '{ print $6 }' >"$work/dev.txt"
# The programs, the libraries and the samples are run unpacked below.
for path in ./usr/share/applications/zrcplayer.desktop ./usr/share/mime/packages/zrcplayer.xml \
  ./usr/share/icons/hicolor/scalable/apps/zrcplayer.svg ./usr/share/man/man1/zrc.1.gz ./usr/share/man/man1/ZrcPlayer.1.gz; do
  grep -qx -- "$path" "$work/runtime.txt" || fail "zrc-toolkit lacks $path"
done
if $gst_plugin; then
  gst_dir=$(pkg-config --variable=pluginsdir gstreamer-1.0)
  grep -qx -- ".$gst_dir/libgstzrc.so" "$work/runtime.txt" || fail "zrc-toolkit lacks $gst_dir/libgstzrc.so"
fi
! grep -qE 'libPageCodec\.so$|pagecodec\.h$|\.pc$' "$work/runtime.txt" || fail "zrc-toolkit holds development files"
for pattern in '/include/pagecodec\.h$' 'libPageCodec\.so$' '/pkgconfig/pagecodec\.pc$' '/cmake/PageCodec/PageCodecConfig\.cmake$'; do
  grep -qE -- "$pattern" "$work/dev.txt" || fail "libpagecodec-dev lacks $pattern"
done
pass "zrc-toolkit holds programs, libraries and desktop files; libpagecodec-dev the development files"
dpkg-deb -x "${runtime[0]}" "$work/unpacked"
expect_output "unpacked zrc --version" "zrc $version" "$work/unpacked/usr/bin/zrc" --version
# The player converts as check_install.sh proves; here it finds its libraries wherever the package is unpacked.
check_player_libraries "$work/unpacked/usr/bin/ZrcPlayer" "$work/unpacked"
if [ "${CI:-}" != true ] && [ "${ZRC_TEST_INSTALL_DEB:-0}" != 1 ]; then
  echo "Not installing the packages (CI=true or ZRC_TEST_INSTALL_DEB=1 installs them, as root)"
  echo "package: $zrc_checks_passed passed, 0 failed"
  exit 0
fi
[ "$(id -u)" -eq 0 ] || fail "installing the packages needs root"
cp "${runtime[0]}" "${dev[0]}" "$work/"
# Packages brought in here leave with it, so that later suites meet the
# machine as it was; ones already installed stay, at this build's version.
installed_before=$(dpkg-query -W -f='${Status}' zrc-toolkit 2>/dev/null || true)
if ! grep -q '^install ok installed$' <<<"$installed_before"; then
  trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -q zrc-toolkit libpagecodec-dev >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends --reinstall \
  "$work/$(basename "${runtime[0]}")" "$work/$(basename "${dev[0]}")" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install of the packages"; }
pass "apt-get install ./$(basename "${runtime[0]}") ./$(basename "${dev[0]}")"
# The same files as unpacked above; here the player finds its libraries in the system's folders.
check_player_libraries /usr/bin/ZrcPlayer /usr/lib
if $gst_plugin; then
  # Found in the system's plugin folder by a registry made anew.
  inspect=$(env -u GST_PLUGIN_PATH GST_REGISTRY="$work/registry.bin" gst-inspect-1.0 zrc 2>&1) ||
    { echo "$inspect" >&2; fail "gst-inspect-1.0 zrc after the install"; }
  # A merged /usr may show it under /lib.
  found=$(awk '$1 == "Filename" { print $2 }' <<<"$inspect")
  [ -n "$found" ] && [ "$(realpath "$found")" = "$(realpath "$gst_dir/libgstzrc.so")" ] ||
    { echo "$inspect" >&2; fail "gst-inspect-1.0 zrc does not find the installed plugin"; }
  grep -qF 'zrcdec: ZRC recording decoder' <<<"$inspect" || fail "gst-inspect-1.0 zrc lists no zrcdec"
  pass "gst-inspect-1.0 zrc finds the installed plugin in $gst_dir"
fi
# shared-mime-info's trigger has run update-mime-database.
grep -qx 'audio/x-zrc:\*\.zrc' /usr/share/mime/globs || fail "the system's MIME database has no *.zrc"
pass "the system's MIME database knows audio/x-zrc"

extract_c_example "$source/README.md" "$work/example.c"
# shellcheck disable=SC2046 # the flags are words
"${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror "$work/example.c" $(pkg-config --cflags --libs pagecodec) \
  -o "$work/example" || fail "README example against the installed package"
pass "README example builds with the installed package's pkg-config file"
# Found by the dynamic linker alone: the package ran ldconfig.
check_c_example "$work/example" /usr/share/doc/zrc-toolkit/examples

echo "package: $zrc_checks_passed passed, 0 failed"
