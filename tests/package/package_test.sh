#!/usr/bin/env bash
# The .deb as a user receives it. `build` makes it with CPack; the other steps look at it:
# its files, lintian's verdict, the program unpacked into a temporary root and run with a
# temporary home, its unit files, menu entry and metadata, and its man pages.
# Usage: package_test.sh STEP BUILD_DIR [WITH_XMPP_CLIENT (0|1)]
set -euo pipefail
step=$1
build=$2
with_xmpp_client=${3:-0}
packages=$build/package
here=$(cd "$(dirname "$0")" && pwd)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "skipped: $*"
    exit 77
}
skip_without() {
    command -v "$1" >/dev/null || skip "$1 is not installed"
}
# Waits until the command succeeds; false after a minute. The limit only keeps a broken run from
# hanging: nothing is timed with it.
wait_until() {
    local tries=0
    until "$@"; do
        sleep 0.2
        tries=$((tries + 1))
        [ $tries -lt 300 ] || return 1
    done
}
the_deb() {
    local debs=("$packages"/videoquelm_*.deb)
    [ -f "${debs[0]}" ] || fail "no package in $packages"
    echo "${debs[0]}"
}
# The package unpacked into a fresh temporary root, with a fresh home beside it.
unpack() {
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    root=$scratch/root
    home=$scratch/home
    mkdir -p "$home"
    dpkg-deb -x "$(the_deb)" "$root"
}
# The unpacked program, as a user with only the temporary home would start it.
as_user() {
    exec env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen "${extra_env[@]}" "$@"
}
videoquelm() {
    (as_user "$root/usr/bin/videoquelm" "$@")
}
extra_env=()

build() {
    rm -rf "$packages"
    cd "$build"
    cpack -G DEB --config CPackConfig.cmake >cpack.log 2>&1 || { cat cpack.log; fail "cpack"; }
    echo "built $(the_deb)"
}

files() {
    local expected
    expected=$(grep -v '^#' "$here/expected_files.txt")
    [ "$with_xmpp_client" = 1 ] || expected=$(grep -v vq-xmpp-client <<<"$expected")
    local actual
    actual=$(dpkg-deb -c "$(the_deb)" | awk '$1 !~ /^d/ {print $1, $6}')
    diff <(sort <<<"$expected") <(sort <<<"$actual") ||
        fail "the package's files (< expected, > packed) differ"
    local depends
    depends=$(dpkg-deb -f "$(the_deb)" Depends)
    for needed in libqt6gui6 libgstreamer1.0-0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good; do
        grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
    done
}

lint() {
    skip_without lintian
    lintian --fail-on error --display-level '>=warning' "$(the_deb)"
}

run_unpacked() {
    unpack
    videoquelm --help | grep -q '^Usage: videoquelm' || fail "--help"

    local data=$home/.local/share/videoquelm out
    out=$(videoquelm --check --camera demo) || fail "--check on the demo camera: $out"
    grep -qx "application folder $data: ok" <<<"$out" || fail "--check: $out"

    extra_env=(XDG_DATA_HOME="$scratch/xdg")
    out=$(videoquelm --check --camera demo) || fail "--check with XDG_DATA_HOME: $out"
    grep -qx "application folder $scratch/xdg/videoquelm: ok" <<<"$out" || fail "XDG_DATA_HOME: $out"
    extra_env=()

    if out=$(videoquelm --check --camera "$scratch/gone.avi"); then fail "--check passed a missing camera"; fi
    grep -q "^camera $scratch/gone.avi: cannot be opened" <<<"$out" || fail "--check: $out"

    # A short headless run on the demo, stopped as a service is: it saves its settings.
    headless_until_armed "$scratch/run.log"
    [ -s "$data/vq.stp" ] || { cat "$scratch/run.log"; fail "no settings in $data"; }

    # A service that starts with a problem says so in one line and runs on.
    touch "$scratch/a-file"
    headless_until_armed "$scratch/blocked.log" --app-folder "$scratch/a-file/videoquelm"
    grep -qx "\[Check\] application folder $scratch/a-file/videoquelm: cannot be made" \
        "$scratch/blocked.log" || { cat "$scratch/blocked.log"; fail "no line for the folder"; }

    videoquelm --version | grep -q '^videoquelm [0-9]' || fail "--version"
    settings_alone
    journal_priorities
}

