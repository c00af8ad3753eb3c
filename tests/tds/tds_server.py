#!/usr/bin/env python3
"""A small scripted stand-in for the pharmacy's database server, for tests.

It speaks enough of the TDS protocol (version 7.4, no encryption) for the
FreeTDS ODBC driver: the pre-login, LOGIN7 answered with its environment
changes and acknowledgement, SQL batches decoded from UCS-2, and replies made
of column metadata, rows of NVARCHAR and INT, errors and done tokens. It also
answers the instance browser on UDP 1434 so that "HOST\\QUINSET" resolves.

Statements run on a SQLite file behind a few rewrites (three-part names,
SELECT ... INTO, TOP, the index options, RIGHT/LEFT/ISNULL/LEN). The operation
lock's batches (sp_getapplock / sp_releaseapplock) are answered with the
server's semantics across connections. A scenario file (JSON, read again at
every login) scripts what a real server would do at the worst moment:

  {"login": "normal" | "silent",          # silent: accept TCP, never answer
   "rules": [{"match": REGEX, "nth": N,    # the Nth matching batch (1-based;
              "action": "close"},          #   0 or absent: every one)
             {"match": REGEX, "action": "error",
              "number": 50000, "message": TEXT},
             {"match": REGEX, "action": "hang"}]}   # never answer it

Usage: tds_server.py --db FILE [--scenario FILE] [--log FILE]
                     [--browser-port 1434] [--instance QUINSET]

The log has one line per login and per batch: session, outcome ("login",
"ok", "ok N" rows affected, "rows N", "error", "lock R", "unlock", "closed",
"hung") and the user or statement, separated by tabs.

It listens on 127.0.0.1 only, on a TCP port of the system's choosing, and
prints "ready PORT" on stdout once both sockets are bound, or
"no-browser REASON" (exit status 3) when the UDP port cannot be bound. It ends
when its standard input closes (its parent is gone) or on SIGTERM.
"""

import argparse
import json
import os
import re
import signal
import socket
import socketserver
import sqlite3
import struct
import sys
import threading

HOST = "127.0.0.1"
TDS_74 = 0x74000004

# Packet types.
PKT_SQL_BATCH = 0x01
PKT_RPC = 0x03
PKT_REPLY = 0x04
PKT_ATTENTION = 0x06
PKT_LOGIN7 = 0x10
PKT_PRELOGIN = 0x12

# Tokens.
TOK_COLMETADATA = 0x81
TOK_ERROR = 0xAA
TOK_INFO = 0xAB
TOK_LOGINACK = 0xAD
TOK_ROW = 0xD1
TOK_ENVCHANGE = 0xE3
TOK_DONE = 0xFD
TOK_DONEPROC = 0xFE

DONE_FINAL = 0x00
DONE_MORE = 0x01
DONE_ERROR = 0x02
DONE_COUNT = 0x10
DONE_ATTN = 0x20

# Korean_Wansung_CI_AS: LCID 0x0412, case-insensitive, accent-sensitive.
COLLATION = bytes([0x12, 0x04, 0xD0, 0x00, 0x00])

LOGIN_USER = "sa"
LOGIN_PASSWORD = "RQX#^!!$(!"


# ---------------------------------------------------------------- encoding

