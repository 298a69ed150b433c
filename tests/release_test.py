"""The release and its signing, end to end, in build/release-test; run by scripts/test.

- Bad input, each before anything is built: one line naming the problem, exit code 1, DIST as it
  was (a wrong password, a missing file, a certificate that cannot sign code, one not valid yet,
  a chain without its intermediate certificate, a timestamp URL of the wrong form or whose server
  cannot be reached, an output folder that cannot be made, an unknown option).
- The zip of HEAD from a source archive (git archive, no .git): its entries, sums, README.txt as
  plain text in CR LF, the executables those that scripts/test built and tested.
- The same commit from a clone made with core.autocrlf=true, by a caller with CXXFLAGS, LDFLAGS
  and CMAKE_BUILD_TYPE set, right after a release there of a later commit dated before it (whose
  own change must show in its zip), signed without a timestamp: byte for byte the zip that signing
  the archive's executables again at the commit's time gives; the signatures verify, and without
  them the executables are the unsigned ones.
- Signed with a timestamp from a time-stamping authority run here (openssl ts), without building
  again: SHA256SUMS.unsigned holds the unsigned executables' sums, and the signatures verify.
- The signed executable this host runs opens its window under Wine.
Where the tree names no commit (no .git, no filled-in scripts/commit.txt, no SOURCE_DATE_EPOCH),
says so and checks nothing; where it has no .git, the clone's checks are left out, with a line.
"""

import contextlib
import hashlib
import http.server
import os
import re
import shutil
import subprocess
import sys
import threading
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
sys.dont_write_bytecode = True  # no __pycache__ in the tree
import common  # noqa: E402
import release  # noqa: E402

WORK = os.path.join(ROOT, "build", "release-test")
PASSWORD = "test-" + os.urandom(6).hex()
# A caller whose settings must not reach the release.
MESSY = {"CXXFLAGS": "-fstack-protector-strong", "CFLAGS": "-fstack-protector-strong",
         "LDFLAGS": "-Wl,--major-image-version=9", "CMAKE_BUILD_TYPE": "Debug"}
LATER_COMPANY = "Later Company"
failures = []


def log(text):
    print(f"== {text}", file=sys.stderr, flush=True)


def fail(text):
    log(f"FAILED: {text}")
    failures.append(text)


def sh(*command, **options):
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def caller_environment(**extra):
    environment = {k: v for k, v in os.environ.items() if k != "SELVARO_SIGN_PASSWORD"}
    environment.update(extra)
    return environment


def make_release(tree, dist, *arguments, environment=None):
    """Runs TREE's scripts/release into DIST; returns the zip's path."""
    result = subprocess.run([os.path.join(tree, "scripts", "release"), "--dist", dist,
                             *arguments], stdout=subprocess.PIPE, text=True,
                            env=environment or caller_environment())
    if result.returncode != 0:
        raise SystemExit(f"== FAILED: scripts/release in {tree} exited {result.returncode}")
    return result.stdout.splitlines()[0]


# Certificates, made here and thrown away.

def openssl(*arguments):
    subprocess.run(["openssl", *arguments], check=True, capture_output=True,
                   env=caller_environment(password=PASSWORD))


