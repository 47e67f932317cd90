#!/usr/bin/env bash
# The Debian package, tried as an administrator would: make it with cpack,
# look at what it holds and what it depends on, unpack it into a temporary
# root with dpkg-deb -x and run the unpacked programs there: --version, a
# task's --status in a temporary server tree, and a session check that needs
# the XML library of the module in the unpacked lib folder. lintian, when
# installed, must report no error.
#
# usage: package_test.sh BUILD_DIR SOURCE_DIR SANITIZED
# SANITIZED is ON in a sanitizer build, whose programs are not what a
# package ships: the test is skipped there (exit status 77).
set -uo pipefail
build=$1 source=$2 sanitized=$3
if [ "$sanitized" = ON ]; then
  echo "skipped: a package is made from a normal build, not from the sanitizer build $build"
  exit 77
fi
for tool in cpack dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed (scripts/deps.sh installs it)"; exit 1; }
done
tmp=$(mktemp -d /tmp/qv-package-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }
# expect <name> <expected> <actual>
expect() {
  if [ "$2" == "$3" ]; then ok "$1"; else fail "$1: expected '$2', got '$3'"; fi
}

# --- the package
if ! (cd "$build" && cpack -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  echo "FAIL cpack -G DEB"
  exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$tmp/out/qv-searchcontrol_${version}_$(dpkg --print-architecture).deb"
if [ -z "$version" ] || [ ! -f "$deb" ]; then
  echo "FAIL no package qv-searchcontrol_<version>_<architecture>.deb; made:"
  ls "$tmp/out"
  exit 1
fi
ok "cpack made $(basename "$deb")"

expect "the package's name" qv-searchcontrol "$(dpkg-deb -f "$deb" Package)"
expect "the package's version is the project's" "$version" "$(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libacl1 libxerces-c libcurl4; do
  if [[ "$depends" == *"$library"* ]]; then ok "depends on $library"; else fail "Depends lacks $library: $depends"; fi
done

# Exactly the installed programs, the module, the schemas, the manual pages
# and the documents: no test or benchmark program.
{
  for p in qv-configcheck qv-enginesim qv-genresults qv-searchcontrol qv-sessionprobe; do
    echo "usr/bin/$p"
    echo "usr/share/man/man1/$p.1.gz"
  done
  echo usr/lib/qv-searchcontrol/libqv-ext.so
  echo usr/share/qv-searchcontrol/sorvanter_tarnel_search_1.xsd
  echo usr/share/qv-searchcontrol/tarnel_security_1_0.xsd
  for d in README.md copyright changelog.gz; do echo "usr/share/doc/qv-searchcontrol/$d"; done
  for f in "$source"/docs/formats/*.md; do echo "usr/share/doc/qv-searchcontrol/formats/$(basename "$f")"; done
} | sort >"$tmp/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$tmp/contents"
if diff "$tmp/expected" "$tmp/contents" >"$tmp/diff"; then
  ok "the package holds exactly the installed files"
else
  fail "the package's files differ from the installed set (< missing, > unexpected):"
  cat "$tmp/diff"
fi

# --- unpacked
root="$tmp/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL dpkg-deb -x"; exit 1; }
for f in "$root"/usr/bin/* "$root"/usr/lib/qv-searchcontrol/libqv-ext.so; do
  if readelf -S --wide "$f" | grep -qE ' \.symtab | \.debug_'; then fail "$f is not stripped"; else ok "$(basename "$f") is stripped"; fi
done
for page in "$root"/usr/share/man/man1/*.gz; do
  # gzip -9n: no file name (flags 00) and no time stamp (00000000) in the header.
  header=$(od -An -tx1 -N8 "$page" | tr -d ' \n')
  if gzip -t "$page" && [ "${header:6:10}" = 0000000000 ]; then
    ok "$(basename "$page") is compressed without name nor time"
  else
    fail "$(basename "$page"): header $header"
  fi
done

bin="$root/usr/bin"
unset REMOTE_ADDR REMOTE_USER HTTP_USER_AGENT HTTP_COOKIE
expect "qv-searchcontrol --version" "$bin/qv-searchcontrol - Version $version" "$("$bin/qv-searchcontrol" --version)"
for tool in qv-configcheck qv-enginesim qv-genresults qv-sessionprobe; do
  expect "$tool --version" "$tool $version" "$("$bin/$tool" --version 2>&1)"
done

# A server tree: the demo's configuration; the security schema from the package.
tree="$tmp/tree"
cp -r "$source/demo/template/." "$tree/"
mkdir -p "$tree"/{cgi,config,data,logs,sessions}
cp "$root/usr/share/qv-searchcontrol/tarnel_security_1_0.xsd" "$tree/config/"
cd "$tree/cgi" || exit 1
expect "qv-configcheck reads the tree's configuration" ok "$("$bin/qv-configcheck" | tail -1)"
answer=$("$bin/qv-searchcontrol" --create_task_id)
id=${answer#taskID=}
if [[ "$answer" =~ ^taskID=[0-9]+$ ]]; then ok "--create_task_id: $answer"; else fail "--create_task_id: $answer"; fi
expect "--status of the new task" "id_assigned" "$("$bin/qv-searchcontrol" --status --taskID "$id")"
expect "--status of a task no file holds" "unknown_id" "$("$bin/qv-searchcontrol" --status --taskID 12345)"

# Security on: opening the command-line session validates the options and
# writes the session file through the XML library of the module.
ns='xmlns:qvs="urn:tarnel:security:1.0" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation="urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd" majorVersion="1" minorVersion="0"'
cat >../config/security_options.xml <<XML
<qvs:security_options $ns><qvs:options>
<qvs:securityEnabled>true</qvs:securityEnabled><qvs:sessionTimeout>21600</qvs:sessionTimeout>
<qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime><qvs:minimumPasswordLength>5</qvs:minimumPasswordLength>
<qvs:useSessionCookies>true</qvs:useSessionCookies><qvs:verifySessionIPAddress>false</qvs:verifySessionIPAddress>
<qvs:corvanaAppServerURL>http://localhost:8080/topaz</qvs:corvanaAppServerURL>
<qvs:corvanaDatabaseName>corvana</qvs:corvanaDatabaseName><qvs:corvanaOracleServerName>corvana</qvs:corvanaOracleServerName>
<qvs:logLevel>3</qvs:logLevel><qvs:logFileName>../logs/security.log</qvs:logFileName>
</qvs:options></qvs:security_options>
XML
probe=$("$bin/qv-sessionprobe")
status=$?
if [ "$status" = 0 ] && [[ "$probe" == *"session=cmd_cmdlinesession"*"valid=1"* ]] && [ -f ../sessions/cmd_cmdlinesession ]; then
  ok "qv-sessionprobe opens the command-line session with the unpacked module"
else
  fail "qv-sessionprobe: status $status: $probe"
fi
# Without the unpacked module the same check fails, naming where it looked.
mv "$root/usr/lib/qv-searchcontrol/libqv-ext.so" "$tmp/module.so"
probe=$("$bin/qv-sessionprobe")
status=$?
if [ "$status" != 0 ] && [[ "$probe" == *"cannot load the extension module"*"$bin/../lib/qv-searchcontrol/libqv-ext.so"* ]]; then
  ok "without it the session check fails, naming the unpacked lib folder"
else
  fail "qv-sessionprobe without the module: status $status: $probe"
fi
mv "$tmp/module.so" "$root/usr/lib/qv-searchcontrol/libqv-ext.so"

if command -v lintian >/dev/null; then
  lintian "$deb" >"$tmp/lintian" 2>&1
  if grep -q '^E:' "$tmp/lintian"; then
    fail "lintian reports errors:"
    cat "$tmp/lintian"
  else
    ok "lintian reports no error"
    grep -E '^[WE]:' "$tmp/lintian" | sed 's/^/     /'
  fi
else
  echo "note lintian is not installed; not run"
fi

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
