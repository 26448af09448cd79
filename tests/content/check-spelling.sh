#!/bin/sh
# Usage: check-spelling.sh DUMP_CONTENT WORD_LIST
# Runs every quiz text through hunspell's Bulgarian dictionary. The word list holds the proper
# names and abbreviations the dictionary lacks; any other unknown word is a typo.
set -eu

dump=$1
words=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$dump" >"$tmp/texts"
if [ ! -s "$tmp/texts" ]; then
    echo "check-spelling: $dump printed nothing" >&2
    exit 1
fi

# -i: the texts are UTF-8 whatever the locale says.
if ! hunspell -d bg_BG -i UTF-8 -p "$words" -l <"$tmp/texts" >"$tmp/unknown"; then
    echo "check-spelling: hunspell with the bg_BG dictionary failed" >&2
    exit 1
fi

# A dictionary that accepted everything would make this check pass; make sure it does not.
if [ "$(printf 'битка биткаа\n' | hunspell -d bg_BG -i UTF-8 -l)" != "биткаа" ]; then
    echo "check-spelling: hunspell does not flag a misspelt word" >&2
    exit 1
fi

if [ -s "$tmp/unknown" ]; then
    echo "check-spelling: words not in the dictionary or $words:" >&2
    sort -u "$tmp/unknown" >&2
    exit 1
fi
echo "check-spelling: $(wc -l <"$tmp/texts") texts, no unknown words"