# A service instance set up with --set alone: its folder beside the plain one's (following
# XDG_DATA_HOME), the keys read back, the camera kept in camera.conf and honoured by --check, and
# a wrong value refused with the files left as they were.
settings_alone() {
    local folder=$scratch/xdg/videoquelm@door out
    extra_env=(XDG_DATA_HOME="$scratch/xdg")
    videoquelm --instance door --set target=owner@home.example settle_seconds=5 \
        keep_days=30 camera="$scratch/door.avi" || fail "--set"
    [ "$(stat -c %a "$folder")" = 700 ] || fail "the instance's folder is not private"
    [ "$(stat -c %a "$folder/vq.stp")" = 600 ] || fail "vq.stp is not private"
    out=$(videoquelm --instance door --settings)
    for line in target=owner@home.example settle_seconds=5 keep_days=30 "camera=$scratch/door.avi"; do
        grep -qx -- "$line" <<<"$out" || fail "--settings lacks $line: $out"
    done
    local before
    before=$(md5sum <"$folder/vq.stp")
    if out=$(videoquelm --instance door --set target=x settle_seconds=soon 2>&1); then
        fail "--set took a wrong value"
    fi
    grep -q "settle_seconds takes a whole number" <<<"$out" || fail "--set's message: $out"
    [ "$(md5sum <"$folder/vq.stp")" = "$before" ] || fail "a refused --set changed the file"
    if out=$(videoquelm --instance door --check); then fail "--check found a missing camera"; fi
    grep -q "^camera $scratch/door.avi: cannot be opened" <<<"$out" || fail "--check ignores camera.conf: $out"
    extra_env=()
}

# Run under systemd, standard error is the journal's stream (JOURNAL_STREAM names it): every line
# carries its priority, so journalctl -p warning shows the start-up problems and not the chatter.
journal_priorities() {
    local err=$scratch/stderr.log pid
    : >"$err"
    touch "$scratch/not-a-folder"
    extra_env=(JOURNAL_STREAM="$(stat -c %d:%i "$err")")
    as_user "$root/usr/bin/videoquelm" --headless --camera "$scratch/gone.avi" --link dbus \
        --app-folder "$scratch/not-a-folder/vq" </dev/null >/dev/null 2>>"$err" &
    pid=$!
    wait_until grep -q "^<6>vq.run: .*started" "$err" || { kill $pid; cat "$err"; fail "no start line"; }
    wait_until grep -q "^<4>\[Check\] application folder" "$err" || { kill $pid; cat "$err"; fail "no warning"; }
    kill -TERM $pid
    wait $pid || true
    extra_env=()
    grep -q "^<6>vq.run: stopped" "$err" || { cat "$err"; fail "no stop line"; }
    if grep -v '^<[2-7]>' "$err"; then fail "lines without a priority"; fi
}

# Runs the unpacked program headless on the demo until detection is on, then stops it with
# SIGTERM as systemd does; it must end normally.
headless_until_armed() {
    local log=$1 pid
    shift
    as_user "$root/usr/bin/videoquelm" --headless --demo --arm "$@" </dev/null >"$log" 2>&1 &
    pid=$!
    wait_until grep -q '^status: Motion Detect' "$log" ||
        { kill $pid; cat "$log"; fail "the headless run never armed"; }
    kill -TERM $pid
    wait $pid || { cat "$log"; fail "the headless run ended badly on SIGTERM"; }
}

