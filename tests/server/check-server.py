#!/usr/bin/python3
"""The real quillmere-server on a random loopback port, driven over HTTP as players, a stranger and
the referee would, one group of checks a run:

    check-server.py GROUP PROGRAM_FOLDER EXAMPLES

GROUP is api (every endpoint, who may call it, the receipts), bounds (every limit and hostile
upload), durability (killed with SIGKILL under 20 clients, then started again) or tls (direct HTTPS
with a certificate made for the test, and the certificates and keys it refuses). EXAMPLES is the
folder of the example saves that make-examples writes. Every request has a timeout, every loop a
bounded count."""
import concurrent.futures
import hashlib
import http.client
import json
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import zlib

import requests

from cryptography.hazmat.primitives.asymmetric.ed25519 import Ed25519PublicKey

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serving import TIMEOUT, Programs, Server  # noqa: E402

group, program_folder, examples = sys.argv[1:4]
programs = Programs(program_folder)
# The example saves the core reads (one of them is cut short on purpose).
saves = sorted(os.path.join(examples, name) for name in os.listdir(examples)
               if name.endswith(".sav") and "_cut" not in name)
assert len(saves) >= 10, saves


def read(path):
    with open(path, "rb") as file:
        return file.read()


def good_save():
    return read(os.path.join(examples, "Darya.sav"))


def verify(receipt, public_key, data):
    """The receipt is signed by the server's key over its `signed` text, which says what it shows."""
    Ed25519PublicKey.from_public_bytes(bytes.fromhex(public_key)).verify(
        bytes.fromhex(receipt["signature"]), receipt["signed"].encode())
    signed = json.loads(receipt["signed"])
    for field in ("submission", "sha256", "receivedAt", "round", "flags", "late", "player", "fileName"):
        assert signed[field] == receipt[field], field
    assert signed["sha256"] == hashlib.sha256(data).hexdigest()


