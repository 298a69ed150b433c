"""Makes dist/Selvaro-VERSION.zip from the committed tree; run through scripts/release (--help).

Builds both executables (Release) from a commit, never from the work tree, and writes a zip that
holds Selvaro.exe (32-bit), x64/Selvaro.exe (64-bit), README.txt and README-fa.txt (docs/guide.md
and docs/guide.fa.md as plain text with CR LF line ends, naming the commit and the toolchain) and
SHA256SUMS. The same commit and
toolchain give the same zip, byte for byte, whatever was built before, whatever the caller's
environment and git settings, from a clone or from a source archive (`git archive`, no .git):

- every build is made from nothing, in a new directory, by programs that see a clean environment
  (Debian's tools, C.UTF-8, UTC, SOURCE_DATE_EPOCH; no compiler flags, CMake settings or password
  from the caller), from the commit's tree exported with no line-end conversion;
- the commit and its time come from git, or in a source archive from scripts/commit.txt, which
  git archive fills in; SOURCE_DATE_EPOCH, when set, is the time;
- the zip's entries come in a fixed order, with that time, fixed permissions and compression.

With --sign, both executables get an Authenticode SHA-256 signature from the certificate in
FILE.pfx, whose password is in SELVARO_SIGN_PASSWORD: it reaches osslsigncode (and openssl, which
checks the certificate first) through a pipe, never a file, and no other program. Without
--timestamp the signing time is the commit's, so signed releases are reproducible too; with it,
the zip also holds SHA256SUMS.unsigned, the executables' sums before signing.

Bad input is one line on stderr and exit code 1, found before anything is built where it can be,
with DIST as it was: the zip is made aside and renamed into place only when it is whole.
"""

import argparse
import contextlib
import hashlib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import textwrap
import time
import urllib.parse
import zipfile

import common

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "release")
LOGS = os.path.join(ROOT, "build", "logs")
COMMIT_FILE = os.path.join("scripts", "commit.txt")

# What the zip holds, in its order: the executables (where in the zip, their toolchain file), the
# guides (where in the zip, their Markdown), then SHA256SUMS (and SHA256SUMS.unsigned). A new
# file is one line here.
EXECUTABLES = [
    ("Selvaro.exe", "mingw-i686.cmake"),
    ("x64/Selvaro.exe", "mingw-x86_64.cmake"),
]
GUIDES = [
    ("README.txt", "docs/guide.md"),
    ("README-fa.txt", "docs/guide.fa.md"),
]

TOOLCHAIN_PACKAGES = ["g++-mingw-w64-i686-posix", "g++-mingw-w64-x86-64-posix",
                      "binutils-mingw-w64-i686", "mingw-w64-i686-dev"]
# The Debian release whose GCC makes the reference zip, and that GCC's major version.
REFERENCE_GCC = "12"
SYSTEM_CERTIFICATES = "/etc/ssl/certs"
LINE_WIDTH = 100
LIST_ITEM = r"([-*]|\d+\.) "


class BadInput(Exception):
    """A problem the user can fix, told in one line."""


def zip_names(timestamped=False):
    return ([name for name, _ in EXECUTABLES] + [name for name, _ in GUIDES] + ["SHA256SUMS"]
            + (["SHA256SUMS.unsigned"] if timestamped else []))


# The environment of every program the release starts.

def clean_environment(seconds=None, home=False):
    """Only what the build needs: Debian's own tools, a UTF-8 locale, UTC and the source's time.
    Git keeps HOME, where its safe.directory setting may be."""
    environment = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C.UTF-8", "TZ": "UTC"}
    if seconds is not None:
        environment["SOURCE_DATE_EPOCH"] = str(seconds)
    if home and "HOME" in os.environ:
        environment["HOME"] = os.environ["HOME"]
    return environment


def run(command, **options):
    options.setdefault("env", clean_environment())
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def git(*arguments):
    """git in ROOT, with no line-end conversion whatever the caller's settings say."""
    return ["git", "-C", ROOT, "-c", "core.autocrlf=false", "-c", "core.eol=lf", *arguments]


# Input.

class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise BadInput(f"{message} (scripts/release --help)")


