#!/usr/bin/env bash
# Signs the test builds with throw-away certificates, made afresh for each build tree:
#   sign-test-files.sh <installer stand-in> <program> <output folder>
# Into the folder go
#   test-root.cer        a test root, which the tests trust in the Wine prefix;
#   Reelkeep.exe         the program, signed by "Reelkeep Test Publisher" under that root;
#   ours.exe             the stand-in, signed with the same publisher's key through a
#                        second certificate (as after a renewal);
#   other-publisher.exe  the stand-in, signed by another publisher under the same root;
#   copied-subject.exe   the stand-in, signed by a self-signed certificate that copies the
#                        publisher's name, with a key of its own.
set -euo pipefail
sign=$(realpath "$(dirname "$0")/../../installer/sign.sh")
stub=$(realpath "$1") program=$(realpath "$2") out=$(realpath -m "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
publisher="/CN=Reelkeep Test Publisher"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext

openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Reelkeep Test Root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout root.key -out root.pem 2>/dev/null
# issue <key file> <subject> <certificate file>: a code-signing certificate under the root.
issue() {
  openssl req -new -key "$1" -subj "$2" -out request.csr 2>/dev/null
  openssl x509 -req -in request.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 -extfile signer.ext \
    -out "$3" 2>/dev/null
}
openssl genrsa -out ours.key 2048 2>/dev/null
openssl genrsa -out other.key 2048 2>/dev/null
issue ours.key "$publisher" ours.pem
issue ours.key "$publisher" ours-renewed.pem
issue other.key "/CN=Other Test Publisher" other.pem
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "$publisher" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout copied.key -out copied.pem 2>/dev/null

# The release's own signing step.
"$sign" --certificate=ours.pem --key=ours.key "$program" Reelkeep.exe
"$sign" --certificate=ours-renewed.pem --key=ours.key "$stub" ours.exe
"$sign" --certificate=other.pem --key=other.key "$stub" other-publisher.exe
"$sign" --certificate=copied.pem --key=copied.key "$stub" copied-subject.exe
openssl x509 -in root.pem -outform DER -out test-root.cer

mkdir -p "$out"
mv Reelkeep.exe ours.exe other-publisher.exe copied-subject.exe test-root.cer "$out/"
