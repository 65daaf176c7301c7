#!/usr/bin/env bash
# Prepares this Debian machine to build and test the installer. Idempotent:
# each step checks whether its result is already there.
#   - apt packages: mingw-w64 (posix), Wine 64- and 32-bit, Xvfb, fonts, tools
#   - qemu-i386 from trixie, registered through binfmt_misc, so that the
#     32-bit Wine can run on this kernel (it has no native 32-bit support)
#   - dependency sources from Debian (minizip, libjpeg-turbo) and their
#     static mingw builds under .deps/
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd)
DEPS=$REPO/.deps
QDIR=/opt/qemu-trixie
export DEBIAN_FRONTEND=noninteractive
SUDO=; [ "$(id -u)" = 0 ] || SUDO=sudo

log() { printf '[setup] %s\n' "$*"; }

# The machine's own Debian archive address (never written into the repo).
ARCHIVE_URI=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources)

# --- 1. qemu-i386 from trixie, registered for i386 ELF programs -------------
if [ ! -x $QDIR/qemu-i386 ]; then
  log "fetching trixie's qemu-i386"
  $SUDO mkdir -p $QDIR/apt/lists/partial $QDIR/apt/cache/archives/partial $QDIR/deb
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $ARCHIVE_URI trixie main" \
    | $SUDO tee $QDIR/apt/sources.list >/dev/null
  TRX=(-o Dir::Etc::SourceList=$QDIR/apt/sources.list -o Dir::Etc::SourceParts=/dev/null
       -o Dir::State::Lists=$QDIR/apt/lists -o Dir::Cache=$QDIR/apt/cache
       -o APT::Architectures::=amd64 -o APT::Sandbox::User=root)
  $SUDO apt-get "${TRX[@]}" update -q >/dev/null
  (cd $QDIR/deb && $SUDO apt-get "${TRX[@]}" download qemu-user >/dev/null)
  $SUDO dpkg-deb -x $QDIR/deb/qemu-user_*_amd64.deb $QDIR/root
  $SUDO cp $QDIR/root/usr/bin/qemu-i386 $QDIR/qemu-i386
  $SUDO rm -rf $QDIR/root $QDIR/deb $QDIR/apt
fi
mountpoint -q /proc/sys/fs/binfmt_misc || $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
if [ ! -e /proc/sys/fs/binfmt_misc/i386-wine32 ]; then
  log "registering qemu-i386 for i386 programs"
  printf '%s' ':i386-wine32:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QDIR"'/qemu-i386:F' \
    | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
fi

# --- 2. apt packages ----------------------------------------------------------
PACKAGES=(cmake ninja-build g++ make python3 dpkg-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
          libz-mingw-w64-dev googletest libminizip-dev zlib1g-dev
          wine wine32:i386 wine64 fonts-wine xvfb x11-utils xdotool imagemagick
          fonts-wqy-microhei locales unzip zip libjpeg-turbo-progs
          clang libclang-rt-14-dev nsis libarchive-tools hyperfine)
missing=()
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  $SUDO apt-get update -q >/dev/null
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$' || $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8

# --- 3. dependency sources from Debian ----------------------------------------
SRC=$DEPS/src
if [ ! -f $SRC/.done ]; then
  log "fetching minizip and libjpeg-turbo sources"
  mkdir -p $SRC/apt/lists/partial $SRC/apt/cache/archives/partial
  awk '/^Types:/{print "Types: deb-src"; next} {print}' /etc/apt/sources.list.d/debian.sources \
    | awk 'BEGIN{RS=""; ORS="\n\n"} !/security/' > $SRC/apt/sources.sources
  SRCAPT=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=$SRC/apt/parts
          -o Dir::State::Lists=$SRC/apt/lists -o Dir::Cache=$SRC/apt/cache -o APT::Sandbox::User=root)
  mkdir -p $SRC/apt/parts && mv $SRC/apt/sources.sources $SRC/apt/parts/debian-src.sources
  apt-get "${SRCAPT[@]}" update -q >/dev/null
  (cd $SRC && apt-get "${SRCAPT[@]}" source -q --only-source minizip libjpeg-turbo >/dev/null 2>&1)
  rm -rf $SRC/apt
  touch $SRC/.done
fi
MINIZIP=$(ls -d $SRC/minizip-*/ | head -1)
JPEG=$(ls -d $SRC/libjpeg-turbo-*/ | head -1)

# --- 4. static mingw builds of libjpeg ----------------------------------------
# Sections per function so that the link keeps only the decoder parts used;
# msvcrt's printf family instead of mingw's own, larger one.
JPEG_FLAGS="-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -D__USE_MINGW_ANSI_STDIO=0"
for triplet in i686-w64-mingw32 x86_64-w64-mingw32; do
  out=$DEPS/$triplet
  if [ "$(cat $out/.jpeg-flags 2>/dev/null)" != "$JPEG_FLAGS" ] || [ ! -f $out/lib/libjpeg.a ]; then
    log "building libjpeg for $triplet"
    rm -rf $DEPS/build/jpeg-$triplet
    cmake -S "$JPEG" -B $DEPS/build/jpeg-$triplet -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE=$REPO/cmake/$triplet.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DCMAKE_C_FLAGS_MINSIZEREL="$JPEG_FLAGS" \
      -DCMAKE_INSTALL_PREFIX=$out -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
      -DWITH_ARITH_ENC=OFF -DWITH_ARITH_DEC=OFF -Wno-dev >/dev/null
    cmake --build $DEPS/build/jpeg-$triplet --target jpeg-static >/dev/null
    mkdir -p $out/lib $out/include
    cp $DEPS/build/jpeg-$triplet/libjpeg.a $out/lib/
    cp "$JPEG"/jpeglib.h "$JPEG"/jmorecfg.h "$JPEG"/jerror.h $DEPS/build/jpeg-$triplet/jconfig.h $out/include/
    echo "$JPEG_FLAGS" > $out/.jpeg-flags
  fi
done
ln -sfn "$MINIZIP" $DEPS/minizip
log "ready"
