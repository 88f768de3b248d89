#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    clang libclang-rt-14-dev                    # libFuzzer targets
    libgtest-dev libgmock-dev
    zlib1g-dev libcurl4-openssl-dev libxml2-dev
    ca-certificates                             # the trust store https certificates are checked against
    qt6-base-dev
    fonts-liberation qt6-translations-l10n      # the windows' face; Qt's own texts in Portuguese
    mariadb-server-core mariadb-client-core     # the test database server
    python3 python3-spyne                       # a third-party SOAP service the tests talk to
    openssl                                     # certificates for the HTTPS test peer
    tinyproxy                                   # the forwarding proxy the web service tests go through
    file dpkg-dev                               # cpack: the .deb and its library dependencies
    lintian                                     # the package check
    systemd                                     # systemd-analyze: the sender unit's exposure check
    libmariadb-dev                              # the peer client library, linked only into bench/
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev   # the Windows builds
    wine64 fonts-wine libgnutls30               # the Windows suites (wine64's recommends named)
    nsis 7zip                                   # the Windows installers, and their contents listed
    xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