def parse_arguments(arguments):
    parser = Parser(prog="scripts/release", description=(
        "Builds both executables from the committed tree and writes DIST/Selvaro-VERSION.zip, "
        "the same bytes from the same commit on every host with the same toolchain."))
    parser.add_argument("--sign", metavar="FILE.pfx",
                        help="sign both executables with the certificate and key in FILE.pfx, "
                        "whose password is in the environment variable SELVARO_SIGN_PASSWORD")
    parser.add_argument("--timestamp", metavar="URL",
                        help="with --sign: an RFC 3161 timestamp from the server at URL")
    parser.add_argument("--dist", metavar="DIR", default=os.path.join(ROOT, "dist"),
                        help="where the zip goes (default: dist/ in the tree)")
    options = parser.parse_args(arguments)
    if options.timestamp and not options.sign:
        raise BadInput("--timestamp goes with --sign FILE.pfx")
    return options


def check_dist(dist):
    """Makes DIST when it is missing and checks that a file can be written there."""
    try:
        os.makedirs(dist, exist_ok=True)
        with tempfile.TemporaryFile(dir=dist):
            pass
    except OSError as problem:
        raise BadInput(f"--dist {dist}: cannot write there ({problem.strerror})") from None


def check_timestamp_server(url):
    """The URL's form, and that its server takes a connection."""
    parts = urllib.parse.urlsplit(url)
    if parts.scheme not in ("http", "https") or not parts.hostname:
        raise BadInput(f"--timestamp {url}: not an http:// or https:// address")
    try:
        port = parts.port or (443 if parts.scheme == "https" else 80)
        socket.create_connection((parts.hostname, port), timeout=15).close()
    except (OSError, ValueError) as problem:
        reason = getattr(problem, "strerror", None) or str(problem) or type(problem).__name__
        raise BadInput(f"the timestamp server {url} cannot be reached: {reason}") from None


# Signing: the certificate is checked before anything is built.

@contextlib.contextmanager
def password_pipe(password):
    """A pipe's read end that holds the password: the password never touches the disk, and only
    the program given the descriptor reads it."""
    reader, writer = os.pipe()
    try:
        os.write(writer, password.encode())
        os.close(writer)
        writer = None
        yield reader
    finally:
        os.close(reader)
        if writer is not None:
            os.close(writer)


def openssl_pkcs12(pfx, password, *flags):
    """The PEM text openssl reads from the PKCS#12 file; files made by older tools (RC2, 3DES)
    need OpenSSL 3's legacy provider."""
    said = ""
    for legacy in ([], ["-legacy"]):
        with password_pipe(password) as reader:
            # openssl reads nothing from an empty pipe: an empty password is no secret.
            source = f"fd:{reader}" if password else "pass:"
            result = subprocess.run(
                ["openssl", "pkcs12", "-in", pfx, "-passin", source, *flags, *legacy],
                capture_output=True, text=True, pass_fds=(reader,), env=clean_environment())
        if result.returncode == 0:
            return result.stdout
        said += result.stderr.lower()
    if "mac verify" in said or "invalid password" in said or "bad decrypt" in said:
        raise BadInput(f"{pfx}: wrong password (SELVARO_SIGN_PASSWORD)")
    raise BadInput(f"{pfx}: not a PKCS#12 (.pfx) file that openssl can read")


def openssl_x509(certificate, *flags):
    return subprocess.run(["openssl", "x509", "-noout", *flags], input=certificate,
                          capture_output=True, text=True, env=clean_environment())


def certificate_field(certificate, flag):
    return openssl_x509(certificate, flag, "-nameopt", "RFC2253").stdout.split("=", 1)[1].strip()


def certificate_time(certificate, flag):
    text = certificate_field(certificate, flag)
    return text, time.mktime(time.strptime(text.replace("GMT", "").strip(), "%b %d %H:%M:%S %Y")) \
        - time.timezone


