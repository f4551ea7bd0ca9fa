#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the tree runs:
# both programs side by side, Radiconv finding radifmt in the tree.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/KorvelTarvendel bin/Radiconv; do
  [ -x "$prefix/$f" ] || { echo "missing $f"; exit 1; }
done
ls "$prefix"/lib*/libradifmt.so.2 >/dev/null
# The alarm sound player, loaded from beside the libraries on first use.
ls "$prefix"/lib*/libkorvel_gassound.so >/dev/null
# The map module brings the web engine the first time a map shows.
ls "$prefix"/lib*/libkorvel_webmap.so >/dev/null
# ldd's output is kept before it is searched: with pipefail, a grep -q that
# stops reading early would fail the pipe.
libs=$(ldd "$prefix/bin/Radiconv" "$prefix/bin/KorvelTarvendel")
if grep -q 'not found' <<<"$libs"; then
  echo "$libs"; exit 1
fi
radiconvLibs=$(ldd "$prefix/bin/Radiconv")
grep -q "$prefix/bin/../lib.*/libradifmt.so.2" <<<"$radiconvLibs" \
  || { echo "Radiconv does not take radifmt from the installed tree"; exit 1; }
out=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/Radiconv" --version)
[[ "$out" == *"1.0.2"* ]] || { echo "unexpected version: $out"; exit 1; }
if ldd "$prefix/bin/KorvelTarvendel" | grep radifmt >/dev/null; then
  echo "KorvelTarvendel links radifmt"; exit 1
fi
if readelf -d "$prefix/bin/KorvelTarvendel" | grep WebEngine >/dev/null; then
  echo "KorvelTarvendel loads the web engine at start"; exit 1
fi
echo "installed tree runs: $out"
