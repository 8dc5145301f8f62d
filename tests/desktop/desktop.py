"""A desktop for the viewer: an X display, maybe a window manager, and a person's hands.

Every action is real X input (xdotool): pointer moves, clicks, key presses.
What the tests read back comes from outside the viewer's process: the
probe's view of its windows, the X server's stacking order and the screen.
"""
import os
import re
import shutil
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def windows_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


class StepFailed(AssertionError):
    pass


class Window:
    """One line of the probe's answer."""

    def __init__(self, fields, names):
        for name, value in zip(names, fields + [''] * (len(names) - len(fields))):
            setattr(self, name, value)
        self.flags = set(getattr(self, 'flags', '').split())
        if hasattr(self, 'rect'):
            self.left, self.top, self.right, self.bottom = (int(v) for v in self.rect.split(','))

    @property
    def centre(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def __repr__(self):
        return '<%s>' % ' '.join('%s=%r' % kv for kv in vars(self).items())


class Desktop:
    """An Xvfb display with the viewer on it; `managed` adds openbox and a prefix whose windows it manages."""

    displays = 0

    def __init__(self, name, bin_dir, out_dir, prefix, managed):
        """Screenshots go to `out_dir`, emptied first."""
        self.name, self.bin_dir, self.managed, self.out_dir = name, bin_dir, managed, out_dir
        shutil.rmtree(self.out_dir, ignore_errors=True)
        os.makedirs(self.out_dir)
        self.shots = 0
        Desktop.displays += 1
        self.display = ':%d' % (100 + (os.getpid() * 7 + Desktop.displays) % 800)
        self.env = dict(os.environ, DISPLAY=self.display, WINEPREFIX=prefix, WINEDEBUG='-all',
                        WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d')
        self.processes = []
        self.viewer = None
        self.probe = None

    # --- life -------------------------------------------------------------

    def __enter__(self):
        self._spawn(['Xvfb', self.display, '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'])
        self.wait(lambda: subprocess.run(['xdpyinfo'], env=self.env, capture_output=True).returncode == 0,
                  'the X display starts', timeout=10, quiet=True)
        if self.managed:
            self._spawn(['openbox'])
            time.sleep(0.5)
        # A server left by an earlier program would be bound to a display that is gone.
        subprocess.run(['wineserver', '-k'], env=self.env, capture_output=True)
        subprocess.run(['wineserver', '-w'], env=self.env, capture_output=True)
        subprocess.run(['wineserver', '-p2'], env=self.env, check=True)
        self.probe = subprocess.Popen(['wine', os.path.join(self.bin_dir, 'molvane_window_probe.exe')], env=self.env,
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return self

    def __exit__(self, *exc):
        if self.probe:
            self.probe.kill()
        subprocess.run(['wineserver', '-k'], env=self.env, capture_output=True)
        subprocess.run(['wineserver', '-w'], env=self.env, capture_output=True)
        for process in reversed(self.processes):
            process.kill()
            process.wait()
        return False

    def _spawn(self, command):
        self.processes.append(subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))

    def start_viewer(self, *images):
        """The viewer as a person starts it, with these files open."""
        command = ['wine', os.path.join(self.bin_dir, 'molvane_viewer.exe')] + [windows_path(i) for i in images]
        self.viewer = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait(lambda: len(self.images()) == len(images), 'the viewer shows its %d image(s)' % len(images),
                  timeout=30)
        time.sleep(0.3)

    def viewer_ended(self, timeout=10):
        try:
            self.viewer.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    # --- reading ------------------------------------------------------------

    def ask(self, command):
        self.probe.stdin.write((command + '\n').encode())
        self.probe.stdin.flush()
        lines = []
        while True:
            line = self.probe.stdout.readline()
            if not line:
                raise StepFailed('the window probe ended')
            line = line.decode('cp1252').rstrip('\r\n')
            if line == '.':
                return lines
            lines.append(line)

    def top(self):
        """The viewer's visible top-level windows, front first in the system's order."""
        return [Window(l.split('\t'), ['hwnd', 'cls', 'text', 'rect', 'owner', 'flags']) for l in self.ask('top')]

    def controls(self, window):
        return [Window(l.split('\t'), ['hwnd', 'cls', 'text', 'rect', 'flags']) for l in self.ask('kids ' + window.hwnd)]

    def images(self):
        return [Window(l.split('\t'), ['hwnd', 'text', 'rect', 'flags']) for l in self.ask('mdi')]

    def status(self):
        return self.ask('status')

    def buttons(self):
        """The toolbar's buttons by command number."""
        found = [Window(l.split('\t'), ['command', 'rect', 'flags']) for l in self.ask('buttons')]
        return {int(b.command): b for b in found}

    def frame(self):
        return self.find_top(cls='MolvaneViewer')

    def find_top(self, cls=None, text=None):
        for w in self.top():
            if (cls is None or w.cls == cls) and (text is None or w.text == text):
                return w
        return None

    def control(self, window, text, cls=None):
        for c in self.controls(window):
            if c.text.replace('&', '') == text and (cls is None or c.cls == cls):
                return c
        raise StepFailed('no control %r in %r' % (text, window.text))

    def x_stack(self):
        """Window titles from the screen's bottom to its top, as the X server stacks them."""
        tree = subprocess.run(['xwininfo', '-root', '-tree'], env=self.env, capture_output=True).stdout.decode(
            'utf-8', 'replace')
        stack, current = [], None
        for line in tree.splitlines():
            match = re.match(r'(\s+)0x[0-9a-f]+ (?:"(.*?)"|\(has no name\))', line)
            if not match:
                continue
            if len(match.group(1)) == 5:  # a child of the root: a frame or an unmanaged window
                current = []
                stack.append(current)
            if current is not None and match.group(2):
                current.append(match.group(2))
        # xwininfo lists the top first.
        return [' '.join(names) for names in reversed(stack) if names]

    def above(self, upper, lower):
        """True when the window titled `upper` shows above the one titled `lower`."""
        stack = self.x_stack()
        up = [i for i, names in enumerate(stack) if upper in names]
        low = [i for i, names in enumerate(stack) if lower in names]
        return bool(up and low and max(up) > max(low))

    def pixels(self, left, top, width, height):
        """The screen's RGB bytes in a rectangle, row after row."""
        return subprocess.run(['import', '-window', 'root', '-crop', '%dx%d+%d+%d' % (width, height, left, top),
                               '-depth', '8', 'rgb:-'], env=self.env, capture_output=True, check=True).stdout

    def screenshot(self, label):
        self.shots += 1
        path = os.path.join(self.out_dir, '%02d-%s.png' % (self.shots, label))
        subprocess.run(['import', '-window', 'root', path], env=self.env, capture_output=True)
        return path

    # --- hands ----------------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(['xdotool'] + [str(a) for a in args], env=self.env, check=True)

    def click(self, point, button=1, settle=0.4):
        self.xdotool('mousemove', point[0], point[1], 'click', button)
        time.sleep(settle)

    def move(self, point, settle=0.2):
        self.xdotool('mousemove', point[0], point[1])
        time.sleep(settle)

    def key(self, *keys, settle=0.4):
        for k in keys:
            self.xdotool('key', '--delay', 60, k)
            time.sleep(0.15)
        time.sleep(settle)

    def type(self, text, settle=0.3):
        self.xdotool('type', '--delay', 30, text)
        time.sleep(settle)

    # --- waiting ------------------------------------------------------------

    def wait(self, predicate, what, timeout=5, quiet=False):
        end = time.time() + timeout
        while True:
            try:
                if predicate():
                    return
            except (StepFailed, StopIteration):
                pass  # a window the probe did not list this time: not there yet
            if time.time() > end:
                if quiet:
                    raise StepFailed('timed out: ' + what)
                raise StepFailed('timed out waiting until %s (screen: %s)' % (what, self.screenshot('failed')))
            time.sleep(0.15)
