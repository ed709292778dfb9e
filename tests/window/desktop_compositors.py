#!/usr/bin/python3
# What a user sees of the window under the compositors of the two big Linux
# desktops: GNOME's mutter and KDE's KWin, each shown in this X display (run
# under xvfb-run), with the program as a native Wayland client. Keys and
# clicks are pressed on the X server with xdotool and reach the program
# through the compositor; everything is read back from the screen.
#
#   desktop_compositors.py mutter|kwin SCALE PROGRAM
#
# Checked: that the compositor gives the window the scale asked for; that
# the window wears the compositor's decoration where it offers one (KWin),
# else that its own bar reads as active and inactive as the window is, opens
# the window menu and has its buttons read through AT-SPI as a screen reader
# reads them (mutter); that typing reaches it; that it stays on
# the screen when dragged to the top edge; that it survives a maximise
# attempt at its designed size; and that it closes.
#
# Every tool runs in a desktop of its own: a private home and configuration,
# runtime folder and D-Bus session, all removed afterwards. Nothing is read
# from or written to the invoking user's.
import json, os, re, shutil, signal, subprocess, sys, tempfile, time

compositor, scale, program = sys.argv[1], int(sys.argv[2]), sys.argv[3]
FORM = (416, 292)       # the client area's designed size, in logical pixels
OWN_BAR = 28            # the height of the window's own title bar
NINE_STAR = (256, 16, 113, 25)  # where the nine-star result is shown, in the form
GREY = b'\xc0\xc0\xc0'  # the form's ground
SCREEN = (1024 * scale, 768 * scale)
failures = []
work = tempfile.mkdtemp()
os.chmod(work, 0o700)
# The home, configuration and runtime folders are the test's own, made by
# private_home.sh; the D-Bus session is started below.
runtime = os.environ['XDG_RUNTIME_DIR']
if os.path.dirname(runtime) != os.environ['HOME']:
    sys.exit('run under tests/private_home.sh, which gives the desktop a home of its own')
private = ('HOME', 'XDG_CONFIG_HOME', 'XDG_CACHE_HOME', 'XDG_DATA_HOME', 'XDG_STATE_HOME',
           'XDG_RUNTIME_DIR')
env = {name: os.environ[name] for name in ('PATH', 'DISPLAY', *private)}
env |= {'LANG': 'C.UTF-8', 'DBUS_SESSION_BUS_ADDRESS': f'unix:path={runtime}/bus'}
if 'XAUTHORITY' in os.environ:
    env['XAUTHORITY'] = os.environ['XAUTHORITY']
for name in private:
    os.makedirs(env[name], mode=0o700, exist_ok=True)
children = []
# Where the compositor's output starts on the X screen: a nested compositor
# draws from the corner, mutter's development kit inside its viewer's frame.
origin = (0, 0)


def start(args, log, **extra):
    # Each in a process group of its own, ended whole.
    child = subprocess.Popen(args, env=dict(env, **extra), stdout=open(log, 'w'),
                             stderr=subprocess.STDOUT, start_new_session=True)
    children.append(child)
    return child


def run(*args):
    return subprocess.run(args, env=env, check=True, capture_output=True, text=True).stdout


def check(what, ok, seen=''):
    print(('ok   ' if ok else 'FAIL ') + what + (f' ({seen})' if seen else ''))
    if not ok:
        failures.append(what)


def xdotool(*args):
    subprocess.run(['xdotool', *map(str, args)], check=True)


def move(x, y, *then):
    """The pointer to (x, y) of the compositor's output, then xdotool's `then`."""
    xdotool('mousemove', origin[0] + x, origin[1] + y, *then)


