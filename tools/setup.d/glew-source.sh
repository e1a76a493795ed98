#!/usr/bin/env bash
# The Win32 build links GLEW statically, compiled from Debian's own glew source
# package (its tree ships the generated src/glew.c and headers). Fetched once
# into a cache outside the repository; quick when it is already there.
set -euo pipefail

cache=${SHADOW_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/shadow_mapping}
dest=$cache/glew

# Done already: nothing to do.
if [ -f "$dest/src/glew.c" ] && [ -f "$dest/include/GL/glew.h" ]; then
  exit 0
fi

# Without the cross compiler there is no Win32 build, so no need for GLEW source.
if ! command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
  exit 0
fi

need_update=0
# The whole list is read (grep -c, not -q): a reader that stops early ends apt-get
# by SIGPIPE, which pipefail would count as a failure. $(TARGET_OF) is apt's
# field name, not an expansion.
# shellcheck disable=SC2016
if [ "$(apt-get indextargets --format '$(TARGET_OF)' 2>/dev/null | grep -cx deb-src || :)" = 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: no deb-src entry for apt; run setup as root to fetch the glew source" >&2
    echo "setup: the Win32 host is skipped until then" >&2
    exit 0
  fi
  # Mirror the binary Debian sources as source entries.
  src_list=/etc/apt/sources.list.d/debian-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
  else
    cat >"$src_list" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  need_update=1
fi
if [ "$need_update" = 1 ] || ! apt-cache showsrc glew >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -q >/dev/null
  fi
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/glew-src.XXXXXX")
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
echo "setup: fetching the glew source package"
(cd "$work" && apt-get source -q --download-only glew >/dev/null &&
  dpkg-source -q --no-check -x ./glew_*.dsc tree >/dev/null)

if [ ! -f "$work/tree/src/glew.c" ]; then
  echo "setup: the glew source package has no src/glew.c; the Win32 host is skipped" >&2
  exit 0
fi
mkdir -p "$cache"
rm -rf "$dest"
mv "$work/tree" "$dest"
echo "setup: glew source in $dest"
