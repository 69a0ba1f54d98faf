# Sourced by the scripts that run Windows programs under Wine. Expects WINE_ROOT:
# a folder of the build tree that holds the private prefix and its home folder.
: "${WINE_ROOT:?WINE_ROOT must name a folder for the Wine prefix}"
export WINEPREFIX="$WINE_ROOT/prefix"
export HOME="$WINE_ROOT/home"          # a new prefix links the user folders into $HOME
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
export WINEARCH=win64
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver64

# Converts a Unix path to the Z: drive path Windows programs understand.
wine_path() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
