#!/usr/bin/python3
"""Talks OMEMO (eu.siacs.conversations.axolotl) between the machine's device and python-oldmemo,
an implementation nobody here wrote, in both directions: each side builds a session from the
other's published bundle, first messages and replies decrypt to the exact text, the fingerprint
is the one the apps show, and a replayed message is refused.

    interop.py PATH/TO/vq_omemo_peer
"""
import asyncio
import base64
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import os

import oldmemo
import oldmemo.etree
import xeddsa
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from omemo.message import Message
from omemo.storage import Just, Nothing, Storage

MACHINE = "machine@example.org"
PHONE = "owner@example.org"
NS = "{eu.siacs.conversations.axolotl}"


class MemoryStorage(Storage):
    def __init__(self):
        super().__init__()
        self.values = {}

    async def _load(self, key):
        return Just(self.values[key]) if key in self.values else Nothing()

    async def _store(self, key, value):
        self.values[key] = value

    async def _delete(self, key):
        self.values.pop(key, None)


class Machine:
    """The device behind the peer program, one command a line."""

    def __init__(self, program, file):
        self.process = subprocess.Popen([program, file], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)

    def ask(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().rstrip("\n")


def check(condition, what):
    if not condition:
        raise SystemExit(f"FAILED: {what}")
    print(f"ok: {what}")


class Phone:
    """One of the owner's devices on python-oldmemo's backend."""

    def __init__(self, device_id):
        self.backend = oldmemo.Oldmemo(MemoryStorage())
        self.device_id = device_id
        self.session = None

    async def bundle_xml(self):
        await self.backend.generate_pre_keys(100)
        bundle = await self.backend.get_bundle(PHONE, self.device_id)
        return ET.tostring(oldmemo.etree.serialize_bundle(bundle), encoding="unicode")

    def envelope(self, content, encrypted_key, key_exchange=None):
        message = Message(oldmemo.oldmemo.NAMESPACE, PHONE, self.device_id, content,
                          frozenset({(encrypted_key, key_exchange)}))
        return ET.tostring(oldmemo.etree.serialize_message(message), encoding="unicode")

    async def send_first(self, machine_bundle, machine_id, text):
        content, plain_key = await self.backend.encrypt_plaintext(text)
        self.session, encrypted_key = await self.backend.build_session_active(
            MACHINE, machine_id, machine_bundle, plain_key)
        return self.envelope(content, encrypted_key, self.session.key_exchange)

    async def send(self, text):
        content, plain_key = await self.backend.encrypt_plaintext(text)
        encrypted_key = await self.backend.encrypt_key_material(self.session, plain_key)
        return self.envelope(content, encrypted_key)

    async def send_key_alone(self, text):
        """A message as older apps send it: a 16-byte IV, the tag at the end of the payload and
        the key alone in the key material; with no text, a key transport message (no payload)."""
        key, iv = os.urandom(16), os.urandom(16)
        content = oldmemo.oldmemo.ContentImpl(AESGCM(key).encrypt(iv, text, None) if text else b"", iv)
        plain_key = oldmemo.oldmemo.PlainKeyMaterialImpl(key, b"")
        encrypted_key = await self.backend.encrypt_key_material(self.session, plain_key)
        return self.envelope(content, encrypted_key)

    async def receive(self, xml, machine_bundle):
        """The body of the machine's envelope, reading the key meant for this device only."""
        element = ET.fromstring(xml)
        header = element.find(f"{NS}header")
        key = next(k for k in header.iter(f"{NS}key") if int(k.get("rid")) == self.device_id)
        data = base64.b64decode(key.text)
        sender = int(header.get("sid"))
        if key.get("prekey") in ("true", "1"):
            sign_bit = bool((machine_bundle.identity_key[31] >> 7) & 1)
            exchange, data = oldmemo.oldmemo.KeyExchangeImpl.parse(data, sign_bit)
            encrypted = oldmemo.oldmemo.EncryptedKeyMaterialImpl.parse(data, PHONE, self.device_id)
            self.session, plain_key = await self.backend.build_session_passive(
                MACHINE, sender, exchange, encrypted)
        else:
            encrypted = oldmemo.oldmemo.EncryptedKeyMaterialImpl.parse(data, PHONE, self.device_id)
            plain_key = await self.backend.decrypt_key_material(self.session, encrypted)
        content = oldmemo.oldmemo.ContentImpl(
            base64.b64decode(element.find(f"{NS}payload").text),
            base64.b64decode(header.find(f"{NS}iv").text))
        return await self.backend.decrypt_plaintext(content, plain_key)


async def phone_starts(program, folder):
    machine = Machine(program, f"{folder}/machine-a")
    machine_id, fingerprint = machine.ask("fingerprint").split()
    machine_id = int(machine_id)
    bundle = oldmemo.etree.parse_bundle(ET.fromstring(machine.ask("bundle")), MACHINE, machine_id)
    curve = xeddsa.ed25519_pub_to_curve25519_pub(bundle.identity_key)
    check(curve.hex() == fingerprint, "the fingerprint is the identity key the apps show")

    phone = Phone(1111)
    first = await phone.send_first(bundle, machine_id, "status".encode())
    check('prekey="true"' in first, "the phone's first message carries its key exchange")
    check(machine.ask(f"decrypt {PHONE} {first}") == "ok status",
          "the machine reads the phone's first message")
    check(machine.ask("bundle_changed") == "yes", "the used pre-key makes the bundle change")
    check(machine.ask(f"decrypt {PHONE} {first}").startswith("error"),
          "the first message replayed is refused")
    reply = machine.ask(f"encrypt {PHONE} 1111 Armed ✓")
    check(await phone.receive(reply, bundle) == "Armed ✓".encode(),
          "the phone reads the machine's reply")
    for n in range(5):
        check(machine.ask(f"decrypt {PHONE} {await phone.send(f'line {n}'.encode())}") ==
              f"ok line {n}", f"the machine reads the phone's line {n}")
        check(await phone.receive(machine.ask(f"encrypt {PHONE} 1111 back {n}"), bundle) ==
              f"back {n}".encode(), f"the phone reads the machine's line {n}")
    check(machine.ask(f"decrypt {PHONE} {await phone.send_key_alone(b'old app')}") == "ok old app",
          "the machine reads a message with the tag in the payload and a 16-byte IV")
    check(machine.ask(f"decrypt {PHONE} {await phone.send_key_alone(b'')}") == "ok ",
          "the machine reads a key transport message (no payload)")


async def machine_starts(program, folder):
    machine = Machine(program, f"{folder}/machine-b")
    machine_id = int(machine.ask("fingerprint").split()[0])
    machine_bundle = oldmemo.etree.parse_bundle(ET.fromstring(machine.ask("bundle")), MACHINE,
                                                machine_id)
    phone = Phone(2222)
    check(machine.ask(f"session {PHONE} 2222 {await phone.bundle_xml()}") == "ok",
          "the machine builds a session from the phone's bundle (signature checked)")
    first = machine.ask(f"encrypt {PHONE} 2222 Motion detected")
    check('prekey="true"' in first, "the machine's first message carries its key exchange")
    check(await phone.receive(first, machine_bundle) == b"Motion detected",
          "the phone reads the machine's first message")
    check(machine.ask(f"decrypt {PHONE} {await phone.send(b'disarm')}") == "ok disarm",
          "the machine reads the phone's reply")
    second = machine.ask(f"encrypt {PHONE} 2222 Disarmed")
    check('prekey="true"' not in second, "after the reply the machine sends plain messages")
    check(await phone.receive(second, machine_bundle) == b"Disarmed",
          "the phone reads the machine's next line")


def main():
    with tempfile.TemporaryDirectory() as folder:
        asyncio.run(phone_starts(sys.argv[1], folder))
        asyncio.run(machine_starts(sys.argv[1], folder))
    print("interop: all checks passed")


if __name__ == "__main__":
    main()
