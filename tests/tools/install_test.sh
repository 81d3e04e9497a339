#!/usr/bin/env bash
# cmake --install puts kelvra, the library, the header and KelvraSdk.pc under a prefix; the
# installed tool runs from there and a C program builds with pkg-config's flags alone.
source "$(dirname "$0")/lib.sh"
fresh_work
prefix="$WORK/prefix"
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null || fail "cmake --install failed"

KELVRA=$(find "$prefix" -path '*/bin/kelvra')
[[ -x $KELVRA ]] || fail "no installed kelvra"
run --version
expect_status 0
expect_out "^kelvra .*, library version 2\.23\.5\.33$"

pc=$(find "$prefix" -name KelvraSdk.pc)
[[ -n $pc ]] || fail "no KelvraSdk.pc"
export PKG_CONFIG_PATH=$(dirname "$pc")
flags=$(pkg-config --cflags --libs KelvraSdk) || fail "pkg-config refused the file"
include_dir=$(pkg-config --cflags-only-I KelvraSdk | sed 's/^ *-I//; s/ *$//')
[[ $flags == *"-lKelvraSdk_K4SWIR_TEC"* && $(realpath "$include_dir") == "$(realpath "$prefix/include")" ]] ||
    fail "flags: [$flags]"
cat >"$WORK/client.c" <<'C'
#include <KelvraSdk.h>
#include <stdio.h>
int main(void) { printf("%d\n", Kelvra_GetDllVersion()); return 0; }
C
# shellcheck disable=SC2086
cc -std=c99 -o "$WORK/client" "$WORK/client.c" $flags || fail "the client does not build"
libdir=$(pkg-config --variable=libdir KelvraSdk)
[[ $(LD_LIBRARY_PATH=$libdir "$WORK/client") == 35063073 ]] || fail "the client does not run"
finish
