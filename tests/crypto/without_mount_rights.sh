#!/bin/sh
# The other-machine tests where mounting is not allowed: run them without
# CAP_SYS_ADMIN, as in a container that lacks it, and expect them skipped
# with their reason, not failed.
#   without_mount_rights.sh CRYPTO_LINUX_TEST
# Exits 77 (skipped) where the capability is not there to drop.
if [ "$(id -u)" != 0 ] || ! setpriv --bounding-set=-sys_admin true 2>/dev/null; then
  echo "dropping CAP_SYS_ADMIN needs root with it"
  exit 77
fi
out=$(setpriv --bounding-set=-sys_admin "$1" --gtest_filter='CryptoLinuxMachineBinding.*' 2>&1)
status=$?
echo "$out"
[ "$status" -eq 0 ] && echo "$out" | grep -q "allows no private mount namespace"
