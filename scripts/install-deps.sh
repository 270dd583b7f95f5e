#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only when missing.
# Usage: scripts/install-deps.sh [build|test|run|bench|fuzz|package]...
set -euo pipefail

# Fonts: Comic Neue for the hand-writing face, and the free families that stand in for the
# other faces the windows name (see core/Look.cpp).
build_pkgs=(cmake g++ make pkg-config libssl-dev qt6-base-dev libgl-dev libgtest-dev libgmock-dev libssh2-1-dev fonts-comic-neue
            fonts-liberation2 fonts-roboto-unhinted librsvg2-bin)
test_pkgs=(python3 python3-pyftpdlib python3-openssl python3-paramiko openssh-client openssl desktop-file-utils xvfb xauth appstream man-db)
run_pkgs=(python3 python3-pyftpdlib)
bench_pkgs=(curl time lftp openssh-client)  # vsftpd and sshd come unpacked by scripts/*-servers.sh
fuzz_pkgs=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
package_pkgs=(dpkg-dev file debootstrap)  # cpack -G DEB and the check of the .deb in a fresh root

wanted=()
[ $# -eq 0 ] && set -- build test
for what in "$@"; do
  case "$what" in
    build) wanted+=("${build_pkgs[@]}") ;;
    test)  wanted+=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
    run)   wanted+=("${build_pkgs[@]}" "${run_pkgs[@]}") ;;
    bench) wanted+=("${build_pkgs[@]}" "${bench_pkgs[@]}") ;;
    fuzz)  wanted+=("${fuzz_pkgs[@]}") ;;
    package) wanted+=("${build_pkgs[@]}" "${package_pkgs[@]}") ;;
    *) echo "install-deps: unknown group '$what'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    case " ${missing[*]-} " in *" $p "*) ;; *) missing+=("$p") ;; esac
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
# sudo drops the environment: the setting is passed on the command itself.
apt=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
"${apt[@]}" update -q
"${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
