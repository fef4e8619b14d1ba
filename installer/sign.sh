#!/usr/bin/env bash
# The release's signing step, for Reelkeep.exe, the set-up and its uninstaller:
#   sign.sh --certificate=<file> --key=<file> <input> [<output>]
# signs <input> with Authenticode (osslsigncode, SHA-256) into <output>, or in place when
# there is none. The certificate file (PEM or DER) should hold the whole chain up to the
# root, so that Windows need not fetch any of it; the key (PEM or DER) must not be
# encrypted. With certificate and key both empty the file stays unsigned (copied to
# <output> as it is) and the step says so; one without the other is an error.
set -euo pipefail
# Both options always come, empty when unset: the build passes them on as they are.
usage() { echo "usage: sign.sh --certificate=<file> --key=<file> <input> [<output>]" >&2; exit 2; }
[ $# -eq 3 ] || [ $# -eq 4 ] || usage
case "$1" in --certificate=*) certificate=${1#--certificate=} ;; *) usage ;; esac
case "$2" in --key=*) key=${2#--key=} ;; *) usage ;; esac
input=$3 output=${4:-$3}
if [ -z "$certificate" ] && [ -z "$key" ]; then
  [ "$input" -ef "$output" ] || cp "$input" "$output"
  echo "$(basename "$output"): not signed (REELKEEP_SIGN_CERT and REELKEEP_SIGN_KEY are not set)"
  exit 0
fi
if [ -z "$certificate" ] || [ -z "$key" ]; then
  echo "sign.sh: signing needs both a certificate and its key (REELKEEP_SIGN_CERT and REELKEEP_SIGN_KEY)" >&2
  exit 1
fi
signed=$(mktemp "$(dirname "$output")/.signing.XXXXXX")
trap 'rm -f "$signed"' EXIT
# osslsigncode refuses to write over an existing file.
rm -f "$signed"
osslsigncode sign -certs "$certificate" -key "$key" -h sha256 -n "Reelkeep" -i "https://www.reelkeep.com/" \
  -in "$input" -out "$signed" >/dev/null
chmod --reference="$input" "$signed"
mv -f "$signed" "$output"
