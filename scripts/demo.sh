#!/usr/bin/env bash
# Builds the program and runs a scripted session of requests against a demo
# server tree laid out from demo/template in a scratch directory.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
echo "building (log: build/demo-build.log)..."
mkdir -p build
if ! bash scripts/build.sh build >build/demo-build.log 2>&1; then
  tail -40 build/demo-build.log
  exit 1
fi
scratch=$(mktemp -d /tmp/qv-demo-XXXXXX)
cp -r demo/template/. "$scratch/"
mkdir -p "$scratch"/{cgi,config,data,logs,sessions}
chmod 700 "$scratch/sessions"  # session identifiers are credentials
# Every document of the security store names this schema in config/.
cp schemas/tarnel_security_1_0.xsd "$scratch/config/"
echo "demo server tree: $scratch"
export QV_BUILD="$PWD/build" QV_DEMO="$scratch" QV_REPO="$PWD"
for step in demo/steps/*.sh; do
  bash "$step"
done
