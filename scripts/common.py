"""What the maintainers' tools share: the packages they install, named steps with their logs,
the builds, whether this host runs 32-bit code, the Wine prefix, a virtual display and the
window of a running Selvaro.exe. Imported by scripts/run, scripts/test, scripts/bench and the
others; Python's standard library only.

A tool calls main(function): a Failure, a failed command or Ctrl-C then ends it with one line
that says what failed and with which exit code, never with a traceback."""

import contextlib
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
LOGS = os.path.join(BUILD, "logs")

BUILD_PACKAGES = ["ca-certificates", "git", "cmake", "make", "g++", "libgtest-dev", "googletest",
                  "g++-mingw-w64-i686-posix", "gcc-mingw-w64-i686-posix",
                  "binutils-mingw-w64-i686", "g++-mingw-w64-x86-64-posix",
                  "gcc-mingw-w64-x86-64-posix", "binutils-mingw-w64-x86-64"]
WINE_PACKAGES = ["wine", "wine64", "wine32:i386", "xvfb", "xauth", "x11-utils", "xdotool",
                 "imagemagick"]
# scripts/release: the zip's maker, signing and the certificate's checks.
RELEASE_PACKAGES = ["python3", "osslsigncode", "openssl"]
# scripts/picture: Pango lays out the labels, Persian ones too, in DejaVu Sans.
PICTURE_PACKAGES = ["pango1.0-tools", "fonts-dejavu-core"]

# Debian's 64-bit loader, which is not on PATH. `wine` chooses the 32-bit loader while wine32 is
# installed, so on a host without 32-bit code every Wine program must be started through this one.
WINE64 = "/usr/lib/wine/wine64"
# The window has faded in when the X server has this opacity for it: alpha 252 of 255.
FADED_IN_OPACITY = 0xFCFCFCFC


class Failure(Exception):
    """A failure the tool explains in one line; main() prints it and exits with code."""

    def __init__(self, message, code=1):
        super().__init__(message)
        self.code = code


def log(*parts):
    print("==", *parts, file=sys.stderr, flush=True)


def run(command, **options):
    """Runs command (a list), failing with its exit code; options go to subprocess.run."""
    return subprocess.run(command, check=True, **options)


def output_of(command, **options):
    """What command prints on standard output, without the last line's end."""
    return run(command, stdout=subprocess.PIPE, text=True, **options).stdout.rstrip("\n")


def succeeds(command, **options):
    """Whether command exits with 0; it prints nothing."""
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          **options).returncode == 0


def run_as_group(command, timeout=None, **options):
    """Runs command in a process group of its own and returns its exit code, or None when it
    outlasted timeout seconds. Then, or when this tool is interrupted, the whole group is ended:
    asked first, so that a program can undo what it did (debootstrap its mounts), killed after
    30 s."""
    process = subprocess.Popen(command, start_new_session=True, **options)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        end_group(process)
        return None
    except BaseException:
        end_group(process)
        raise


def end_group(process):
    for how, grace in ((signal.SIGTERM, 30), (signal.SIGKILL, None)):
        with contextlib.suppress(ProcessLookupError):
            os.killpg(process.pid, how)
        with contextlib.suppress(subprocess.TimeoutExpired):
            process.wait(timeout=grace)
            return


def describe(command):
    return shlex.join(command) if isinstance(command, (list, tuple)) else command.__name__


def main(function, *arguments):
    """Runs a tool's main function: exits with what it returns, or says what failed."""
    try:
        sys.exit(function(*arguments) or 0)
    except Failure as failure:
        log(f"FAILED: {failure}")
        sys.exit(failure.code)
    except subprocess.CalledProcessError as failure:
        log(f"FAILED (exit code {failure.returncode}): {describe(failure.cmd)}")
        sys.exit(failure.returncode or 1)
    except KeyboardInterrupt:
        log("interrupted")
        sys.exit(130)


