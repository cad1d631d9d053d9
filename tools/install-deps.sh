#!/bin/sh
# Installs the Debian packages the build needs, when any is missing.
# As root it runs apt-get; otherwise it prints the exact command and fails.
set -eu
missing=""
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
else
  echo "Missing Debian packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y$missing" >&2
  exit 1
fi