def screenshot():
    """The compositor's output as (width, height, rows of RGB bytes)."""
    data = subprocess.run(['import', '-silent', '-window', 'root', '-depth', '8', '-crop',
                           f'{SCREEN[0]}x{SCREEN[1]}+{origin[0]}+{origin[1]}', 'ppm:-'],
                          check=True, capture_output=True).stdout
    magic, width, height, depth, pixels = data.split(maxsplit=4)
    width, height = int(width), int(height)
    return [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def find_form(rows):
    """The window's client area as (left, top) in device pixels: the rows whose
    whole width is the form's grey bound it. None when it is not on the screen."""
    run = GREY * (FORM[0] * scale - 2)
    top = None
    for y, row in enumerate(rows):
        at = row.find(run)
        while at >= 0 and at % 3:
            at = row.find(run, at + 1)
        if at >= 0:
            if top is None:
                top = (at // 3, y)
            bottom = y
    if top is None:
        return None
    return top[0], top[1], bottom - top[1] + 1


def luminance(pixel):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in pixel)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(rows, left, top, width, height):
    """The highest contrast between any pixel of the region and its commonest colour."""
    pixels = [bytes(rows[y][x * 3:x * 3 + 3]) for y in range(top, top + height)
              for x in range(left, left + width)]
    ground = max(set(pixels), key=pixels.count)
    lg = luminance(ground)
    return max((max(luminance(p), lg) + 0.05) / (min(luminance(p), lg) + 0.05) for p in pixels)


def bar_contrasts(rows, form):
    """The own title bar's title and close mark contrasts, from the screen."""
    left, top, _ = form
    bar = OWN_BAR * scale
    title = contrast(rows, left + 2 * bar, top - bar + 2, FORM[0] * scale - 4 * bar, bar - 4)
    close = contrast(rows, left + FORM[0] * scale - bar + 4, top - bar + 4, bar - 8, bar - 8)
    return title, close


def wait_for(condition, limit=10.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if result := condition():
            return result
        time.sleep(0.2)
    return None


def form_on_screen():
    # The pointer is drawn on the screen too: moved aside, it hides no row.
    move(SCREEN[0] - 8, SCREEN[1] - 8)
    time.sleep(0.3)
    return find_form(screenshot())


def wait_for_file(path, what, log):
    if not wait_for(lambda: os.path.exists(path)):
        sys.exit(f'{what} did not start:\n' + open(log, errors='replace').read()[-3000:])


def start_mutter():
    global origin
    log = f'{work}/compositor.log'
    if '--nested' in run('mutter', '--help'):
        # Up to mutter 49: nested as a window of the X display.
        start(['mutter', '--nested', '--no-x11', '--wayland-display=wayland-quindal'], log,
              MUTTER_DEBUG_DUMMY_MODE_SPECS=f'{SCREEN[0]}x{SCREEN[1]}',
              MUTTER_DEBUG_DUMMY_MONITOR_SCALES=str(scale))
        wait_for_file(f'{runtime}/wayland-quindal', 'mutter', log)
        return
    # Since mutter 50: its development kit, whose viewer shows the output in
    # an X window, streamed through PipeWire (WirePlumber links the stream).
    viewer = '/usr/libexec/mutter-devkit'
    missing = [tool for tool in ('pipewire', 'wireplumber', viewer) if not shutil.which(tool)]
    if missing:
        sys.exit(f'MISSING: {" ".join(missing)} (install mutter-dev-bin pipewire wireplumber)')
    start(['pipewire'], f'{work}/pipewire.log')
    wait_for_file(f'{runtime}/pipewire-0', 'PipeWire', f'{work}/pipewire.log')
    start(['wireplumber'], f'{work}/wireplumber.log')
    time.sleep(1)
    start(['mutter', '--wayland', '--no-x11', '--devkit',
           f'--devkit-args=--monitor-size={SCREEN[0]}x{SCREEN[1]}',
           '--wayland-display=wayland-quindal'], log)
    wait_for_file(f'{runtime}/wayland-quindal', 'mutter', log)
    if scale != 1:
        config = 'org.gnome.Mutter.DisplayConfig'
        call = ['gdbus', 'call', '--session', '--dest', config,
                '--object-path', '/' + config.replace('.', '/'), '--method']
        # Once the viewer has added its monitor.
        state = wait_for(lambda: (found := run(*call, f'{config}.GetCurrentState'))
                         and "(('" in found and found)
        serial = re.match(r'\(uint32 (\d+),', state).group(1)
        connector = re.search(r"\(\('([^']+)'", state).group(1)
        mode = re.search(r"\('(\d+x\d+@[\d.]+)'", state).group(1)
        run(*call, f'{config}.ApplyMonitorsConfig', serial, '1',
            f"[(0, 0, {scale}.0, 0, true, [('{connector}', '{mode}', @a{{sv}} {{}})])]",
            '@a{sv} {}')
    # The output sits in the viewer's window, below its header bar and
    # centred between equal borders.
    geometry = run('xdotool', 'search', '--sync', '--name', 'Mutter Development Kit',
                   'getwindowgeometry', '--shell')
    g = {k: int(v) for k, v in re.findall(r'(\w+)=(\d+)', geometry)}
    border = (g['WIDTH'] - SCREEN[0]) // 2
    origin = (g['X'] + border, g['Y'] + g['HEIGHT'] - SCREEN[1] - border)


def start_kwin():
    # Debian's kwin_wayland carries a file capability, which a container may
    # refuse to run; a plain copy runs. Its name must stay kwin_wayland.
    kwin = os.path.join(work, 'kwin', 'kwin_wayland')
    os.makedirs(os.path.dirname(kwin))
    shutil.copy(shutil.which('kwin_wayland'), kwin)
    # KWin 6 takes its output's scale from its saved layout, not --scale
    # (which only sizes its X window): a layout of one output at that scale.
    mode = {'width': SCREEN[0], 'height': SCREEN[1], 'refreshRate': 60000}
    layout = [{'name': 'outputs', 'data': [{'connectorName': 'X11-0', 'mode': mode,
                                            'scale': scale}]},
              {'name': 'setups', 'data': [{'lidClosed': False, 'outputs': [
                  {'enabled': True, 'outputIndex': 0, 'position': {'x': 0, 'y': 0},
                   'priority': 0}]}]}]
    with open(f'{env["XDG_CONFIG_HOME"]}/kwinoutputconfig.json', 'w') as file:
        json.dump(layout, file)
    log = f'{work}/compositor.log'
    start([kwin, '--x11-display', os.environ['DISPLAY'], '--socket', 'wayland-quindal',
           '--width', '1024', '--height', '768', '--scale', str(scale)], log)
    wait_for_file(f'{runtime}/wayland-quindal', 'KWin', log)


def title_bar_buttons():
    """The own bar's buttons as a screen reader finds them on the accessibility bus of
    the test's own session: push buttons with Japanese names and a press action, which
    take no focus."""
    os.environ['DBUS_SESSION_BUS_ADDRESS'] = env['DBUS_SESSION_BUS_ADDRESS']
    import pyatspi
    def walk(node):
        yield node
        for child in node:
            yield from walk(child)
    app = wait_for(lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                                 if a and a.name == 'Quindal'), None), 10)
    buttons = {n.name: n for n in walk(app) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON} if app else {}
    for name in ('最小化', '閉じる'):
        button = buttons.get(name)
        actions = button.queryAction() if button else None
        check(f'the title bar has a push button {name} with a press action',
              actions and any(actions.getName(i) == 'Press' for i in range(actions.nActions)),
              f'{sorted(buttons)}')
        check(f'... which takes no focus', button and
              not button.getState().contains(pyatspi.STATE_FOCUSABLE))


