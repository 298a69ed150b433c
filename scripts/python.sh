# Sourced by scripts/run and scripts/test, the two commands a new machine starts with: Debian's own
# Python 3, which runs every tool here, installed first where a bare Debian does not have it yet.
if [ ! -x /usr/bin/python3 ]; then
    echo "== installing python3" >&2
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "== cannot install: not root and no sudo; as root: apt-get install python3" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    for command in update "install -y -q --no-install-recommends python3"; do
        # shellcheck disable=SC2086 # the command's words
        "${sudo[@]}" env -u SELVARO_SIGN_PASSWORD DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout=300 $command || exit 1
    done
fi
