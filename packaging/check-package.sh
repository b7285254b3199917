#!/bin/sh
# Checks the Debian package made in a build folder: its menu entries and AppStream metadata
# validate, and lintian finds no error (its warnings are shown).
# Usage: check-package.sh BUILD_DIR
set -eu
deb=$(ls -t "$1"/varnholt_*.deb | head -n 1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
desktop-file-validate "$work"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/usr/share/metainfo/*.metainfo.xml
echo "lintian $deb"
lintian --fail-on error "$deb"