try:
    start(['dbus-daemon', '--session', '--nofork', f'--address={env["DBUS_SESSION_BUS_ADDRESS"]}'],
          f'{work}/dbus.log')
    wait_for_file(f'{runtime}/bus', 'D-Bus', f'{work}/dbus.log')
    start_mutter() if compositor == 'mutter' else start_kwin()

    # The program, with its Wayland requests and events logged.
    window = start([program], f'{work}/program.log', QT_QPA_PLATFORM='wayland',
                   WAYLAND_DISPLAY='wayland-quindal', WAYLAND_DEBUG='client',
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
    # The scale the compositor gives the window: a fractional one where it has
    # that protocol, else its output's.
    def given_scale():
        log = open(f'{work}/program.log', errors='replace').read()
        if found := re.findall(r'preferred_scale\((\d+)\)', log):
            return round(int(found[-1]) / 120)
        if found := re.findall(r'wl_output[@#]\d+\.scale\((\d+)\)', log):
            return int(found[-1])
        return None
    given = wait_for(given_scale, 60)
    check(f'the compositor gives the window scale {scale}', given == scale, f'{given}')
    form = wait_for(form_on_screen, 30)
    if not form:
        sys.exit('the window did not appear:\n' + open(f'{work}/program.log').read()[-3000:])
    check('the window is shown at its designed size', form[2] == FORM[1] * scale, f'{form}')
    log = open(f'{work}/program.log', errors='replace').read()
    offered = 'zxdg_decoration_manager_v1' in log
    # Objects are logged as name@id, or name#id from libwayland 1.23 (Debian 13).
    granted = re.search(r'zxdg_toplevel_decoration_v1[@#]\d+\.configure\(2\)', log) is not None
    rows = screenshot()

    if compositor == 'kwin':
        check("KWin's decoration is asked for and granted", offered and granted)
        title = contrast(rows, form[0] + 40 * scale, form[1] - 24 * scale, 200 * scale,
                         20 * scale)
        check("KWin's title reads clearly", title >= 4.5, f'{title:.2f}:1')
    else:
        check("mutter offers no decoration, so the window draws its own", not offered)
        title, close = bar_contrasts(rows, form)
        check('the own bar reads as active: title', title >= 4.5, f'{title:.2f}:1')
        title_bar_buttons()
        check('the own bar reads as active: close mark', close >= 3, f'{close:.2f}:1')

    # Typing reaches the window: the year box has the focus at start.
    left, top, _ = form
    move(left + 300 * scale, top + 200 * scale)
    xdotool('type', '--delay', '60', '1984')
    x, y, w, h = (v * scale for v in NINE_STAR)
    shown = wait_for(lambda: contrast(screenshot(), left + x, top + y, w, h) >= 4.5, 10)
    check('typing reaches the window and shows its results', shown)

    if compositor == 'mutter':
        # Another window takes the focus, then a click gives it back.
        other = start([program], f'{work}/other.log', QT_QPA_PLATFORM='wayland',
                      WAYLAND_DISPLAY='wayland-quindal')
        inactive = wait_for(lambda: bar_contrasts(screenshot(), form)[0] < 3, 20)
        title, close = bar_contrasts(screenshot(), form)
        check('the own bar reads as inactive behind another window', inactive, f'{title:.2f}:1')
        # The form's top-left corner: the other window may be cascaded over the rest.
        move(left + 8 * scale, top + 8 * scale, 'click', 1)
        back = wait_for(lambda: bar_contrasts(screenshot(), form)[0] >= 4.5, 20)
        title, close = bar_contrasts(screenshot(), form)
        check('the own bar reads as active again after a click', back, f'{title:.2f}:1')
        check('the close mark reads as active again', close >= 3, f'{close:.2f}:1')
        other.terminate()
        other.wait()
        # A right click on the bar asks the compositor for its window menu
        # (GNOME Shell draws it; plain mutter has none to draw).
        move(left + 60 * scale, top - OWN_BAR * scale // 2, 'click', 3)
        asked = wait_for(lambda: re.search(r'xdg_toplevel[@#]\d+\.show_window_menu\(',
                                           open(f'{work}/program.log', errors='replace').read()), 3)
        check('a right click on the bar asks for the window menu', asked)
        xdotool('key', 'Escape')

    # Dragged by its title bar to the top edge, the bar stays on the screen.
    bar_middle = (left + FORM[0] * scale // 2, top - OWN_BAR * scale // 2)
    move(*bar_middle, 'mousedown', 1)
    time.sleep(0.3)
    for step in range(1, 11):
        move(bar_middle[0] + 10 * step, bar_middle[1] - (bar_middle[1] * step) // 10)
        time.sleep(0.1)
    time.sleep(0.3)
    xdotool('mouseup', 1)
    time.sleep(1)
    moved = form_on_screen()
    check('the title bar drags the window', moved and moved[1] < top, f'{form} to {moved}')
    check('dragged to the top edge, the title bar stays on the screen',
          moved and moved[1] >= (OWN_BAR - 4) * scale, f'{moved}')
    form = moved or form

    # A maximise attempt: the desktop's key, then a double click on the bar.
    left, top, _ = form
    move(left + 300 * scale, top + 200 * scale)
    xdotool('key', 'super+Up' if compositor == 'mutter' else 'super+Prior')
    move(left + 60 * scale, top - OWN_BAR * scale // 2, 'click', '--repeat', 2, 1)
    time.sleep(1.5)
    after = form_on_screen()
    check('a maximise attempt leaves the program running', window.poll() is None)
    check('... at its designed size', after and after[2] == FORM[1] * scale, f'{after}')

    # Closed with the desktop's own key (Alt+F4), the program ends.
    move(left + 300 * scale, top + 200 * scale, 'key', 'alt+F4')
    try:
        window.wait(3)
    except subprocess.TimeoutExpired:
        pass
    check('Alt+F4 closes the window and ends the program', window.poll() == 0, f'{window.poll()}')
finally:
    for child in reversed(children):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(child.pid, sig)
                child.wait(5)
                break
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass
    shutil.rmtree(work, ignore_errors=True)

print(f'{compositor} at scale {scale}: ' + ('all checks hold' if not failures else
                                            f'{len(failures)} failed'))
sys.exit(1 if failures else 0)
