#!/usr/bin/env bash
# Installs the build in the given folder as the README says, with the prefix ~/.local of a home of
# its own: the installed tool seeds the user's program folder from the installed defaults, and its
# first scripted start makes the administrator; once that folder is edited, installing again and
# the README's uninstall leave it as it was.
# Usage: install-and-uninstall.sh BUILD_FOLDER   (run by CTest)
set -euo pipefail
build="$1"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME
mkdir -m 700 "$XDG_RUNTIME_DIR"
folder="$home/.local/share/centrprg"
# The user's files: those of the program folder but the installed defaults/.
snapshot() { (cd "$folder" && find . -path ./defaults -prune -o -type f -print0 | sort -z | xargs -0 sha256sum); }

cmake --install "$build" --prefix "$home/.local" >/dev/null
tool="$home/.local/bin/centrprg"
# No users yet: a pair the first start's dialog refuses ends the tool once its folder is ready...
if CENTRPRG_LOGIN="admin:" "$tool" 2>"$home/err"; then exit 1; fi
grep -q "Não há usuários cadastrados. Informe a senha." "$home/err" && test ! -e "$folder/CENTRPRG.DAD"
for seeded in CENTRPRG.INI CentrPrg.lng DEFARCO.NPX help/14.html; do test -f "$folder/$seeded"; done
# ... and a good one makes the administrator (the README's route without a display); later starts
# check the pair.
CENTRPRG_LOGIN="admin:segredo" "$tool" 2>"$home/err" &
running=$!
for _ in $(seq 300); do grep -q "foi cadastrado" "$home/err" && break; sleep 0.1; done
kill "$running" && wait "$running" || true
grep -q "com o nome e a senha dados: admin$" "$home/err" && test -f "$folder/CENTRPRG.DAD"
if CENTRPRG_LOGIN="admin:errada" "$tool" 2>/dev/null; then exit 1; fi
for edited in CENTRPRG.INI CentrPrg.lng DEFNODO.NPX help/14.html CENTRPRG.DAD; do
    echo "; edited by its user" >>"$folder/$edited"
done
rm "$folder/DEFTESSL.NPX"
before="$(snapshot)"

cmake --install "$build" --prefix "$home/.local" >/dev/null
test "$(snapshot)" = "$before" || { echo "installing again changed the program folder"; exit 1; }
(cd "$build" && xargs rm < install_manifest.txt)
test ! -e "$home/.local/bin/centrprg" && test ! -e "$folder/defaults/CENTRPRG.INI"
test "$(snapshot)" = "$before" || { echo "uninstalling changed the program folder"; exit 1; }
# The README's line for the emptied folders takes ~/.local/bin and the defaults, not the user's files.
rmdir --ignore-fail-on-non-empty "$folder/defaults/help" "$folder/defaults" "$home/.local/bin"
test ! -e "$home/.local/bin" && test ! -e "$folder/defaults"
test "$(snapshot)" = "$before" || { echo "removing the emptied folders changed the program folder"; exit 1; }
echo "install, install again, uninstall: the program folder kept as its user left it"
