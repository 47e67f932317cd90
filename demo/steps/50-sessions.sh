source "$QV_REPO/demo/lib.sh"
probe() { show "$QV_BUILD/qv-sessionprobe" qv-sessionprobe "$@"; }
ns='xmlns:qvs="urn:tarnel:security:1.0" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation="urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd" majorVersion="1" minorVersion="0"'
options() {
  cat > ../config/security_options.xml <<XML
<qvs:security_options $ns><qvs:options>
<qvs:securityEnabled>$1</qvs:securityEnabled><qvs:sessionTimeout>21600</qvs:sessionTimeout>
<qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime><qvs:minimumPasswordLength>5</qvs:minimumPasswordLength>
<qvs:useSessionCookies>true</qvs:useSessionCookies><qvs:verifySessionIPAddress>false</qvs:verifySessionIPAddress>
<qvs:corvanaAppServerURL>http://localhost:8080/topaz</qvs:corvanaAppServerURL>
<qvs:corvanaDatabaseName>corvana</qvs:corvanaDatabaseName><qvs:corvanaOracleServerName>corvana</qvs:corvanaOracleServerName>
<qvs:logLevel>3</qvs:logLevel><qvs:logFileName>../logs/security.log</qvs:logFileName>
</qvs:options></qvs:security_options>
XML
}
session() {  # session NAME TIMEOUT LAST_ACCESSED
  cat > "../sessions/$1" <<XML
<qvs:security_session $ns><qvs:session_data>
<qvs:emailAddress>ann@example.invalid</qvs:emailAddress><qvs:fullUserName>Ann</qvs:fullUserName>
<qvs:ipAddress>127.0.0.1</qvs:ipAddress><qvs:lastAccessed>$3</qvs:lastAccessed>
<qvs:securityEnabled>true</qvs:securityEnabled><qvs:timeout>$2</qvs:timeout><qvs:userID>42</qvs:userID>
<qvs:userName>ann</qvs:userName><qvs:userType>1</qvs:userType><qvs:verifyAddress>false</qvs:verifyAddress>
<qvs:custom_parameters/><qvs:permitted_tasks><qvs:task><qvs:task_id>13</qvs:task_id><qvs:short_desc/>
<qvs:long_desc/><qvs:task_name/><qvs:type>4</qvs:type><qvs:values_array><qvs:value>7</qvs:value>
</qvs:values_array></qvs:task></qvs:permitted_tasks></qvs:session_data></qvs:security_session>
XML
}

heading "Security off: every request gets the security-disabled session"
options false
probe --owner 7

heading "Security on: a command-line program gets the shared command-line session"
options true
probe
ls ../sessions

heading "A user's session: own results, and user 7's through task 13; not user 8's"
session ann_session 3600 "$(date +%s)"
probe --sessionID ann_session --owner 7
probe --sessionID ann_session --owner 8

heading "A session idle for longer than its timeout is refused (exit status 10)"
session idle_session 60 "$(($(date +%s) - 61))"
probe --sessionID idle_session
echo "security log, last line:"
tail -1 ../logs/security.log | sed 's/^/  /'

heading "An identifier that would leave ../sessions/ is never used as a file name"
probe --sessionID ../config/security_options.xml
rm -f ../config/security_options.xml ../sessions/*
