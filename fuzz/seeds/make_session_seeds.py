#!/usr/bin/env python3
"""Writes the hand-made sessions that seed fuzz_session (see the action table at the top of
fuzz/fuzz_session.cpp). Run from this folder; the outputs are kept in session/."""

NEW, EDIT, FONT, LEFT, CENTER, IMAGE, PAGE, PRINT, ABOUT, BOX, COLOR, FILE, LINK, CLOSE = range(14)
E1, E2, E3, INSERT, ENTER, SELECT, UNSELECT, CONTINUE, CLOSE_EDITOR, PASTE_OR_DROP = range(10)
TEXT, FOLDER, BY_PASTE, BY_DROP = 0, 1, 0, 1
# picture slots: front.jpg back.bmp anim.gif icon.ico clip.wmf clip.emf notes.txt gone.jpg photo.bmp
JPG, BMP, GIF, ICO, WMF, EMF, TXT, GONE, PHOTO = range(9)
CANCEL_PICTURE = 9


PLAIN, NON_LATIN, RAW, LONG = 0, 3, 6, 7


def text(s, mode=PLAIN):
    data = s.encode('latin-1')
    return [mode, len(data)] + list(data)


def track_editor(artist, title, tracks, finish=CONTINUE):
    out = [EDIT, E3] + text(artist) + [E2] + text(title)
    for t in tracks:
        out += [E1] + text(t) + [INSERT]
    return out + [finish]


def colour(r, g, b):
    return [1, r, g, b]


sessions = {
    'typical-cover': track_editor('The Seed Players', 'First Session', ['Opening', 'Middle part', 'Coda'])
    + [IMAGE, BMP, PAGE, 1, IMAGE, JPG, FONT, 1, 30, 0] + colour(200, 0, 0)
    + [PAGE, 0, FONT, 2, 11, 1] + colour(0, 0, 90)
    + [COLOR] + colour(0, 128, 0) + [BOX, 0, BOX, 4, BOX, 4, CENTER, BOX, 3, PRINT, 1, LEFT, ABOUT, LINK, NEW],
    'hostile-files': track_editor('Artist', 'Title', ['One'])
    + [IMAGE, BMP, IMAGE, TXT, FILE, BMP, 0, 8, IMAGE, BMP, FILE, BMP, 1, 100, CENTER, IMAGE, BMP,
       FILE, BMP, 2, IMAGE, BMP, PAGE, 1, IMAGE, PHOTO, FILE, PHOTO, 1, 128, BOX, 4, IMAGE, GONE,
       FILE, GONE, 0, 9, IMAGE, GONE, IMAGE, CANCEL_PICTURE, NEW, BOX, 0, NEW],
    'print-failures': track_editor('Printer', 'Failures', ['Full disk', 'Gone folder'])
    + [IMAGE, JPG, PRINT, 2, PRINT, 3, PRINT, 4, PRINT, 5, PRINT, 0, PRINT, 1, CLOSE],
    'editor-corrections': [EDIT, E1] + text('first') + [ENTER, E1] + text('second') + [INSERT, SELECT, 0,
       E1] + text('1. corrected') + [INSERT, SELECT, 1, UNSELECT, E1] + text('third') + [ENTER, CLOSE_EDITOR,
       EDIT, E2, NON_LATIN, 40] + list(range(40)) + [E3, LONG, 5] + list(b'long ') + [CONTINUE, CENTER, BOX, 3, LEFT,
       FONT, 6, 2, 10] + list(b'Wide\x00Face') + [20, 0] + colour(1, 2, 3) + [NEW, EDIT, CONTINUE, NEW],
    'paste-and-drop': [EDIT, E1] + text('kept') + [PASTE_OR_DROP, TEXT] + text('One') + text('Two') + [BY_PASTE,
       PASTE_OR_DROP, FOLDER] + text('') + [BY_DROP, PASTE_OR_DROP, 2 + TXT] + text('') + [BY_DROP, ENTER, CONTINUE],
}

for name, actions in sessions.items():
    with open(f'session/{name}', 'wb') as f:
        f.write(bytes(actions))
