#!/usr/bin/python3
# What a screen reader hears, read as Orca reads it: through the AT-SPI bus,
# in a private D-Bus session and an X server (see CMakeLists.txt). With 昭和
# chosen, 59 is entered through the year box's editable text, as assistive
# tools do. Every result must be heard with what it is, the era list by its
# entry, and the inputs and the picture by their names. Argument: the program.
import datetime, os, subprocess, sys, time
import pyatspi

age = str(datetime.date.today().year - 1984)
expected = [('七赤金星', '九星'), ('甲子', '干支'), ('きのえ  ね  ', '読み'), (age, '年齢'),
            ('西暦', '元号'), ('1984', '年'), ('昭和', '元号')] + [
            (name, name) for name in ('指定年', '今年の誕生日で', '下記の年では', '子（ねずみ）の絵')]

def walk(node):
    yield node
    for child in node:
        yield from walk(child)

def tree():
    for _ in range(100):
        app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == 'Quindal'), None)
        if app:
            return list(walk(app))
        time.sleep(0.1)
    sys.exit('FAIL: the program never appeared on the accessibility bus')

# The words said for a control: its name, its description, its captions.
def heard(node):
    words = {node.name, node.description}
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            words |= {relation.getTarget(i).name for i in range(relation.getNTargets())}
    return words

window = subprocess.Popen([sys.argv[1]], env=dict(os.environ, QT_QPA_PLATFORM='xcb',
                                                  QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1'))
try:
    next(n for n in tree() if n.name == '年' and n.getRoleName() == 'text').queryEditableText().setTextContents('59')
    time.sleep(0.5)
    nodes = tree()
    failed = [(r, m) for r, m in expected if not any(m in heard(n) for n in nodes if n.name == r)]
    print(''.join(f'FAIL: {r!r} is not heard as {m}\n' for r, m in failed) +
          f'{len(expected) - len(failed)} passed, {len(failed)} failed')
    sys.exit(1 if failed else 0)
finally:
    window.terminate()
    window.wait()