def check_chain(pfx, leaf, certificates):
    """From the signing certificate up: every issuer is in the .pfx, up to a self-signed
    certificate or one issued by a root this host trusts."""
    blocks = re.findall(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----",
                        certificates, re.S)
    by_subject = {certificate_field(block, "-subject"): block for block in blocks}
    current = leaf
    for _ in range(len(blocks) + 1):
        subject = certificate_field(current, "-subject")
        issuer = certificate_field(current, "-issuer")
        if issuer == subject:
            return
        if issuer in by_subject:
            current = by_subject[issuer]
            continue
        issuer_hash = openssl_x509(current, "-issuer_hash").stdout.strip()
        if any(os.path.exists(os.path.join(SYSTEM_CERTIFICATES, f"{issuer_hash}.{n}"))
               for n in range(10)):
            return
        raise BadInput(f"{pfx}: the certificate chain stops at \"{subject}\": its issuer "
                       f"\"{issuer}\" is not in the .pfx (export it with its intermediate "
                       "certificates)")
    raise BadInput(f"{pfx}: its certificates issue one another in a circle")


def check_signing_certificate(pfx, password):
    """Returns the certificate's last day of validity and every certificate in the .pfx."""
    if not os.path.isfile(pfx):
        raise BadInput(f"{pfx}: no such file")
    if not os.access(pfx, os.R_OK):
        raise BadInput(f"{pfx}: cannot be read")
    if password is None:
        raise BadInput("SELVARO_SIGN_PASSWORD is not set: it holds the password of " + pfx)
    if "PRIVATE KEY" not in openssl_pkcs12(pfx, password, "-nocerts", "-nodes"):
        raise BadInput(f"{pfx}: holds no private key")
    leaf = openssl_pkcs12(pfx, password, "-clcerts", "-nokeys")
    if "CERTIFICATE" not in leaf:
        raise BadInput(f"{pfx}: holds no certificate")
    usage = openssl_x509(leaf, "-ext", "extendedKeyUsage,keyUsage").stdout
    if "Code Signing" not in usage:
        raise BadInput(f"{pfx}: its certificate cannot sign code (no Code Signing in its "
                       "Extended Key Usage)")
    if "Key Usage:" in usage.replace("Extended Key Usage:", "") and \
            "Digital Signature" not in usage:
        raise BadInput(f"{pfx}: its certificate cannot sign code (no Digital Signature in its "
                       "Key Usage)")
    if openssl_x509(leaf, "-checkend", "0").returncode != 0:
        raise BadInput(f"{pfx}: its certificate has expired")
    starts, start_seconds = certificate_time(leaf, "-startdate")
    if start_seconds > time.time():
        raise BadInput(f"{pfx}: its certificate is not valid yet (from {starts})")
    certificates = openssl_pkcs12(pfx, password, "-nokeys")
    check_chain(pfx, leaf, certificates)
    return certificate_time(leaf, "-enddate")[0], certificates


def osslsigncode_lines(result):
    """osslsigncode's own words, without OpenSSL's error stack."""
    lines = [line.strip() for line in (result.stdout + result.stderr).splitlines()]
    own = [line for line in lines if line and not re.match(r"^[0-9A-F]{6,}:error:", line)]
    failed = [line for line in own if "fail" in line.lower()]
    return "; ".join(failed[:2] or own[-1:] or [f"exit code {result.returncode}"])


def sign(unsigned, signed, signing, seconds):
    """Signs UNSIGNED into SIGNED: at the commit's time, or with the server's timestamp."""
    command = ["osslsigncode", "sign", "-pkcs12", signing.pfx, "-h", "sha256", "-n", "Selvaro",
               "-in", unsigned, "-out", signed]
    command += ["-ts", signing.timestamp] if signing.timestamp else ["-time", str(seconds)]
    with password_pipe(signing.password) as reader:
        password = ["-readpass", f"/dev/fd/{reader}"] if signing.password else ["-pass", ""]
        result = subprocess.run(command + password, capture_output=True,
                                text=True, pass_fds=(reader,), env=clean_environment())
    if result.returncode != 0:
        raise BadInput(f"osslsigncode could not sign {os.path.basename(unsigned)}: "
                       + osslsigncode_lines(result))


