"""Importing a group of another bank through the entry window's "Veri al", the file chosen in Qt's own file
dialog with the keyboard."""
import os
import sqlite3

from desk import button, check, click, find, keys, name, plain, role, settle, type_text, wait_until, walk


def other_bank(d):
    """Another bank in a folder of its own: groups Tarih and Fizik; Fizik has three questions, one cancelled."""
    folder = os.path.join(d.folder, 'diger')
    os.makedirs(folder)
    path = os.path.join(folder, 'Eski.mdb')
    d.tool('quorvel-mkdb', path)
    with sqlite3.connect(path) as c:
        c.executemany('INSERT INTO tqgroup (GROUPNAME) VALUES (?)', [('Tarih',), ('Fizik',)])
        c.executemany('INSERT INTO tqmaster (rid, qgrp, question, answer1, answer2, answer3, answer4, true_answer, sts) '
                      'VALUES (?,?,?,?,?,?,?,?,?)',
                      [(1, 1, 'Tarih 1', 'a', 'b', 'c', 'd', '1', 0),
                       (5, 2, 'Fizik 5', 'a5', 'b5', 'c5', 'd5', '2', 0),
                       (6, 2, 'Fizik 6', 'a6', 'b6', 'c6', 'd6', '3', 0),
                       (7, 2, 'Fizik 7', 'a7', 'b7', 'c7', 'd7', '4', 1)])
    return path


def import_button(entry):
    return find(entry, roles=('push button',), pred=lambda n: name(n).lower() == 'veri al')


def file_dialog(app):
    return wait_until(lambda: next((w for w in reversed(app.windows())
                                    if role(w) == 'dialog' and name(w) not in ('Soru Gir', 'Data Import')), None),
                      lambda: f'no file dialog: {app.titles()}')


def choose(app, path):
    file_dialog(app)
    settle(0.5)
    type_text(path)
    keys('Return')


def test_import_a_group_from_another_bank(d):
    source = other_bank(d)
    d.bank(groups=['Mat'], questions=[(1, 1, 'Mat 1', 'a', 'b', 'c', 'd', '1', 0),
                                      (2, 1, 'Mat 2', 'a', 'b', 'c', 'd', '2', 0)])
    app = d.start()
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    click(button(entry, 'Veri al'))  # a screen reader names it by its caption
    imp = app.window('Data Import')
    click(button(imp, 'Dosya Belirle'))
    choose(app, source)
    click(find(imp, 'Fizik', ('table cell',)))
    find(imp, 'Fizik 6', ('table cell',))
    click(button(imp, 'Aktar'))
    app.no_window('Data Import')
    wait_until(lambda: d.q('SELECT count(*) FROM tqmaster')[0][0] == 5, 'the group did not arrive')
    rows = d.q('SELECT rid, qgrp, question, answer1, true_answer, sts FROM tqmaster WHERE rid > 2 ORDER BY rid')
    check(rows == [(3, 1, 'Fizik 5', 'a5', '2', 0), (4, 1, 'Fizik 6', 'a6', '3', 0), (5, 1, 'Fizik 7', 'a7', '4', 1)],
          f'imported: {rows}')


def test_qt_dialogs_speak_turkish_and_start_at_home(d):
    source = other_bank(d)
    d.bank(groups=['Mat'])
    app = d.start()
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    click(import_button(entry))
    imp = app.window('Data Import')

    def folder_shown():
        w = file_dialog(app)
        check(name(w) == 'Aç', f'the file dialog is called {name(w)!r}')
        buttons = {plain(name(b)) for b in walk(w) if role(b) == 'push button'}
        check({'Aç', 'İptal'} <= buttons, f'buttons: {buttons}')
        return name(find(w, roles=('combo box',), pred=lambda n: name(n).startswith('/')))

    click(button(imp, 'Dosya Belirle'))
    shown = folder_shown()
    check(shown == os.environ['HOME'], f'the first file dialog opens at {shown!r}')
    keys('Escape')
    settle(0.5)
    click(button(imp, 'Dosya Belirle'))
    choose(app, source)
    find(imp, 'Fizik', ('table cell',))
    click(button(imp, 'Dosya Belirle'))
    shown = folder_shown()
    check(shown == os.path.dirname(source), f'the file dialog does not open at the last folder: {shown!r}')
    keys('Escape')
