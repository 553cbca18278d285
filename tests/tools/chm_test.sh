#!/usr/bin/env bash
# The built Hollin.chm and the project it was compiled from: every topic of
# the help source a page in the file, in the contents, the index and the
# project's map, and the file's own context map (#IVB, read back through
# chmls) leading each topic's number to that topic's page.
# Usage: chm_test.sh HOLLIN_CHM PROJECT_FOLDER HELP_SOURCE
set -euo pipefail
chm=$1 project=$2 source=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

[ "$(head -c 4 "$chm")" = ITSF ] || fail "$chm does not start with ITSF"
numbers=$(sed -n 's/^@topic \([0-9]*\) .*/\1/p' "$source")
[ -n "$numbers" ] || fail "no topics in $source"

listing=$(chmls -p -n list "$chm")
for n in $numbers; do
  page=topic-$n.htm
  grep -qx "/$page" <<<"$listing" || fail "$chm holds no /$page"
  grep -qx "$page" "$project/Hollin.hhp" || fail "the project's [FILES] lack $page"
  for sitemap in Hollin.hhc Hollin.hhk; do
    grep -q "<param name=\"Local\" value=\"$page\">" "$project/$sitemap" || fail "$sitemap lacks $page"
    grep -qx "/$sitemap" <<<"$listing" || fail "$chm holds no /$sitemap"
  done
  [ "$n" = 0 ] && continue  # the contents: the default topic, in no map
  grep -qx "IDH_$n=$page" "$project/Hollin.hhp" || fail "the project's [ALIAS] lacks IDH_$n"
  grep -qx "#define IDH_$n $n" "$project/Hollin.hhp" || fail "the project's [MAP] lacks IDH_$n"
done

# The compiled map: a DWORD length, then pairs of number and the offset of
# the page's name in #STRINGS.
(cd "$tmp" && chmls extract "$chm" /#IVB ivb && chmls extract "$chm" /#STRINGS strings) >/dev/null ||
  fail "chmls cannot extract #IVB and #STRINGS from $chm"
declare -A mapped
while read -r number offset; do
  mapped[$number]=$(tail -c +"$((offset + 1))" "$tmp/strings" | tr '\0' '\n' | head -n 1)
done < <(tail -c +5 "$tmp/ivb" | od -An -v -tu4 -w8)
for n in $numbers; do
  [ "$n" = 0 ] && continue
  [ "${mapped[$n]:-}" = "topic-$n.htm" ] || fail "the file's map leads $n to \"${mapped[$n]:-nothing}\""
done
[ "${#mapped[@]}" = "$(($(wc -w <<<"$numbers") - 1))" ] || fail "the file's map has ${#mapped[@]} numbers"
echo "chm: all checks passed"
