#!/usr/bin/env bash
# Signs the installer stand-in for the update-marker tests with a code-signing
# certificate of a throw-away test root, made afresh for each build tree:
#   sign-stub.sh <unsigned exe> <signed exe> <root certificate, DER>
# The tests put the root into the Wine prefix's trusted roots before they start the
# program, so the start-up check accepts the signed copy and nothing else.
set -euo pipefail
unsigned=$(realpath "$1") signed=$(realpath -m "$2") root_der=$(realpath -m "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Reelkeep Test Root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout root.key -out root.pem 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Reelkeep Test Publisher" -keyout signer.key -out signer.csr 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 -extfile signer.ext \
  -out signer.pem 2>/dev/null
osslsigncode sign -certs signer.pem -key signer.key -n "Reelkeep test installer" -h sha256 \
  -in "$unsigned" -out signed.exe >/dev/null
openssl x509 -in root.pem -outform DER -out root.der
mv signed.exe "$signed"
mv root.der "$root_der"
