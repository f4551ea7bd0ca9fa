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
# ldd output is taken whole first: with pipefail, "ldd | grep -q" fails at
# random when grep stops reading before ldd has written everything.
libs_radiconv=$(ldd "$prefix/bin/Radiconv")
libs_main=$(ldd "$prefix/bin/KorvelTarvendel")
if grep -q 'not found' <<<"$libs_radiconv$libs_main"; then
  echo "$libs_radiconv"; echo "$libs_main"; exit 1
fi
grep -q "$prefix/bin/../lib.*/libradifmt.so.2" <<<"$libs_radiconv" \
  || { echo "Radiconv does not take radifmt from the installed tree"; exit 1; }
out=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/Radiconv" --version)
[[ "$out" == *"1.0.2"* ]] || { echo "unexpected version: $out"; exit 1; }
if grep -q radifmt <<<"$libs_main"; then
  echo "KorvelTarvendel links radifmt"; exit 1
fi
echo "installed tree runs: $out"
