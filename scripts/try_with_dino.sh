#!/bin/bash
# Tries the program as its owner would, with Dino (dino-im) as the owner's messenger, on a
# private loopback: prosody (or ejabberd) for the domain "localhost" on 5222, Dino under Xvfb,
# the program headless with the demo camera. Screenshots land in OUT as PNG files.
#
#   scripts/try_with_dino.sh PROGRAM OUT [prosody|ejabberd]
#
# Needs: dino-im openbox netpbm xdotool xvfb prosody (scripts/install-deps.sh --peers). Root, for
# the namespaces. Every wait is bounded; the whole run ends within a few minutes.
set -euo pipefail
# Where the buttons are in a 1280x800 screen with Dino maximised by openbox: the call button,
# hanging up, the chat input's lock and, in the menu it opens, OMEMO.
CALL_BUTTON=${CALL_BUTTON:-1018 78} HANG_UP=${HANG_UP:-421 475}
LOCK_BUTTON=${LOCK_BUTTON:-1202 712} OMEMO_ITEM=${OMEMO_ITEM:-1158 663}
program=$(realpath "$1"); out=$(realpath -m "$2"); server=${3:-prosody}
mkdir -p "$out"

# Dino has no host or port setting and trusts only the system bundle, so the run gets its own
# network and mount namespace: a loopback where 5222 is free, and a bundle with our CA in it.
# Its own process namespace too, so that everything started here (ejabberd's daemon as well)
# ends with the script.
if [ -z "${VQ_IN_NAMESPACE:-}" ]; then
    exec env VQ_IN_NAMESPACE=1 unshare --net --mount --pid --fork --mount-proc "$0" "$@"
fi
ip link set lo up
# Dino's ICE agent (libnice) skips loopback interfaces, so with lo alone it has no candidate at
# all and no call can connect. A veth pair (no dummy driver in every kernel) gives both sides a
# local, non-loopback address.
ip link add vq1 type veth peer name vq2
ip addr add 10.99.0.1/24 dev vq1
ip link set vq1 up; ip link set vq2 up
work=$(mktemp -d /tmp/vq-dino.XXXXXX)
chmod 755 "$work"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null' EXIT

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -keyout "$work/server.key" -out "$work/server.pem" -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost,IP:127.0.0.1 2>/dev/null
cat /etc/ssl/certs/ca-certificates.crt "$work/server.pem" > "$work/bundle.crt"
mount --bind "$work/bundle.crt" /etc/ssl/certs/ca-certificates.crt
echo "nameserver 127.0.0.1" > "$work/resolv.conf"
mount --bind "$work/resolv.conf" /etc/resolv.conf

start_prosody() {
    cat > "$work/prosody.cfg.lua" <<CFG
run_as_root = true
pidfile = "$work/prosody.pid"
data_path = "$work/data"
plugin_paths = {}
certificates = "$work"
log = { { levels = { min = "debug" }, to = "file", filename = "$work/prosody.log" } }
modules_enabled = { "roster"; "saslauth"; "tls"; "disco"; "carbons"; "pep"; "smacks"; "ping";
                    "offline"; "posix"; "blocklist"; "vcard_legacy" }
modules_disabled = { "s2s" }
authentication = "internal_hashed"
c2s_ports = { 5222 }
c2s_interfaces = { "127.0.0.1" }
s2s_ports = {}
http_ports = {}
https_ports = { 5281 }
https_interfaces = { "127.0.0.1" }
http_external_url = "https://localhost:5281/"
ssl = { certificate = "$work/server.pem"; key = "$work/server.key" }
https_ssl = { certificate = "$work/server.pem"; key = "$work/server.key" }
VirtualHost "localhost"
-- The alarm pictures' upload service: encrypted, they show inline in the chat.
Component "upload.localhost" "http_file_share"
http_host = "localhost"
CFG
    for user in owner machine; do
        prosodyctl --config "$work/prosody.cfg.lua" register $user localhost secret
    done
    # A mutual subscription, as an accepted "add contact" leaves it.
    mkdir -p "$work/data/localhost/roster"
    for pair in owner:machine machine:owner; do
        printf 'return {\n [false] = { version = 1; pending = {} };\n ["%s@localhost"] = { subscription = "both"; groups = {}; name = "%s" };\n}\n' \
            "${pair#*:}" "${pair#*:}" > "$work/data/localhost/roster/${pair%:*}.dat"
    done
    prosody --config "$work/prosody.cfg.lua" -F > "$work/prosody.out" 2>&1 &
}

