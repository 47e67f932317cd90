source "$QV_REPO/demo/lib.sh"
configcheck() { show "$QV_BUILD/qv-configcheck" qv-configcheck "$@"; }

heading "Checking the server configuration"
configcheck
echo "\$ qv-configcheck --dump   (a few of its lines)"
"$QV_BUILD/qv-configcheck" --dump |
  grep -E '^(MaxQueries|ReportNumberChoices|PrecursorCutOut|Database|ParseRule|Cluster\.(Enabled|SubClusterSet))=' |
  sed 's/^/  /'

heading "A configuration with mistakes: warnings keep it usable"
cat > /tmp/qv-demo-broken.dat <<'DAT'
Options
MailTransport 9
ReviewColWidths 10,1,500
ICATFilter
end
Cluster
MasterComputerName master 10.0.0.300:5001
SubClusterSet 3 70000
end
DAT
configcheck /tmp/qv-demo-broken.dat

heading "The server's status page in place of the file: invalid"
printf '<BODY><H1>Tarnel search status page</H1>\n' > /tmp/qv-demo-stopped.dat
configcheck /tmp/qv-demo-stopped.dat
rm -f /tmp/qv-demo-broken.dat /tmp/qv-demo-stopped.dat
