#!/usr/bin/env bash
# Builds the program and runs a scripted session of requests against a demo
# server tree laid out from demo/template in a scratch directory.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build
scratch=$(mktemp -d /tmp/qv-demo-XXXXXX)
cp -r demo/template/. "$scratch/"
mkdir -p "$scratch"/{cgi,config,data,logs,sessions}
echo "demo server tree: $scratch"
export QV_BUILD="$PWD/build" QV_DEMO="$scratch" QV_REPO="$PWD"
for step in demo/steps/*.sh; do
  bash "$step"
done
