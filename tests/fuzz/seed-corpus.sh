#!/bin/bash
# Writes small seed inputs for the base fuzz targets into OUT_DIR/<target>/.
# Usage: seed-corpus.sh OUT_DIR
set -euo pipefail
out=${1:?usage: seed-corpus.sh OUT_DIR}

# Little-endian numbers and UTF-16LE text as raw bytes.
u16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
u32() { u16 $(($1 & 65535)); u16 $(($1 >> 16 & 65535)); }
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; }

seed() { mkdir -p "$out/$1"; cat > "$out/$1/$2"; }

# A local zip header for a stored entry: zip_entry NAME DATA [METHOD] [FLAGS] [SIZE]
zip_entry() {
  local name=$1 data=$2 method=${3:-0} flags=${4:-0} size=${5:-${#2}}
  u32 0x04034b50; u16 10; u16 "$flags"; u16 "$method"; u32 0; u32 0
  u32 "$size"; u32 "$size"; u16 ${#name}; u16 4
  printf '%s' "$name"; printf 'XY\x00\x00'; printf '%s' "$data"
}

seed fuzz_xml plain.xml <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<alarms version="2"><alarm name="Wake &amp; up" time="07:30" days="1111100">
  <!-- a comment --><![CDATA[raw <text>]]>text &#x20AC; &lt;</alarm><?pi data?><empty/></alarms>
EOF
{ printf '\xff\xfe'; utf16 '<?xml version="1.0" encoding="UTF-16"?><settings><v name="x" value="é€𝄞"/></settings>'; } | seed fuzz_xml utf16.xml
printf '<a><b c="1"><d/></b>text<e f="2" g="&#0;"/></a>' | seed fuzz_xml small.xml

# Nested far deeper than any file of the system: the copy must stay linear in size.
{ for i in $(seq 2000); do printf '<a>'; done; for i in $(seq 2000); do printf '</a>'; done; } | seed fuzz_xml deep.xml

{ zip_entry 'a.txt' 'hello'; zip_entry 'dir/B.TXT' 'second entry'; zip_entry 'c' ''; } | seed fuzz_zip stored.zip
{ zip_entry 'x.txt' 'abc'; zip_entry 'deflated' 'zzzz' 8; zip_entry 'later' 'never read'; } | seed fuzz_zip method.zip
{ zip_entry 'y.txt' 'abc' 0 8; } | seed fuzz_zip descriptor.zip
{ zip_entry 'long' 'short' 0 0 4000; } | seed fuzz_zip past-end.zip

{ printf '\xff\xfe'; utf16 $'// comment\r\nmenuAlarm= Alarm\r\nmenuExit Exit\r\nalone\r\nnext line\r\ntitle=Chimély €\r\n'; } | seed fuzz_lng utf16.lng
printf '// 8-bit\nkey=caf\xe9 \x80\n  spaced    text\n=empty\nkey2==x\n' | seed fuzz_lng cp1252.lng

printf 'caf\xc3\xa9 \xe2\x82\xac \xf0\x9d\x84\x9e \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82' | seed fuzz_text mixed-utf8.bin
{ printf '\x00\x40\xff\xfe'; utf16 'A€𝄞'; printf '\x00\xd8\x41\x00\x00\xdc'; } | seed fuzz_text utf16.bin
printf '\x80\x81\x8d\x9f\xa0\xff plain' | seed fuzz_text cp1252.bin

{ u32 1; utf16 'C:\sound.wav'; printf '\x00\x00'; } | seed fuzz_registry string.bin
{ u32 4; u32 0x12345678; } | seed fuzz_registry dword.bin
{ u32 1; printf 'A\x00B\x00\x00\x00C\x00D'; } | seed fuzz_registry odd-string.bin
{ u32 3; printf '\x01\x02\x03'; } | seed fuzz_registry binary.bin

# Window-socket records: a list request, a copy-data request of 3 bytes, a list answer.
{ printf 'CWQ1'; u32 1; u32 0; } | seed fuzz_remote list.bin
{ printf 'CWQ1'; u32 4; u32 27; u32 9; u32 5; u32 0x40000004; u32 0x05060708; u32 0x01020304; u32 3; printf 'x\x00y'; } | seed fuzz_remote copy.bin
{ printf 'CWA1'; u32 0; u32 12; u32 2; u32 3; u32 7; } | seed fuzz_remote list-answer.bin

# Skins: a header whose form (or kind) tree starts at 540, the rest as given.
skin_header() {
  u16 0x0421; u16 0x043A; u16 0x0438; u16 0x043D; head -c 64 /dev/zero
  u32 "$1"; u32 "$2"; head -c $((540 - 80)) /dev/zero
}
# A form whose control list claims every byte, its entries pointing into a run without a NUL.
{ skin_header 540 0; head -c 64 /dev/zero; u32 0xFFFFFFFF; head -c 3500 /dev/zero | tr '\0' 'A'; } |
  seed fuzz_skin control-list.skin
# Twenty kinds that share one string array of 500 records, all naming one text of 127 units.
{ skin_header 0 2796; for i in $(seq 127); do printf 'N\x00'; done; head -c 2 /dev/zero
  for i in $(seq 500); do u16 540; u16 540; done
  for k in $(seq 0 19); do
    u32 0; u32 $((k < 19 ? 2796 + 60 * (k + 1) : 0)); u32 540; head -c 16 /dev/zero
    u32 796; u32 2796; head -c 24 /dev/zero
  done; } | seed fuzz_skin shared-arrays.skin

# A WAV file claiming 1 Hz: nothing may try to resample it.
{ printf 'RIFF'; u32 44; printf 'WAVEfmt '; u32 16; u16 1; u16 1; u32 1; u32 2; u16 2; u16 16
  printf 'data'; u32 8; head -c 8 /dev/zero; } | seed fuzz_wav rate-1hz.wav
