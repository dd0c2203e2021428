#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need; installs only what is
# missing, so it is quick when everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev fontconfig fonts-dejavu-core fonts-liberation
    libgtest-dev libgmock-dev libbenchmark-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
    gstreamer1.0-libav  # the usual decoders (H.264 ...) for camera files and network streams
    linux-libc-dev  # linux/videodev2.h: the camera's own controls
    dbus xvfb xauth ccache
    # the .deb and its checks: CPack's tools, lintian, the unit, menu-entry, metadata and man-page validators
    dpkg-dev file lintian systemd desktop-file-utils appstream groff-base
    python3 clang-format  # the layer and format checks
    libstrophe-dev  # the XMPP client (libstrophe 0.12)
    libomemo-c-dev libssl-dev  # end-to-end encryption: the Signal ratchet, OpenSSL's ciphers
    libqrencode-dev  # the QR code of the machine's fingerprint in the account dialog
    python3-oldmemo python3-omemo  # the encryption tests: an implementation of the apps' protocol
    prosody python3-slixmpp openssl  # the XMPP tests: a real server and an independent client
    python3-xmlschema python3-cryptography  # the OMEMO phone: the apps' XML, sealed files
    # calls: webrtcbin (ICE, DTLS-SRTP) with libnice; VP8 is in plugins-good, Opus in plugins-base
    libgstreamer-plugins-bad1.0-dev libnice-dev gstreamer1.0-plugins-bad gstreamer1.0-nice
    gstreamer1.0-plugins-ugly  # x264enc: calls send H.264 to the phones that take no VP8
    # the call tests' phone: webrtcbin from Python
    python3-gi python3-gst-1.0 gir1.2-gst-plugins-bad-1.0 gir1.2-gst-plugins-base-1.0 gir1.2-nice-0.1
)

# The fuzz targets need clang and its libFuzzer runtime.
[ "${1:-}" = "--fuzz" ] && packages+=(clang libclang-rt-14-dev)
# The comparison with the motion daemon needs the daemon and its test clip.
[ "${1:-}" = "--bench" ] && packages+=(motion opencv-doc)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
