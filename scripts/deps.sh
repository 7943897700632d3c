# Sourced by the scripts: installs the Debian packages the project needs when
# any is missing. Safe to run again; does nothing when all are present.

SKYWEAVE_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libwebp-dev libheif-dev libexif-dev libxml2-dev libglib2.0-dev
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core libx11-dev
  libxinerama-dev libxrandr-dev
  libgtk-3-dev
  xvfb xserver-xephyr x11-xserver-utils libgl1-mesa-dri xdotool x11-utils imagemagick webp
  libimage-exiftool-perl
  xscreensaver xscreensaver-data libxml2-utils man-db groff-base bsdextrautils util-linux
  lintian desktop-file-utils shared-mime-info dpkg-dev
)

skyweave_install_packages() {
  local missing=()
  local p
  for p in "${SKYWEAVE_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
