#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a folder it may not depend on, and
# names every such file and line. Layers point one way, lowest first; a folder may include
# itself and the folders listed for it, nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder      may include
read -r -d '' ALLOWED <<'TABLE' || true
resources
platform      resources
framework     platform resources
settings      framework platform resources
titles        platform
probe         platform
history       platform
library       titles probe framework platform resources
intake        library titles probe framework platform resources
capture       settings intake library history titles probe framework platform resources
convert       settings library titles probe framework platform resources
preview       settings flashhost framework platform resources
webimport     settings intake library titles probe framework platform resources
update        settings library titles probe framework platform resources
flashhost     platform
flashctl      flashhost platform
app           capture convert preview flashctl flashhost webimport update settings intake library history titles probe framework platform resources
TABLE

declare -A allowed
while read -r folder rest; do
    [ -n "$folder" ] && allowed[$folder]=" $folder $rest "
done <<<"$ALLOWED"

status=0
while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/^[^"]*#[[:space:]]*include[[:space:]]*"([^"/]+)\/.*/\1/' <<<"${rest#*:}")
    folder=$(cut -d/ -f2 <<<"$file")
    if [ -z "${allowed[$folder]+set}" ]; then
        echo "$file: the folder '$folder' has no row in the layer table of $0"
        status=1
    elif [[ "${allowed[$folder]}" != *" $target "* ]]; then
        echo "$file:$line: '$folder' may not include '$target/' (it includes:${allowed[$folder]% })"
        status=1
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' src)

[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
