#!/usr/bin/python3
"""The owner's phone of phone.py that also speaks OMEMO (eu.siacs.conversations.axolotl), as the
messenger apps do: python-omemo's session manager with the oldmemo backend, its keys in memory,
its device list and bundle on the account's PEP nodes (open access), glued to slixmpp here.

Printed lines, besides phone.py's:
  omemo-ready DEVICE FINGERPRINT  the phone's device is published (fingerprint as apps show it)
  echat FROM BODY                 an OMEMO message decrypted (FROM bare; \\n for line breaks)
  ekey FROM                       an OMEMO message without payload (key transport)
  esender FROM DEVICE FINGERPRINT the device that sent the last OMEMO message
  edecrypt-failed FROM REASON     an OMEMO message the phone could not read
  esent ID                        an encrypted message of ours left (ID: its stanza id)
  esay-failed REASON
  devices JID ID,ID,...           the answer to "devices JID"

Commands, besides phone.py's:
  esay JID TEXT                   an OMEMO message to every device JID published
  damaged JID TEXT                the same with its payload damaged on the way
  replay                          the last OMEMO message sent once more, byte for byte
  devices JID                     fetch JID's published device list
  publish-devices ID,ID,...       replace this account's device list (as another app would)
  edownload URL                   fetch an aesgcm:// address, decrypt it, check it is a JPEG
"""
import asyncio
import base64
import hashlib
import json
import ssl
import sys
import urllib.request

import omemo
import oldmemo
import oldmemo.etree
import xeddsa
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from slixmpp.xmlstream import ET

import phone
from phone import say

NS = oldmemo.oldmemo.NAMESPACE
DEVICES = NS + ".devicelist"
BUNDLES = NS + ".bundles:"
FALLBACK = "I sent you an OMEMO encrypted message but your client doesn't seem to support that."


class MemoryStorage(omemo.Storage):
    def __init__(self):
        super().__init__()
        self.data = {}

    async def _load(self, key):
        if key in self.data:
            return omemo.Just(json.loads(self.data[key]))
        return omemo.Nothing()

    async def _store(self, key, value):
        self.data[key] = json.dumps(value)

    async def _delete(self, key):
        self.data.pop(key, None)


def fingerprint(identity_key):
    return xeddsa.ed25519_pub_to_curve25519_pub(identity_key).hex()


class Manager(omemo.SessionManager):
    """The session manager's questions to the network, answered over slixmpp's PEP."""
    xmpp = None  # the phone, set before create()

    @classmethod
    async def _upload_bundle(cls, bundle):
        await cls.publish(BUNDLES + str(bundle.device_id), "current",
                          oldmemo.etree.serialize_bundle(bundle))

    @classmethod
    async def _download_bundle(cls, namespace, bare_jid, device_id):
        items = await cls.items(bare_jid, BUNDLES + str(device_id))
        if not items:
            raise omemo.BundleNotFound("no bundle of %s %d" % (bare_jid, device_id))
        return oldmemo.etree.parse_bundle(items[0], bare_jid, device_id)

    @classmethod
    async def _delete_bundle(cls, namespace, device_id):
        pass  # left on the server: harmless, and the phone lives for one test

    @classmethod
    async def _upload_device_list(cls, namespace, device_list):
        await cls.publish(DEVICES, "current", oldmemo.etree.serialize_device_list(device_list))

    @classmethod
    async def _download_device_list(cls, namespace, bare_jid):
        items = await cls.items(bare_jid, DEVICES)
        return oldmemo.etree.parse_device_list(items[0]) if items else {}

    async def _evaluate_custom_trust_level(self, device):
        return omemo.TrustLevel.TRUSTED  # blind trust, as the apps start

    async def _make_trust_decision(self, undecided, identifier):
        pass

    @classmethod
    async def _send_message(cls, message, bare_jid):
        cls.xmpp.send_encrypted_element(bare_jid, oldmemo.etree.serialize_message(message), None)

    @classmethod
    async def publish(cls, node, item, payload):
        form = cls.xmpp["xep_0004"].make_form(ftype="submit")
        form.add_field(var="FORM_TYPE", ftype="hidden",
                       value="http://jabber.org/protocol/pubsub#publish-options")
        form.add_field(var="pubsub#access_model", value="open")
        await cls.xmpp["xep_0060"].publish(None, node, id=item, payload=payload, options=form)

    @classmethod
    async def items(cls, jid, node):
        """The payloads of a node's items; none when the node does not exist."""
        try:
            result = await cls.xmpp["xep_0060"].get_items(jid, node)
        except Exception as error:
            if "item-not-found" in str(getattr(error, "condition", error)):
                return []
            raise
        return [child for item in result["pubsub"]["items"] for child in item.xml]


