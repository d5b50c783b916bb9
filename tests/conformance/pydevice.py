#!/usr/bin/env python3
"""One device of the TARN discovery protocol, written from docs/protocol.md alone, with PyNaCl.

    pydevice.py --vectors docs/protocol.md
        recomputes the document's test vectors from its inputs and says which differ
    pydevice.py --maker-program tarn-maker --secrets maker-secrets.json [--serial S] [--mac M]
        makes an identity key, has the maker certify it, and runs on the loopback interface until
        SIGTERM: announces itself, answers inquiries and challenges, and carries out activation and
        changes of address sealed to its certified key.
"""
import argparse
import base64
import hashlib
import ipaddress
import json
import os
import random
import re
import signal
import socket
import struct
import subprocess
import sys
import time

import nacl.bindings as sodium
import nacl.exceptions
import nacl.pwhash

GROUP, PORT = "224.0.0.147", 37370
VERSION = 2


def frame(data):
    return struct.pack("<I", len(data)) + data


def b64(data):
    return base64.b64encode(data).decode()


def unb64(text):
    return base64.b64decode(text, validate=True)


def normalise_mac(mac):
    digits = re.sub(r"[-:.]", "", mac).lower()
    return digits if re.fullmatch(r"[0-9a-f]{12}", digits) else ""


def compact(obj):
    """JSON as the library writes it: members in name order, no blanks."""
    return json.dumps(obj, separators=(",", ":"), sort_keys=True).encode()


def signed(obj, secret):
    text = json.dumps(obj, separators=(",", ":")).encode()
    signature = sodium.crypto_sign(b"tarn/1 signed\0" + text, secret)[:64]
    return text[:-1] + b',"sig":"' + b64(signature).encode() + b'"}'


def session_key(own_secret, other_public, epk, device_public, request_id, nonce):
    shared = sodium.crypto_scalarmult(own_secret, other_public)
    if shared == bytes(32):
        raise ValueError("low-order key")
    binding = frame(str(request_id).encode()) + frame(nonce)
    return hashlib.blake2b(b"tarn/1 session\0" + shared + epk + device_public + binding, digest_size=32).digest()


def seal(key, direction, plain, aad):
    return sodium.crypto_aead_xchacha20poly1305_ietf_encrypt(plain, aad, bytes([direction]) + bytes(23), key)


def unseal(key, direction, box, aad):
    return sodium.crypto_aead_xchacha20poly1305_ietf_decrypt(box, aad, bytes([direction]) + bytes(23), key)


def security_code(factory, serial, day):
    digest = hashlib.blake2b(b"tarn/1 code|" + serial.encode() + b"|" + str(day).encode(), key=factory,
                             digest_size=10).digest()
    bits = int.from_bytes(digest, "big")
    alphabet = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789"
    text = "".join(alphabet[(bits >> (75 - 5 * i)) & 31] for i in range(16))
    return "-".join(text[i:i + 4] for i in range(0, 16, 4))