def b_varchar(text):
    data = text.encode("utf-16-le")
    return bytes([len(data) // 2]) + data


def us_varchar(text):
    data = text.encode("utf-16-le")
    return struct.pack("<H", len(data) // 2) + data


def done(status, count=0, curcmd=0, token=TOK_DONE):
    return struct.pack("<BHHQ", token, status, curcmd, count)


def message_token(token, number, text, severity, state=1, server="QUINSET"):
    body = (struct.pack("<iBB", number, state, severity) + us_varchar(text) +
            b_varchar(server) + b_varchar("") + struct.pack("<i", 1))
    return struct.pack("<BH", token, len(body)) + body


def error(number, text, severity=16):
    return message_token(TOK_ERROR, number, text, severity)


def info(number, text):
    return message_token(TOK_INFO, number, text, 0)


def envchange(kind, new, old):
    if kind == 7:  # collation: byte values
        body = bytes([kind, len(new)]) + new + bytes([len(old)]) + old
    else:
        body = bytes([kind]) + b_varchar(new) + b_varchar(old)
    return struct.pack("<BH", TOK_ENVCHANGE, len(body)) + body


def loginack():
    body = (bytes([1]) + struct.pack(">I", TDS_74) + b_varchar("Microsoft SQL Server") +
            bytes([15, 0, 0x07, 0xD0]))
    return struct.pack("<BH", TOK_LOGINACK, len(body)) + body


def column_kind(values):
    """INT for whole numbers, NVARCHAR otherwise; MAX when a value is longer
    than 4000 characters."""
    present = [v for v in values if v is not None]
    if present and all(isinstance(v, int) and not isinstance(v, bool) for v in present):
        big = any(v < -2**31 or v >= 2**31 for v in present)
        return ("int", 8 if big else 4)
    longest = max((len(as_text(v)) for v in present), default=0)
    return ("nvarchar", "max" if longest > 4000 else 4000)


def as_text(value):
    if isinstance(value, bytes):
        return value.hex()
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def result_set(names, rows):
    kinds = [column_kind([r[i] for r in rows]) for i in range(len(names))]
    out = bytearray(struct.pack("<BH", TOK_COLMETADATA, len(names)))
    for name, (kind, size) in zip(names, kinds):
        out += struct.pack("<IH", 0, 0x0001)  # user type, flags: nullable
        if kind == "int":
            out += bytes([0x26, size])
        else:
            out += bytes([0xE7]) + struct.pack("<H", 0xFFFF if size == "max" else size * 2) + COLLATION
        out += b_varchar(name)
    for row in rows:
        out.append(TOK_ROW)
        for value, (kind, size) in zip(row, kinds):
            if kind == "int":
                out += bytes([0]) if value is None else bytes([size]) + value.to_bytes(size, "little", signed=True)
            elif size == "max":
                if value is None:
                    out += b"\xff" * 8
                else:
                    data = as_text(value).encode("utf-16-le")
                    out += struct.pack("<Q", len(data))
                    if data:
                        out += struct.pack("<I", len(data)) + data
                    out += struct.pack("<I", 0)
            else:
                if value is None:
                    out += b"\xff\xff"
                else:
                    data = as_text(value).encode("utf-16-le")
                    out += struct.pack("<H", len(data)) + data
    return bytes(out)


# ---------------------------------------------------------------- the lock

class AppLocks:
    """sp_getapplock with @LockOwner = 'Session': exclusive per resource,
    re-entrant for its session, released with the session."""

    def __init__(self):
        self.mutex = threading.Lock()
        self.held = {}  # resource -> [session, count]

    def get(self, session, resource):
        with self.mutex:
            owner = self.held.get(resource)
            if owner is None:
                self.held[resource] = [session, 1]
                return 0
            if owner[0] == session:
                owner[1] += 1
                return 0
            return -1  # @LockTimeout = 0: not granted at once

    def release(self, session, resource):
        with self.mutex:
            owner = self.held.get(resource)
            if owner is None or owner[0] != session:
                return False
            owner[1] -= 1
            if owner[1] == 0:
                del self.held[resource]
            return True

    def end_session(self, session):
        with self.mutex:
            for resource in [r for r, o in self.held.items() if o[0] == session]:
                del self.held[resource]


GET_LOCK = re.compile(
    r"^\s*DECLARE\s+@(\w+)\s+INT\s*;\s*EXEC\s+@\1\s*=\s*sp_getapplock\s+@Resource\s*=\s*'([^']*)'\s*,"
    r"\s*@LockMode\s*=\s*'Exclusive'\s*,\s*@LockOwner\s*=\s*'Session'\s*,\s*@LockTimeout\s*=\s*0\s*;"
    r"\s*SELECT\s+@\1\s+AS\s+(\w+)\s*;?\s*$", re.I | re.S)
RELEASE_LOCK = re.compile(
    r"^\s*EXEC\s+sp_releaseapplock\s+@Resource\s*=\s*'([^']*)'\s*,\s*@LockOwner\s*=\s*'Session'\s*;?\s*$",
    re.I | re.S)


# ---------------------------------------------------------------- T-SQL on SQLite

def rewrite(sql):
    """The T-SQL forms the tool sends, in SQLite's words. Text inside quotes
    is left alone."""
    quoted = []

    def stash(m):
        quoted.append(m.group(0))
        return "\x01%d\x01" % (len(quoted) - 1)

    code = re.sub(r"'(?:[^']|'')*'", stash, sql)
    code = re.sub(r"\bN(?=\x01)", "", code)  # N'...' literals
    code = re.sub(r"\b(\w+)\.(?:dbo)?\.(\w+)\b", r'"\1..\2"', code)
    code = re.sub(r"\bISNULL\s*\(", "IFNULL(", code, flags=re.I)
    code = re.sub(r"\b(LEFT|RIGHT)\s*\(", lambda m: '"%s"(' % m.group(1).upper(), code, flags=re.I)
    code = re.sub(r"\bCREATE\s+(?:NON)?CLUSTERED\s+INDEX\b", "CREATE INDEX", code, flags=re.I)
    # Index names are scoped per table on the server, per database in SQLite.
    code = re.sub(r"\bCREATE\s+INDEX\s+(?:\[([^\]]+)\]|(\w+))\s+ON\s+\"([^\"]+)\"",
                  lambda m: 'CREATE INDEX "%s.%s" ON "%s"' % (m.group(3), m.group(1) or m.group(2), m.group(3)),
                  code, flags=re.I)
    code = re.sub(r"\)\s*WITH\s*\([^()]*\)\s*(ON\s*\[PRIMARY\]\s*)?$", ")", code, flags=re.I)
    code = re.sub(r"\)\s*ON\s*\[PRIMARY\]\s*$", ")", code, flags=re.I)
    m = re.match(r"^\s*SELECT\s+(.*?)\s+INTO\s+(\"[^\"]+\"|\[[^\]]+\]|\w+)\s+FROM\b", code, flags=re.I | re.S)
    if m:
        code = "CREATE TABLE %s AS SELECT %s FROM%s" % (m.group(2), m.group(1), code[m.end():])
    m = re.match(r"^\s*SELECT\s+TOP\s+\(?(\d+)\)?\s", code, flags=re.I)
    if m:
        code = "SELECT " + code[m.end():].rstrip().rstrip(";") + " LIMIT " + m.group(1)
    return re.sub(r"\x01(\d+)\x01", lambda m: quoted[int(m.group(1))], code)


def right(text, n):
    if text is None or n is None:
        return None
    text = as_text(text)
    return text[-n:] if n > 0 else ""


def left(text, n):
    if text is None or n is None:
        return None
    return as_text(text)[:max(n, 0)]


def length(text):
    """LEN: characters without the trailing blanks."""
    if text is None:
        return None
    return len(as_text(text).rstrip(" "))


def sqlite_error(exc, sql):
    text = str(exc)
    m = re.match(r"no such table: (.*)", text)
    if m:
        name = m.group(1).strip('"')
        if re.match(r"^\s*DROP\s+TABLE", sql, re.I):
            return error(3701, "Cannot drop the table '%s', because it does not exist or you do not have "
                               "permission." % name, 11)
        return error(208, "Invalid object name '%s'." % name)
    m = re.match(r"table (.*) already exists", text)
    if m:
        return error(2714, "There is already an object named '%s' in the database." % m.group(1).strip('"'))
    return error(102, "Incorrect syntax or statement the stand-in cannot run: %s" % text, 15)


# ---------------------------------------------------------------- scenario

class Scenario:
    def __init__(self, path):
        self.path = path
        self.mutex = threading.Lock()
        self.text = None
        self.data = {}
        self.counts = {}

    def reload(self):
        with self.mutex:
            text = ""
            if self.path and os.path.exists(self.path):
                with open(self.path, encoding="utf-8") as f:
                    text = f.read()
            if text != self.text:
                self.text = text
                self.data = json.loads(text) if text.strip() else {}
                self.counts = {}
            return self.data

    def login(self):
        return self.reload().get("login", "normal")

    def rule_for(self, sql):
        """The rule that takes this batch, counting every match."""
        with self.mutex:
            for i, rule in enumerate(self.data.get("rules", [])):
                if not re.search(rule["match"], sql, re.S):
                    continue
                self.counts[i] = self.counts.get(i, 0) + 1
                nth = rule.get("nth", 0)
                if nth in (0, None) or nth == self.counts[i]:
                    return rule
            return None


# ---------------------------------------------------------------- sessions

class Closed(Exception):
    pass


class Session(socketserver.BaseRequestHandler):
    def setup(self):
        self.server_state = self.server.state
        with self.server_state.mutex:
            self.server_state.next_spid += 1
            self.spid = self.server_state.next_spid
        self.packet_size = 4096
        self.packet_id = 1
        self.db = None

    # Packets ---------------------------------------------------------

    def read_exact(self, n):
        data = bytearray()
        while len(data) < n:
            chunk = self.request.recv(n - len(data))
            if not chunk:
                raise Closed()
            data += chunk
        return bytes(data)

    def read_message(self):
        kind, payload = None, bytearray()
        while True:
            header = self.read_exact(8)
            ptype, status, length = header[0], header[1], struct.unpack(">H", header[2:4])[0]
            payload += self.read_exact(length - 8)
            kind = ptype if kind is None else kind
            if status & 0x01:
                return kind, bytes(payload)

    def send_message(self, payload, ptype=PKT_REPLY):
        room = self.packet_size - 8
        chunks = [payload[i:i + room] for i in range(0, len(payload), room)] or [b""]
        for i, chunk in enumerate(chunks):
            last = i == len(chunks) - 1
            header = struct.pack(">BBHHBB", ptype, 0x01 if last else 0x00, len(chunk) + 8, self.spid,
                                 self.packet_id, 0)
            self.packet_id = (self.packet_id + 1) % 256
            self.request.sendall(header + chunk)

    # Conversation ----------------------------------------------------

    def handle(self):
        try:
            if self.server_state.scenario.login() == "silent":
                # Accept the connection and never say a word.
                while self.request.recv(4096):
                    pass
                return
            self.conversation()
        except (Closed, ConnectionError, OSError):
            pass
        finally:
            self.server_state.locks.end_session(self.spid)
            if self.db is not None:
                self.db.close()

    def conversation(self):
        kind, payload = self.read_message()
        if kind != PKT_PRELOGIN:
            return
        self.send_message(self.prelogin_reply())
        kind, payload = self.read_message()
        if kind != PKT_LOGIN7:
            return
        if not self.login(payload):
            return
        while True:
            kind, payload = self.read_message()
            if kind == PKT_SQL_BATCH:
                self.batch(payload)
            elif kind == PKT_ATTENTION:
                self.send_message(done(DONE_ATTN))
            else:
                self.send_message(error(40000, "The stand-in answers SQL batches only.") + done(DONE_ERROR))

    def prelogin_reply(self):
        options = [(0x00, bytes([15, 0, 0x07, 0xD0, 0, 0])),  # version
                   (0x01, bytes([0x02])),                       # encryption: not supported
                   (0x02, bytes([0])),                          # instance: matches
                   (0x03, b""),                                 # thread id
                   (0x04, bytes([0]))]                          # MARS off
        offset = len(options) * 5 + 1
        head, data = bytearray(), bytearray()
        for token, value in options:
            head += struct.pack(">BHH", token, offset + len(data), len(value))
            data += value
        return bytes(head) + b"\xff" + bytes(data)

    def login(self, payload):
        def field(at):
            offset, count = struct.unpack("<HH", payload[at:at + 4])
            return payload[offset:offset + 2 * count]

        packet_size = struct.unpack("<I", payload[8:12])[0]
        user = field(40).decode("utf-16-le")
        secret = bytes((((b ^ 0xA5) << 4) & 0xF0) | ((b ^ 0xA5) >> 4) for b in field(44))
        password = secret.decode("utf-16-le")
        self.server_state.log(self.spid, "login", user)
        if user != LOGIN_USER or password != LOGIN_PASSWORD:
            self.send_message(error(18456, "Login failed for user '%s'." % user, 14) + done(DONE_ERROR))
            return False
        if 512 <= packet_size <= 32767:
            self.packet_size = packet_size
        self.db = sqlite3.connect(self.server_state.db_path, timeout=30, isolation_level=None)
        self.db.create_function("RIGHT", 2, right)
        self.db.create_function("LEFT", 2, left)
        self.db.create_function("LEN", 1, length)
        reply = (envchange(1, "master", "master") +
                 info(5701, "Changed database context to 'master'.") +
                 envchange(7, COLLATION, b"") +
                 envchange(2, "us_english", "") +
                 info(5703, "Changed language setting to us_english.") +
                 loginack() +
                 envchange(4, str(self.packet_size), str(self.packet_size)) +
                 done(DONE_FINAL))
        self.send_message(reply)
        return True

    def batch(self, payload):
        headers = struct.unpack("<I", payload[:4])[0] if len(payload) >= 4 else 0
        if not 4 <= headers <= len(payload):
            headers = 0
        sql = payload[headers:].decode("utf-16-le")
        rule = self.server_state.scenario.rule_for(sql)
        if rule and rule.get("action") == "close":
            self.server_state.log(self.spid, "closed", sql)
            self.request.shutdown(socket.SHUT_RDWR)
            raise Closed()
        if rule and rule.get("action") == "hang":
            # Never answer this batch; wait for the client to go.
            self.server_state.log(self.spid, "hung", sql)
            while self.request.recv(4096):
                pass
            raise Closed()
        if rule and rule.get("action") == "error":
            reply, outcome = error(rule.get("number", 50000), rule["message"]) + done(DONE_ERROR), "error"
        else:
            reply, outcome = self.run(sql)
        self.server_state.log(self.spid, outcome, sql)
        self.send_message(reply)

    def run(self, sql):
        m = GET_LOCK.match(sql)
        if m:
            granted = self.server_state.locks.get(self.spid, m.group(2))
            return (done(DONE_MORE, token=TOK_DONEPROC) + result_set([m.group(3)], [(granted,)]) +
                    done(DONE_COUNT, 1), "lock %d" % granted)
        m = RELEASE_LOCK.match(sql)
        if m:
            if self.server_state.locks.release(self.spid, m.group(1)):
                return done(DONE_FINAL, token=TOK_DONEPROC), "unlock"
            return (error(1223, "Cannot release the application lock (Database Principal: 'public', Resource: "
                                "'%s') because it is not currently held." % m.group(1)) +
                    done(DONE_ERROR, token=TOK_DONEPROC)), "error"
        if re.match(r"^\s*SET\s", sql, re.I):
            return done(DONE_FINAL), "ok"
        try:
            cursor = self.db.execute(rewrite(sql))
            if cursor.description is not None:
                rows = cursor.fetchall()
                names = [d[0] for d in cursor.description]
                return result_set(names, rows) + done(DONE_COUNT, len(rows), 0xC1), "rows %d" % len(rows)
            count = cursor.rowcount if cursor.rowcount >= 0 else 0
            if re.match(r"^\s*(INSERT|UPDATE|DELETE)\b", sql, re.I):
                return done(DONE_COUNT, count), "ok %d" % count
            return done(DONE_FINAL), "ok"
        except sqlite3.Error as exc:
            return sqlite_error(exc, sql) + done(DONE_ERROR), "error"


# ---------------------------------------------------------------- the servers

class State:
    def __init__(self, db_path, scenario, log_path):
        self.db_path = db_path
        self.scenario = scenario
        self.locks = AppLocks()
        self.mutex = threading.Lock()
        self.next_spid = 50
        self.log_file = open(log_path, "a", encoding="utf-8") if log_path else None

    def log(self, session, outcome, text):
        """One line per login or batch: session, outcome and text, separated
        by tabs; a backslash, tab, carriage return or line feed in the text
        is written as \\\\, \\t, \\r or \\n."""
        if self.log_file:
            escaped = text.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")
            with self.mutex:
                self.log_file.write("%d\t%s\t%s\n" % (session, outcome, escaped))
                self.log_file.flush()


class TdsServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def browser(sock, instance, port):
    """Answers the instance browser's requests for our one instance."""
    reply_text = "ServerName;LOCALHOST;InstanceName;%s;IsClustered;No;Version;15.0.2000.5;tcp;%d;;" % (instance, port)
    reply = bytes([0x05]) + struct.pack("<H", len(reply_text)) + reply_text.encode("ascii")
    while True:
        try:
            data, peer = sock.recvfrom(4096)
        except OSError:
            return
        if not data:
            continue
        if data[0] == 0x04:  # one instance, by name
            name = data[1:].split(b"\x00")[0].decode("ascii", "replace")
            if name.upper() == instance.upper():
                sock.sendto(reply, peer)
        elif data[0] in (0x02, 0x03):  # every instance
            sock.sendto(reply, peer)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--db", required=True)
    parser.add_argument("--scenario")
    parser.add_argument("--log")
    parser.add_argument("--browser-port", type=int, default=1434)
    parser.add_argument("--instance", default="QUINSET")
    args = parser.parse_args()

    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        udp.bind((HOST, args.browser_port))
    except OSError as exc:
        print("no-browser cannot bind UDP %s:%d: %s" % (HOST, args.browser_port, exc.strerror), flush=True)
        sys.exit(3)

    state = State(args.db, Scenario(args.scenario), args.log)
    server = TdsServer((HOST, 0), Session)
    server.state = state
    port = server.server_address[1]
    threading.Thread(target=browser, args=(udp, args.instance, port), daemon=True).start()
    threading.Thread(target=server.serve_forever, daemon=True).start()

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    print("ready %d" % port, flush=True)
    # Runs until the parent closes our standard input (or goes away).
    try:
        while sys.stdin.buffer.read(4096):
            pass
    except (OSError, KeyboardInterrupt):
        pass
    os._exit(0)


if __name__ == "__main__":
    main()
