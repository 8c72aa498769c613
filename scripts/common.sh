# Shared by ./run and ./test: the Debian packages the project needs, and the build.

BRUMEL_RUN_PACKAGES=(g++ cmake make libpng-dev libjpeg62-turbo-dev libbenchmark-dev libcurl4-openssl-dev
  libcli11-dev qt6-base-dev fonts-liberation help2man pkg-config libexiv2-dev
  libtiff-dev libdeflate-dev)
BRUMEL_TEST_PACKAGES=("${BRUMEL_RUN_PACKAGES[@]}" libgtest-dev libgmock-dev
  pkg-config libcpp-httplib-dev libtiff-tools imagemagick pngcheck
  clang libclang-rt-14-dev libfuzzer-14-dev
  dpkg-dev desktop-file-utils appstream lintian man-db file libimage-exiftool-perl parallel)

# Installs the named packages that are not installed yet, through sudo when not root.
brumel_install_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "== installing ${missing[*]}"
  local sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

# Configures the given folder, with any extra CMake options.
brumel_configure() {
  local folder="$1"
  shift
  echo "== building in $folder"
  cmake -S "$ROOT" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Configures and builds everything into the given folder, with any extra CMake options.
brumel_build() {
  brumel_configure "$@"
  cmake --build "$1" -j "$(nproc)"
}