def verify(signed, place, chain_file):
    """The signature is whole and made by the certificate, whose chain ends in CHAIN_FILE."""
    command = ["osslsigncode", "verify", "-CAfile", chain_file, "-TSA-CAfile", chain_file,
               "-in", signed]
    if "-ignore-crl" in subprocess.run(["osslsigncode", "verify", "--help"], capture_output=True,
                                       text=True, env=clean_environment()).stdout:
        command.append("-ignore-crl")
    result = subprocess.run(command, capture_output=True, text=True, env=clean_environment())
    if result.returncode != 0:
        raise RuntimeError(f"the signed {place} does not verify: {osslsigncode_lines(result)}")


# The source: which commit, its time, and its tree.

def source_identity():
    """(commit, time in seconds, whether ROOT is a git tree). The commit is None where neither git
    nor scripts/commit.txt names it; then the time is SOURCE_DATE_EPOCH's, without which the
    release cannot be made the same twice."""
    commit = seconds = None
    top = subprocess.run(git("rev-parse", "--show-toplevel"), capture_output=True, text=True,
                         env=clean_environment(home=True))
    in_git = top.returncode == 0 and os.path.samefile(top.stdout.strip(), ROOT)
    if in_git:
        commit = run(git("rev-parse", "HEAD"), env=clean_environment(home=True)).strip()
        seconds = int(run(git("log", "-1", "--format=%ct", commit),
                          env=clean_environment(home=True)))
    else:
        with contextlib.suppress(OSError):
            with open(os.path.join(ROOT, COMMIT_FILE)) as file:
                filled = re.fullmatch(r"([0-9a-f]{40}) (\d+)\s*", file.read())
            if filled:
                commit, seconds = filled.group(1), int(filled.group(2))
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch is not None:
        if not epoch.isdigit():
            raise BadInput(f"SOURCE_DATE_EPOCH={epoch}: not a number of seconds")
        seconds = int(epoch)
    if seconds is None:
        raise BadInput("this tree names no commit (no .git, and scripts/commit.txt was not filled "
                       "in by git archive) and SOURCE_DATE_EPOCH is not set: no release made")
    return commit, seconds, in_git


def export_tree(destination, commit, in_git):
    """The commit's tree in DESTINATION: git archive with no line-end conversion, or in a source
    archive the tree itself, without what was built in it."""
    if not in_git:
        shutil.copytree(ROOT, destination, symlinks=True,
                        ignore=lambda folder, names: [name for name in names if folder == ROOT and
                                                      name in ("build", "dist", "out")])
        return
    if run(git("status", "--porcelain", "--untracked-files=no"),
           env=clean_environment(home=True)).strip():
        print(f"== note: uncommitted changes are left out; the release is built from {commit[:12]}",
              file=sys.stderr)
    os.makedirs(destination)
    archive = subprocess.Popen(git("archive", "--format=tar", commit), stdout=subprocess.PIPE,
                               env=clean_environment(home=True))
    subprocess.run(["tar", "-x", "-C", destination], stdin=archive.stdout, check=True,
                   env=clean_environment())
    if archive.wait() != 0:
        raise RuntimeError("git archive failed")


def project_version(source):
    """CMakeLists.txt's project version, as the zip names it: 1.0 for 1.0.0, 1.0.1 for 1.0.1."""
    with open(os.path.join(source, "CMakeLists.txt")) as file:
        found = re.search(r"project\(Selvaro VERSION ([0-9.]+)", file.read())
    parts = found.group(1).split(".")
    while len(parts) > 2 and parts[-1] == "0":
        parts.pop()
    return ".".join(parts)


