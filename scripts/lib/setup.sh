# Sourced by scripts/run and scripts/test: installs with apt-get whatever the build and the
# tests need and is missing, and prints nothing when all is there.

sms_packages=(
    cmake ninja-build g++ googletest libgtest-dev   # the host build and its unit tests
    clang libclang-rt-14-dev                        # the fuzz targets
    mingw-w64                                       # the Windows build
    debootstrap bubblewrap                          # the Wine test bed (scripts/lib/wine-bed)
    xvfb x11-utils imagemagick                      # a display of its own, and its screenshots
    zip unzip osslsigncode openssl                  # the release, signed, and its test
    wixl msitools python3                           # the MSI package
    gcovr                                           # scripts/coverage
    clang-format                                    # the product code's layout
)

sms_missing_packages() {
    local package
    for package in "${sms_packages[@]}"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || printf '%s\n' "$package"
    done
}

sms_ensure_packages() {
    local missing
    missing=$(sms_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing: $(echo $missing)"
    if [ "$(id -u)" != 0 ]; then
        echo "Run as root, or install these with apt-get first." >&2
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null || { echo "apt-get update failed: no package registry reached" >&2; return 1; }
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing >/dev/null
}

# Fails, naming the files and lines, where any C or C++ file (product, tests, benchmark) is not
# laid out as .clang-format says.
sms_check_format() {
    local files
    mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
    clang-format --dry-run --Werror "${files[@]}"
}

# The Wine test bed, made once per machine where it is missing.
sms_ensure_bed() {
    scripts/lib/wine-bed make
}

# Configures a preset (only when it is not yet configured) and builds it, quietly.
sms_build() {
    local preset=$1 log
    log=$(mktemp)
    if [ ! -f "build/$preset/build.ninja" ]; then
        cmake --preset "$preset" >"$log" 2>&1 || { cat "$log"; rm -f "$log"; return 1; }
    fi
    cmake --build --preset "$preset" -- --quiet >"$log" 2>&1 || { cat "$log"; rm -f "$log"; return 1; }
    rm -f "$log"
}
