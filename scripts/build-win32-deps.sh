#!/usr/bin/env bash
# Builds static Windows libraries from the Debian sources in .cache/sources (zlib, libpng,
# libjpeg-turbo with its SIMD code, giflib, libtiff, libwebp) and GoogleTest from Debian's googletest package:
#   scripts/build-win32-deps.sh [i686|x86_64]      (default i686)
# The prefix lives outside the work tree, so fresh clones on the same machine share it. Its
# name carries a digest of the source versions, the compiler and this script, so a change of
# any of them builds a new prefix instead of reusing a stale one. Prints the prefix as its
# only line on standard output; everything else goes to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

arch=${1:-i686}
case "$arch" in
  i686) processor=x86 ;;
  x86_64) processor=AMD64 ;;
  *) echo "build-win32-deps: unknown architecture '$arch'" >&2; exit 2 ;;
esac
triple=$arch-w64-mingw32
toolchain=$root/cmake/mingw-$arch.cmake
cache=${PALLIDOR_CACHE_DIR:-/var/cache/pallidor}

source_dir() {
  local found
  found=$(compgen -G ".cache/sources/$1-*/" | head -n 1) ||
    { echo "build-win32-deps: no source of $1 in .cache/sources" >&2; exit 2; }
  echo "$root/${found%/}"
}
zlib_src=$(source_dir zlib)
png_src=$(source_dir libpng1.6)
jpeg_src=$(source_dir libjpeg-turbo)
gif_src=$(source_dir giflib)
tiff_src=$(source_dir tiff)
webp_src=$(source_dir libwebp)
gtest_src=/usr/src/googletest

key=$( { ls .cache/sources/*.dsc | xargs -n 1 basename
         dpkg-query -W -f='${Version}\n' googletest
         "$triple-gcc-posix" --version | head -n 1
         cat "$0" "$root/cmake/mingw-common.cmake" "$toolchain"; } | sha256sum | cut -c 1-12)
prefix=$cache/win32-prefix-$arch-$key

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
  as_root mkdir -p "$cache"
  as_root chown "$(id -u):$(id -g)" "$cache"
fi

echo "build-win32-deps: building the $arch libraries into $prefix" >&2
rm -rf "$prefix"
work=$(mktemp -d "$cache/build-$arch.XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
export CC=$triple-gcc-posix AR=$triple-ar RANLIB=$triple-ranlib
cmake_common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
              -DCMAKE_INSTALL_PREFIX="$prefix" -DPALLIDOR_WIN32_PREFIX="$prefix")

# zlib's own configure knows MinGW by CHOST; it builds in its source tree, so copy it.
cp -a "$zlib_src" "$work/zlib"
(cd "$work/zlib" && CHOST=$triple ./configure --static --prefix="$prefix" &&
   make -j "$jobs" libz.a && make install) >"$work/zlib.log" 2>&1 ||
  { tail -n 30 "$work/zlib.log" >&2; exit 1; }

(cd "$work" && mkdir png && cd png &&
   "$png_src/configure" --host="$triple" --prefix="$prefix" --disable-shared --enable-static \
     CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" &&
   make -j "$jobs" install) >"$work/png.log" 2>&1 ||
  { tail -n 30 "$work/png.log" >&2; exit 1; }

cmake -S "$jpeg_src" -B "$work/jpeg" "${cmake_common[@]}" -DCMAKE_SYSTEM_PROCESSOR=$processor \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DWITH_TURBOJPEG=OFF \
  >"$work/jpeg.log" 2>&1 &&
  cmake --build "$work/jpeg" -j "$jobs" --target jpeg-static >>"$work/jpeg.log" 2>&1 &&
  mkdir -p "$prefix/lib" "$prefix/include" &&
  cp "$work/jpeg/libjpeg.a" "$prefix/lib/" &&
  cp "$work/jpeg/jconfig.h" "$jpeg_src/jpeglib.h" "$jpeg_src/jmorecfg.h" "$jpeg_src/jerror.h" \
    "$prefix/include/" ||
  { tail -n 30 "$work/jpeg.log" >&2; exit 1; }

# Only the decoding library; giflib's tools need a POSIX build environment.
mkdir -p "$work/gif"
(cd "$work/gif" &&
   for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
     "$CC" -O2 -c "$gif_src/$f.c" -o "$f.o" || exit 1
   done &&
   "$AR" rcs libgif.a ./*.o && cp libgif.a "$prefix/lib/" &&
   cp "$gif_src/gif_lib.h" "$prefix/include/") >"$work/gif.log" 2>&1 ||
  { tail -n 30 "$work/gif.log" >&2; exit 1; }

# libtiff with the codecs of its own and zlib's and libjpeg's from this prefix; none of the
# other optional libraries, so the programs import nothing more.
cmake -S "$tiff_src" -B "$work/tiff" "${cmake_common[@]}" -DBUILD_SHARED_LIBS=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
  -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dlibdeflate=OFF -Djbig=OFF -Dlerc=OFF \
  -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF >"$work/tiff.log" 2>&1 &&
  cmake --build "$work/tiff" -j "$jobs" >>"$work/tiff.log" 2>&1 &&
  cmake --install "$work/tiff" >>"$work/tiff.log" 2>&1 ||
  { tail -n 30 "$work/tiff.log" >&2; exit 1; }

# libwebp's decoder, demuxer and encoder (the tests write their WebP pictures with it).
cmake -S "$webp_src" -B "$work/webp" "${cmake_common[@]}" -DBUILD_SHARED_LIBS=OFF \
  -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
  -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
  -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF \
  >"$work/webp.log" 2>&1 &&
  cmake --build "$work/webp" -j "$jobs" >>"$work/webp.log" 2>&1 &&
  cmake --install "$work/webp" >>"$work/webp.log" 2>&1 ||
  { tail -n 30 "$work/webp.log" >&2; exit 1; }

cmake -S "$gtest_src" -B "$work/gtest" "${cmake_common[@]}" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
  -Dgtest_disable_pthreads=ON >"$work/gtest.log" 2>&1 &&
  cmake --build "$work/gtest" -j "$jobs" >>"$work/gtest.log" 2>&1 &&
  cmake --install "$work/gtest" >>"$work/gtest.log" 2>&1 ||
  { tail -n 30 "$work/gtest.log" >&2; exit 1; }

touch "$prefix/.complete"
echo "$prefix"