def certificate(name, usage="codeSigning", issuer=None, start=None):
    """NAME.key, NAME.pem and NAME.pfx (the certificate alone): self-signed, issued by ISSUER, or
    valid only from START (YYYYMMDDHHMMSSZ)."""
    path = os.path.join(WORK, name)
    extensions = [f"extendedKeyUsage={usage}", "keyUsage=digitalSignature"]
    if usage == "ca":
        extensions = ["basicConstraints=critical,CA:TRUE", "keyUsage=keyCertSign,cRLSign"]
    if issuer is None and start is None:
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                f"/CN=Selvaro test {name}", "-keyout", f"{path}.key", "-out", f"{path}.pem",
                *[flag for extension in extensions for flag in ("-addext", extension)])
    else:
        openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-subj", f"/CN=Selvaro test {name}",
                "-keyout", f"{path}.key", "-out", f"{path}.csr")
        with open(f"{path}.ext", "w") as file:
            file.write("\n".join(extensions) + "\n")
        if start:  # openssl ca is the one that sets a start date on OpenSSL 3.0
            for state in ("index.txt", "index.txt.attr"):
                open(os.path.join(WORK, state), "w").close()
            with open(os.path.join(WORK, "ca.cnf"), "w") as file:
                file.write(f"[ca]\ndefault_ca=test\n[test]\ndatabase={WORK}/index.txt\n"
                           f"new_certs_dir={WORK}\nserial={WORK}/serial\ndefault_md=sha256\n"
                           "policy=any\n[any]\ncommonName=supplied\n")
            with open(os.path.join(WORK, "serial"), "w") as file:
                file.write("01\n")
            openssl("ca", "-batch", "-config", os.path.join(WORK, "ca.cnf"), "-selfsign",
                    "-keyfile", f"{path}.key", "-in", f"{path}.csr", "-startdate", start,
                    "-enddate", "20991231000000Z", "-extfile", f"{path}.ext", "-notext",
                    "-out", f"{path}.pem")
        else:
            issuer_path = os.path.join(WORK, issuer)
            openssl("x509", "-req", "-in", f"{path}.csr", "-CA", f"{issuer_path}.pem", "-CAkey",
                    f"{issuer_path}.key", "-set_serial", "2", "-days", "2", "-extfile",
                    f"{path}.ext", "-out", f"{path}.pem")
    openssl("pkcs12", "-export", "-inkey", f"{path}.key", "-in", f"{path}.pem", "-out",
            f"{path}.pfx", "-passout", "env:password")
    return f"{path}.pfx"


# Bad input.

def dist_state(dist):
    return sorted((name, open(os.path.join(dist, name), "rb").read())
                  for name in os.listdir(dist))


def expect_bad_input(what, expected, arguments, password=PASSWORD):
    dist = os.path.join(WORK, "dist-bad")
    before = dist_state(dist)
    environment = caller_environment(**({"SELVARO_SIGN_PASSWORD": password} if password else {}))
    result = subprocess.run([os.path.join(ROOT, "scripts", "release"), *arguments],
                            capture_output=True, text=True, env=environment)
    said = (result.stdout + result.stderr).strip()
    if result.returncode != 1:
        fail(f"{what}: scripts/release exited {result.returncode}, not 1")
    if said != f"scripts/release: {expected}":
        fail(f"{what}: said \"{said}\", not \"scripts/release: {expected}\"")
    if dist_state(dist) != before:
        fail(f"{what}: {dist} changed")
    log(f"{what}: \"{said}\", exit code {result.returncode}")


def check_bad_input(pfx):
    dist = os.path.join(WORK, "dist-bad")
    os.makedirs(dist)
    with open(os.path.join(dist, "Selvaro-0.9.zip"), "w") as file:
        file.write("an earlier release\n")
    usage = subprocess.run([os.path.join(ROOT, "scripts", "release"), "--help"],
                           capture_output=True, text=True)
    if usage.returncode != 0 or "usage: scripts/release" not in usage.stdout:
        fail(f"--help: exit code {usage.returncode}, said {usage.stdout + usage.stderr!r}")
    signing = ["--dist", dist, "--sign"]
    server = certificate("server", "serverAuth")
    future = certificate("future", start="20990101000000Z")
    certificate("root", "ca")
    certificate("intermediate", "ca", issuer="root")
    orphan = certificate("orphan", issuer="intermediate")
    cases = [
        ("an unknown option", "unrecognized arguments: --sing (scripts/release --help)",
         ["--sing"]),
        ("an option without its value", "argument --dist: expected one argument "
         "(scripts/release --help)", ["--dist", "--sign", pfx]),
        ("an output folder that cannot be made", "--dist /dev/null/x: cannot write there "
         "(Not a directory)", ["--dist=/dev/null/x"]),
        ("a wrong password", f"{pfx}: wrong password (SELVARO_SIGN_PASSWORD)", signing + [pfx],
         "not-" + PASSWORD),
        ("a missing file", f"{WORK}/none.pfx: no such file", signing + [f"{WORK}/none.pfx"]),
        ("a certificate that cannot sign code", f"{server}: its certificate cannot sign code "
         "(no Code Signing in its Extended Key Usage)", signing + [server]),
        ("a certificate not valid yet", f"{future}: its certificate is not valid yet (from Jan  "
         "1 00:00:00 2099 GMT)", signing + [future]),
        ("a chain without its intermediate certificate", f"{orphan}: the certificate chain stops "
         "at \"CN=Selvaro test orphan\": its issuer \"CN=Selvaro test intermediate\" is not in "
         "the .pfx (export it with its intermediate certificates)", signing + [orphan]),
        ("a timestamp URL of the wrong form", "--timestamp ftp://example.org/: not an http:// or "
         "https:// address", signing + [pfx, "--timestamp=ftp://example.org/"]),
        ("a timestamp server that cannot be reached", "the timestamp server http://127.0.0.1:9/ "
         "cannot be reached: Connection refused", signing + [pfx, "--timestamp",
                                                             "http://127.0.0.1:9/"]),
    ]
    for what, expected, arguments, *password in cases:
        expect_bad_input(what, expected, arguments, *password)


