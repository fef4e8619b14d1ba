#!/usr/bin/env bash
# The release's signing step, for Reelkeep.exe, the set-up and its uninstaller:
#   sign.sh --certificate=<file> --key=<file> --timestamp=<url> [--name-keys=<files>] <input> [<output>]
# signs <input> with Authenticode (osslsigncode, SHA-256) and an RFC 3161 timestamp from
# the time-stamp server at <url> into <output>, or in place when there is none. The
# certificate file (PEM or DER) should hold the whole chain up to the root, so that Windows
# need not fetch any of it; the key (PEM or DER) must not be encrypted. With --name-keys
# (the program only) the program first names the keys that may sign its successors: the
# certificate's own and the spares listed (certificates or public keys, separated by
# spaces; at least one), see name-keys.sh.
# With certificate, key and time-stamp server all empty the file stays unsigned (copied to
# <output> as it is) and the step says so; some without the others is an error.
set -euo pipefail
# Every option always comes, empty when unset: the build passes them on as they are.
usage() {
  echo "usage: sign.sh --certificate=<file> --key=<file> --timestamp=<url> [--name-keys=<files>] <input> [<output>]" >&2
  exit 2
}
[ $# -ge 4 ] || usage
case "$1" in --certificate=*) certificate=${1#--certificate=} ;; *) usage ;; esac
case "$2" in --key=*) key=${2#--key=} ;; *) usage ;; esac
case "$3" in --timestamp=*) timestamp=${3#--timestamp=} ;; *) usage ;; esac
shift 3
naming=false spares=""
case "$1" in --name-keys=*) naming=true spares=${1#--name-keys=}; shift ;; esac
[ $# -eq 1 ] || [ $# -eq 2 ] || usage
input=$1 output=${2:-$1}
if [ -z "$certificate" ] && [ -z "$key" ] && [ -z "$timestamp" ]; then
  [ "$input" -ef "$output" ] || cp "$input" "$output"
  echo "$(basename "$output"): not signed (REELKEEP_SIGN_CERT, REELKEEP_SIGN_KEY and REELKEEP_TIMESTAMP_URL are not set)"
  exit 0
fi
if [ -z "$certificate" ] || [ -z "$key" ] || [ -z "$timestamp" ]; then
  echo "sign.sh: signing needs a certificate, its key and a time-stamp server" \
    "(REELKEEP_SIGN_CERT, REELKEEP_SIGN_KEY and REELKEEP_TIMESTAMP_URL)" >&2
  exit 1
fi
if $naming && [ -z "$spares" ]; then
  echo "sign.sh: a release names at least one spare key for its successors (REELKEEP_SPARE_KEYS)" >&2
  exit 1
fi
work=$(mktemp -d "$(dirname "$output")/.signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$input" "$work/unsigned"
# shellcheck disable=SC2086 # the spares are a list of files
if $naming; then "$(dirname "$0")/name-keys.sh" "$work/unsigned" "$certificate" $spares; fi
osslsigncode sign -certs "$certificate" -key "$key" -h sha256 -n "Reelkeep" -i "https://www.reelkeep.com/" \
  -ts "$timestamp" -in "$work/unsigned" -out "$work/signed" >/dev/null
chmod --reference="$input" "$work/signed"
mv -f "$work/signed" "$output"
