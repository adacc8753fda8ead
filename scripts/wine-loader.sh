# Sourced: sets `wine_loader` for the Wine state folder "$state" of a build tree.
# A 64-bit tree (the tree's configure step writes "win64" to $state/arch) runs everything through
# Wine's 64-bit loader directly: /usr/bin/wine always starts the 32-bit loader first, which fails on
# machines that cannot execute i386 programs. VW_WINE64 names another one (the session's test uses a
# stand-in).
wine64=${VW_WINE64:-/usr/lib/wine/wine64}
if [ "$(cat "$state/arch" 2>/dev/null)" = win64 ]; then
    wine_loader=$wine64
else
    wine_loader=/usr/bin/wine
fi