def check_vectors(path):
    """The document's inputs, derived again by the document's rules."""
    text = open(path, encoding="utf-8").read()
    block = text[text.index("<!-- vectors -->"):text.index("<!-- /vectors -->")]
    documented = dict(line.split(" = ", 1) for line in block.splitlines() if " = " in line)
    maker_pk, maker_sk = sodium.crypto_sign_seed_keypair(bytes([1]) * 32)
    device_pk, device_sk = sodium.crypto_sign_seed_keypair(bytes([2]) * 32)
    serial, mac = "TN0712345-1", "02-07-00-00-01-5a"
    message = b"tarn/1 cert" + frame(serial.encode()) + frame(normalise_mac(mac).encode()) + frame(device_pk)
    certificate = device_pk + sodium.crypto_sign(message, maker_sk)[:64]
    bye = {"v": VERSION, "t": "bye", "boot": 1765238400, "seq": 5, "sn": serial, "mac": mac}
    datagram = signed(bye, device_sk)
    device_public = sodium.crypto_sign_ed25519_pk_to_curve25519(device_pk)
    ephemeral = bytes([3]) * 32
    epk = sodium.crypto_scalarmult_base(ephemeral)
    nonce = bytes([4]) * 32
    challenge_request = compact({"v": VERSION, "t": "chq", "id": 77, "sn": serial, "epk": b64(epk)})
    challenge = {"v": VERSION, "t": "cha", "id": 77, "sn": serial, "mac": mac, "cert": b64(certificate),
                 "nonce": b64(nonce), "epk": b64(epk)}
    text = compact(challenge)
    challenge_datagram = text[:-1] + b',"sig":"' + b64(sodium.crypto_sign(b"tarn/1 signed\0" + text, device_sk)[:64]).encode() + b'"}'
    key = session_key(ephemeral, device_public, epk, device_public, 77, nonce)
    request_aad = b"tarn/1 op" + frame(b"77") + frame(serial.encode()) + frame(nonce)
    answer_aad = b"tarn/1 res" + frame(b"77") + frame(serial.encode()) + frame(mac.encode()) + frame(nonce)
    factory = hashlib.blake2b(b"tarn/1 device|" + serial.encode(), key=bytes([5]) * 32, digest_size=32).digest()
    core = (b"TKR1" + bytes([1, len(serial), 0, 0]) + serial.encode().ljust(48, b"\0") + bytes([6]) * 16
            + struct.pack("<QQ", 1765238400, 1765238400 + 172800))
    request = core + hashlib.blake2b(b"tarn/1 request" + core, key=factory, digest_size=32).digest()
    ours = {
        "maker_public": maker_pk.hex(),
        "device_identity_public": device_pk.hex(),
        "certificate_message": message.hex(),
        "certificate": certificate.hex(),
        "signed_datagram": datagram.decode(),
        "signature": unb64(datagram[-90:-2].decode()).hex(),
        "device_sealing_public": device_public.hex(),
        "device_sealing_secret": sodium.crypto_sign_ed25519_sk_to_curve25519(device_sk).hex(),
        "ephemeral_public": epk.hex(),
        "shared": sodium.crypto_scalarmult(ephemeral, device_public).hex(),
        "challenge_request": challenge_request.decode(),
        "challenge_datagram": challenge_datagram.decode(),
        "binding": (frame(b"77") + frame(nonce)).hex(),
        "session_key": key.hex(),
        "request_context": request_aad.hex(),
        "request_box": seal(key, 1, b'{"op":"activate","pw":"QWRtaW4xMjM0NQ=="}', request_aad).hex(),
        "answer_context": answer_aad.hex(),
        "answer_box": seal(key, 2, b'{"code":0}', answer_aad).hex(),
        "factory_secret": factory.hex(),
        "key_request": request.hex(),
        "reset_key": b64(sodium.crypto_sign(b"tarn/1 reset key|" + request, maker_sk)[:64]),
        "security_code_day_20430": security_code(factory, serial, 20430),
    }
    wrong = [name for name in documented if ours.get(name) != documented[name].strip()]
    missing = [name for name in ours if name not in documented]
    for name in wrong + missing:
        print("vector %s: document %s, computed %s" % (name, documented.get(name), ours.get(name)))
    return not wrong and not missing