def build(source, binary, name, toolchain_file, seconds):
    """Builds target Selvaro in the new, empty BINARY; its output goes to
    build/logs/release-TOOLCHAIN.log."""
    os.makedirs(LOGS, exist_ok=True)
    log_path = os.path.join(LOGS, f"release-{toolchain_file[:-len('.cmake')]}.log")
    print(f"== building {name} (log: {log_path})", file=sys.stderr)
    with open(log_path, "w") as log:
        for command in (
                ["cmake", "-G", "Unix Makefiles", "-S", source, "-B", binary,
                 f"-DCMAKE_TOOLCHAIN_FILE={source}/cmake/{toolchain_file}",
                 "-DCMAKE_BUILD_TYPE=Release", "-DSELVARO_GTEST_SOURCE=none"],
                ["cmake", "--build", binary, "--target", "Selvaro", "--parallel", "2"]):
            if subprocess.run(command, stdout=log, stderr=subprocess.STDOUT,
                              env=clean_environment(seconds)).returncode != 0:
                with open(log_path) as written:
                    tail = written.read().splitlines()[-20:]
                sys.stderr.write("\n".join("   | " + line for line in tail) + "\n")
                raise RuntimeError(f"the build of {name} failed: {' '.join(command)}")
    with open(os.path.join(binary, "bin", "Selvaro.exe"), "rb") as file:
        return file.read()


def toolchain():
    """The toolchain in words, and GCC's major version."""
    versions = dict(line.split(" ", 1) for line in run(
        ["dpkg-query", "-W", "-f=${Package} ${Version}\n", *TOOLCHAIN_PACKAGES]).splitlines())
    upstream = {name: version.split("-")[0] for name, version in versions.items()}
    gcc = upstream["g++-mingw-w64-i686-posix"]
    words = (f"mingw-w64 GCC {gcc} (Debian g++-mingw-w64-i686-posix and -x86-64-posix "
             f"{versions['g++-mingw-w64-i686-posix']}), binutils "
             f"{upstream['binutils-mingw-w64-i686']}, mingw-w64 {upstream['mingw-w64-i686-dev']}")
    return words, gcc.split(".")[0]


# The guides: Markdown made into plain text that reads well in Notepad.

def inline_text(text):
    """Links become their text and address, pictures their description; code and emphasis
    marks go."""
    text = re.sub(r"!\[([^]]*)\]\([^)]*\)", r"\1", text)
    text = re.sub(r"\[([^]]*)\]\(([^)]*)\)",
                  lambda m: m.group(1) if m.group(2).startswith("#") else
                  f"{m.group(1)} ({m.group(2)})", text)
    text = re.sub(r"\*\*([^*]+)\*\*", r"\1", text)
    text = re.sub(r"(?<![\w*])\*([^*\s][^*]*)\*(?![\w*])", r"\1", text)
    return re.sub(r"`([^`]+)`", r"\1", text)


def wrapped(text, first="", rest=""):
    return textwrap.wrap(text, LINE_WIDTH, initial_indent=first, subsequent_indent=rest,
                         break_long_words=False, break_on_hyphens=False)


def underlined(title, mark):
    return [title, mark * len(title)]


def table_text(rows):
    """Columns aligned, with a rule under the header row."""
    rows = [[inline_text(cell) for cell in row] for row in rows]
    widths = [max(len(row[column]) for row in rows) for column in range(len(rows[0]))]
    lines = ["  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip()
             for row in rows]
    return lines[:1] + ["  ".join("-" * width for width in widths)] + lines[1:]


def paragraph_text(paragraph):
    """One paragraph or list item, filled to the line width. A paragraph that opens with a bold
    sentence (a troubleshooting title) has it on a line of its own, underlined."""
    item = re.match(LIST_ITEM, paragraph)
    if item:
        marker = item.group(0).strip() + " "
        return wrapped(inline_text(paragraph[item.end():]), marker, " " * len(marker))
    title = re.match(r"\*\*(.+?)\*\*\s*", paragraph)
    if title and title.group(1)[-1] in ".?!:\"":
        rest = paragraph[title.end():]
        return underlined(inline_text(title.group(1)), "~") + wrapped(inline_text(rest))
    return wrapped(inline_text(paragraph))