# The zip.

def entries(path):
    with zipfile.ZipFile(path) as archive:
        return {name: archive.read(name) for name in archive.namelist()}, archive.namelist()


def check_zip(path, version, commit):
    """Its name, entries and sums; README.txt as plain text; both executables PE files of their
    machine. Returns the entries."""
    files, names = entries(path)
    if os.path.basename(path) != f"Selvaro-{version}.zip":
        fail(f"{path} is not named for version {version}")
    if names != release.zip_names():
        fail(f"{path}: entries {names}, not {release.zip_names()}")
        return files
    expected = release.sums([(name, files[name]) for name in names[:-1]])
    if files["SHA256SUMS"] != expected:
        fail(f"{path}: SHA256SUMS is not the files' SHA-256")
    for name, _ in release.GUIDES:
        check_plain_text(name, files[name], commit)
        opening = files[name].decode("utf-8-sig").split("\r\n")[:6]
        for other, _ in release.GUIDES:
            if other != name and not any(other in line for line in opening):
                fail(f"{path}: the first lines of {name} do not name {other}")
    for name, machine in (("Selvaro.exe", 0x14C), ("x64/Selvaro.exe", 0x8664)):
        data = files[name]
        pe = int.from_bytes(data[0x3C:0x40], "little")
        if data[pe:pe + 4] != b"PE\0\0" or int.from_bytes(data[pe + 4:pe + 6], "little") != machine:
            fail(f"{path}: {name} is not a PE file for machine {machine:#x}")
    return files


def check_plain_text(name, data, commit):
    """A document for Notepad: byte order mark, CR LF, no line over 100 characters, headings
    underlined to their length, no Markdown marks; naming the commit and the toolchain."""
    if not data.startswith(b"\xef\xbb\xbf") or data.count(b"\n") != data.count(b"\r\n"):
        fail(f"{name} does not start with a byte order mark or its lines do not end in CR LF")
    lines = data.decode("utf-8-sig").split("\r\n")
    for number, line in enumerate(lines):
        if len(line) > release.LINE_WIDTH:
            fail(f"{name} line {number + 1} has {len(line)} characters")
        if re.fullmatch(r"=+|-+|~+", line) and len(line) != len(lines[number - 1]) and \
                not re.fullmatch(r"[- ]+", lines[number - 1]):
            fail(f"{name} line {number + 1}: an underline not of its heading's length")
        if line.startswith("#") or "**" in line or "`" in line or "](" in line:
            fail(f"{name} line {number + 1} keeps Markdown marks: {line}")
    text = " ".join(lines)
    if "mingw-w64 GCC " not in text or (commit and commit not in text):
        fail(f"{name} does not name the toolchain and commit {commit}")


def same_bytes(what, first, second):
    if first != second:
        fail(f"{what} differ")


