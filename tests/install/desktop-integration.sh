#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what the desktop sees there: the desktop
# entry validates, *.kvq files (by name and by their magic number) are our MIME type, and that type
# opens with our desktop entry. Usage: desktop-integration.sh BUILD_DIR KVQ_BINARY
# Exit 77 (skipped) when the freedesktop tools are not installed.
set -euo pipefail
build=$1
kvq=$2

for tool in xdg-mime mimetype desktop-file-validate update-mime-database update-desktop-database; do
  if ! command -v "$tool" > /dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAILED: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

for f in bin/quorvane bin/kvq share/applications/quorvane.desktop share/mime/packages/quorvane.xml \
         share/icons/hicolor/scalable/apps/quorvane.svg; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/quorvane" ] && [ -x "$prefix/bin/kvq" ] || fail "the programs are not executable"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/quorvane.png
  [ -s "$png" ] || fail "no ${size}x${size} icon"
  # The PNG's own header must say the size its folder claims (bytes 16..23: width and height).
  dims=$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ')
  want=$(printf ' 0 0 %d %d 0 0 %d %d' $((size / 256)) $((size % 256)) $((size / 256)) $((size % 256)))
  [ "$dims" = "$want" ] || fail "the ${size}x${size} icon is ${dims}"
done

desktop-file-validate "$prefix/share/applications/quorvane.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quorvane %f' "$prefix/share/applications/quorvane.desktop" || fail "Exec line"

update-mime-database "$prefix/share/mime"
update-desktop-database "$prefix/share/applications"

export XDG_DATA_DIRS="$prefix/share:/usr/share"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
export DE=generic

# A real archive, so that the check by content reads the header kvq writes.
printf 'secret\n' > "$work/password"
"$kvq" create "$work/pictures.kvq" --password-file "$work/password" > /dev/null
cp "$work/pictures.kvq" "$work/no-extension"
printf 'not an archive\n' > "$work/plain.txt"

type=$(xdg-mime query filetype "$work/pictures.kvq")
[ "$type" = "application/x-quorvane-archive" ] || fail "xdg-mime query filetype gave '$type'"
type=$(mimetype --brief --magic-only "$work/no-extension")
[ "$type" = "application/x-quorvane-archive" ] || fail "by magic number: '$type'"
type=$(mimetype --brief --magic-only "$work/plain.txt")
[ "$type" != "application/x-quorvane-archive" ] || fail "a text file was taken for an archive"
default=$(xdg-mime query default application/x-quorvane-archive)
[ "$default" = "quorvane.desktop" ] || fail "xdg-mime query default gave '$default'"
echo "installed, validated, filetype and default application found"