class Device:
    def __init__(self, serial, mac, identity_pk, identity_sk, certificate):
        self.serial, self.mac = serial, mac
        self.identity_sk, self.certificate = identity_sk, certificate
        self.sealing_public = sodium.crypto_sign_ed25519_pk_to_curve25519(identity_pk)
        self.sealing_secret = sodium.crypto_sign_ed25519_sk_to_curve25519(identity_sk)
        self.boot, self.seq = int(time.time()), 0
        self.interval = 2
        self.fields = {"sn": serial, "mac": mac, "ip": "192.0.0.70", "mask": "255.255.255.0", "gw": "0.0.0.0",
                       "port": 8000, "http": 80, "code": 100, "tname": "PY-CONFORM", "sw": "V1.0", "dsp": "V1.0",
                       "start": "2026-12-09 00:00:00", "ch": 1, "cap": 0, "dhcp": 0, "v6": 0, "ip6": "",
                       "gw6": "", "pfx": 0, "act": 1, "xf": 0}
        self.password_hash = None
        self.failures, self.locked_until = 0, 0.0
        self.challenges = {}     # (id, epk) -> (nonce, made, signed cha)
        self.answers = {}        # (id, epk) -> (datagram, made)
        self.answered = []       # recent inquiry ids
        self.recent = {}         # digest of a request decoded lately -> [made, type, (id, epk), last answer]
        self.recent_key = os.urandom(32)
        self.last_hello = 0.0
        self.outbox = []         # (time, datagram, is_hello)
        self.sock = self.open_socket()

    @staticmethod
    def open_socket():
        lo = socket.if_nametoindex("lo")
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind((GROUP, PORT))
        membership = socket.inet_aton(GROUP) + socket.inet_aton("0.0.0.0") + struct.pack("@i", lo)
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, membership)
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
        return sock

    def send(self, datagram, after=0.0, hello=False):
        self.outbox.append((time.monotonic() + after, datagram, hello))

    def hello(self, inquiry_id=0, after=0.0):
        self.seq += 1
        message = {"v": VERSION, "t": "hello", "id": inquiry_id, "boot": self.boot, "seq": self.seq, "ivl": self.interval,
                   "lock": int(time.monotonic() < self.locked_until), "cert": b64(self.certificate),
                   "d": self.fields}
        self.send(signed(message, self.identity_sk), after, True)

    def bye(self):
        self.seq += 1
        message = {"v": VERSION, "t": "bye", "boot": self.boot, "seq": self.seq, "sn": self.serial, "mac": self.mac}
        return signed(message, self.identity_sk)

    def targets_me(self, message):
        if "sn" in message:
            return message["sn"] == self.serial
        return normalise_mac(str(message.get("mac", ""))) == normalise_mac(self.mac)

    def on_inquiry(self, message):
        known = message.get("known", "")
        if normalise_mac(self.mac) in [known[i:i + 12] for i in range(0, len(known), 12)]:
            return
        if message["id"] in self.answered:
            return
        now = time.monotonic()
        window = max(message.get("win", 0), 1) / 1000.0
        at = max(now + random.uniform(0, window), self.last_hello + 1.02)
        if at >= now + window:
            return
        self.last_hello = at
        self.answered = (self.answered + [message["id"]])[-8:]
        self.hello(message["id"], at - now)

    @staticmethod
    def bound_to(message):
        """The request id and the operation's key a challenge belongs to."""
        epk = unb64(message["epk"])
        if len(epk) != 32:
            raise ValueError("not a key")
        return message["id"], epk

    def on_challenge_request(self, message):
        bound = self.bound_to(message)
        if not self.targets_me(message) or bound in self.answers:
            return
        if bound not in self.challenges:
            if len(self.challenges) >= 64:
                del self.challenges[min(self.challenges, key=lambda k: self.challenges[k][1])]
            nonce = os.urandom(32)
            reply = {"v": VERSION, "t": "cha", "id": bound[0], "sn": self.serial, "mac": self.mac,
                     "cert": b64(self.certificate), "nonce": b64(nonce), "epk": b64(bound[1])}
            self.challenges[bound] = (nonce, time.monotonic(), signed(reply, self.identity_sk))
        self.send(self.challenges[bound][2])

    def on_operation(self, message):
        bound = self.bound_to(message)
        if bound in self.answers:
            self.send(self.answers[bound][0])
            return
        if bound not in self.challenges or not self.targets_me(message):
            return  # no challenge for this id and key: stale, replayed, or someone else's
        request_id, epk = bound
        nonce = self.challenges[bound][0]
        target = message["sn"] if "sn" in message else message["mac"]
        try:
            key = session_key(self.sealing_secret, epk, epk, self.sealing_public, request_id, nonce)
            aad = b"tarn/1 op" + frame(str(request_id).encode()) + frame(target.encode()) + frame(nonce)
            body = json.loads(unseal(key, 1, unb64(message["box"]), aad))
        except (ValueError, nacl.exceptions.CryptoError):
            return
        del self.challenges[bound]
        code = self.apply(body)
        aad = (b"tarn/1 res" + frame(str(request_id).encode()) + frame(self.serial.encode())
               + frame(self.mac.encode()) + frame(nonce))
        box = seal(key, 2, json.dumps({"code": code}, separators=(",", ":")).encode(), aad)
        reply = json.dumps({"v": VERSION, "t": "res", "id": request_id, "sn": self.serial, "mac": self.mac,
                            "box": b64(box)}, separators=(",", ":")).encode()
        self.answers[bound] = (reply, time.monotonic())
        self.send(reply)
        if code == 0:
            self.hello()

    def apply(self, body):
        password = unb64(body.get("pw", ""))
        if body.get("op") == "activate":
            if self.fields["act"] == 0:
                return 2021
            if not 8 <= len(password) <= 16:
                return 2013
            self.password_hash = nacl.pwhash.argon2id.str(password, nacl.pwhash.argon2id.OPSLIMIT_INTERACTIVE,
                                                          nacl.pwhash.argon2id.MEMLIMIT_INTERACTIVE)
            self.fields["act"] = 0
            return 0
        if body.get("op") != "modify":
            return 2020
        if self.fields["act"] != 0:
            return 2014
        if time.monotonic() < self.locked_until:
            return 2010
        try:
            nacl.pwhash.verify(self.password_hash, password)
        except nacl.exceptions.InvalidkeyError:
            self.failures += 1
            if self.failures >= 5:
                self.failures, self.locked_until = 0, time.monotonic() + 60
            return 2009
        self.failures = 0
        net = body["net"]
        try:
            address = ipaddress.IPv4Address(net["ip"])
            network = ipaddress.IPv4Network("0.0.0.0/" + net["mask"])
        except ValueError:
            return 2013
        if address.is_loopback or address.is_multicast or network.prefixlen in (0, 32) or net["port"] == 0:
            return 2013
        self.fields.update(ip=net["ip"], mask=net["mask"], gw=net["gw"], port=net["port"], http=net["http"])
        return 0

    def answer_copy(self, original, now):
        """An exact copy gets what its original got, if that still stands, at most every 100 ms."""
        made, kind, bound, answered = original
        if now - answered < 0.1:
            return
        if kind == "chq" and bound in self.challenges:
            self.send(self.challenges[bound][2])
        elif kind == "op" and bound in self.answers:
            self.send(self.answers[bound][0])
        original[3] = now

    def handle(self, datagram):
        if datagram.endswith(b'"}') and b',"sig":"' in datagram[-98:]:
            return  # what devices sign is not for devices
        now = time.monotonic()
        digest = hashlib.blake2b(datagram, key=self.recent_key, digest_size=16).digest()
        original = self.recent.get(digest)
        if original and now - original[0] <= 30:
            self.answer_copy(original, now)
            return
        kind, bound = None, None
        try:
            message = json.loads(datagram)
            if message.get("v") != VERSION:
                return
            kind = message.get("t")
            if kind == "inq":
                self.on_inquiry(message)
            elif kind == "chq":
                bound = self.bound_to(message)
                self.on_challenge_request(message)
            elif kind == "op":
                bound = self.bound_to(message)
                self.on_operation(message)
        except (ValueError, KeyError, TypeError, AttributeError):
            pass  # malformed: dropped
        finally:
            self.recent.pop(digest, None)
            self.recent[digest] = [now, kind, bound, now]
            if len(self.recent) > 4096:
                del self.recent[next(iter(self.recent))]  # the oldest

    def run(self, stop):
        for _ in range(1):
            self.hello(0, random.uniform(0, 1))
        next_announce = time.monotonic() + self.interval
        self.sock.settimeout(0.05)
        print("pydevice: ready", flush=True)
        while not stop():
            try:
                self.handle(self.sock.recv(2048))
            except socket.timeout:
                pass
            now = time.monotonic()
            for item in sorted(self.outbox):
                if item[0] <= now:
                    self.sock.sendto(item[1], (GROUP, PORT))
                    if item[2]:
                        self.last_hello = max(self.last_hello, now)
                    self.outbox.remove(item)
            if now >= next_announce:
                self.hello()
                next_announce = now + self.interval
            self.challenges = {k: v for k, v in self.challenges.items() if now - v[1] < 30}
            self.answers = {k: v for k, v in self.answers.items() if now - v[1] < 60}
        for _ in range(2):
            self.sock.sendto(self.bye(), (GROUP, PORT))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vectors")
    parser.add_argument("--maker-program")
    parser.add_argument("--secrets")
    parser.add_argument("--serial", default="PY0000001-1")
    parser.add_argument("--mac", default="02-70-79-00-00-01")
    args = parser.parse_args()
    if args.vectors:
        ok = check_vectors(args.vectors)
        print("pydevice: the document's vectors %s" % ("hold" if ok else "do not hold"))
        return 0 if ok else 1
    identity_pk, identity_sk = sodium.crypto_sign_keypair()
    # The factory step: the maker certifies the identity key for this serial and MAC.
    certificate = unb64(subprocess.check_output([args.maker_program, "cert", "--secrets", args.secrets, args.serial,
                                                 args.mac, b64(identity_pk)]).decode().strip())
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    Device(args.serial, args.mac, identity_pk, identity_sk, certificate).run(lambda: bool(stopping))
    return 0


if __name__ == "__main__":
    sys.exit(main())