def check_api(folder):
    hostile = "<img src=x onerror=alert(1)>"
    archive = os.path.join(folder, "cup.qmt")
    tokens = programs.make_archive(archive, ["Anna", "Bob", hostile], rounds=(1, 2))
    # Round 2 closed long ago: its last day was 01-01-2001.
    programs.tournament_run("round", archive, "set", "2", "--start", "01-01-2001", "--deadline-day", "1")
    anna, bob, referee = tokens["Anna"], tokens["Bob"], tokens[None]
    # A browser core that cannot be served is refused at the start, the file named.
    missing = os.path.join(folder, "missing.js")
    lone = os.path.join(folder, "quillmere-served-core.js")
    with open(lone, "w") as script:
        script.write("var QuillmereModule = 'quillmere-served-core.wasm';")
    for given, message in ((missing, f"the browser core {missing} cannot be read: "),
                           (archive, f"the browser core {archive} is not the one for the server"),
                           (lone, f"the browser core's module {os.path.join(folder, 'quillmere-served-core.wasm')} "
                                  "cannot be read")):
        done = subprocess.run([programs.server, "--archive", archive, "--listen", "127.0.0.1:0", "--page-core", given],
                              capture_output=True, text=True, timeout=TIMEOUT)
        assert done.returncode == 2 and message in done.stderr, (given, done.returncode, done.stderr)
    server = Server(programs, archive, "--no-page-core")
    try:
        assert server.call("GET", "/healthz").status_code == 200
        # The preview's round and rules: a player's, for the round an upload would go to.
        preview = server.call("GET", "/api/preview", anna).json()
        assert preview["round"] == 2 and not preview["core"] and json.loads(preview["profile"]), preview
        assert server.call("GET", "/api/preview?round=1", anna).json()["round"] == 1
        for token, status in ((referee, 403), (None, 401)):
            assert server.call("GET", "/api/preview", token).status_code == status, token
        assert server.call("GET", "/static/quillmere-core.js").status_code == 404
        key = server.call("GET", "/api/public-key").json()
        assert key["algorithm"] == "Ed25519" and len(key["publicKey"]) == 64

        # Who may upload: a player's live link only.
        data = good_save()
        for token, status in ((None, 401), ("0" * 64, 401), (anna[:-1], 401), (anna + "0", 401), (referee, 403)):
            answer = server.upload(token, "Darya.sav", data, round=1)
            assert answer.status_code == status, (token, answer.status_code, answer.text)
            assert answer.json()["error"]
        answer = server.call("POST", "/api/submissions?round=1", anna, data=data)
        assert answer.status_code == 400 and "X-File-Name" in answer.json()["error"], answer.text

        first = server.upload(anna, "Darya.sav", data, round=1)
        assert first.status_code == 201, first.text
        receipt = first.json()
        verify(receipt, key["publicKey"], data)
        assert receipt["round"] == 1 and receipt["player"] == "Anna" and receipt["receivedAt"].endswith("Z")
        # The same bytes again: the first receipt, not a second submission.
        again = server.upload(anna, "Darya-again.sav", data, round=1)
        assert again.status_code == 200 and again.json() == receipt, again.text
        # A name sent percent-encoded arrives as UTF-8 text; a path keeps only its last part.
        other = server.upload(anna, "..%2F..%2Fetc%2F%D0%90nna.sav", read(saves[0]), round=1)
        assert other.status_code == 201 and other.json()["fileName"] == "\u0410nna.sav", other.text

        damaged = server.upload(anna, "cut.sav", data[:5000], round=1)
        assert damaged.status_code == 422 and "cut short" in damaged.json()["error"], damaged.text
        late = server.upload(anna, "late.sav", data, round=2)
        assert late.status_code == 409, late.text
        assert "day 1" in late.json()["error"] and "01-01-2001" in late.json()["error"], late.text

        # One's own submissions only; another's is answered as one that does not exist.
        number = receipt["submission"]
        mine = server.call("GET", "/api/submissions", anna).json()
        assert [s["submission"] for s in mine["submissions"]] == [number, other.json()["submission"]], mine
        assert server.call("GET", "/api/submissions", bob).json()["submissions"] == []
        assert server.call("GET", f"/api/submissions/{number}", anna).json()["receipt"] == receipt
        for token, status in ((bob, 404), (referee, 200), (None, 401)):
            assert server.call("GET", f"/api/submissions/{number}", token).status_code == status, token
        assert server.call("GET", "/api/submissions/999", anna).status_code == 404

        # The referee's endpoints refuse a player.
        for method, path in (("GET", "/api/players"), ("GET", "/api/standings"), ("GET", "/api/rounds/1/submissions"),
                             ("GET", "/api/rounds/1/records"),
                             ("GET", "/api/rounds/1/results"), ("POST", f"/api/submissions/{number}/ruling"),
                             ("POST", "/api/links/revoke")):
            assert server.call(method, path, anna, data="{}").status_code == 403, path
        players = server.call("GET", "/api/players", referee).json()["players"]
        assert hostile in [p["name"] for p in players]
        table = server.call("GET", "/api/rounds/1/submissions", referee).json()["submissions"]
        assert {s["submission"] for s in table} == {number, other.json()["submission"]}
        assert server.call("GET", "/api/standings", referee).status_code == 200
        for path in ("/api/rounds/3/submissions", "/api/rounds/3/results"):
            assert server.call("GET", path, referee).status_code == 404, path
        assert server.upload(anna, "a.sav", data, round=3).status_code == 404

        # Rulings: a rejection needs its reason.
        ruling = server.call("POST", f"/api/submissions/{number}/ruling", referee, data='{"state": "rejected"}')
        assert ruling.status_code == 409 and "reason" in ruling.json()["error"], ruling.text
        ruling = server.call("POST", f"/api/submissions/{number}/ruling", referee,
                             data='{"state": "rejected", "reason": "wrong map"}')
        assert ruling.status_code == 200, ruling.text
        mine = server.call("GET", f"/api/submissions/{number}", anna).json()
        assert mine["ruling"] == "rejected" and mine["reason"] == "wrong map", mine
        assert server.call("POST", "/api/submissions/999/ruling", referee,
                           data='{"state": "accepted"}').status_code == 409

        # The round's results file is quillmere-tournament's export, byte for byte.
        results = server.call("GET", "/api/rounds/1/results", referee)
        exported = os.path.join(folder, "Res.txt")
        programs.tournament_run("export", archive, "--round", "1", "-o", exported)
        assert results.status_code == 200 and results.content == read(exported)
        for format in ("csv", "json", "html"):
            programs.tournament_run("export", archive, "--round", "1", "--format", format, "-o", exported)
            answer = server.call("GET", f"/api/rounds/1/results?format={format}", referee)
            assert answer.status_code == 200 and answer.content == read(exported), format
        assert server.call("GET", "/api/rounds/1/results?format=xls", referee).status_code == 400

        # The round's records for the referee's view of it: one length-prefixed record a submission.
        records = server.call("GET", "/api/rounds/1/records", referee).content
        at, count = 0, 0
        while at < len(records):
            at += 4 + int.from_bytes(records[at:at + 4], "little")
            count += 1
        assert at == len(records) and count == len(table), (at, len(records), count)
        assert server.call("GET", "/api/rounds/1/records", anna).status_code == 403

        # A revoked link no longer works; the other players' do.
        revoked = server.call("POST", "/api/links/revoke", referee, data=json.dumps({"player": "Bob"}))
        assert revoked.status_code == 200 and revoked.json()["revoked"] == 1, revoked.text
        assert server.call("GET", "/api/submissions", bob).status_code == 401
        assert server.call("GET", "/api/submissions", anna).status_code == 200
        # The command line revokes too, while the server runs.
        assert server.call("GET", "/api/submissions", tokens[hostile]).status_code == 200
        programs.tournament_run("player", archive, "revoke", hostile)
        assert server.call("GET", "/api/submissions", tokens[hostile]).status_code == 401

        # The pages: served with a policy that allows only the server itself, and no markup from data.
        for path in ("/submit", "/referee", "/static/submit.js", "/static/referee.js", "/static/standings.js",
                     "/static/dom.js", "/static/table.js", "/static/analyser.js"):
            page = server.call("GET", path)
            assert page.status_code == 200, path
            policy = page.headers["Content-Security-Policy"]
            assert "default-src 'none'" in policy and "script-src 'self'" in policy, policy
            # WebAssembly may be compiled (the browser core), but no text run as script or style.
            assert "unsafe" not in policy.replace("'wasm-unsafe-eval'", "") and "http" not in policy, policy
            assert page.headers["Referrer-Policy"] == "no-referrer" and "Set-Cookie" not in page.headers
            assert "innerHTML" not in page.text and "<script>" not in page.text, path
        assert server.call("GET", "/static/../CMakeLists.txt").status_code == 404
        assert server.call("GET", "/api/submissions").headers["Content-Security-Policy"] == policy

        # The public standings: nowhere until the referee publishes them, then for anyone without a
        # token, the names as data and nothing of the referee's flags or reasons.
        for path in ("/standings", "/api/public-standings"):
            assert server.call("GET", path).status_code == 404, path
        publish = "/api/standings/publish"
        assert server.call("POST", publish, anna, json={"published": True}).status_code == 403
        assert server.call("POST", publish, referee, data='{"published": "yes"}').status_code == 400
        published = server.call("POST", publish, referee, json={"published": True})
        assert published.status_code == 200 and published.json() == {"published": True}, published.text
        assert server.call("GET", "/api/rounds", referee).json()["standingsPublic"]
        page = server.call("GET", "/standings")
        assert page.status_code == 200 and page.headers["Content-Security-Policy"] == policy, page.text
        standings = server.call("GET", "/api/public-standings")
        assert standings.status_code == 200 and standings.json()["header"][:3] == ["rank", "player", "total"]
        assert {row[1] for row in standings.json()["rows"]} == {"Anna", "Bob", hostile}, standings.text
        assert "wrong map" not in standings.text and "flags" not in standings.json(), standings.text
        # The command line's switch shows within the seconds the server keeps the table it made.
        programs.tournament_run("publish", archive, "off")
        deadline = time.monotonic() + 10
        while server.call("GET", "/api/public-standings").status_code != 404:
            assert time.monotonic() < deadline, "the standings stayed public"
            time.sleep(0.2)
        assert server.call("GET", "/standings").status_code == 404

        # No token ever reaches the log.
        assert server.stop() == 0
        for token in tokens.values():
            assert token not in server.log()
    finally:
        server.kill()
    # A round that keeps late uploads (set while the server runs) keeps one, flagged late on its
    # receipt and the referee's table; set back to refusing them, the next is refused again.
    server = Server(programs, archive)
    try:
        assert not receipt["late"]
        programs.tournament_run("round", archive, "set", "2", "--late", "accept")
        rounds = server.call("GET", "/api/rounds", anna).json()["rounds"]
        assert [(r["acceptsLate"], r["lateRule"]) for r in rounds] == [
            (False, "No deadline: no upload is late."), (True, "Uploads after day 1 are kept and flagged late.")]
        late = server.upload(anna, "late.sav", data, round=2)
        assert late.status_code == 201, late.text
        assert late.json()["late"] and any("deadline: day 1" in f for f in late.json()["flags"]), late.text
        verify(late.json(), key["publicKey"], data)
        table = server.call("GET", "/api/rounds/2/submissions", referee).json()["submissions"]
        assert [s["late"] for s in table] == [True], table
        programs.tournament_run("round", archive, "set", "2", "--late", "refuse")
        refused = server.upload(anna, "later.sav", read(saves[1]), round=2)
        assert refused.status_code == 409 and "01-01-2001" in refused.json()["error"], refused.text
    finally:
        server.stop()
    # IPv6 loopback too, where the machine has it.
    try:
        socket.socket(socket.AF_INET6).bind(("::1", 0))
    except OSError:
        return
    server = Server(programs, archive, host="::1")
    try:
        assert server.call("GET", "/healthz").status_code == 200
    finally:
        server.stop()


