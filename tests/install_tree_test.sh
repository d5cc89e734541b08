#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what landed where.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/ztr bin/ztr-tool share/applications/ztr.desktop \
         share/icons/hicolor/scalable/apps/ztr.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-ztr.svg \
         share/mime/packages/ztr.xml; do
  [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
[ -x "$prefix/bin/ztr" ] && [ -x "$prefix/bin/ztr-tool" ]
desktop-file-validate "$prefix/share/applications/ztr.desktop"
grep -q 'MimeType=application/x-ztr;' "$prefix/share/applications/ztr.desktop"
grep -q 'Exec=ztr %f' "$prefix/share/applications/ztr.desktop"
grep -q '<glob pattern="\*.ztr"' "$prefix/share/mime/packages/ztr.xml"
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" >/dev/null
  grep -q 'application/x-ztr' "$prefix/share/mime/globs2"
fi
"$prefix/bin/ztr-tool" --version | grep -q '^ztr-tool '
echo "install tree ok"
