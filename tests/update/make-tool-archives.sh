#!/bin/sh
# Makes the archives of the unpacking suite with the archiving tools of the
# build machine, so that the suite runs on every platform (under Wine too):
#   make-tool-archives.sh OUTDIR
# OUTDIR/tree is the tree packed; stored.zip and deflate.zip come from zip,
# deflate64.zip from 7z. bin/far.bin repeats a random 48 KiB block, so its
# matches lie beyond the 32 KiB window of plain deflate: only Deflate64's
# 64 KiB window finds them.
set -eu
out=$1
rm -rf "$out"
mkdir -p "$out/tree/bin" "$out/tree/data/sub" "$out/tree/emptydir"
cd "$out"
printf 'top level\n' > tree/top.txt
head -c 200000 /dev/urandom > tree/bin/app.bin
head -c 49152 /dev/urandom > block
cat block block block > tree/bin/far.bin
rm block
head -c 100000 /dev/zero | tr '\0' z > tree/data/sub/deep.txt
: > tree/data/empty.txt
zip -q -r -X -0 stored.zip tree
zip -q -r -X -9 deflate.zip tree
7z a -bd -tzip -mm=Deflate64 -mx=9 deflate64.zip tree > /dev/null