def raw_request(port, head, body_parts, pause=0.0):
    """Sends `head` and then the parts of the body, `pause` seconds apart, and returns the status
    and the seconds until the answer (or until the server closed the connection)."""
    started = time.monotonic()
    connection = socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT)
    try:
        connection.sendall(head.encode())
        for part in body_parts:
            if select.select([connection], [], [], pause)[0]:
                break  # the server answered (or closed) before the body was complete
            try:
                connection.sendall(part)
            except OSError:
                break
        answer = b""
        while b"\r\n" not in answer:
            try:
                piece = connection.recv(4096)
            except OSError:
                break
            if not piece:
                break
            answer += piece
        status = int(answer.split()[1]) if answer.startswith(b"HTTP/1.1") else None
        return status, time.monotonic() - started
    finally:
        connection.close()


def bomb_save():
    """A save whose stream inflates to 1 GiB of zeros (about 1 MB compressed), its declared length
    the real save's."""
    data = good_save()
    start = data.index(b"\x78\x9c")
    compressor = zlib.compressobj(9)
    zeros = bytes(16 * 1024 * 1024)
    stream = b"".join(compressor.compress(zeros) for _ in range(64)) + compressor.flush()
    declared_c = len(stream).to_bytes(4, "little")
    return data[:start - 4] + declared_c + stream


