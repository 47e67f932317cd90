#!/usr/bin/env bash
# Cost of the session check: opening a valid session (security options file
# present, schema validation on, the session file rewritten) through
# qv-sessionprobe, against `qv-searchcontrol --version`, measured side by
# side. Usage: bench/security_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-200}
bash scripts/build.sh build >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -O2 -o "$work/spawntime" bench/spawntime.cpp
mkdir -p "$work"/{cgi,config,logs,sessions}
cp schemas/tarnel_security_1_0.xsd "$work/config/"
ns='xmlns:qvs="urn:tarnel:security:1.0" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation="urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd" majorVersion="1" minorVersion="0"'
cat >"$work/config/security_options.xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<qvs:security_options $ns>
  <qvs:options>
    <qvs:securityEnabled>true</qvs:securityEnabled>
    <qvs:sessionTimeout>21600</qvs:sessionTimeout>
    <qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime>
    <qvs:minimumPasswordLength>5</qvs:minimumPasswordLength>
    <qvs:useSessionCookies>true</qvs:useSessionCookies>
    <qvs:verifySessionIPAddress>false</qvs:verifySessionIPAddress>
    <qvs:corvanaAppServerURL>http://localhost:8080/topaz</qvs:corvanaAppServerURL>
    <qvs:corvanaDatabaseName>corvana</qvs:corvanaDatabaseName>
    <qvs:corvanaOracleServerName>corvana</qvs:corvanaOracleServerName>
    <qvs:logLevel>3</qvs:logLevel>
    <qvs:logFileName>../logs/security.log</qvs:logFileName>
  </qvs:options>
</qvs:security_options>
XML
tasks=""
for id in 13 14 20 21; do
  tasks+="<qvs:task><qvs:task_id>$id</qvs:task_id><qvs:short_desc>task $id</qvs:short_desc><qvs:long_desc/>"
  tasks+="<qvs:task_name>t$id</qvs:task_name><qvs:type>4</qvs:type><qvs:values_array><qvs:value>1</qvs:value>"
  tasks+="<qvs:value>2</qvs:value></qvs:values_array></qvs:task>"
done
cat >"$work/sessions/bench_session" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<qvs:security_session $ns>
  <qvs:session_data>
    <qvs:emailAddress>user@example.invalid</qvs:emailAddress>
    <qvs:fullUserName>Bench User</qvs:fullUserName>
    <qvs:ipAddress>127.0.0.1</qvs:ipAddress>
    <qvs:lastAccessed>$(date +%s)</qvs:lastAccessed>
    <qvs:securityEnabled>true</qvs:securityEnabled>
    <qvs:timeout>0</qvs:timeout>
    <qvs:userID>42</qvs:userID>
    <qvs:userName>bench</qvs:userName>
    <qvs:userType>1</qvs:userType>
    <qvs:verifyAddress>false</qvs:verifyAddress>
    <qvs:custom_parameters/>
    <qvs:permitted_tasks>$tasks</qvs:permitted_tasks>
  </qvs:session_data>
</qvs:security_session>
XML
(cd "$work/cgi" && "$OLDPWD/build/qv-sessionprobe" --sessionID bench_session --quiet | grep -qx 'valid=1') ||
  { echo "the bench session does not open"; exit 1; }
times=$("$work/spawntime" "$runs" "$work/cgi" -- "$PWD/build/qv-searchcontrol" --version \
  -- "$PWD/build/qv-sessionprobe" --sessionID bench_session --quiet)
version=$(sed -n 1p <<<"$times")
session=$(sed -n 2p <<<"$times")
echo "qv-searchcontrol --version: ${version} us (median of $runs)"
echo "opening a valid session: ${session} us"
awk -v a="$session" -v b="$version" 'BEGIN { printf "session-open ratio=%.2f target=8\n", a / b }'
