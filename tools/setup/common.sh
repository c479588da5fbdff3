# Shared by ./run and ./test: install what is missing, configure and build a tree.

# Packages every build needs: the compiler, CMake, Qt 6 Widgets and the Traditional Chinese faces,
# zlib for station-check's PNG pictures and gzip-compressed captures, libpcap for the peer its
# benchmark reads captures with, gettext for the tools' Traditional Chinese catalogue.
ORLANEK_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libxcb1-dev libgtest-dev
  fonts-arphic-uming fonts-arphic-ukai libhidapi-dev zlib1g-dev libpcap-dev gettext)

# The virtual machine of the tests on a real kernel (tools/vm); dumpcap captures its USB traffic.
ORLANEK_VM_PACKAGES=(qemu-system-x86 busybox-static cpio kmod udev acl procps wireshark-common)

# The fuzz targets: Clang with libFuzzer and the sanitizers' runtimes.
ORLANEK_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

# A browser for the check of station-check's room report (headless).
ORLANEK_BROWSER_PACKAGES=(chromium)

# Building and checking the Debian package; man-db reads its Chinese manual pages back.
ORLANEK_PACKAGE_PACKAGES=(dpkg-dev lintian man-db)

# ensure_packages PKG...: installs the packages that are not installed yet, quietly.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" = 'install ok installed' ] ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}. Run this as root, or install them with apt-get." >&2
    return 1
  fi
  echo "Installing ${missing[*]} ..."
  apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >/dev/null
}

# build_tree DIR CMAKE-OPTIONS... [-- TARGETS...]: configures DIR once, then builds it
# incrementally (all targets, or only the ones given after --).
build_tree() {
  local dir=$1 options=() targets=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift && targets=("$@")
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
  fi
  cmake --build "$dir" ${targets[@]:+--target "${targets[@]}"} -- --quiet
}

# The native trees: build/ for use and the plain test run, build-asan/ with the sanitizers.
ORLANEK_PLAIN_OPTIONS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ORLANEK_SANITIZED_OPTIONS=(-DCMAKE_BUILD_TYPE=Debug -DORLANEK_SANITIZE=ON)
# build-fuzz/: only the input readers and their fuzz targets, built by Clang.
ORLANEK_FUZZ_OPTIONS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DORLANEK_FUZZ=ON
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14)

# The Windows cross builds of the library and their tests under Wine (32-bit Wine needs the
# i386 architecture before the package lists are read), and the MSI (wixl; msiinfo reads it).
# station-check.exe: zlib for its pictures and compressed captures. locales: the Chinese locale
# that the programs' check in Chinese makes for Wine.
ORLANEK_WINDOWS_PACKAGES=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  googletest wine wine32:i386 wine64 libz-mingw-w64-dev wixl msitools locales)
ensure_windows_packages() {
  if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
    [ "$(id -u)" -eq 0 ] || { echo "Run this as root to add the i386 architecture for Wine." >&2; return 1; }
    dpkg --add-architecture i386
  fi
  ensure_packages "${ORLANEK_WINDOWS_PACKAGES[@]}"
}

ORLANEK_WIN32_OPTIONS=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
  -DCMAKE_BUILD_TYPE=Release)
ORLANEK_WIN64_OPTIONS=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
  -DCMAKE_BUILD_TYPE=Release)
