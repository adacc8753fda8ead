# Sourced: sets `wine_loader` for the Wine state folder "$state" of a build tree, and `wine_layout`,
# the command that starts a Wine program (and every process it starts) with the address layout not
# randomised: randomised, Debian's 64-bit loader (which has no preloader) now and then finds the
# address of the shared user data taken and ends before the program runs, with exit code 1 ("failed
# to map the shared user data": 2 of 6,000 starts here; not randomised, none of 20,000). Empty where
# the system refuses to set the process's personality.
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
wine_layout=()
if setarch "$(uname -m)" -R true 2>/dev/null; then wine_layout=(setarch "$(uname -m)" -R); fi