def check_bounds(folder):
    archive = os.path.join(folder, "cup.qmt")
    tokens = programs.make_archive(archive, ["Anna", "Bob", "Cleo"])
    anna = tokens["Anna"]
    server = Server(programs, archive, "--max-upload-mib", "1", "--read-timeout", "1", "--request-time", "3",
                    "--jobs", "1", "--queue", "0", "--rate", "40")
    try:
        data = good_save()
        head = ("POST /api/submissions HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + anna +
                "\r\nX-File-Name: a.sav\r\nContent-Length: {}\r\n\r\n")
        # The cap, to the byte: 1 MiB is taken (and fails as a save), one byte more is refused.
        mib = 1024 * 1024
        at_cap = server.upload(anna, "big.sav", data + bytes(mib - len(data)))
        assert at_cap.status_code in (201, 422), at_cap.text
        over = server.upload(anna, "big.sav", data + bytes(mib + 1 - len(data)))
        assert over.status_code == 413 and "1 MiB" in over.json()["error"], over.text
        # 300 MB announced: refused at once, before the body is read.
        status, seconds = raw_request(server.port, head.format(300 * 1000 * 1000), [bytes(65536)])
        assert status == 413 and seconds < 2, (status, seconds)
        # A body sent without a length, as chunks, is still capped while it is read.
        chunked = server.call("POST", "/api/submissions", anna, headers={"X-File-Name": "c.sav"},
                              data=(bytes(256 * 1024) for _ in range(6)))
        assert chunked.status_code == 413, chunked.text

        # A slow client: a body that trickles in is cut off at the request's time limit, one that
        # stops is dropped at the read timeout; neither holds the server.
        status, seconds = raw_request(server.port, head.format(len(data)),
                                      [data[i:i + 100] for i in range(0, 2000, 100)], pause=0.4)
        assert status == 408 and seconds < 6, (status, seconds)
        status, seconds = raw_request(server.port, head.format(len(data)), [data[:1000]])
        assert status == 408 and seconds < 4, (status, seconds)

        # The analysis queue: while one upload holds the only analysis, another is turned away.
        slow = socket.create_connection(("127.0.0.1", server.port), timeout=TIMEOUT)
        slow.sendall(head.format(len(data)).encode() + data[:100])
        time.sleep(0.3)
        busy = server.upload(anna, "b.sav", data)
        assert busy.status_code == 503 and busy.headers["Retry-After"] == "5", busy.text
        slow.close()
        deadline = time.monotonic() + 10
        while server.upload(tokens["Bob"], "b.sav", data).status_code == 503:
            assert time.monotonic() < deadline, "the analysis was never given back"
            time.sleep(0.2)

        # A zlib bomb: refused as the core refuses it, without the server's memory following it.
        bomb = bomb_save()
        started = time.monotonic()
        answer = server.upload(tokens["Bob"], "bomb.sav", bomb)
        assert answer.status_code == 422, answer.text
        assert time.monotonic() - started < 10
        assert server.memory_peak_kib() < 256 * 1024, server.memory_peak_kib()

        # Headers beyond their cap are refused, not read on.
        status, _ = raw_request(server.port, "GET /healthz HTTP/1.1\r\nHost: x\r\nX-Long: " + "a" * 20000 +
                                "\r\n\r\n", [])
        assert status in (400, 431, None), status

        # The rate limit per link: 40 a minute, then 429 with the wait (Cleo's link made no request
        # before; a minute's turn in between would start a new count, so that is waited out first).
        if time.time() % 60 > 50:
            time.sleep(61 - time.time() % 60)
        for count in range(40):
            answer = server.call("GET", "/api/submissions", tokens["Cleo"])
            assert answer.status_code == 200, (count, answer.text)
        answer = server.call("GET", "/api/submissions", tokens["Cleo"])
        assert answer.status_code == 429 and 0 < int(answer.headers["Retry-After"]) <= 60, answer.text
        assert server.call("GET", "/api/submissions", tokens["Bob"]).status_code == 200
        assert server.call("GET", "/healthz").status_code == 200
        assert server.process.poll() is None
    finally:
        server.stop()

    # A slow body holds a place in the queue, never the analysis: with one of each, another upload
    # is analysed at once while the slow one still trickles in.
    server = Server(programs, archive, "--jobs", "1", "--queue", "1", "--request-time", "20")
    try:
        slow = socket.create_connection(("127.0.0.1", server.port), timeout=TIMEOUT)
        slow.sendall(head.format(len(data)).encode() + data[:100])
        time.sleep(0.3)
        started = time.monotonic()
        answer = server.upload(tokens["Bob"], "quick.sav", read(saves[1]))
        assert answer.status_code == 201 and time.monotonic() - started < 5, (answer.text, time.monotonic() - started)
        slow.close()
    finally:
        server.stop()


