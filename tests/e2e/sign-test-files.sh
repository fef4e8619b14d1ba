#!/usr/bin/env bash
# Signs the test builds with throw-away certificates, made afresh for each build tree:
#   sign-test-files.sh <installer stand-in> <program> <output folder>
# A local time-stamp authority (`openssl ts` behind timestamp_server.py) dates signatures.
# The test root issues every certificate below but the self-signed ones; the tests trust it.
# Into the folder go
#   test-root.cer            the test root;
#   Reelkeep.exe             the program, naming the keys "ours" and "spare" for its
#                            successors, signed by "Reelkeep Test Publisher" with "ours" and
#                            timestamped: the release's own signing step (installer/sign.sh);
# and the stand-in, with the version 1.22 unless said otherwise, as
#   ours.exe                 signed with "ours" through a second certificate (a renewal);
#   spare.exe                signed with the spare key;
#   other-publisher.exe      signed by another publisher under the same root;
#   copied-subject.exe       signed by a self-signed certificate that copies the publisher's
#                            name, with a key of its own;
#   same-version.exe, older.exe   version 1.21 and 1.0, signed with "ours";
#   padded.exe               ours.exe with 4 KB added inside its certificate table;
#   expired-stamped.exe      signed with "ours" under a certificate of 2019-2020, timestamped
#                            in June 2020 by the trusted authority;
#   expired-unstamped.exe    the same without a timestamp;
#   expired-stranger-stamp.exe    the same, timestamped by an authority nobody trusts;
#   stamped-after-expiry.exe the same, timestamped in June 2022, after the certificate ended;
#   large.exe                signed with "ours", 20 MB long.
set -euo pipefail
here=$(realpath "$(dirname "$0")")
sign="$here/../../installer/sign.sh"
stub=$(realpath "$1") program=$(realpath "$2") out=$(realpath -m "$3")
work=$(mktemp -d)
server=""
trap '[ -z "$server" ] || kill "$server"; rm -rf "$work"' EXIT
cd "$work"
publisher="/CN=Reelkeep Test Publisher"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' >tsa.ext

# dated <day or ""> <command>...: runs the command as on that day, or today.
dated() { if [ -n "$1" ]; then faketime "$1" "${@:2}"; else "${@:2}"; fi; }
# issue <key> <subject> <certificate> <extensions> <days> [<first day>]: under the root.
issue() {
  openssl req -new -key "$1" -subj "$2" -out request.csr 2>/dev/null
  dated "${6:-}" openssl x509 -req -in request.csr -CA root.pem -CAkey root.key -CAcreateserial -days "$5" \
    -extfile "$4" -out "$3" 2>/dev/null
}
for key in ours spare other tsa; do openssl genrsa -out $key.key 2048 2>/dev/null; done
# The root and the authority reach back to before the expired certificate's time.
dated "2018-01-01 00:00:00" openssl req -x509 -newkey rsa:2048 -nodes -days 7300 -subj "/CN=Reelkeep Test Root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout root.key -out root.pem 2>/dev/null
issue tsa.key "/CN=Reelkeep Test Time-Stamp Authority" tsa.pem tsa.ext 7300 "2018-01-01 00:00:00"
dated "2018-01-01 00:00:00" openssl req -x509 -newkey rsa:2048 -nodes -days 7300 -subj "/CN=Stranger Time-Stamp Authority" \
  -addext "extendedKeyUsage=critical,timeStamping" -keyout stranger.key -out stranger.pem 2>/dev/null
issue ours.key "$publisher" ours.pem signer.ext 3650
issue ours.key "$publisher" ours-renewed.pem signer.ext 3650
issue ours.key "$publisher" ours-2019.pem signer.ext 730 "2019-01-01 00:00:00"
issue spare.key "$publisher" spare.pem signer.ext 3650
issue other.key "/CN=Other Test Publisher" other.pem signer.ext 3650
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "$publisher" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout copied.key -out copied.pem 2>/dev/null
openssl pkey -in spare.key -pubout -out spare.pub

