# Sourced by scripts/run, scripts/test and scripts/package: makes sure the
# Debian packages the build needs are there, installing them when we are root.
INKVISTA_PACKAGES=(cmake g++ make pkg-config qt6-base-dev liblzo2-dev fonts-nanum fonts-liberation
                   libarchive-dev libjpeg-dev libgtest-dev libbenchmark-dev time)
# What making and checking the Debian package needs beyond the build.
INKVISTA_PACKAGE_TOOLS=(dpkg-dev file desktop-file-utils libxml2-utils)

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