# Wine names files in the locale's character set: without a UTF-8 one it can only make ASCII
# names, and the tests use Persian ones. A bare container sets no locale at all; then C.UTF-8,
# which every Debian's libc has, is used. A locale the user set is left as it is.
def use_utf8_locale(quiet=False):
    chosen = [os.environ.get(name, "") for name in ("LC_ALL", "LC_CTYPE", "LANG")]
    if not any(chosen):
        os.environ["LANG"] = "C.UTF-8"
        if not quiet:
            log("no locale is set: using LANG=C.UTF-8")
        return
    charmap = subprocess.run(["locale", "charmap"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
    if charmap.stdout.strip() != "UTF-8":
        log(f"the locale ({next(value for value in chosen if value)}) is not UTF-8: Wine can then "
            "name files in ASCII only, and a test with a Persian directory name fails; "
            "LANG=C.UTF-8 avoids that")


# --- Steps ----------------------------------------------------------------------------------

class Steps:
    """Named steps, each with its output shown and kept in build/logs/NAME.log. A step that fails
    says so with its command, exit code and last lines, and ends the tool with that code; once
    going_on is set, it is recorded in failed and the tool goes on instead."""

    def __init__(self):
        self.failed = []
        self.going_on = False

    def __call__(self, name, action, *arguments, going_on=None, **options):
        """Runs action: a command (a list, run from the top of the tree with options for
        subprocess.run) or a function called with arguments. Returns whether it succeeded."""
        os.makedirs(LOGS, exist_ok=True)
        logfile = os.path.join(LOGS, re.sub(r"[^0-9A-Za-z]", "-", name) + ".log")
        log(name)
        code = 0
        with _output_copied_to(logfile):
            try:
                if callable(action):
                    action(*arguments)
                else:
                    run(list(action) + list(arguments), **{"cwd": ROOT, **options})
            except Failure as failure:
                log(f"FAILED: {failure}")
                code = failure.code
            except subprocess.CalledProcessError as failure:
                code = failure.returncode or 1
                if callable(action):
                    log(f"FAILED (exit code {code}): {describe(failure.cmd)}")
        if code == 0:
            return True
        command = describe(action) if callable(action) else describe(list(action) + list(arguments))
        log(f'FAILED step "{name}": {command} (exit code {code}); its last lines ({logfile}):')
        with open(logfile, encoding="utf-8", errors="replace") as kept:
            for line in kept.read().splitlines()[-30:]:
                print(f"   | {line}", file=sys.stderr)
        self.failed.append(name)
        if not (self.going_on if going_on is None else going_on):
            raise SystemExit(code)
        return False


@contextlib.contextmanager
def _output_copied_to(logfile):
    """Everything written to standard output and error meanwhile, this process's and its
    children's, goes to the terminal as before and to logfile."""
    sys.stdout.flush()
    sys.stderr.flush()
    terminal_out, terminal_err = os.dup(1), os.dup(2)
    reader, writer = os.pipe()

    def copy():
        with open(logfile, "wb") as kept:
            while chunk := os.read(reader, 65536):
                os.write(terminal_out, chunk)
                kept.write(chunk)

    copier = threading.Thread(target=copy)
    copier.start()
    os.dup2(writer, 1)
    os.dup2(writer, 2)
    os.close(writer)
    try:
        yield
    finally:
        sys.stdout.flush()
        sys.stderr.flush()
        os.dup2(terminal_out, 1)
        os.dup2(terminal_err, 2)
        copier.join()
        for descriptor in (reader, terminal_out, terminal_err):
            os.close(descriptor)


# --- Packages -------------------------------------------------------------------------------

def is_installed(package):
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    return "install ok installed" in status


def ensure_packages(*packages):
    """Installs whichever of the named Debian packages are missing, as root or through sudo."""
    missing = [package for package in packages if not is_installed(package)]
    if not missing:
        return
    log("installing", " ".join(missing))
    sudo = []
    if os.geteuid() != 0:
        as_root = "as root: apt-get install " + " ".join(missing)
        if not shutil.which("sudo"):
            raise Failure(f"cannot install: not root and no sudo; {as_root}")
        if not sys.stdin.isatty() and not succeeds(["sudo", "-n", "true"]):
            raise Failure("cannot install: sudo asks for a password, with no terminal to type "
                          f"it; {as_root}")
        sudo = ["sudo"]
    foreign = output_of(["dpkg", "--print-foreign-architectures"]).split()
    if any(package.endswith(":i386") for package in missing) and "i386" not in foreign:
        run(sudo + ["dpkg", "--add-architecture", "i386"])
    apt_get(sudo, "update", "-q")
    apt_get(sudo, "install", "-y", "-q", "--no-install-recommends", *missing)


def apt_get(sudo, *arguments):
    """apt-get that waits for another apt or dpkg to finish first, tried up to three times."""
    for attempt in (1, 2, 3):
        if subprocess.run(sudo + ["env", "DEBIAN_FRONTEND=noninteractive", "apt-get", "-o",
                                  "DPkg::Lock::Timeout=300", *arguments]).returncode == 0:
            return
        log(f"apt-get {arguments[0]} failed (try {attempt} of 3)")
        time.sleep(10)
    raise Failure(f"apt-get {arguments[0]} failed three times")


# --- Builds ---------------------------------------------------------------------------------

def build_preset(preset, *options):
    """Configures and builds a CMake preset; options go to cmake --build (e.g. --target X)."""
    run(["cmake", "--preset", preset, "-S", ROOT], stdout=subprocess.DEVNULL, cwd=ROOT)
    run(["cmake", "--build", "--preset", preset, "--parallel", "2", *options], cwd=ROOT)


def build_and_test(preset):
    build_preset(preset)
    run(["ctest", "--preset", preset], cwd=ROOT)


def bits_of(preset):
    return 64 if preset == "windows64" else 32


def banner_without_32bit(why, verdict):
    """What a host without 32-bit code tests instead; verdict: passed or FAILED."""
    line = "=" * 82
    print("\n".join([
        line, f"This host does not run 32-bit x86 code ({why}).",
        "Instead, the Windows-side tests run against the 64-bit build,",
        f"build/windows64/bin/Selvaro.exe, under Wine's 64-bit loader {WINE64}.",
        "The 32-bit Selvaro.exe (the product, build/windows/bin/Selvaro.exe) was built and its",
        f"build-time checks {verdict} (compile-time checks, reproducible build), but it was not run.",
        line]), file=sys.stderr, flush=True)


def host_32bit():
    """"yes" when this host itself runs 32-bit x86 code, else why it does not. Probed once and
    kept in build/host-32bit; SELVARO_NO_32BIT=1 says "does not" on any host."""
    if os.environ.get("SELVARO_NO_32BIT", "0") == "1":
        return "SELVARO_NO_32BIT=1 is set"
    cache = os.path.join(BUILD, "host-32bit")
    if not os.path.isfile(cache):
        os.makedirs(BUILD, exist_ok=True)
        with open(cache + ".new", "w") as kept:
            kept.write(_probe_32bit_host() + "\n")
        os.replace(cache + ".new", cache)
    with open(cache) as kept:
        return kept.read().strip()


# The probe is a static i386 program that sleeps half a second and exits with 32. Without the
# CPU's 32-bit mode it fails to start ("Exec format error"). Where an emulator registered with
# binfmt_misc (qemu-i386) runs it instead, the kernel starts the emulator: /proc/PID/exe, read
# from outside while it sleeps, names the emulator, not the probe (only the guest's own view of
# /proc/self/exe is faked).
_PROBE_SOURCE = """.globl _start
_start: mov $162, %eax
mov $delay, %ebx
xor %ecx, %ecx
int $0x80
mov $1, %eax
mov $32, %ebx
int $0x80
.data
delay: .long 0, 500000000
"""


def _probe_32bit_host():
    folder = os.path.join(BUILD, "probe-32bit")
    os.makedirs(folder, exist_ok=True)
    probe = os.path.join(folder, "probe")
    run(["as", "--32", "-o", probe + ".o"], input=_PROBE_SOURCE, text=True)
    run(["ld", "-m", "elf_i386", "-o", probe, probe + ".o"])
    return probe_runs_natively(probe)


def probe_runs_natively(program):
    """"yes" when program itself ran and exited with 32, else why not."""
    try:
        started = subprocess.Popen([program], stderr=subprocess.DEVNULL)
    except OSError as error:  # Popen returns once the program is executed, or raises
        return f"a 32-bit program fails to start: {error.strerror}"
    exe = ""
    with contextlib.suppress(OSError):
        exe = os.readlink(f"/proc/{started.pid}/exe")
    code = started.wait()
    if code != 32:
        return f"a 32-bit program fails to start, exit code {code}"
    if exe != program:
        return f"only the emulator {exe or '?'} runs 32-bit programs here"
    return "yes"


def loader_of(preset):
    """The Wine loader that starts the build's programs. Where the host does not run 32-bit
    code, only the 64-bit loader starts at all."""
    return WINE64 if preset == "windows64" else "wine"


def runnable_build():
    """The Windows build this host runs and the loader that starts it: the 32-bit product, or
    the 64-bit build where the host does not run 32-bit code. Returns (preset, wine, why not
    32-bit or "yes")."""
    why = host_32bit()
    preset = "windows" if why == "yes" else "windows64"
    return preset, loader_of(preset), why


# --- Wine -----------------------------------------------------------------------------------

def use_wine_prefix(prefix=None):
    """Wine runs everything in the project's own prefix inside the build tree, without asking
    for Mono or Gecko (there is no network)."""
    os.environ["WINEPREFIX"] = prefix or os.path.join(BUILD, "wineprefix")
    os.environ["WINEDEBUG"] = "-all"
    os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml="


def ensure_wine_prefix():
    """Creates the prefix once, with the .reg association Windows has: "open" runs Registry
    Editor. The 64-bit loader makes it a 64-bit prefix, which runs both builds where the host
    runs 32-bit code; any other prefix found there is made anew."""
    prefix = os.environ["WINEPREFIX"]
    system = os.path.join(prefix, "system.reg")
    if os.path.isfile(os.path.join(prefix, ".selvaro-ready")) and os.path.isfile(system):
        with open(system, encoding="utf-8", errors="replace") as registry:
            if "#arch=win64" in registry.read().splitlines():
                return
    log(f"creating the Wine prefix {prefix}")
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(prefix)
    run([WINE64, "wineboot", "-i"])
    run([WINE64, "reg", "add", r"HKCR\.reg", "/ve", "/d", "regfile", "/f"])
    run([WINE64, "reg", "add", r"HKCR\regfile\shell\open\command", "/ve", "/d",
         'regedit.exe "%1"', "/f"])
    run(["wineserver", "-w"])
    open(os.path.join(prefix, ".selvaro-ready"), "w").close()


def end_wine():
    """Ends every Wine program of the prefix and its server."""
    subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)


def selvaro_window():
    """The X window id of the window titled Selvaro, or None."""
    found = subprocess.run(["xdotool", "search", "--name", "^Selvaro$"], text=True,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.split()
    return found[0] if found else None


def opacity_of_window():
    """The opacity of the window titled Selvaro, as the X server has it, or None."""
    window = selvaro_window()
    if window is None:
        return None
    answer = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_OPACITY"], text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.split()
    return int(answer[2]) if len(answer) >= 3 and answer[2].isdigit() else None


def wait_for_window(process, seconds=20):
    """Waits until the window has faded in, to its final opacity. Fails, saying why, when it has
    not within seconds or the process ended first."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if opacity_of_window() == FADED_IN_OPACITY:
            return
        if process.poll() is not None:
            break
        time.sleep(0.1)
    if opacity_of_window() == FADED_IN_OPACITY:
        return
    if process.poll() is not None:
        log(f"the program ended with exit code {process.returncode}")
    raise Failure(f"the window did not open within {seconds} s")


def while_selvaro_shows(wine, exe, action):
    """Starts exe under wine, waits until its window has faded in, calls action() and closes the
    program the way the taskbar does. Fails when the window does not open, action fails or the
    program ends with another code than 0. Returns what action returned."""
    program = subprocess.Popen([wine, exe])
    try:
        wait_for_window(program)
        result = action()
    finally:
        subprocess.run([wine, "taskkill", "/im", "Selvaro.exe"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        code = program.wait()
    if code != 0:
        raise Failure(f"Selvaro.exe ended with exit code {code}")
    return result


# --- The virtual display --------------------------------------------------------------------

@contextlib.contextmanager
def virtual_display():
    """Xvfb on a free display number, with DISPLAY pointed at it; when the block ends, every Wine
    program is ended and the display stopped. Xvfb picks the number itself and writes it to the
    file: a display taken in another mount namespace (a chroot, a container on the same network)
    shows no lock file here, only Xvfb learns of it when it cannot listen."""
    os.makedirs(BUILD, exist_ok=True)
    reader, writer = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=[writer], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(writer)
    try:
        with os.fdopen(reader) as numbers:
            number = numbers.readline().strip()
        if not number or server.poll() is not None:
            raise Failure("Xvfb did not start")
        os.environ["DISPLAY"] = f":{number}"
        with open(os.path.join(BUILD, "xvfb-display"), "w") as kept:
            kept.write(number + "\n")
        for _ in range(100):
            if succeeds(["xdpyinfo"]):
                break
            time.sleep(0.1)
        else:
            raise Failure("Xvfb did not start")
        yield os.environ["DISPLAY"]
    finally:
        if os.environ.get("WINEPREFIX"):
            end_wine()
        server.terminate()
        server.wait()


def has_display():
    return bool(os.environ.get("DISPLAY")) and succeeds(["xdpyinfo"])