start_ejabberd() {
    cat > "$work/ejabberd.yml" <<CFG
hosts: [localhost]
loglevel: info
certfiles: ["$work/server.both"]
listen:
  - {port: 5222, ip: "127.0.0.1", module: ejabberd_c2s, starttls_required: true, shaper: none}
  - {port: 5443, ip: "127.0.0.1", module: ejabberd_http, tls: true,
     request_handlers: {/upload: mod_http_upload}}
acl: {}
shaper_rules: {}
modules: {mod_roster: {}, mod_disco: {}, mod_caps: {}, mod_carboncopy: {}, mod_pubsub: {plugins: [flat, pep]},
          mod_stream_mgmt: {}, mod_ping: {}, mod_offline: {}, mod_privacy: {}, mod_blocking: {},
          mod_vcard: {}, mod_admin_extra: {},
          mod_http_upload: {access: all, put_url: "https://@HOST@:5443/upload", docroot: "$work/upload"}}
CFG
    cat "$work/server.pem" "$work/server.key" > "$work/server.both"
    mkdir -p "$work/upload"
    chown -R ejabberd "$work"
    # Debian's defaults file names the system configuration whatever ejabberdctl is told, so
    # ours goes over it, in this namespace only.
    mount --bind "$work/ejabberd.yml" /etc/ejabberd/ejabberd.yml
    ctl() { timeout 60 ejabberdctl --spool "$work/db" --logs "$work" "$@"; }
    ctl start; ctl started
    for user in owner machine; do ctl register $user localhost secret; done
    ctl add_rosteritem owner localhost machine localhost machine "" both
    ctl add_rosteritem machine localhost owner localhost owner "" both
}

shot() {  # the Xvfb frame buffer shows GTK4 popovers that xwd leaves out
    xwdtopnm "$work/fb/Xvfb_screen0" 2>/dev/null | pnmtopng > "$out/$1.png"
    echo "screenshot $out/$1.png"
}

# The owner's Dino, logged in from the start: its account row written before its first start.
start_dino() {
    export HOME=$work/home DISPLAY=:$((100 + RANDOM % 400))  # /tmp (its lock) is shared
    mkdir -p "$HOME/.local/share/dino" "$work/fb"
    sqlite3 "$HOME/.local/share/dino/dino.db" "CREATE TABLE account (id INTEGER PRIMARY KEY AUTOINCREMENT, bare_jid TEXT UNIQUE NOT NULL, resourcepart TEXT, password TEXT, alias TEXT, enabled INTEGER, roster_version TEXT, mam_earliest_synced INTEGER); INSERT INTO account (bare_jid, resourcepart, password, enabled) VALUES ('owner@localhost', 'dino', 'secret', 1);"
    Xvfb $DISPLAY -screen 0 1280x800x24 -fbdir "$work/fb" -nolisten tcp > "$work/xvfb.out" 2>&1 &
    sleep 2
    openbox > "$work/openbox.out" 2>&1 &
    # Its bus address is kept for its accept-call action. GTK's GL renderer, software-rendered
    # under Xvfb, keeps Dino's main loop so busy redrawing (a download spinner is enough) that
    # its low-priority work never runs: pictures stay "Downloading" and the stanzas after them
    # (the alarm call) are never read. Its cairo renderer leaves the loop idle, as on a desktop.
    G_MESSAGES_DEBUG=all GSK_RENDERER=${GSK_RENDERER:-cairo} dbus-run-session -- sh -c \
        "echo \$DBUS_SESSION_BUS_ADDRESS > $work/bus; exec dino-im" > "$work/dino.out" 2>&1 &
    sleep 8
}

# The machine: the demo camera, armed, calling the owner on motion and answering with video.
start_program() {
    local folder=$work/app
    mkdir -p "$folder"
    # VQ_ENCRYPTION=optional (or off) lets the machine send its pictures unsealed too.
    printf '[account]\njid=machine@localhost\npassword=secret\nhost=127.0.0.1\nport=5222\nca_file=%s\nencryption=%s\n' \
        "$work/server.pem" "${VQ_ENCRYPTION:-omemo}" > "$work/xmpp.conf"
    chmod 600 "$work/xmpp.conf"
    # Settings: one start with the simulated client leaves a settings file with the defaults,
    # then the call target and the two boxes are set in it (lines shifted by 50, CRLF).
    timeout -s INT 5 "$program" --headless --camera demo --skype sim --app-folder "$folder" \
        > /dev/null 2>&1 || true
    python3 - "$folder/vq.stp" <<'PY'
import sys
path = sys.argv[1]
lines = open(path, 'rb').read().split(b'\r\n')
dec = lambda b: bytes(c - 50 for c in b).decode('cp1252')
enc = lambda s: bytes(c + 50 for c in s.encode('cp1252'))
values = [dec(l) for l in lines[:20]]
values[0] = 'owner@localhost'   # call target
values[6] = '1'                 # Call on Motion
values[7] = '1'                 # IM Pic: the alarm picture goes to the owner
values[8] = '1'                 # answer calls with video
values[2] = '60'                # seconds to ring: time to accept
values[3] = '90'                # settle delay: the alarm comes after the first two steps
open(path, 'wb').write(b''.join(enc(v) + b'\r\n' for v in values))
print('settings:', values)
PY
    QT_LOGGING_RULES="vq.*=true" "$program" --headless --arm --camera demo --skype xmpp \
        --xmpp-config "$work/xmpp.conf" --app-folder "$folder" > "$work/program.out" 2>&1 &
}

