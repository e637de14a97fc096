#!/usr/bin/python3
# The IBus engine through a private ibus-daemon: a client creates an input context, selects
# Kestrum, types lines key by key and receives the commits and preedits; the property menu
# switches the output and keeps it in the settings file; a word is written once on focus loss.
# Usage: ibus_test.py BUILD_DIR KESTRUM_CONVERT DATA_DIR
import os
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402

build, convert, data = sys.argv[1:4]
failures = []


def expect(what, got, expected):
    if got != expected:
        failures.append(f"{what}\n  got:      {got!r}\n  expected: {expected!r}")


def kestrum_convert(text, unicode=True):
    args = [convert, "--tables", data] + (["--to", "unicode"] if unicode else [])
    out = subprocess.run(args, input=text.encode("cp1252"), capture_output=True).stdout
    return out.decode("utf-8") if unicode else out.decode("cp1252", errors="surrogateescape")


folder = tempfile.mkdtemp(prefix="kestrum-ibus-")
address = f"unix:path={folder}/ibus.sock"
# A word list of the test's own, indexed into a cache of this run's.
with open(f"{folder}/bn.dic", "w") as words:
    words.write("আমি\nতুমি\nথেকে\nঠেকে\nবাংলা\n")
env = dict(os.environ, IBUS_ADDRESS=address, XDG_CONFIG_HOME=f"{folder}/config",
           IBUS_COMPONENT_PATH=f"{build}/share/ibus/component", HOME=folder,
           KESTRUM_WORD_LIST=f"{folder}/bn.dic", XDG_CACHE_HOME=f"{folder}/cache",
           XDG_DATA_HOME=f"{folder}/data")
os.environ.update(env)
daemon = subprocess.Popen(["ibus-daemon", "--panel=disable", "--emoji-extension=disable",
                           "--config=disable", "--cache=none", f"--address={address}"], env=env)
try:
    for _ in range(100):
        if os.path.exists(f"{folder}/ibus.sock"):
            break
        time.sleep(0.05)
    bus = IBus.Bus()
    for _ in range(100):
        if bus.is_connected():
            break
        time.sleep(0.05)
        bus = IBus.Bus()
    assert bus.is_connected(), "the private ibus-daemon did not start"

    context = GLib.MainContext.default()

    def pump(seconds=0.0):
        end = time.monotonic() + seconds
        while True:
            while context.iteration(False):
                pass
            if time.monotonic() >= end:
                break
            time.sleep(0.01)

    class Client:
        def __init__(self):
            self.ic = bus.create_input_context("kestrum-test")
            self.ic.set_capabilities(IBus.Capabilite.PREEDIT_TEXT | IBus.Capabilite.FOCUS |
                                     IBus.Capabilite.PROPERTY | IBus.Capabilite.LOOKUP_TABLE)
            self.commits = ""
            self.preedit = ""
            self.properties = {}
            self.candidates = []
            self.ic.connect("update-lookup-table", self.on_table)
            self.ic.connect("hide-lookup-table", lambda ic: setattr(self, "candidates", []))
            self.ic.connect("commit-text", self.on_commit)
            self.ic.connect("update-preedit-text", self.on_preedit)
            self.ic.connect("hide-preedit-text", lambda ic: setattr(self, "preedit", ""))
            self.ic.connect("register-properties", self.on_properties)
            self.ic.focus_in()
            self.ic.set_engine("kestrum")
            # set_engine returns before the engine's process is up: probe until it takes keys.
            for _ in range(200):
                if self.ic.process_key_event(IBus.KEY_a, 0, 0):
                    break
                time.sleep(0.02)
            else:
                raise AssertionError("the Kestrum engine never took a key")
            self.key(IBus.KEY_Escape)
            pump(0.2)
            self.commits = ""

        def on_commit(self, ic, text):
            self.commits += text.get_text()

        def on_preedit(self, ic, text, cursor, visible):
            self.preedit = text.get_text() if visible else ""

        def on_table(self, ic, table, visible):
            self.candidates = [table.get_candidate(i).get_text()
                               for i in range(table.get_number_of_candidates())] if visible else []

        def on_properties(self, ic, props):
            i = 0
            while (prop := props.get(i)) is not None:
                self.properties[prop.get_key()] = prop
                i += 1

        def key(self, keyval):
            taken = self.ic.process_key_event(keyval, 0, 0)
            self.ic.process_key_event(keyval, 0, IBus.ModifierType.RELEASE_MASK)
            pump()
            return taken

        # Types `text`; returns the transcript: the commits, a space for each Space passed on.
        def type(self, text):
            for c in text:
                if not self.key(ord(c)):
                    self.commits += "[" + c + "]" if c != " " else " "
            pump(0.05)
            return self.commits

    lines = ["AmI bAnglAy gAn gAI.", "sOkAl bElA pAkhIrA DAkE.", "kORm ObOsthA, sUURJ mWRItJU."]
    client = Client()
    for line in lines:
        client.commits = ""
        words = line.replace(".", " ").replace(",", " ").split()
        client.type(words[0])
        expect("preedit of " + words[0], client.preedit, kestrum_convert(words[0]))
        for _ in words[0]:  # take the word back and type the whole line
            client.key(IBus.KEY_BackSpace)
        expect("the word taken back", client.preedit, "")
        client.commits = ""
        expect("line " + line, client.type(line), kestrum_convert(line))

    # Focus loss writes the word once.
    client.commits = ""
    client.type("AmI")
    client.ic.focus_out()
    pump(0.2)
    expect("focus loss", client.commits, "আমি")
    client.ic.focus_in()
    pump(0.2)

    # The property menu: SutonnyMJ output, kept in the settings file.
    expect("the menu's properties", sorted(k for k in client.properties),
           ["any-case", "output", "swap-case"])
    client.ic.property_activate("output-sutonnymj", IBus.PropState.CHECKED)
    pump(0.2)
    client.commits = ""
    expect("SutonnyMJ output", client.type("AmI "), kestrum_convert("AmI", False) + " ")
    with open(f"{folder}/config/kestrum/ibus.conf") as settings:
        expect("the settings file", [l.strip() for l in settings if not l.startswith("#")],
               ["output=sutonnymj", "swap-case=false", "any-case=true"])
    client.ic.property_activate("swap-case", IBus.PropState.CHECKED)
    pump(0.2)
    client.commits = ""
    expect("swap case", client.type("aMi "), kestrum_convert("AmI", False) + " ")
    client.ic.property_activate("swap-case", IBus.PropState.UNCHECKED)
    client.ic.property_activate("output-unicode", IBus.PropState.CHECKED)
    pump(0.2)

    # The word list: candidates for a word typed in lower case, 2 picks the second.
    for _ in range(200):
        if os.path.exists(f"{folder}/cache/kestrum/words.index"):
            break
        time.sleep(0.05)
    client.commits = ""
    client.type("theke")
    expect("the candidates", client.candidates[:2], ["থেকে", "ঠেকে"])
    expect("2 picks the second", client.type("2"), "ঠেকে")
    client.commits = ""
    expect("a word the keys name", client.type("ami "), "আমি ")
    client.ic.property_activate("any-case", IBus.PropState.UNCHECKED)
    pump(0.2)
    client.commits = ""
    expect("without any case, as typed", client.type("ami "), "ami ")
finally:
    daemon.terminate()
    daemon.wait(10)
    shutil.rmtree(folder, ignore_errors=True)

for failure in failures:
    print("FAIL", failure)
sys.exit(1 if failures else 0)
