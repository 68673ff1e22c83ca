#!/usr/bin/env bash
# Installs the Debian packages the build needs, and the locale the tests need, when any is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config libsdl2-dev libfreetype-dev fonts-dejavu-core
      googletest libgtest-dev libgmock-dev libbenchmark-dev locales)
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}"
fi
# The save list's test reads a UTF-8 date that is not ASCII: Icelandic.
if ! locale -a 2>/dev/null | grep -qix 'is_IS\.utf-\?8'; then
  $sudo_cmd localedef -i is_IS -f UTF-8 is_IS.UTF-8
fi