dino_db() { sqlite3 "$HOME/.local/share/dino/dino.db" "$1"; }
wait_for() {  # wait_for SECONDS SQL: until the query gives a row
    local end=$((SECONDS + $1))
    while [ $SECONDS -lt $end ]; do [ -n "$(dino_db "$2" 2>/dev/null)" ] && return 0; sleep 1; done
    return 1
}

start_$server
sleep 3
start_program
start_dino
xdotool key Escape  # the accounts window Dino opens at its first start
sleep 1
shot 0-start

# 1. A chat: Ctrl+T, the contact, then the message in the input that has the focus.
xdotool key ctrl+t; sleep 1; xdotool type machine@localhost; sleep 1
xdotool key Tab; sleep 0.5; xdotool key Return; sleep 2
# OMEMO on for the chat (the machine takes only encrypted commands): the lock, then OMEMO.
xdotool mousemove $LOCK_BUTTON click 1; sleep 1
shot 1a-encryption-menu
xdotool mousemove $OMEMO_ITEM click 1; sleep 2
xdotool mousemove 700 712 click 1; sleep 0.5
xdotool type status; xdotool key Return
wait_for 20 "SELECT 1 FROM message WHERE direction = 0" || echo "no reply to status"
sleep 1
shot 1-status
# encryption 2: OMEMO, both ways
dino_db "SELECT direction, encryption, body FROM message;"

# 2. The owner calls with video: the phone button in the conversation's header, Down, Enter.
xdotool mousemove $CALL_BUTTON click 1; sleep 1
shot 2a-call-menu
xdotool key Down Return
sleep 20
shot 2b-call
# The call window shows its buttons only once the pointer moves over it.
# Dino's call windows: its visible windows narrower than the maximised main one.
call_windows() {
    local window
    for window in $(xdotool search --onlyvisible --class dino 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        if [ "$WIDTH" -lt 1000 ]; then echo "$window"; fi
    done
}
# Dino may miss a click while busy: up to three, until its call window is gone.
hang_up() {
    for _ in 1 2 3; do
        xdotool mousemove 300 300; sleep 0.5; xdotool mousemove $HANG_UP click 1; sleep 3
        [ -z "$(call_windows)" ] && return
    done
    echo "the call window stays open"
}
hang_up
shot 2c-after
dino_db "SELECT id, direction, state, end_time FROM call;"

# 3. The alarm (call states: 0 ringing, 2 in progress, 4 ended, 6 missed, 7 failed): the walker crosses the armed picture, the program sends it and calls; Dino accepts.
# The call comes after the picture (or the line saying why there is none).
wait_for 150 "SELECT 1 FROM call WHERE direction = 0" || echo "no alarm call"
sleep 3; ps -C dino-im -o pid,pcpu,time,cmd  # a starved loop shows here as a busy Dino
shot 3a-ringing
dino_db "SELECT direction, encryption, state, file_name, mime_type, size FROM file_transfer;" || true
read -r conversation call < <(dino_db "SELECT conversation.id, call.id FROM call JOIN conversation ON conversation.jid_id = call.counterpart_id WHERE call.direction = 0 ORDER BY call.id DESC LIMIT 1" | tr '|' ' ') || true
DBUS_SESSION_BUS_ADDRESS=$(cat "$work/bus") gdbus call --session --dest im.dino.Dino \
    --object-path /im/dino/Dino --method org.gtk.Actions.Activate accept-call \
    "[<($conversation, $call)>]" "{}" || true
sleep 20
shot 3b-alarm-call
dino_db "SELECT id, direction, state, end_time FROM call;"
hang_up

# 4. Dino 0.4 leaves an encrypted picture "Downloading" until the server closes the download's
# connection (its issue #1373: the bytes are there, its reader waits for more). Stopping the
# server closes it: the picture Dino decrypted then shows.
if [ "$server" = prosody ]; then kill "$(cat "$work/prosody.pid")"; else ctl stop; fi
sleep 5
for window in $(call_windows); do xdotool windowminimize "$window" || true; done
sleep 1
shot 4-server-stopped
dino_db "SELECT direction, encryption, state, file_name, size FROM file_transfer;" || true
for file in "$HOME"/.local/share/dino/files/*_Pic*; do
    cmp "$file" "$work/app/${file##*_}" && echo "Dino's picture is the snapshot, byte for byte"
done
if [ -n "${VQ_HOLD:-}" ]; then echo "holding: $work pid $$"; sleep "$VQ_HOLD"; fi