units() {
    skip_without systemd-analyze
    unpack
    local units=$root/usr/lib/systemd/user checked=$scratch/units out
    mkdir -p "$checked"
    # The units name the program plainly; here it is found in the temporary root.
    for unit in videoquelm.service videoquelm@.service; do
        sed "s|^ExecStart=videoquelm|ExecStart=$root/usr/bin/videoquelm|" "$units/$unit" >"$checked/$unit"
    done
    out=$(cd "$checked" && XDG_RUNTIME_DIR=$scratch MANPATH=$root/usr/share/man \
        systemd-analyze verify --user ./videoquelm.service ./videoquelm@door.service 2>&1) ||
        fail "systemd-analyze verify: $out"
    [ -z "$out" ] || fail "systemd-analyze verify: $out"
    grep -q '^ExecStart=videoquelm --headless --arm --link xmpp --instance %i$' \
        "$units/videoquelm@.service" || fail "the template's command line"
    for unit in videoquelm.service videoquelm@.service; do
        grep -qx 'UMask=0077' "$units/$unit" || fail "$unit lets others read what it makes"
    done
}

# "systemctl --user enable --now videoquelm@door" as a user would type it, under a user manager
# of the test's own. systemd runs a user manager only where it booted the system, so where init
# is something else (a container) a private mount namespace gets a /run that says it did.
user_service() {
    skip_without systemctl
    unshare -m --propagation private true 2>/dev/null || skip "no mount namespace"
    exec unshare -m --propagation private "$0" user-service-inside "$build"
}
manager_up() {
    case $(systemctl --user is-system-running 2>/dev/null) in
        running | degraded) ;;
        *) return 1 ;;
    esac
}
user_service_inside() {
    mount -t tmpfs tmpfs /run && mkdir -p /run/systemd/system || skip "no private /run"
    unpack
    export HOME=$home XDG_RUNTIME_DIR=$scratch/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    local units=$home/.config/systemd/user log=$scratch/door.log folder=$home/.local/share/videoquelm@door
    mkdir -p "$units"
    # The unpacked program on the demo camera and the simulated link, so no camera or server is needed.
    sed -e "s|^ExecStart=videoquelm|ExecStart=$root/usr/bin/videoquelm|" \
        -e "s|--link xmpp|--link sim --camera demo|" -e "/^\[Service\]/a StandardOutput=file:$log" \
        "$root/usr/lib/systemd/user/videoquelm@.service" >"$units/videoquelm@.service"
    /lib/systemd/systemd --user >"$scratch/manager.log" 2>&1 &
    manager=$!
    trap 'kill $manager; rm -rf "$scratch"' EXIT
    wait_until manager_up || { cat "$scratch/manager.log"; fail "the user manager did not start"; }
    systemctl --user enable --now videoquelm@door || fail "enable --now"
    wait_until grep -q '^status: Motion Detect' "$log" ||
        { systemctl --user status videoquelm@door; fail "the instance never armed"; }
    grep -q "application folder $folder\$" "$log" || fail "the instance's folder: $(head -1 "$log")"
    systemctl --user stop videoquelm@door
    [ -s "$folder/vq.stp" ] || { cat "$log"; fail "stopping the service lost the settings"; }
}

metadata() {
    skip_without desktop-file-validate
    skip_without appstreamcli
    unpack
    desktop-file-validate "$root"/usr/share/applications/*.desktop
    appstreamcli validate --no-net --explain "$root"/usr/share/metainfo/*.metainfo.xml
}

manuals() {
    skip_without groff
    unpack
    local page help option text
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        out=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1) || fail "$page: $out"
        [ -z "$out" ] || fail "$page: $out"
    done
    # Every option a program offers is in its man page.
    for program in "$root"/usr/bin/*; do
        page=$root/usr/share/man/man1/$(basename "$program").1.gz
        [ -f "$page" ] || fail "no man page for $(basename "$program")"
        help=$( (as_user "$program" --help 2>&1) || true)
        text=$(zcat "$page" | sed 's/\\-/-/g')
        for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
            grep -q -- "$option" <<<"$text" ||
                fail "$(basename "$program") offers $option, its man page does not say"
        done
    done
}

case $step in
    build) build ;;
    files) files ;;
    lintian) lint ;;
    run) run_unpacked ;;
    units) units ;;
    user-service) user_service ;;
    user-service-inside) user_service_inside ;;
    metadata) metadata ;;
    manuals) manuals ;;
    *) fail "unknown step $step" ;;
esac
