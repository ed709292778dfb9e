#!/usr/bin/python3
# What a blind user hears from the real Orca while using the window with the
# keyboard alone. Run by under_orca.sh, inside an X server and a D-Bus
# session of its own. Keys are pressed on the X server by their key codes; what
# Orca says is read from its debug log, one "SPEECH OUTPUT: '...'" line per
# utterance. Each step checks the words heard after its keys, until Orca
# falls silent. Argument: the program.
import datetime, os, re, subprocess, sys, threading, time, tty
from Xlib import X, XK, display
from Xlib.ext import xtest

program = sys.argv[1]
orca_version = int(re.search(r'\d+', subprocess.run(['orca', '--version'], capture_output=True,
                                                    text=True).stdout).group())
home = os.environ['HOME']
this_year = datetime.date.today().year
failures = []
checks = 0


def start(args, name):
    return subprocess.Popen(args, stdout=open(os.path.join(home, name + '.out'), 'w'),
                            stderr=subprocess.STDOUT)


# Orca writes its log through a buffer, which would hold back what it said
# until more had been said; written to a terminal, each line comes at once.
log, log_writer = os.openpty()
tty.setraw(log_writer)
utterances = []
# The commands Orca ran, as its log names them: by their description up to
# Orca 48 ("Handler is Speak entire document"), by their name from Orca 51
# ("COMMAND: sayAllHandler").
commands = []


def read_log():
    rest = b''
    while data := os.read(log, 1 << 16):
        *lines, rest = (rest + data).split(b'\n')
        for line in (l.decode('utf-8', 'replace') for l in lines):
            if said := re.search(r"SPEECH OUTPUT: '(.*?)'", line):
                utterances.append((time.monotonic(), said.group(1)))
            elif ran := re.search(r'(?:Handler is|COMMAND:) (\w[\w ]*?)(?: \(enabled|$)', line):
                commands.append(ran.group(1))


threading.Thread(target=read_log, daemon=True).start()


def spoken():
    return [text for _, text in utterances]


def settle(before, quiet=0.6, limit=3.0):
    """The utterances after the first `before`: from the first of them until Orca has
    been quiet for `quiet` seconds, or none when it says nothing within `limit`."""
    deadline, last, count = time.monotonic() + limit, None, len(spoken())
    while time.monotonic() < deadline:
        time.sleep(0.05)
        now = len(spoken())
        if now != count:
            count, last = now, time.monotonic()
        elif last is not None and time.monotonic() - last >= quiet:
            break
    return spoken()[before:]


def press(chord, hold=0.06):
    """A key, or a chord such as shift+Tab, pressed by its key codes and held for a
    moment, as a hand holds it: Orca 51 acts on a command once its key is up, and a
    key released at once would look to it like a new keystroke before the command it
    started. By code, a key comes without the modifiers that a tool typing its
    symbol may add (xdotool adds Alt to the keypad's + and - on Debian unstable)."""
    codes = [screen.keysym_to_keycode(XK.string_to_keysym({'shift': 'Shift_L'}.get(k, k)))
             for k in chord.split('+')]
    for code in codes:
        xtest.fake_input(screen, X.KeyPress, code)
    screen.sync()
    time.sleep(hold)
    for code in reversed(codes):
        xtest.fake_input(screen, X.KeyRelease, code)
    screen.sync()
    time.sleep(hold)


def step(what, *keys, pause=0.06):
    """Presses the keys, each held for `pause` seconds, and returns what Orca said
    after them."""
    before = len(spoken())
    for key in keys:
        press(key, pause)
    words = settle(before)
    print(f'{what}: {words}')
    return words


def check(what, ok, words):
    global checks
    checks += 1
    if not ok:
        failures.append(f'FAIL: {what}; heard {words}')


def results(words):
    # The results are told in one utterance, whichever way Orca presents it.
    return [w for w in words if '歳' in w or '星' in w]


def focus_kept(where, name):
    """Say All, then Where Am I: Orca still names the control that has the focus."""
    ran = len(commands)
    step(f'say all in {where}', 'KP_Add')
    check(f'Orca runs Say All in {where}',
          {'Speak entire document', 'sayAllHandler'} & set(commands[ran:]), commands[ran:])
    words = step(f'where am I in {where}', 'KP_Enter')
    check(f'after say all, where am I names {where}', any(w.startswith(name) for w in words),
          words)


def told_last(what, words, *expected):
    said = results(words)
    check(what, said and all(e in said[-1] for e in expected), words)


screen = display.Display()
desktop = start(['openbox'], 'openbox')
orca = start(['orca', f'--debug-file={os.ttyname(log_writer)}'], 'orca')
deadline = time.monotonic() + 30
while 'Screen reader on.' not in spoken() and time.monotonic() < deadline:
    time.sleep(0.1)