def markdown_text(markdown):
    """Plain text from Markdown: headings underlined to their length (= for the title, - below
    it), paragraphs and list items filled to LINE_WIDTH, tables in columns with a rule under the
    header, code blocks indented as they are."""
    blocks, paragraph, table, code = [], [], [], None  # blocks: (whether a list item, lines)

    def end_paragraph():
        if paragraph:
            is_item = bool(re.match(LIST_ITEM, paragraph[0]))
            blocks.append((is_item, paragraph_text(" ".join(paragraph))))
            paragraph.clear()
        if table:
            blocks.append((False, table_text(table)))
            table.clear()

    for line in markdown.splitlines():
        if code is not None:
            if line.startswith("```"):
                blocks.append((False, code))
                code = None
            else:
                code.append("    " + line)
            continue
        stripped = line.strip()
        if re.fullmatch(r"</?div[^>]*>", stripped):  # a web page's block, such as dir="rtl"
            continue
        if line.startswith("```"):
            end_paragraph()
            code = []
        elif stripped.startswith("|"):
            if paragraph:
                end_paragraph()
            cells = [cell.strip() for cell in stripped.strip("|").split("|")]
            if not all(set(cell) <= set("-: ") for cell in cells):
                table.append(cells)
        elif not stripped:
            end_paragraph()
        elif re.match(r"#+ ", line):
            end_paragraph()
            marks, title = line.split(" ", 1)
            blocks.append((False, underlined(inline_text(title.strip()),
                                             "=" if len(marks) == 1 else "-")))
        elif re.match(LIST_ITEM, line):
            end_paragraph()
            paragraph.append(line)
        else:
            if table:
                end_paragraph()
            paragraph.append(stripped)
    end_paragraph()
    # The items of one list follow one another without a blank line between them.
    text = ""
    for number, (is_item, lines) in enumerate(blocks):
        if number:
            text += "\n" if is_item and blocks[number - 1][0] else "\n\n"
        text += "\n".join(lines)
    return text + "\n"


def guide_text(path, version):
    """The Markdown guide at PATH as plain text; Selvaro-VERSION in it names this release's zip."""
    with open(path, encoding="utf-8") as file:
        return markdown_text(file.read().replace("Selvaro-VERSION", f"Selvaro-{version}"))


def release_note(version, commit, seconds, tools, persian=False):
    made = time.strftime("%Y-%m-%d", time.gmtime(seconds))
    if persian:  # the commit, date and toolchain on lines of their own, left to right
        origin = commit or "(no commit)"
        return "\n".join(underlined("این نسخه", "-") + [
            "", f"سلوارو {version}، ساخته‌شده از این commit در تاریخ {made}:", "", origin, "",
            "با این ابزارها:", ""] + wrapped(tools)) + "\n"
    origin = f"commit {commit}" if commit else "a source tree that names no commit"
    return "\n".join(underlined("This release", "-") + [""] + wrapped(
        f"Selvaro {version}, built from {origin} ({made})") + wrapped(f"with {tools}.")) + "\n"


def windows_text(text):
    """CR LF line ends and a byte order mark, with which Notepad of every Windows reads the text,
    Persian included, right."""
    return text.replace("\n", "\r\n").encode("utf-8-sig")


# The zip.

def zip_entry(name, seconds):
    entry = zipfile.ZipInfo(name, date_time=time.gmtime(max(seconds, 315532800))[:6])
    entry.create_system = 3  # Unix, so that the permissions below count
    entry.external_attr = 0o100644 << 16
    entry.compress_type = zipfile.ZIP_DEFLATED
    return entry


def write_zip(dist, name, files, seconds):
    """Writes the entries, in the given order, beside DIST/NAME and renames the whole zip into
    place; returns its path and SHA-256."""
    target = os.path.join(dist, name)
    with tempfile.NamedTemporaryFile(dir=dist, prefix=".Selvaro-", suffix=".zip",
                                     delete=False) as partial:
        pass
    try:
        with zipfile.ZipFile(partial.name, "w") as archive:
            for entry, data in files:
                archive.writestr(zip_entry(entry, seconds), data, compresslevel=9)
        os.chmod(partial.name, 0o644)
        with open(partial.name, "rb") as file:
            os.fsync(file.fileno())
            digest = sha256(file.read())
        os.replace(partial.name, target)
    finally:
        with contextlib.suppress(FileNotFoundError):
            os.remove(partial.name)
    return target, digest


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def sums(files):
    return "".join(f"{sha256(data)}  {name}\n" for name, data in files).encode()


class Signing:
    """The .pfx, the timestamp server or None, and the password."""

    def __init__(self, pfx, timestamp, password):
        self.pfx, self.timestamp, self.password = pfx, timestamp, password