def check_release_of_archive(identity, version):
    """HEAD's zip from a source archive (or this tree, when it is one); its executables against
    those of scripts/test's own builds when the work tree is HEAD's."""
    commit, _, in_git = identity
    tree = ROOT
    if in_git:
        tree = os.path.join(WORK, "archive")
        os.makedirs(tree)
        archive = subprocess.Popen(["git", "-C", ROOT, "-c", "core.autocrlf=false", "archive",
                                    "HEAD"], stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", tree], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            raise SystemExit("== FAILED: git archive HEAD")
    log(f"the release of {commit or 'this tree'} from {'a source archive' if in_git else tree}")
    path = make_release(tree, os.path.join(WORK, "dist"))
    files = check_zip(path, version, commit)
    clean = in_git and not sh("git", "-C", ROOT, "status", "--porcelain",
                              "--untracked-files=no").strip()
    for name, preset in (("Selvaro.exe", "windows"), ("x64/Selvaro.exe", "windows64")):
        built = os.path.join(ROOT, "build", preset, "bin", "Selvaro.exe")
        if clean and os.path.isfile(built):
            same_bytes(f"the zip's {name} and {built}", files.get(name),
                       open(built, "rb").read())
    return path, files


def release_of_later_commit(clone, commit, seconds, version):
    """A commit after COMMIT, dated a minute after it (so before any build of it), that changes
    the company in the version resource; its release must carry that change."""
    rc = os.path.join(clone, "resources", "selvaro.rc")
    with open(rc, "rb") as file:
        text = file.read()
    with open(rc, "wb") as file:
        file.write(text.replace(b'"Tornimek"', f'"{LATER_COMPANY}"'.encode()))
    date = f"@{seconds + 60} +0000"
    sh("git", "-C", clone, "-c", "user.name=Release test", "-c", "user.email=test@invalid",
       "commit", "-q", "-am", "A later company", env=caller_environment(
           GIT_AUTHOR_DATE=date, GIT_COMMITTER_DATE=date))
    later = sh("git", "-C", clone, "rev-parse", "HEAD").strip()
    log(f"the release of a later commit, {later[:12]}, in a clone made with core.autocrlf=true, "
        f"with {' '.join(MESSY)} set")
    files = check_zip(make_release(clone, os.path.join(WORK, "dist-later"),
                                   environment=caller_environment(**MESSY)), version, later)
    for name, _ in release.EXECUTABLES:
        if LATER_COMPANY.encode("utf-16-le") not in files.get(name, b""):
            fail(f"the later commit's {name} does not carry its change (a build left from before?)")
    sh("git", "-C", clone, "checkout", "-q", "--detach", commit)


def signed_again(unsigned_files, pfx, seconds, version, timestamp=None):
    """The zip's files signed anew at SECONDS, or with TIMESTAMP's time, in a zip."""
    stage = os.path.join(WORK, "timestamped" if timestamp else "signed-again")
    os.makedirs(stage)
    executables = [(name, unsigned_files[name]) for name, _ in release.EXECUTABLES]
    guides = [(name, unsigned_files[name]) for name, _ in release.GUIDES]
    certificates = open(pfx[:-len(".pfx")] + ".pem").read()
    files = release.zip_files(executables, guides, release.Signing(pfx, timestamp, PASSWORD),
                              seconds, certificates, stage)
    path, _ = release.write_zip(stage, f"Selvaro-{version}.zip", files, seconds)
    return path


class TimestampServer(http.server.BaseHTTPRequestHandler):
    """An RFC 3161 time-stamping authority on this host: openssl ts answers each request."""

    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(WORK, "tsa.cnf"),
                                "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=query, capture_output=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *arguments):
        pass


def check_timestamped(unsigned_files, seconds, version):
    """Signed with a timestamp, without building: the zip also holds the unsigned executables'
    sums, and both signatures verify, timestamp included."""
    tsa = os.path.join(WORK, "tsa")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=Selvaro test time-stamping authority", "-keyout", f"{tsa}.key", "-out",
            f"{tsa}.pem", "-addext", "extendedKeyUsage=critical,timeStamping")
    with open(os.path.join(WORK, "tsa.cnf"), "w") as file:
        file.write(f"[tsa]\ndefault_tsa=test\n[test]\nserial={WORK}/tsa.serial\n"
                   f"signer_cert={tsa}.pem\nsigner_key={tsa}.key\nsigner_digest=sha256\n"
                   "default_policy=1.2.3.4.1\ndigests=sha256\naccuracy=secs:1\n"
                   "ess_cert_id_alg=sha256\n")
    # The signer's .pfx carries the authority's certificate too, so that the verification after
    # signing trusts it.
    signer = os.path.join(WORK, "signer")
    with open(f"{signer}-ts.pem", "w") as file:
        file.write(open(f"{signer}.pem").read() + open(f"{tsa}.pem").read())
    openssl("pkcs12", "-export", "-inkey", f"{signer}.key", "-in", f"{signer}.pem", "-certfile",
            f"{tsa}.pem", "-out", f"{signer}-ts.pfx", "-passout", "env:password")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), TimestampServer)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}/"
    log(f"signed with a timestamp from {url}")
    try:
        release.check_timestamp_server(url)
        files, names = entries(signed_again(unsigned_files, f"{signer}-ts.pfx", seconds, version,
                                            url))
    except (release.BadInput, RuntimeError) as problem:
        fail(f"signing with a timestamp: {problem}")
        return
    finally:
        server.shutdown()
    if names != release.zip_names(timestamped=True):
        fail(f"the timestamped zip's entries are {names}")
    executables = [(name, unsigned_files[name]) for name, _ in release.EXECUTABLES]
    same_bytes("SHA256SUMS.unsigned and the unsigned executables' sums",
               files.get("SHA256SUMS.unsigned"), release.sums(executables))