def check_durability(folder):
    archive = os.path.join(folder, "cup.qmt")
    players = [f"player{i:02}" for i in range(20)]
    tokens = programs.make_archive(archive, players)
    # Each client sends five saves of its own; the same file from two players is two submissions.
    work = {name: [saves[(i + k) % len(saves)] for k in range(5)] for i, name in enumerate(players)}
    acknowledged = {}  # (player, path) -> receipt

    def client(server, name):
        for path in work[name]:
            try:
                answer = server.upload(tokens[name], os.path.basename(path), read(path))
            except Exception:  # the server was killed under it
                return
            if answer.status_code in (200, 201):
                acknowledged[(name, path)] = answer.json()
            elif answer.status_code != 503:
                raise AssertionError(answer.text)

    server = Server(programs, archive, "--queue", "64")
    with concurrent.futures.ThreadPoolExecutor(20) as pool:
        futures = [pool.submit(client, server, name) for name in players]
        deadline = time.monotonic() + TIMEOUT
        while len(acknowledged) < 30 and time.monotonic() < deadline:
            time.sleep(0.01)
        server.kill()
        for future in futures:
            future.result(timeout=TIMEOUT)
    assert 30 <= len(acknowledged) < 100, len(acknowledged)

    # Every acknowledged submission is there with its bytes, the archive is whole.
    check = programs.tournament_run("check", archive)
    assert " ok " in check, check
    server = Server(programs, archive)
    try:
        key = server.call("GET", "/api/public-key").json()["publicKey"]
        table = server.call("GET", "/api/rounds/1/submissions", tokens[None]).json()["submissions"]
        stored = {(s["player"], s["sha256"]): s["submission"] for s in table}
        for (name, path), receipt in acknowledged.items():
            verify(receipt, key, read(path))
            assert stored[(name, receipt["sha256"])] == receipt["submission"], (name, path)
        # A retry of an acknowledged upload gets its receipt; the rest come in now.
        for name in players:
            for path in work[name]:
                answer = server.upload(tokens[name], os.path.basename(path), read(path))
                assert answer.status_code in (200, 201), answer.text
                if (name, path) in acknowledged:
                    assert answer.status_code == 200 and answer.json() == acknowledged[(name, path)]
                verify(answer.json(), key, read(path))
        table = server.call("GET", "/api/rounds/1/submissions", tokens[None]).json()["submissions"]
        assert len(table) == 100, len(table)
    finally:
        server.stop()