class OmemoPhone(phone.Phone):
    def __init__(self, args):
        super().__init__(args)
        for plugin in ("xep_0004", "xep_0030", "xep_0060"):
            self.register_plugin(plugin)
        self.manager = None
        self.last_encrypted = None
        self.in_order = asyncio.Lock()  # decrypted lines are printed in the order they came

    async def started(self, event):
        Manager.xmpp = self
        storage = MemoryStorage()  # one for both: the backend's identity is the manager's
        self.manager = await Manager.create([oldmemo.Oldmemo(storage)], storage,
                                            self.boundjid.bare, None, "blind")
        own, _ = await self.manager.get_own_device_information()
        say("omemo-ready", own.device_id, fingerprint(own.identity_key))
        await super().started(event)

    def message_in(self, msg):
        encrypted = msg.xml.find("{%s}encrypted" % NS)
        if encrypted is None:
            return super().message_in(msg)
        if msg["type"] == "error":
            return super().message_in(msg)
        # The plain body beside is the fallback for apps without OMEMO: not shown. An address out
        # of band would give an encrypted picture away: shown, for the test to see.
        for url in msg.xml.iterfind("{%s}x/{%s}url" % (phone.OOB, phone.OOB)):
            say("oob", msg["from"].bare, url.text)
        asyncio.ensure_future(self.decrypt(msg["from"].bare, encrypted))

    async def decrypt(self, sender, encrypted):
        async with self.in_order:
            try:
                message = await oldmemo.etree.parse_message(encrypted, sender, self.boundjid.bare,
                                                            self.manager)
                plain, device, _ = await self.manager.decrypt(message)
            except Exception as error:
                say("edecrypt-failed", sender, type(error).__name__)
                return
            say("esender", sender, device.device_id, fingerprint(device.identity_key))
            if plain is None:
                say("ekey", sender)
            else:
                say("echat", sender, plain.decode().replace("\r\n", "\n").replace("\n", "\\n"))

    def obey(self, words):
        command = words[0]
        if command in ("esay", "damaged"):
            asyncio.ensure_future(self.send_text(words[1], words[2].replace("\\n", "\n"),
                                                 command == "damaged"))
        elif command == "replay":
            if self.last_encrypted is not None:
                self.send_raw(self.last_encrypted)
                say("esent", "replay")
        elif command == "devices":
            asyncio.ensure_future(self.show_devices(words[1]))
        elif command == "publish-devices":
            ids = {int(n): None for n in words[1].split(",") if n}
            asyncio.ensure_future(Manager.publish(DEVICES, "current",
                                                  oldmemo.etree.serialize_device_list(ids)))
        elif command == "edownload":
            self.download_sealed(words[1])
        else:
            super().obey(words)

    async def show_devices(self, jid):
        try:
            items = await Manager.items(jid, DEVICES)
            ids = sorted(oldmemo.etree.parse_device_list(items[0])) if items else []
        except Exception as error:
            say("devices", jid, "failed-" + type(error).__name__)
            return
        say("devices", jid, ",".join(str(n) for n in ids) or "-")

    async def send_text(self, to, text, damage):
        try:
            await self.manager.refresh_device_list(NS, to)
            messages, _ = await self.manager.encrypt(frozenset([to]), {NS: text.encode()})
        except Exception as error:
            say("esay-failed", type(error).__name__)
            return
        element = oldmemo.etree.serialize_message(next(iter(messages)))
        if damage:
            payload = element.find("{%s}payload" % NS)
            data = bytearray(base64.b64decode(payload.text))
            data[0] ^= 0xFF
            payload.text = base64.b64encode(bytes(data)).decode()
        self.send_encrypted_element(to, element, FALLBACK)

    def send_encrypted_element(self, to, element, fallback):
        msg = self.make_message(mto=to, mtype="chat", mbody=fallback)
        msg.xml.append(element)
        ET.SubElement(msg.xml, "{urn:xmpp:eme:0}encryption", {"namespace": NS})
        ET.SubElement(msg.xml, "{urn:xmpp:hints}store")
        if fallback is not None:
            self.last_encrypted = str(msg)
        msg.send()
        say("esent", msg["id"] or "-")

    def download_sealed(self, url):
        """aesgcm://host/path#<iv><key>: the ciphertext over HTTPS, opened with the fragment's key."""
        address, _, fragment = url.partition("#")
        try:
            secret = bytes.fromhex(fragment)
            iv, key = secret[:-32], secret[-32:]
            context = ssl.create_default_context(cafile=self.args.ca)
            https = "https://" + address[len("aesgcm://"):]
            with urllib.request.urlopen(https, context=context, timeout=10) as response:
                sealed = response.read()
            data = AESGCM(key).decrypt(iv, sealed, None)
        except Exception as error:
            say("download-failed", repr(error).replace(" ", "_"))
            return
        size = phone.jpeg_size(data)
        if size is None:
            say("download-failed", "not-a-jpeg", len(data))
        else:
            say("downloaded", len(data), "%dx%d" % size, hashlib.sha256(data).hexdigest())


if __name__ == "__main__":
    phone.main(OmemoPhone)