window = start([program], 'program')
try:
    # The window opens with the focus in the year box, and is a window with a title.
    words = settle(0, quiet=1.5, limit=20)
    while '年 text.' not in words and time.monotonic() < deadline + 20:
        words += settle(len(spoken()))
    # Orca 51 says a window by its title alone, no longer with its role.
    announced = 'Quindal frame' if orca_version < 51 else 'Quindal'
    check('the window is announced as a frame with its title',
          any(w.rstrip('.') == announced for w in words), words)

    # Into 西暦 by the era list, which says each entry as it is chosen.
    words = step('to the era list', 'Left')
    check('the era list says its entry when entered', any('昭和' in w for w in words), words)
    focus_kept('the era list', '昭和 combo box')
    words = step('up in the list', 'Up')
    check('Up in the era list says 平成, once', sum('平成' in w for w in words) == 1, words)
    step('up to 西暦', 'Up')
    words = step('down in the list', 'Down')
    check('Down in the era list says 平成, once', sum('平成' in w for w in words) == 1, words)
    step('up, to 西暦', 'Up')
    words = step('back to the year box', 'Return')
    check('the list leaves for the year box', any('年' in w for w in words), words)

    # Typed fast, 30 ms a key: the last results told are 1984's, once.
    age = this_year - 1984
    words = step('1984 typed fast', *'1984', pause=0.015)
    # Orca echoes a typed key with a space after it, or without (Orca 47 and later).
    typed = next(when for when, text in utterances[-len(words):] if text.strip() == '4')
    told = [when for when, text in utterances[-len(words):] if text in results(words)]
    check('results are told within half a second of the last key',
          told and told[-1] - typed < 0.5, words)
    told_last('1984 in 西暦 is told as 昭和59年, 七赤金星, 甲子 (きのえ ね) and the age', words,
              '昭和59年', '七赤金星', '甲子', 'きのえ ね', f'{age}歳')
    check('results told once for keys typed fast', len(results(words)) == 1, words)
    focus_kept('the year box', '年 text')

    # Enter selects the text: the whole year is read back.
    # Orca 47 and later leave a selection the program makes unspoken.
    if orca_version < 47:
        words = step('Enter in the year box', 'Return')
        check('the selected year is read whole', any(w.startswith('1984') for w in words), words)

    # A year typed slowly, in 平成, where it is answered as a Western year.
    step('to the era list', 'Left')
    step('down to 平成', 'Down')
    step('down to 昭和', 'Down')
    words = step('back to the year box', 'Return')
    check('the focus coming back reads the year whole, selected',
          '1984 selected.' in words or any(w.startswith('1984') and 'selected' in w for w in words),
          words)
    words = step('5 in 昭和', '5')
    told_last('昭和5 is told as 西暦1930年 with its signs and age', words,
              '西暦1930年', '七赤金星', '庚午', 'かのえ うま', f'{this_year - 1930}歳')

    # A refused entry says no result, nor does the same year again.
    step('Enter, selecting the year', 'Return')
    words = step('a letter instead', 'a')
    check('a refused entry tells no result', not results(words), words)
    words = step('5 again', '5')
    check('the same results are not told again', not results(words), words)

    # Down twice: the focus ends in the designated-year box, and Orca knows it.
    words = step('down to the this-year option', 'Down')
    check('the this-year option is said', any('今年の誕生日で' in w for w in words), words)
    focus_kept('the this-year option', '今年の誕生日で')
    words = step('down to the designated year', 'Down')
    focus_words = [w for w in words if w not in results(words)]
    check('Orca follows the focus into the designated-year box',
          any('指定年' in w for w in words) and not any('下記の年では' in w
                                                      for w in focus_words[-3:]), words)
    told_last('an age change alone tells the age', words, f'{1990 - 1930}歳')
    words = step('a designated year before the birth', '1', '9', '2', '0')
    told_last('a negative age is told with its sign', words, '-10歳')
    focus_kept('the designated-year box', '指定年')
    words = step('flat review, the line', 'KP_Up')
    check('flat review starts on the line of the focus', any('1920' in w for w in words), words)
    step('leave flat review', 'KP_Subtract')
    words = step('where am I after flat review', 'KP_Enter')
    check('after flat review, where am I names the designated-year box',
          any(w.startswith('指定年') for w in words), words)
    words = step('up, back to this year', 'Up')
    told_last('the this-year age is told again', words, f'{this_year - 1930}歳')

    # Shift+Tab to the list, and Enter back to the year box.
    step('Enter, back to the year box', 'Return')
    words = step('Shift+Tab', 'shift+Tab')
    check('Shift+Tab reaches the era list', any('昭和' in w for w in words), words)
    words = step('Enter, back again', 'Return')
    check('the year box is read whole', any(w.startswith('5') and 'selected' in w
                                            for w in words), words)

    # Orca's "read title".
    words = step('read title', 'Insert+KP_Enter')
    check('read title says the window title', any('Quindal' in w for w in words), words)

    # Flat review, top to bottom: each result beside its caption, the picture by its animal.
    # The keypad's keys with Num Lock off, as Orca's desktop layout has them.
    for _ in range(8):
        step('flat review, up a line', 'KP_Home')
    words = step('flat review, the line', 'KP_Up')
    lines = [w for w in words if w.strip() not in ('num lock on', '8')]
    for _ in range(8):
        words = step('next line', 'KP_Prior')
        lines += [w for w in words if w.strip() not in ('num lock on', '9')]
    flat = ' | '.join(lines)
    for caption, value in (('九星', '七赤金星'), ('干支', '庚午'), (str(this_year - 1930), '歳')):
        check(f'flat review reads {caption} beside {value}',
              any(re.search(re.escape(caption) + r'\s+' + re.escape(value), line) for line in lines),
              flat)
    check('flat review names the animal', any('午（うま）' in line for line in lines), flat)
finally:
    window.terminate()
    window.wait()
    for process in (orca, desktop):
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()  # Orca may wait on its speech server to say goodbye

print(''.join(f + '\n' for f in failures) + f'{checks - len(failures)} passed, {len(failures)} failed')
sys.exit(1 if failures else 0)
