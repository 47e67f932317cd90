#!/usr/bin/env bash
# Installs the packages the build, the tests and the demo need, when missing.
set -euo pipefail
packages=(
  g++ make cmake pkg-config
  googletest libgtest-dev
  libxerces-c-dev libcurl4-openssl-dev libssl-dev libacl1-dev acl
  clang libclang-rt-dev
  python3 locales
  libxml2-utils time ccache
  mandoc lintian dpkg-dev  # the manual pages' linter; making and checking the Debian package
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