def check_signed(path, unsigned_files):
    """Each signature verifies against the throwaway certificate, and removing it gives back the
    unsigned executable."""
    folder = os.path.join(WORK, "signed")
    with zipfile.ZipFile(path) as archive:
        archive.extractall(folder)
    for name, _ in release.EXECUTABLES:
        signed = os.path.join(folder, name)
        verify = subprocess.run(["osslsigncode", "verify", "-CAfile",
                                 os.path.join(WORK, "signer.pem"), "-in", signed],
                                capture_output=True, text=True)
        if verify.returncode != 0:
            fail(f"osslsigncode verify does not accept the signed {name}: "
                 f"{verify.stdout[-300:]}{verify.stderr[-300:]}")
        stripped = os.path.join(WORK, "stripped.exe")
        with contextlib.suppress(FileNotFoundError):
            os.remove(stripped)  # osslsigncode overwrites no file
        subprocess.run(["osslsigncode", "remove-signature", "-in", signed, "-out", stripped],
                       capture_output=True)
        same_bytes(f"the signed {name} without its signature and the unsigned one",
                   open(stripped, "rb").read() if os.path.exists(stripped) else None,
                   unsigned_files[name])
    return folder


def run_under_wine(folder):
    preset, wine, _ = common.runnable_build()
    exe = "Selvaro.exe" if preset == "windows" else os.path.join("x64", "Selvaro.exe")
    log(f"the signed {exe} under Wine")
    common.use_wine_prefix()
    try:
        with common.virtual_display():
            common.ensure_wine_prefix()
            common.while_selvaro_shows(wine, os.path.join(folder, exe), lambda: None)
    except (common.Failure, subprocess.CalledProcessError) as failure:
        fail(f"the signed executable did not open its window, or did not end with 0 when "
             f"closed: {failure}")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    try:
        identity = release.source_identity()
    except release.BadInput as problem:
        log(f"the release test is left out: {problem}")
        return
    commit, seconds, in_git = identity
    version = release.project_version(ROOT)

    log("bad input, each found before anything is built")
    pfx = certificate("signer")
    check_bad_input(pfx)

    unsigned_path, unsigned_files = check_release_of_archive(identity, version)
    unsigned_sum = hashlib.sha256(open(unsigned_path, "rb").read()).hexdigest()
    log(f"the unsigned zip: {unsigned_sum}")

    tree = ROOT
    if in_git:
        tree = os.path.join(WORK, "clone")
        sh("git", "clone", "-q", "-c", "core.autocrlf=true", ROOT, tree)
        sh("git", "-C", tree, "checkout", "-q", "--detach", commit)
        release_of_later_commit(tree, commit, seconds, version)
    else:
        log("no .git here: the checks in a clone (core.autocrlf=true, a later commit released "
            "first) are left out")
    log(f"the signed release of {commit or 'this tree'} without a timestamp, "
        f"{'in that clone, ' if in_git else ''}with {' '.join(MESSY)} set")
    signed_path = make_release(tree, os.path.join(WORK, "dist-signed"), "--sign", pfx,
                               environment=caller_environment(SELVARO_SIGN_PASSWORD=PASSWORD,
                                                              **MESSY))
    signed_files = check_zip(signed_path, version, commit)
    same_bytes("the signed zip and the archive's executables signed again at the commit's time",
               open(signed_path, "rb").read(),
               open(signed_again(unsigned_files, pfx, seconds, version), "rb").read())
    same_bytes("README.txt of the signed and unsigned zips", signed_files.get("README.txt"),
               unsigned_files.get("README.txt"))
    run_under_wine(check_signed(signed_path, unsigned_files))
    check_timestamped(unsigned_files, seconds, version)

    if failures:
        raise SystemExit(f"== FAILED: {len(failures)} checks of the release")
    log(f"the release passed: unsigned zip {unsigned_sum}")


if __name__ == "__main__":
    main()
