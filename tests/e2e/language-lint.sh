#!/bin/bash
# language-lint SOURCE_DIR LNGC APP_DIR: every language key the program uses is in English.lng and
# in German.lng of APP_DIR (the built "%app_path%"), and both files hold the same keys.
#
# The keys the program uses are collected by these rules, over the C++ sources of app/, skinner/
# and today/ and the skin sources of data/skins/:
#  1. a string literal passed straight to translate or translate_or: translate(L"key"...);
#  2. a numbered key: a literal stem joined to a number, translate(L"dayweek" + ...), or any
#     literal of a stem of the table below; the stem needs every number of its range. A stem that
#     the table lacks fails the lint: add its range there;
#  3. the first literal of a MenuMainButton or MenuMainSubMenu made with new or make_unique: the
#     button's name is the key of its caption;
#  4. the keys a class shows through names held in variables (menu commands, tables, the framework's
#     context menu), listed per class below: required once a source file of that class exists;
#  5. skin texts that controls show (string "Text" and "CheckedText" of data/skins/**/*.xml), unless
#     the text holds no letter at all ("00 : 00" is shown as it stands), and the names of tab
#     controls (<create ... kind="ControlTab"/>), which caption a tab's menu entry.
# Keys of other language files are left out: "Portal" is the key of %app_path%/portal.txt, which the
# About box reads through a translator of its own.
# A new screen adds its keys by calling translate with literals (rules 1-3), or by a line in the
# class table below (rule 4), and its texts to data/lang/English/*.txt and data/lang/German/*.txt.
set -uo pipefail
source "$(dirname "$0")/e2e-lib.sh"
SOURCE=$1 LNGC=$2 APP=$3

# Numbered stems: stem, first and last number.
STEMS='
dayweek 0 6
dayweekfull 0 6
everydayweek 0 6
everydaymonth 1 31
month 1 12
monthfull 1 12
'
# Keys a class shows through variables: the class (its source file CLASS.cpp under app/ or skinner/), then its keys.
CLASSES='
ControlEdit menuCut menuCopy menuPaste menuDelete menuSelectAll
MenuManager menuSoftButtonOk menuSoftButtonMenu
Form on_picture_failed_to_load
FormMain Close Menu mitNewAlarm mitAlarms mitVolume mitVolumeLow mitVolumeMedium mitVolumeHi mitAttention mitPronounce mitScript mitSkin mitLanguage About
FormEvent eSnooze 5minutes 10minutes 15minutes 30minutes 1hour
FormSchedule Back Menu mitNewAlarm
AboutControls QEVA_LOGO_S QEVA_LOGO_M QEVA_LOGO_URL QEVA_URL
'
# Keys of other language files.
OTHER_FILES='Portal'

for language in English German; do
    [ -f "$APP/$language.lng" ] || fail "$APP/$language.lng is missing"
    env -u CHIMELY_ROOT "$LNGC" keys "$(cd "$APP" && pwd)/$language.lng" | LC_ALL=C sort -u > "$ROOT/$language.keys" \
        || fail "$language.lng does not read"
done

# Plain perl (no modules beyond the core's strict and warnings): the files come from find.
files=()
for folder in app skinner today data/skins; do
    [ -d "$SOURCE/$folder" ] || continue
    mapfile -t -O "${#files[@]}" files < <(find "$SOURCE/$folder" -name '*.cpp' -o -name '*.h' -o -name '*.xml')
done
STEMS="$STEMS" CLASSES="$CLASSES" OTHER_FILES="$OTHER_FILES" perl -e '
use strict; use warnings;
my ($source, @files) = @ARGV;
my %stems = map { my @f = split; ($f[0] => [$f[1], $f[2]]) } grep { /\S/ } split /\n/, $ENV{STEMS};
my %needed;                               # key => where it was found
my @errors;
my @code = grep { /\.(cpp|h)$/ } @files;
for my $file (sort @code) {
    open my $in, "<", $file or die "$file: $!";
    my $text = do { local $/; <$in> };
    (my $short = $file) =~ s/^\Q$source\E\///;
    while ($text =~ /\btranslate(?:_or)?\s*\(\s*L"((?:[^"\\]|\\.)*)"\s*(\+)?/g) {
        if (!defined $2) { $needed{$1} //= "$short (translate)"; next; }
        push @errors, "$short: numbered key \"$1\" has no range in the lint table" unless $stems{$1};
    }
    while ($text =~ /L"(\w+)"/g) {
        my $stem = $1;
        next unless $stems{$stem};
        $needed{"$stem$_"} //= "$short (numbered $stem)" for $stems{$stem}[0] .. $stems{$stem}[1];
    }
    while ($text =~ /(?:new\s+|make_unique\s*<\s*)(?:skinner::)?MenuMain(?:Button|SubMenu)\b[^;]*?L"((?:[^"\\]|\\.)*)"/g) {
        $needed{$1} //= "$short (menu button)";
    }
}
my %sources = map { (m{([^/]+)\.cpp$})[0] => 1 } grep { /\.cpp$/ } @code;
for my $line (grep { /\S/ } split /\n/, $ENV{CLASSES}) {
    my ($class, @keys) = split " ", $line;
    next unless $sources{$class};
    $needed{$_} //= "$class (class table)" for @keys;
}
my @skins = grep { /\.xml$/ } @files;
for my $file (sort @skins) {
    open my $in, "<", $file or die "$file: $!";
    my $text = do { local $/; <$in> };
    (my $short = $file) =~ s/^\Q$source\E\///;
    while ($text =~ /<string\s+name="(?:Text|CheckedText)"\s+value="([^"]*)"/g) {
        my $value = $1;
        $value =~ s/&lt;/</g; $value =~ s/&gt;/>/g; $value =~ s/&quot;/"/g; $value =~ s/&apos;/\x27/g; $value =~ s/&amp;/&/g;
        $needed{$value} //= "$short (skin text)" if $value =~ /\pL/;
    }
    while ($text =~ /<create\s+name="([^"]+)"\s+kind="ControlTab"/g) {
        $needed{$1} //= "$short (tab name)";
    }
}
delete $needed{$_} for split " ", $ENV{OTHER_FILES};
print "ERROR $_\n" for @errors;
print "$_\t$needed{$_}\n" for sort keys %needed;
' "$SOURCE" "${files[@]}" > "$ROOT/needed" || fail "the key collection failed"

if grep '^ERROR ' "$ROOT/needed" >&2; then
    fail "numbered keys without a range"
fi
echo "keys used: $(grep -c . "$ROOT/needed" || true)"
[ -s "$ROOT/needed" ] || fail "no key found: the collection found no source"
missing=0
while IFS=$'\t' read -r key where; do
    for language in English German; do
        if ! grep -qxF -- "$key" "$ROOT/$language.keys"; then
            echo "$language.lng lacks \"$key\", used by $where" >&2
            missing=1
        fi
    done
done < "$ROOT/needed"
if ! diff <(cat "$ROOT/English.keys") <(cat "$ROOT/German.keys") > "$ROOT/diff"; then
    sed -n 's/^< /only in English.lng: /p; s/^> /only in German.lng: /p' "$ROOT/diff" >&2
    missing=1
fi
[ "$missing" = 0 ] || fail "language files incomplete"
echo "language lint: both files hold every key and the same keys"