def signed_executables(executables, signing, seconds, certificates, stage):
    """Both executables signed, each verified against the .pfx's chain and this host's roots."""
    chain_file = os.path.join(stage, "chain.pem")
    with open(chain_file, "w") as chain:
        chain.write(certificates)
        with contextlib.suppress(OSError):
            with open(os.path.join(SYSTEM_CERTIFICATES, "ca-certificates.crt")) as roots:
                chain.write(roots.read())
    signed = []
    for place, data in executables:
        unsigned_path = os.path.join(stage, place.replace("/", "-"))
        signed_path = unsigned_path + ".signed"
        with open(unsigned_path, "wb") as file:
            file.write(data)
        sign(unsigned_path, signed_path, signing, seconds)
        verify(signed_path, place, chain_file)
        with open(signed_path, "rb") as file:
            signed.append((place, file.read()))
    return signed


def zip_files(executables, guides, signing, seconds, certificates, stage):
    """The zip's entries in their order, the executables signed when SIGNING says so."""
    files = executables
    if signing:
        files = signed_executables(executables, signing, seconds, certificates, stage)
    files = files + guides
    files.append(("SHA256SUMS", sums(files)))
    if signing and signing.timestamp:
        files.append(("SHA256SUMS.unsigned", sums(executables)))
    return files


def release(options, password):
    signing = certificates = None
    check_dist(options.dist)
    if options.sign:
        expires, certificates = check_signing_certificate(options.sign, password)
        signing = Signing(options.sign, options.timestamp, password)
        if options.timestamp:
            check_timestamp_server(options.timestamp)
        else:
            print(f"== note: signed without --timestamp, the signatures stop validating when the "
                  f"certificate expires ({expires})", file=sys.stderr)
    commit, seconds, in_git = source_identity()
    if commit is None:
        print("== note: this tree names no commit: the release says so, and takes its time from "
              "SOURCE_DATE_EPOCH", file=sys.stderr)
    tools, gcc_major = toolchain()
    os.makedirs(WORK, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=WORK, prefix="run-") as run_folder:
        source = os.path.join(run_folder, "src")
        export_tree(source, commit, in_git)
        version = project_version(source)
        executables = [(place, build(source, os.path.join(run_folder, f"build-{number}"),
                                     place, toolchain_file, seconds))
                       for number, (place, toolchain_file) in enumerate(EXECUTABLES)]
        guides = [(place, windows_text(
            guide_text(os.path.join(source, markdown), version) + "\n"
            + release_note(version, commit, seconds, tools, markdown.endswith(".fa.md"))))
            for place, markdown in GUIDES]
        files = zip_files(executables, guides, signing, seconds, certificates, run_folder)
        target, digest = write_zip(options.dist, f"Selvaro-{version}.zip", files, seconds)

    print(target)
    print(f"SHA-256    {digest}")
    print(f"toolchain  {tools}")
    print(f"commit     {commit or 'unknown'}")
    if signing:
        print(f"signed     with {signing.pfx}"
              + (f", timestamp from {signing.timestamp}" if signing.timestamp else ""))
    if gcc_major != REFERENCE_GCC:
        print(f"note: this zip is made with GCC {gcc_major}; a Debian 12 host (GCC "
              f"{REFERENCE_GCC}) makes a different one from the same commit, equally valid, and "
              f"each is the same on every host with its toolchain")


def main():
    # The password leaves the environment at once, so that no program started from here sees it.
    password = os.environ.pop("SELVARO_SIGN_PASSWORD", None)
    try:
        options = parse_arguments(sys.argv[1:])
        common.ensure_packages(*common.BUILD_PACKAGES, *common.RELEASE_PACKAGES)
        release(options, password)
    except common.Failure as failure:
        print(f"scripts/release: {failure}", file=sys.stderr)
        sys.exit(1)
    except BadInput as problem:
        print(f"scripts/release: {problem}", file=sys.stderr)
        sys.exit(1)
    except (RuntimeError, OSError, subprocess.CalledProcessError) as failure:
        print(f"scripts/release: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
