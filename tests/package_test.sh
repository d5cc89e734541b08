#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds: its file list, its
# control fields, the manual pages against every command's --help, the launcher, the
# software-centre data and the shell completion.
set -euo pipefail
build=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
deb=$work/ztr_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package) $(field Version) $(field Architecture)" = "ztr $version $arch" ] ||
  fail "control: $(field Package) $(field Version) $(field Architecture)"
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do  # found by dpkg-shlibdeps
  field Depends | grep -Eq "(^|, )${library//+/\\+} \(>= [0-9]" || fail "Depends lacks $library: $(field Depends)"
done

icons=()
for size in 16 22 24 32 48 64 128 256; do icons+=("share/icons/hicolor/${size}x$size/apps/ztr.png"); done
expected=(bin/ztr bin/ztr-tool share/applications/ztr.desktop share/mime/packages/ztr.xml
  share/icons/hicolor/scalable/apps/ztr.svg "${icons[@]}"
  share/icons/hicolor/scalable/mimetypes/application-x-ztr.svg
  share/man/man1/ztr.1.gz share/man/man1/ztr-tool.1.gz share/bash-completion/completions/ztr-tool
  share/metainfo/io.github.ztr_project.ZTR.metainfo.xml share/doc/ztr/README.md
  share/doc/ztr/README.html share/doc/ztr/docs/screenshot.png share/doc/ztr/copyright
  share/doc/ztr/changelog.gz)
diff <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort) \
  <(printf './usr/%s\n' "${expected[@]}" | sort) || fail "unexpected file list"

dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
for program in ztr ztr-tool; do
  page=$usr/share/man/man1/$program.1.gz
  python3 "$here/man_matches_help.py" "$page" "$usr/bin/$program"
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || true
  [ -z "$warnings" ] || fail "$program.1: $warnings"
done
zcat "$usr/share/doc/ztr/changelog.gz" | head -1 | grep -q "^ztr ($version) " || fail "changelog"
grep -q '<img alt="The ZTR window" src="docs/screenshot.png"' "$usr/share/doc/ztr/README.html" ||
  fail "README.html has no screenshot"
if grep -aEq 'example\.(org|com|net)' "$usr/bin/ztr" "$usr/bin/ztr-tool"; then
  fail "a placeholder address is in a program"
fi
desktop-file-validate "$usr/share/applications/ztr.desktop"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$usr"/share/metainfo/*.xml >"$work/appstream.log" ||
    { cat "$work/appstream.log"; fail "metainfo not valid"; }
fi

# Completion, from the installed script over the installed tool.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  mkdir -p "$work/names/folder" && touch "$work/names/"{a.ztr,b.json,c.txt}
  complete_line() {
    PATH=$usr/bin:$PATH bash -c 'source /usr/share/bash-completion/bash_completion
      source "$1"; shift; cd "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _ztr_tool ztr-tool "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
      printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ \
      "$usr/share/bash-completion/completions/ztr-tool" "$work/names" "$@"
  }
  while IFS='|' read -r line expected; do
    read -ra words <<<"$line"
    [ "${line: -1}" = " " ] && words+=("")
    got=$(complete_line "${words[@]}" | xargs)
    [ "$got" = "$(xargs <<<"$expected")" ] || fail "completing '$line': '$got', not '$expected'"
  done <<'CASES'
ztr-tool im|import-ncdu 
ztr-tool scan --o|--output 
ztr-tool scan |folder 
ztr-tool list |a.ztr folder 
ztr-tool find |
ztr-tool find x |a.ztr folder 
ztr-tool import-ncdu |b.json folder 
ztr-tool export-ncdu a.ztr -o |b.json folder 
CASES
fi
echo "package $(basename "$deb"): $(stat -c %s "$deb") bytes"
