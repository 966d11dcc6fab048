#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine
# (run as root). Safe to run again: it only does what is missing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build g++ pkg-config dpkg-dev
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  libjpeg62-turbo-dev googletest clang libclang-rt-14-dev
  wine wine64 fonts-wine xvfb xauth x11-utils fonts-arphic-uming
  icoutils binutils-mingw-w64-i686 zip imagemagick bc
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# libjpeg-turbo for the two mingw targets, built once from Debian's own
# source package and installed under build/deps/<triple>.
deps="$top/build/deps"
need_jpeg=0
for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
  [ -f "$deps/$triple/lib/libjpeg.a" ] || need_jpeg=1
done
if ((need_jpeg)); then
  src="$deps/src"
  mkdir -p "$src"
  if ! ls "$src"/libjpeg-turbo_*.orig.tar.gz >/dev/null 2>&1; then
    # Source lists: the same archives as the binary lists, as deb-src.
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/debian-src.sources
      apt-get update -qq
    fi
    (cd "$src" && apt-get source --download-only -qq libjpeg-turbo >/dev/null)
  fi
  tree=$(ls -d "$src"/libjpeg-turbo-*/ 2>/dev/null | head -n1 || true)
  if [ -z "$tree" ]; then
    (cd "$src" && tar xzf libjpeg-turbo_*.orig.tar.gz)
    tree=$(ls -d "$src"/libjpeg-turbo-*/ | head -n1)
  fi
  for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
    [ -f "$deps/$triple/lib/libjpeg.a" ] && continue
    echo "setup: building libjpeg-turbo for $triple"
    bdir="$deps/build-$triple"
    rm -rf "$bdir"
    cmake -S "$tree" -B "$bdir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-${triple%%-*}.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS="-Os -ffunction-sections -fdata-sections" \
      -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 -DWITH_ARITH_ENC=0 \
      -DCMAKE_INSTALL_PREFIX="$deps/$triple" -Wno-dev >/dev/null
    cmake --build "$bdir" --target install >/dev/null
  done
fi
