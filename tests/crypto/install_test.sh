#!/bin/sh
# Installs nimbral_crypto into a temporary prefix, then builds the consumer
# against it twice: through find_package(nimbral_crypto) and through
# pkg-config, and runs both.
#   install_test.sh CMAKE BUILD-DIR CONSUMER-SOURCE-DIR
set -eu
cmake="$1"
build="$2"
consumer="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cmake" --install "$build" --prefix "$work/prefix" --component nimbral_crypto >/dev/null

"$cmake" -S "$consumer" -B "$work/with-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
"$cmake" --build "$work/with-cmake" >/dev/null
"$work/with-cmake/consumer"
echo "find_package consumer: ok"

pc=$(find "$work/prefix" -name nimbral_crypto.pc)
export PKG_CONFIG_PATH="$(dirname "$pc")"
libdir=$(pkg-config --variable=libdir nimbral_crypto)
# shellcheck disable=SC2046
"${CC:-cc}" "$consumer/consumer.c" $(pkg-config --cflags --libs nimbral_crypto) -Wl,-rpath,"$libdir" \
  -o "$work/with-pkg-config"
"$work/with-pkg-config"
echo "pkg-config consumer: ok"
