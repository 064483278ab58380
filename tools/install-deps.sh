#!/usr/bin/env bash
# Installs the Debian packages listed in deps/*.txt that are not installed yet.
# Runs apt-get as root, or through sudo where that is available.
set -euo pipefail
cd "$(dirname "$0")/.."
wanted=$(sed -e 's/#.*//' deps/*.txt | tr -s ' \t\n' '\n' | sed '/^$/d' | sort -u)
missing=()
for package in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Missing packages: ${missing[*]} (run as root to install them)" >&2; exit 1; }
  sudo=sudo
fi
echo "Installing: ${missing[*]}"
tools/apt-update.sh $sudo
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
