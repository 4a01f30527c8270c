#!/usr/bin/env python3
"""An extended plug-in that replaces the text of "KE_BeginRespond" by the text in the file
"<ProgID>.reply" beside it (UTF-8), when that file exists. The controller tests use it to type
replies that the macro evaluator would never let through, such as an unclosed brace."""

import json
import os
import sys

here = sys.argv[0]


def result(method, params):
    if method == "GetPluginInfo":
        return ["respond", "E", "", ""][params[0]] if 0 <= params[0] < 4 else "", params
    if method == "OnKelmoEvent" and params[0] == "KE_BeginRespond" and os.path.exists(here + ".reply"):
        with open(here + ".reply", encoding="utf-8", newline="") as reply:
            params[1] = reply.read()
    return None, params


while True:
    line = sys.stdin.readline()
    if not line:
        break
    request = json.loads(line)
    value, params = result(request["method"], list(request["params"]))
    answer = {"jsonrpc": "2.0", "id": request["id"], "result": {"return": value, "params": params}}
    sys.stdout.write(json.dumps(answer, ensure_ascii=False) + "\n")
    sys.stdout.flush()
