#!/bin/bash
# lngc LNGC CHIMELY_BASE: the language-file compiler writes what the program's reader reads back
# text for text (non-Latin letters, a character above U+FFFF, '=' inside a text, an empty text),
# joins its sources in the order given, and refuses lines the reader would take otherwise.
source "$(dirname "$0")/e2e-lib.sh"
LNGC=$1 BASE=$2
cd "$ROOT"
printf '# a comment\n\nsnooze=Schlummern 5 Min.\nempty=\nequation=a=b c\n' > a.txt
printf 'greek=Ξυπνητήρι\r\nbell=🔔 ring\nlast=trailing blank \n' > b.txt
"$LNGC" build out.lng a.txt b.txt || fail "lngc build"
[ "$(head -c 2 out.lng | od -An -tx1 | tr -d ' ')" = fffe ] || fail "no byte-order mark"
expected='snooze=Schlummern 5 Min.
empty=
equation=a=b c
greek=Ξυπνητήρι
bell=🔔 ring
last=trailing blank 
missing=<default>'
got=$("$BASE" lng '\out.lng' snooze empty equation greek bell last missing) || fail "chimely-base lng"
[ "$got" = "$expected" ] || fail "read back: $got"
[ "$("$LNGC" keys '\out.lng' | tr '\n' ' ')" = "bell empty equation greek last snooze " ] || fail "keys"

# refuse SOURCE-TEXT MESSAGE-PART: lngc ends with 1, names the line, and leaves the old file.
refuse() {
    printf "$1" > bad.txt
    cp out.lng before.lng
    if "$LNGC" build out.lng bad.txt 2> err.txt; then fail "accepted: $1"; fi
    grep -qF "$2" err.txt || fail "message for $1: $(cat err.txt)"
    cmp -s out.lng before.lng || fail "a refused build changed the file"
}
refuse 'title= Alarm\n' 'bad.txt:1: a text cannot start with a blank'
refuse 'ok=1\nno equals sign\n' 'bad.txt:2: not a key=text line'
refuse 'two words=x\n' 'bad.txt:1: the key must be one word'
refuse '//x=y\n' 'the key must be one word'
refuse '=y\n' 'bad.txt:1:'
refuse 'k=a\nk=b\n' 'bad.txt:2: k already has another text at bad.txt:1'
refuse 'k=\xff\n' 'not valid UTF-8'
printf 'k=a\nk=a\n' > same.txt
"$LNGC" build same.lng same.txt || fail "the same text twice is refused"
echo "lngc: ok"