def write_certificate(folder, name):
    """A self-signed certificate for 127.0.0.1 and its key, as PEM files; returns their paths."""
    import datetime
    import ipaddress
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID

    key = ec.generate_private_key(ec.SECP256R1())
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "127.0.0.1")])
    now = datetime.datetime.now(datetime.timezone.utc)
    certificate = (x509.CertificateBuilder().subject_name(subject).issuer_name(subject)
                   .public_key(key.public_key()).serial_number(x509.random_serial_number())
                   .not_valid_before(now - datetime.timedelta(hours=1)).not_valid_after(now + datetime.timedelta(days=1))
                   .add_extension(x509.SubjectAlternativeName([x509.IPAddress(ipaddress.ip_address("127.0.0.1"))]),
                                  critical=False)
                   .sign(key, hashes.SHA256()))
    paths = os.path.join(folder, name + ".crt"), os.path.join(folder, name + ".key")
    with open(paths[0], "wb") as file:
        file.write(certificate.public_bytes(serialization.Encoding.PEM))
    with open(paths[1], "wb") as file:
        file.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                     serialization.NoEncryption()))
    return paths


def check_tls(folder):
    archive = os.path.join(folder, "cup.qmt")
    tokens = programs.make_archive(archive, ["Anna"])
    cert, key = write_certificate(folder, "server")
    other_cert, other_key = write_certificate(folder, "other")
    missing = os.path.join(folder, "missing.key")
    # What cannot be served is refused at the start, the file named and what is wrong with it.
    for given, message in (((cert, missing), f"--tls-key {missing}: cannot read it (No such file or directory)"),
                           ((key, key), f"--tls-cert {key}: not a certificate in PEM form"),
                           ((cert, cert), f"--tls-key {cert}: not an unencrypted private key in PEM form"),
                           ((cert, other_key), f"--tls-key {other_key} is not the key of the certificate {cert}")):
        done = subprocess.run([programs.server, "--archive", archive, "--listen", "127.0.0.1:0",
                               "--tls-cert", given[0], "--tls-key", given[1]],
                              capture_output=True, text=True, timeout=TIMEOUT)
        assert done.returncode == 2 and message in done.stderr, (given, done.returncode, done.stderr)
    server = Server(programs, archive, "--tls-cert", cert, "--tls-key", key, verify=cert)
    try:
        assert server.url.startswith("https://127.0.0.1:"), server.url
        assert server.call("GET", "/healthz").json()["status"] == "ok"
        upload = server.upload(tokens["Anna"], "Darya.sav", good_save())
        assert upload.status_code == 201, upload.text
        # Plain HTTP on that port gets no answer; nor does a client that does not trust the certificate.
        for url, verify in ((server.url.replace("https:", "http:"), True), (server.url, other_cert)):
            try:
                requests.get(url + "/healthz", timeout=TIMEOUT, verify=verify)
                raise AssertionError(f"{url} answered without TLS or with another certificate")
            except requests.exceptions.ConnectionError:
                pass
        assert server.process.poll() is None
    finally:
        assert server.stop() == 0


checks = {"api": check_api, "bounds": check_bounds, "durability": check_durability, "tls": check_tls}
folder = tempfile.mkdtemp(prefix="quillmere-server-")
try:
    checks[group](folder)
finally:
    shutil.rmtree(folder)
print(f"server {group}: ok")