# The authorities, behind a local server: /<section>/<time> answers as that section then.
echo 01 >serial
for section in trusted stranger; do
  case $section in trusted) pair=tsa ;; stranger) pair=stranger ;; esac
  cat >>tsa.cnf <<CONFIG
[ $section ]
serial = $work/serial
signer_cert = $work/$pair.pem
signer_key = $work/$pair.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256
ess_cert_id_alg = sha256
CONFIG
done
python3 "$here/timestamp_server.py" tsa.cnf port &
server=$!
for _ in $(seq 100); do [ -s port ] && break; sleep 0.1; done
authority="http://127.0.0.1:$(cat port)"
stamp() {
  local moment=${2// /%20}
  echo "$authority/$1/${moment//:/%3A}"
}

# The stand-in under another version, and a signed file with bytes added in its table.
python3 - "$stub" <<'PYTHON'
import struct, sys
stub = open(sys.argv[1], "rb").read()
for name, version in (("v1.22.exe", (1, 22)), ("v1.21.exe", (1, 21)), ("v1.0.exe", (1, 0))):
    data = bytearray(stub)
    at = data.index(struct.pack("<I", 0xFEEF04BD))
    high, low = version[0] << 16 | version[1], 0
    struct.pack_into("<4I", data, at + 8, high, low, high, low)
    open(name, "wb").write(data)
PYTHON
cp v1.22.exe large-unsigned.exe
head -c $((20 << 20)) /dev/urandom >>large-unsigned.exe

osslsign() { osslsigncode sign -h sha256 -n "Reelkeep" "$@" >/dev/null; }
# The release's own signing step, with the program naming its successors' keys.
"$sign" --certificate=ours.pem --key=ours.key --timestamp="$(stamp trusted "")" --name-keys=spare.pub \
  "$program" Reelkeep.exe
"$sign" --certificate=ours-renewed.pem --key=ours.key --timestamp="$(stamp trusted "")" v1.22.exe ours.exe
osslsign -certs spare.pem -key spare.key -in v1.22.exe -out spare.exe
osslsign -certs other.pem -key other.key -in v1.22.exe -out other-publisher.exe
osslsign -certs copied.pem -key copied.key -in v1.22.exe -out copied-subject.exe
osslsign -certs ours.pem -key ours.key -in v1.21.exe -out same-version.exe
osslsign -certs ours.pem -key ours.key -in v1.0.exe -out older.exe
osslsign -certs ours.pem -key ours.key -in large-unsigned.exe -out large.exe
osslsign -certs ours-2019.pem -key ours.key -ts "$(stamp trusted "2020-06-01 12:00:00")" -in v1.22.exe \
  -out expired-stamped.exe
osslsign -certs ours-2019.pem -key ours.key -in v1.22.exe -out expired-unstamped.exe
osslsign -certs ours-2019.pem -key ours.key -ts "$(stamp stranger "2020-06-01 12:00:00")" -in v1.22.exe \
  -out expired-stranger-stamp.exe
osslsign -certs ours-2019.pem -key ours.key -ts "$(stamp trusted "2022-06-01 12:00:00")" -in v1.22.exe \
  -out stamped-after-expiry.exe
python3 - ours.exe padded.exe <<'PYTHON'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
optional = pe + 24
entry = optional + (112 if struct.unpack_from("<H", data, optional)[0] == 0x20B else 96) + 4 * 8
table, size = struct.unpack_from("<II", data, entry)
extra = 4096
struct.pack_into("<I", data, entry + 4, size + extra)
struct.pack_into("<I", data, table, struct.unpack_from("<I", data, table)[0] + extra)
open(sys.argv[2], "wb").write(data + bytes(extra))
PYTHON
openssl x509 -in root.pem -outform DER -out test-root.cer

mkdir -p "$out"
mv Reelkeep.exe ours.exe spare.exe other-publisher.exe copied-subject.exe same-version.exe older.exe padded.exe \
  expired-stamped.exe expired-unstamped.exe expired-stranger-stamp.exe stamped-after-expiry.exe large.exe \
  test-root.cer "$out/"
