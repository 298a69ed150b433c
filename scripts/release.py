"""Makes dist/Selvaro-VERSION.zip from the committed tree; run through scripts/release.

    scripts/release [--sign FILE.pfx [--timestamp URL]] [--dist DIR]

Builds both executables (Release) from HEAD, not from the work tree, and writes a zip that holds
Selvaro.exe (32-bit), x64/Selvaro.exe (64-bit), README.txt (docs/guide.md as plain text with
CR LF line ends, naming the toolchain) and SHA256SUMS. The same commit and toolchain give the
same zip, byte for byte: entries in a fixed order, with the commit's time, fixed permissions and
fixed compression. With --sign, both executables get an Authenticode SHA-256 signature from the
certificate in FILE.pfx, whose password is in SELVARO_SIGN_PASSWORD, before they are summed.

Bad input is one line on stderr and exit code 1, with DIR as it was: the zip is made aside and
renamed into place only when it is whole.
"""

import contextlib
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = os.path.join(ROOT, "build", "release")
LOGS = os.path.join(ROOT, "build", "logs")
# (the build's name, its toolchain file, where it goes in the zip)
BUILDS = [
    ("windows", "mingw-i686.cmake", "Selvaro.exe"),
    ("windows64", "mingw-x86_64.cmake", "x64/Selvaro.exe"),
]
TOOLCHAIN_PACKAGES = ["g++-mingw-w64-i686-posix", "g++-mingw-w64-x86-64-posix",
                      "binutils-mingw-w64-i686", "mingw-w64-i686-dev"]
# The Debian release whose GCC makes the reference zip, and that GCC's major version.
REFERENCE_GCC = "12"


class BadInput(Exception):
    """A problem the user can fix, told in one line."""


def run(command, **options):
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def parse_arguments(arguments):
    options = {"sign": None, "timestamp": None, "dist": os.path.join(ROOT, "dist")}
    names = {"--sign": "sign", "--timestamp": "timestamp", "--dist": "dist"}
    while arguments:
        flag = arguments.pop(0)
        if flag not in names:
            raise BadInput(f"unknown argument {flag}: scripts/release [--sign FILE.pfx "
                           "[--timestamp URL]] [--dist DIR]")
        if not arguments:
            raise BadInput(f"{flag} needs a value")
        options[names[flag]] = arguments.pop(0)
    if options["timestamp"] and not options["sign"]:
        raise BadInput("--timestamp goes with --sign FILE.pfx")
    return options


# Signing: the certificate is checked before anything is built.

def openssl_pkcs12(pfx, *flags):
    """The PEM text openssl reads from the PKCS#12 file with the password from the environment;
    files made by older tools (RC2, 3DES) need OpenSSL 3's legacy provider."""
    command = ["openssl", "pkcs12", "-in", pfx, "-passin", "env:SELVARO_SIGN_PASSWORD", *flags]
    first = subprocess.run(command, capture_output=True, text=True)
    if first.returncode == 0:
        return first.stdout
    legacy = subprocess.run(command + ["-legacy"], capture_output=True, text=True)
    if legacy.returncode == 0:
        return legacy.stdout
    said = (first.stderr + legacy.stderr).lower()
    if "mac verify" in said or "invalid password" in said or "bad decrypt" in said:
        raise BadInput(f"{pfx}: wrong password (SELVARO_SIGN_PASSWORD)")
    raise BadInput(f"{pfx}: not a PKCS#12 (.pfx) file that openssl can read")


def check_signing_certificate(pfx):
    if not os.path.isfile(pfx):
        raise BadInput(f"{pfx}: no such file")
    if not os.access(pfx, os.R_OK):
        raise BadInput(f"{pfx}: cannot be read")
    if "SELVARO_SIGN_PASSWORD" not in os.environ:
        raise BadInput("SELVARO_SIGN_PASSWORD is not set: it holds the password of " + pfx)
    if "PRIVATE KEY" not in openssl_pkcs12(pfx, "-nocerts", "-nodes"):
        raise BadInput(f"{pfx}: holds no private key")
    certificate = openssl_pkcs12(pfx, "-clcerts", "-nokeys")
    if "CERTIFICATE" not in certificate:
        raise BadInput(f"{pfx}: holds no certificate")

    def openssl_x509(*flags):
        return subprocess.run(["openssl", "x509", "-noout", *flags], input=certificate,
                              capture_output=True, text=True)

    usage = openssl_x509("-ext", "extendedKeyUsage,keyUsage").stdout
    if "Code Signing" not in usage:
        raise BadInput(f"{pfx}: its certificate cannot sign code (no Code Signing in its "
                       "Extended Key Usage)")
    if "Key Usage:" in usage.replace("Extended Key Usage:", "") and \
            "Digital Signature" not in usage:
        raise BadInput(f"{pfx}: its certificate cannot sign code (no Digital Signature in its "
                       "Key Usage)")
    if openssl_x509("-checkend", "0").returncode != 0:
        raise BadInput(f"{pfx}: its certificate has expired")


