#!/usr/bin/env bash
# Names the keys that may sign the successors of a release, in the release's own program:
#   name-keys.sh <program> <certificate or public key>...
# writes the SHA-256 of each key (of its DER SubjectPublicKeyInfo) into the empty slots of
# the program's resource RELEASE_KEYS, in place, before the program is signed. Each file is
# a certificate or a public key, PEM or DER: a spare key's private half stays offline.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: name-keys.sh <program> <certificate or public key>..." >&2; exit 2; }
program=$1
shift
title="Reelkeep release keys"
slots=8
[ $# -le $slots ] || { echo "name-keys.sh: at most $slots keys" >&2; exit 1; }
offsets=$(grep -obUaF "$title" "$program" | cut -d: -f1 || true)
if [ -z "$offsets" ] || [ "$(wc -l <<<"$offsets")" -ne 1 ]; then
  echo "name-keys.sh: $program has no single table of release keys" >&2
  exit 1
fi
# The public key of a certificate or key file, as DER on stdout.
public_key() {
  local form
  for form in PEM DER; do
    openssl x509 -inform $form -in "$1" -noout -pubkey 2>/dev/null | openssl pkey -pubin -outform DER 2>/dev/null &&
      return 0
    openssl pkey -pubin -inform $form -in "$1" -outform DER 2>/dev/null && return 0
  done
  echo "name-keys.sh: $1 is neither a certificate nor a public key" >&2
  return 1
}
at=$((offsets + ${#title} + 1))
for file in "$@"; do
  fingerprint=$(public_key "$file" | sha256sum | cut -c1-64)
  printf '%s' "$fingerprint" | dd of="$program" bs=1 seek="$at" conv=notrunc status=none
  at=$((at + 65))
done
