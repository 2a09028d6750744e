# Sourced by scripts/run, scripts/test and scripts/package: makes sure the
# Debian packages the build needs are there, installing them when we are root.
INKVISTA_PACKAGES=(cmake g++ make pkg-config qt6-base-dev liblzo2-dev fonts-nanum fonts-liberation
                   fonts-dejavu-core fonts-dejavu-extra libarchive-dev libjpeg-dev libglib2.0-dev
                   libfontconfig-dev libpng-dev libgtest-dev libbenchmark-dev time)
# Common fonts the reader must not pick up in place of its own: the tests run
# with them installed, so that the kept screenshots prove the look does not
# depend on what else a machine has.
INKVISTA_TEST_FONTS=(fonts-droid-fallback fonts-noto-mono fonts-lato fonts-liberation2
                     fonts-font-awesome fonts-lyx)
# What making and checking the Debian package needs beyond the build.
INKVISTA_PACKAGE_TOOLS=(dpkg-dev file desktop-file-utils libxml2-utils)
# What the tests need beyond the build: the screen-saver hold is tried
# against a stand-in service on a private session bus.
INKVISTA_TEST_PACKAGES=(dbus python3-dbusmock)

inkvista_ensure_packages() {
    local missing=()
    local p
    for p in "${INKVISTA_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq || true
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "Missing Debian packages: ${missing[*]}" >&2
        echo "Install them with: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
}

inkvista_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
