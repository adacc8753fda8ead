# Sourced by the set-up scripts: apt-get options that wait for apt's and dpkg's locks instead of
# failing at once. A fresh cloud machine runs its unattended upgrades right after boot, and a set-up
# that gave up then would quietly lose the 32-bit Wine.
#   VW_SETUP_LOCK_WAIT: seconds to wait for a lock (600)
apt_lock_wait=(-o "DPkg::Lock::Timeout=${VW_SETUP_LOCK_WAIT:-600}")