def sign(unsigned, signed, options, password_file):
    command = ["osslsigncode", "sign", "-pkcs12", options["sign"], "-readpass", password_file,
               "-h", "sha256", "-n", "Selvaro", "-in", unsigned, "-out", signed]
    if options["timestamp"]:
        command[2:2] = ["-ts", options["timestamp"]]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        lines = [line for line in (result.stdout + result.stderr).splitlines() if line.strip()]
        raise BadInput(f"osslsigncode could not sign {os.path.basename(unsigned)}: "
                       + (lines[-1] if lines else f"exit code {result.returncode}"))


# Building from the committed tree.

def committed_tree():
    """Puts HEAD's tree in build/release/src, once per commit; returns the commit and its time."""
    commit = run(["git", "-C", ROOT, "rev-parse", "HEAD"]).strip()
    seconds = int(run(["git", "-C", ROOT, "log", "-1", "--format=%ct", commit]))
    if run(["git", "-C", ROOT, "status", "--porcelain", "--untracked-files=no"]).strip():
        print(f"== note: uncommitted changes are left out; the release is built from {commit[:12]}",
              file=sys.stderr)
    source = os.path.join(WORK, "src")
    stamp = os.path.join(WORK, "src.commit")
    if not (os.path.isfile(stamp) and open(stamp).read() == commit):
        shutil.rmtree(source, ignore_errors=True)
        os.makedirs(source)
        archive = subprocess.Popen(["git", "-C", ROOT, "archive", "--format=tar", commit],
                                   stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", source], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            raise RuntimeError("git archive failed")
        with open(stamp, "w") as file:
            file.write(commit)
    return source, commit, seconds


def build(source, name, toolchain):
    """Builds target Selvaro; its output goes to build/logs/release-NAME.log."""
    binary = os.path.join(WORK, name)
    os.makedirs(LOGS, exist_ok=True)
    log_path = os.path.join(LOGS, f"release-{name}.log")
    print(f"== building the {name} Selvaro.exe (log: {log_path})", file=sys.stderr)
    with open(log_path, "w") as log:
        for command in (
                ["cmake", "-S", source, "-B", binary,
                 f"-DCMAKE_TOOLCHAIN_FILE={source}/cmake/{toolchain}",
                 "-DCMAKE_BUILD_TYPE=Release", "-DSELVARO_GTEST_SOURCE=none"],
                ["cmake", "--build", binary, "--target", "Selvaro", "--parallel", "2"]):
            if subprocess.run(command, stdout=log, stderr=subprocess.STDOUT).returncode != 0:
                with open(log_path) as written:
                    tail = written.read().splitlines()[-20:]
                sys.stderr.write("\n".join("   | " + line for line in tail) + "\n")
                raise RuntimeError(f"the {name} build failed: {' '.join(command)}")
    return os.path.join(binary, "bin", "Selvaro.exe")


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


# README.txt from docs/guide.md.

def plain_text(markdown):
    """The guide as plain text: pictures become their description, links their text and address,
    headings are underlined, tables are aligned in columns, code blocks are indented, and code
    and emphasis marks go."""
    lines, table, in_code = [], [], False
    for line in markdown.splitlines() + [""]:
        if line.startswith("|"):
            cells = [cell.strip() for cell in line.strip("|").split("|")]
            if not all(set(cell) <= set("-: ") for cell in cells):
                table.append(cells)
            continue
        if table:
            widths = [max(len(row[column]) for row in table) for column in range(len(table[0]))]
            lines += ["  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip()
                      for row in table]
            table = []
        if line.startswith("```"):
            in_code = not in_code
            continue
        if in_code:
            lines.append("    " + line)
            continue
        picture = re.fullmatch(r"!\[(.*)\]\(.*\)", line.strip())
        if picture:
            lines.append(picture.group(1))
            continue
        heading = re.match(r"(#+) (.*)", line)
        line = re.sub(r"\[([^]]*)\]\(([^)]*)\)",
                      lambda m: m.group(1) if m.group(2).startswith("#") else
                      f"{m.group(1)} ({m.group(2)})", line)
        line = re.sub(r"\*\*([^*]+)\*\*", r"\1", line)
        line = re.sub(r"`([^`]+)`", r"\1", line)
        if heading:
            title = heading.group(2)
            lines += [title, ("=" if len(heading.group(1)) == 1 else "-") * len(title)]
        else:
            lines.append(line)
    return "\n".join(lines).strip("\n") + "\n"


def readme_text(guide, version, commit, seconds, tools):
    made = time.strftime("%Y-%m-%d", time.gmtime(seconds))
    text = plain_text(guide) + (
        f"\nThis release\n------------\n\n"
        f"Selvaro {version}, built from commit {commit} ({made})\nwith {tools}.\n")
    # With a byte order mark, Notepad of every Windows reads the Persian captions right.
    return text.replace("\n", "\r\n").encode("utf-8-sig")


# The zip.

def zip_entry(name, seconds):
    entry = zipfile.ZipInfo(name, date_time=time.gmtime(max(seconds, 315532800))[:6])
    entry.create_system = 3  # Unix, so that the permissions below count
    entry.external_attr = 0o100644 << 16
    entry.compress_type = zipfile.ZIP_DEFLATED
    return entry


def write_zip(path, files, seconds):
    """Writes the entries, in the given order, to PATH."""
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in files:
            archive.writestr(zip_entry(name, seconds), data, compresslevel=9)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def release(options):
    if options["sign"]:
        check_signing_certificate(options["sign"])
    source, commit, seconds = committed_tree()
    with open(os.path.join(source, "CMakeLists.txt")) as file:
        version = ".".join(re.search(r"project\(Selvaro VERSION (\d+)\.(\d+)",
                                     file.read()).groups())
    with open(os.path.join(source, "docs", "guide.md"), encoding="utf-8") as file:
        guide = file.read()
    tools, gcc_major = toolchain()
    executables = [(build(source, name, toolchain_file), place)
                   for name, toolchain_file, place in BUILDS]

    os.makedirs(WORK, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=WORK, prefix="stage-") as stage:
        # The password goes to osslsigncode in a file of the owner's only, not on its command line.
        password_file = os.path.join(stage, "password")
        if options["sign"]:
            with open(os.open(password_file, os.O_WRONLY | os.O_CREAT, 0o600), "w") as file:
                file.write(os.environ["SELVARO_SIGN_PASSWORD"])
        files = []
        for built, place in executables:
            staged = os.path.join(stage, place.replace("/", "-"))
            if options["sign"]:
                sign(built, staged, options, password_file)
            else:
                shutil.copyfile(built, staged)
            with open(staged, "rb") as file:
                files.append((place, file.read()))
        files.append(("README.txt", readme_text(guide, version, commit, seconds, tools)))
        sums = "".join(f"{sha256(data)}  {name}\n" for name, data in files)
        files.append(("SHA256SUMS", sums.encode()))

        os.makedirs(options["dist"], exist_ok=True)
        target = os.path.join(options["dist"], f"Selvaro-{version}.zip")
        with tempfile.NamedTemporaryFile(dir=options["dist"], prefix=".Selvaro-", suffix=".zip",
                                         delete=False) as partial:
            pass
        try:
            write_zip(partial.name, files, seconds)
            os.chmod(partial.name, 0o644)
            with open(partial.name, "rb") as file:
                os.fsync(file.fileno())
                digest = sha256(file.read())
            os.replace(partial.name, target)
        finally:
            with contextlib.suppress(FileNotFoundError):
                os.remove(partial.name)

    print(target)
    print(f"SHA-256    {digest}")
    print(f"toolchain  {tools}")
    print(f"commit     {commit}" + ("" if not options["sign"] else
                                    f"\nsigned     with {options['sign']}"))
    if gcc_major != REFERENCE_GCC:
        print(f"note: this zip is made with GCC {gcc_major}; a Debian 12 host (GCC "
              f"{REFERENCE_GCC}) makes a different one from the same commit, equally valid, and "
              f"each is the same on every host with its toolchain")


def main():
    try:
        release(parse_arguments(sys.argv[1:]))
    except BadInput as problem:
        print(f"scripts/release: {problem}", file=sys.stderr)
        sys.exit(1)
    except (RuntimeError, OSError, subprocess.CalledProcessError) as failure:
        print(f"scripts/release: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
