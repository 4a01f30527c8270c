#!/usr/bin/env python3
"""A plug-in whose behaviour the tests choose, good or bad.

The tests copy this script into a program folder's "plugins" folder under the ProgID they want and
write its settings beside it as "<ProgID>.json":

  info       the four GetPluginInfo texts (name, kind letters, short text, description)
  append     text that OnKelmoEvent appends to the parameters of every event but KE_Initialize
  tagReturn  the JSON value ExpandPluginTag returns (default: "tag:" + the tag)
  failOn     a method or event name; the request that matches it meets the failure below
  failure    crash, hang, garbage, deep (JSON nested 100,000 deep), endless (an answer line
             longer than the host accepts), roar (standard error written without end instead of
             an answer), error, wrong-id, no-version, close-output, two-lines, wrong-params or
             number-text
  afterOn    a method or event name; after answering the request that matches it, do afterwards
  afterwards exit (without reading more) or sleep (never read again)
  stubborn   ignore the end of input and SIGTERM: only SIGKILL ends this process
  stderr     a text written to standard error at start
  spawn      start a process of its own at start ("sleep 60") and write its id to
             "<ProgID>.child" beside the script
  flood      a number of bytes of standard error (lines of 63 letters "e") written for every
             OnKelmoEvent but KE_Initialize

Every request is recorded as one JSON line {"pid", "cwd", "method", "params"} in
"<ProgID>.record" beside the script, before it is answered.
"""

import json
import os
import signal
import sys
import time

here = sys.argv[0]
with open(here + ".json", encoding="utf-8") as settings_file:
    settings = json.load(settings_file)

if settings.get("stderr"):
    # One write for the whole line: print() writes the text and its line end separately, and two
    # plug-ins sharing the log could then interleave between them.
    os.write(2, (settings["stderr"] + "\n").encode("utf-8"))
if settings.get("stubborn"):
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
if settings.get("spawn"):
    child = os.posix_spawn("/bin/sleep", ["sleep", "60"], os.environ)
    with open(here + ".child", "w", encoding="utf-8") as child_file:
        child_file.write(str(child))

stdin = open(0, "rb", buffering=0)
stdout = open(1, "wb", buffering=0)


def read_line():
    line = bytearray()
    while not line.endswith(b"\n"):
        chunk = stdin.read(1)
        if not chunk:
            return None
        line += chunk
    return line.decode("utf-8")


def write_line(message):
    stdout.write((json.dumps(message, ensure_ascii=False) + "\n").encode("utf-8"))


def record(request):
    with open(here + ".record", "a", encoding="utf-8") as record_file:
        entry = {"pid": os.getpid(), "cwd": os.getcwd(), "method": request["method"],
                 "params": request["params"]}
        record_file.write(json.dumps(entry, ensure_ascii=False) + "\n")


def matches(request, name):
    params = request["params"]
    event = params[0] if request["method"] == "OnKelmoEvent" and params else None
    return name is not None and name in (request["method"], event)


def result(request):
    method, params = request["method"], list(request["params"])
    if method == "GetPluginInfo":
        info = settings.get("info", ["test", "ES", "", ""])
        index = params[0]
        return (info[index] if 0 <= index < len(info) else ""), params
    if method == "OnKelmoEvent":
        if params[0] != "KE_Initialize":
            params[1] += settings.get("append", "")
            flood = settings.get("flood", 0)
            line = b"e" * 63 + b"\n"
            while flood > 0:
                chunk = line * min(1024, (flood + 63) // 64)
                os.write(2, chunk)
                flood -= len(chunk)
        return None, params
    if method == "ExpandPluginTag":
        return settings.get("tagReturn", "tag:" + params[0]), params
    return None, params


def answer(request):
    failure = settings.get("failure") if matches(request, settings.get("failOn")) else None
    rid = request["id"]
    if failure == "crash":
        os._exit(3)
    if failure == "hang":
        time.sleep(3600)
    if failure == "roar":
        while True:
            os.write(2, (b"r" * 63 + b"\n") * 1024)
    if failure == "garbage":
        stdout.write(b"this is not JSON\n")
        return
    if failure == "deep":
        stdout.write(b'{"jsonrpc":"2.0","id":%d,"result":' % rid + b"[" * 100000 + b"]" * 100000
                     + b"}\n")
        return
    if failure == "endless":
        stdout.write(b"x" * (9 * 1024 * 1024))
        time.sleep(3600)
    if failure == "error":
        write_line({"jsonrpc": "2.0", "id": rid, "error": {"code": -32000, "message": "refused"}})
        return
    if failure == "close-output":
        os.close(1)
        time.sleep(3600)
    value, params = result(request)
    if failure == "wrong-params":
        params = params[:-1]
    if failure == "number-text":
        params = [42 for _ in params]
    message = {"jsonrpc": "2.0", "id": rid, "result": {"return": value, "params": params}}
    if failure == "wrong-id":
        message["id"] = rid + 1
    if failure == "no-version":
        del message["jsonrpc"]
    write_line(message)
    if failure == "two-lines":
        write_line(message)


def main():
    while True:
        line = read_line()
        if line is None:
            break
        request = json.loads(line)
        record(request)
        answer(request)
        if matches(request, settings.get("afterOn")):
            if settings.get("afterwards") == "exit":
                os._exit(0)
            if settings.get("afterwards") == "sleep":
                time.sleep(3600)
    while settings.get("stubborn"):
        time.sleep(3600)


main()
