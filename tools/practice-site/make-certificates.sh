#!/bin/sh
# Makes the practice site's TLS files in the folder given: a practice CA
# (ca.pem) and, all for one key (site.key), a certificate for 127.0.0.1
# and localhost signed by it (site.pem), an expired one (expired.pem), one
# for another host name (otherhost.pem) and one signed by an authority
# nobody trusts (stranger.pem). Keys are made here, at build time, and never
# leave the build folder.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
ssl() { openssl "$@" 2>/dev/null; }
newkey() { ssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out "$1"; }

authority() {  # name key pem
  newkey "$2"
  ssl req -x509 -new -key "$2" -out "$3" -days 3650 -subj "/O=Quorrel practice/CN=$1" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}
leaf() {  # ca-pem ca-key days subject-alt-names pem
  printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\nsubjectAltName=%s\n' \
      "$4" > leaf.ext
  ssl x509 -req -in site.csr -CA "$1" -CAkey "$2" -set_serial "0x$(ssl rand -hex 8)" -days "$3" \
      -extfile leaf.ext -out "$5"
}

authority "Quorrel practice CA" ca.key ca.pem
authority "Somebody else's CA" stranger-ca.key stranger-ca.pem
newkey site.key
ssl req -new -key site.key -out site.csr -subj "/O=Quorrel practice/CN=127.0.0.1"
leaf ca.pem ca.key 825 "IP:127.0.0.1,DNS:localhost" site.pem
leaf ca.pem ca.key -1 "IP:127.0.0.1,DNS:localhost" expired.pem
leaf ca.pem ca.key 825 "DNS:other.example" otherhost.pem
leaf stranger-ca.pem stranger-ca.key 825 "IP:127.0.0.1,DNS:localhost" stranger.pem
rm -f site.csr leaf.ext
