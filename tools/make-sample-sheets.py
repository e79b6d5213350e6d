#!/usr/bin/env python3
"""Writes the sample sheets of resources/Sheets (run from the repository's top folder).

The welcome window copies them into a new sheet folder; "demo" shows what the program does. The
helpers also make other sheets (bench/idle.py loads this file for them)."""
import os, plistlib, shutil, datetime, sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rtfd import flatten  # noqa: E402

OUT = 'resources/Sheets'
DATE = datetime.datetime(2026, 1, 5, 9, 0, 0, tzinfo=datetime.timezone.utc)

def rtf(body, bold=False):
    text = body.replace('\\', '\\\\').replace('{', '\\{').replace('}', '\\}')
    if bold:
        text = '\\b ' + text + '\\b0 '
    return ('{\\rtf1\\ansi\\ansicpg1252\n{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n'
            '{\\colortbl;\\red255\\green255\\blue255;}\n\\pard\\pardirnatural\n\n\\f0\\fs26 \\cf0 ' + text + '}').encode()

def text(body, bold=False):
    return flatten({'TXT.rtf': rtf(body, bold)})

def array(objects):
    d = {'system.class': 'TObjectArray'}
    if objects:
        d['system.objects'] = objects
    return d

class Ids:
    def __init__(self, prefix):
        self.prefix, self.n = prefix, 0
    def __call__(self):
        self.n += 1
        return '%s-0000-4000-8000-%012X' % (self.prefix, self.n)

def row(ids, cls, body='', children=(), bold=False, **keys):
    d = {'system.class': cls, 'uuid': ids(), 'expanded': bool(children), 'columns': array([]),
         'children': array(list(children)), 'text': text(body, bold), 'rowNumbering': 0}
    d.update(keys)
    return d

def task(ids, body, completed=False, important=False, notes='', children=()):
    return row(ids, 'TTask', body, children, completed=completed, important=important, notes=notes)

def card(ids, cls, title, x, y, w, h, colour, **keys):
    uuid = ids()
    d = {'system.class': cls, 'title': title, 'uuid': uuid, 'expanded': False, 'children': array([]),
         'color.red': colour[0], 'color.green': colour[1], 'color.blue': colour[2], 'color.alpha': 1.0,
         'frame.origin.x': float(x), 'frame.origin.y': float(y), 'frame.size.width': float(w),
         'frame.size.height': float(h), 'splitViewPosition': 100, 'splitViewRestorePosition': 120,
         'miniaturized': False, 'createdDate': DATE, 'modifiedDate': DATE, 'bottomBarHidden': False,
         'theme': 'Default', 'screenRelativeFrame': False, 'floating': False, 'tabIdentifiers': [uuid],
         'selectedTabIdentifier': uuid}
    d.update(keys)
    return d

def outline(ids, cls, title, rows, geometry, colour, **keys):
    root = row(ids, 'TListItem', '', rows, rowNumbering=0, expanded=True)
    return card(ids, cls, title, *geometry, colour, root=root, **keys)

def sheet(name, prefix, cards, out=OUT):
    """Writes <out>/<name>.qxsheet from card makers (each takes the id maker); returns its path."""
    ids = Ids(prefix)
    folder = os.path.join(out, name + '.qxsheet')
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    made = [c(ids) for c in cards]
    for c in made:
        with open(os.path.join(folder, c['uuid'] + '.qxcard'), 'wb') as f:
            plistlib.dump(c, f, fmt=plistlib.FMT_XML, sort_keys=True)
    info = {'system.class': 'TSheet', 'uuid': ids(), 'cards': [c['uuid'] for c in made], 'favorite': False}
    with open(os.path.join(folder, 'info.plist'), 'wb') as f:
        plistlib.dump(info, f, fmt=plistlib.FMT_XML, sort_keys=True)
    return folder

YELLOW, BLUE, GREEN, WHITE = (1.0, 0.96, 0.62), (0.74, 0.87, 1.0), (0.78, 0.95, 0.75), (1.0, 1.0, 1.0)

if __name__ == '__main__':
    sheet('demo', 'DE30DE30', [
        lambda ids: outline(ids, 'TJobslate', 'Welcome', [
            task(ids, 'Press Return to add a task, Tab to move it in'),
            task(ids, 'Click the circle to complete a task', completed=True),
            task(ids, 'Mark a task as important', important=True),
            task(ids, 'Give a task a due date and a reminder', notes='Due dates are kept in your calendar.',
                 children=[task(ids, 'Overdue tasks are counted in the tray icon')]),
            task(ids, 'Drag rows to sort them'),
        ], (80, 420, 360, 300), YELLOW, defaultItem=2),
        lambda ids: outline(ids, 'TListCard', 'Ideas', [
            row(ids, 'TListItem', 'Lists can be numbered', rowNumbering=1, children=[
                row(ids, 'TListItem', 'First point'), row(ids, 'TListItem', 'Second point')]),
            row(ids, 'TSeperatorItem'),
            row(ids, 'TListItem', 'Drop links, files and pictures on a card', bold=True),
            row(ids, 'TURLAttachment', 'https://www.debian.org/', url='https://www.debian.org/',
                **{'imageSize.width': 16.0, 'imageSize.height': 16.0}),
        ], (480, 420, 320, 260), BLUE),
        lambda ids: card(ids, 'TMemoleaf', 'Notes', 80, 80, 360, 260, GREEN, richText=True,
                         text=text('A note card holds free text with styles, links and pictures. '
                                   'Each card keeps its own colour, theme and place on the screen.')),
    ])

    sheet('Personal', 'DE30DE31', [
        lambda ids: outline(ids, 'TJobslate', 'To Do', [
            task(ids, 'Call the garage'), task(ids, 'Pay the bills'), task(ids, 'Water the plants'),
        ], (100, 400, 320, 260), YELLOW, defaultItem=2),
        lambda ids: outline(ids, 'TListCard', 'Shopping', [
            row(ids, 'TListItem', 'Bread'), row(ids, 'TListItem', 'Milk'), row(ids, 'TListItem', 'Apples'),
        ], (460, 400, 280, 240), WHITE),
    ])
