#!/usr/bin/env bash
# Installs a build into a scratch folder (DESTDIR) and checks what a machine gets: the
# program's folder and its launchers, config.ini, the icons, and the desktop entry,
# AppStream metadata, manual pages and systemd unit through their own validators. A
# validator that is not installed is skipped with a note.
#   check-install.sh BUILD_DIR PREFIX CONFIG_DIR   (as configured in BUILD_DIR)
set -uo pipefail
build=$1 prefix=$2 confdir=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" >/dev/null || exit 1
root=$stage$prefix
dir=$root/lib/kelmar
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
have() {
    command -v "$1" >/dev/null && return 0
    echo "skipped: $1 is not installed"
    return 1
}
# Runs a validator; any output beyond its success line counts as a finding.
validate() {
    local out
    out=$("$@" 2>&1)
    local status=$?
    out=$(grep -v -e '^$' -e '^✔ Validation was successful' <<<"$out")
    [ $status -eq 0 ] && [ -z "$out" ] || fail "$* ($status): $out"
}

# The program's folder holds what the build's out/ folder holds.
for program in kelmar ServerKelmar libconvert.so; do
    [ -f "$dir/$program" ] || fail "$dir/$program is missing"
done
for data in Graph Resource; do
    diff -r "$build/out/$data" "$dir/$data" >/dev/null || fail "$dir/$data differs from $build/out/$data"
done
# config.ini links to the configuration folder, relatively or (across top-level folders)
# by its installed path.
config_link=$(readlink "$dir/config.ini")
case $config_link in
/*) config_target=$stage$config_link ;;
*) config_target=$dir/$config_link ;;
esac
[ "$(readlink -f "$config_target")" = "$(readlink -f "$stage$confdir/kelmar/config.ini")" ] \
    && [ -s "$config_target" ] || fail "$dir/config.ini does not lead to $confdir/kelmar/config.ini"

# The launchers start the programs, which find libconvert through the links.
[ -e "$root/bin/kelmar" ] && [ -e "$root/bin/ServerKelmar" ] || fail "launchers missing in bin/"
for launcher in "$root"/bin/*; do
    program=$(readlink -f "$launcher")
    [ "${program%/*}" = "$(readlink -f "$dir")" ] && [ -x "$program" ] || fail "$launcher leads to $program"
done
"$root/bin/ServerKelmar" --version | grep -q "^ServerKelmar " || fail "bin/ServerKelmar --version"
# The board keeps running until it is closed; a loader or start-up failure ends it at
# once. Only with its settings in the scratch folder: it would write missing ones.
if [[ $config_link == /* ]]; then
    echo "skipped: bin/kelmar, whose config.ini is $config_link outside the scratch folder"
else
    QT_QPA_PLATFORM=offscreen timeout 5 "$root/bin/kelmar" -noAtom >/dev/null 2>&1
    status=$?
    [ $status -eq 124 ] || fail "bin/kelmar ended with status $status instead of running"
fi

# Every icon has the size its folder names, from 16 to 256 pixels.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'; }
icons=$root/share/icons/hicolor
for size in 16 256; do
    [ -f "$icons/${size}x$size/apps/kelmar.png" ] || fail "no $size pixel icon"
done
for icon in "$icons"/*/apps/kelmar.png; do
    folder=${icon#"$icons"/}
    [ "$(png_size "$icon")" = "${folder%%/*}" ] || fail "$icon is $(png_size "$icon")"
done

# What the desktop entry and the service start exists.
desktop=$root/share/applications/kelmar.desktop
unit=$root/lib/systemd/system/kelmar-server.service
exec_path=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$stage$exec_path" ] || fail "the desktop entry starts $exec_path, which is not installed"
start_path=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit")
[ -x "$stage$start_path" ] || fail "the service starts $start_path, which is not installed"
[ -f "$stage$confdir/default/kelmar-server" ] || fail "no $confdir/default/kelmar-server"

if have desktop-file-validate; then
    validate desktop-file-validate "$desktop"
fi
if have appstreamcli; then
    for metainfo in "$root"/share/metainfo/*.metainfo.xml; do
        validate appstreamcli validate --no-net "$metainfo"
    done
fi
if have systemd-analyze; then
    # The unit names the program and the options by their installed paths: verify a
    # copy that names them in the scratch folder, and look its manual page up there.
    mkdir "$stage/unit"
    sed -E "s#^(ExecStart=|EnvironmentFile=-?)/#\1$stage/#" "$unit" >"$stage/unit/kelmar-server.service"
    validate env MANPATH="$root/share/man" systemd-analyze verify "$stage/unit/kelmar-server.service"
fi
# man shows the page on stdout and groff's warnings on stderr.
man_warnings() { { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$1" >/dev/null; } 2>&1; }
if have man; then
    for page in "$root"/share/man/man6/*.6.gz; do
        validate man_warnings "$page"
    done
fi
[ $failures -eq 0 ] && echo "installation: all checks passed"
exit $((failures > 0))
