"""The question entry window ("Soru Gir") on a real desktop: function keys with the answer list open, boxes and
where the keyboard focus goes after them, the "Soru Detay" window beside it, and what a typed question stores."""
import os
import sqlite3
import subprocess
import time

import pyatspi

from desk import (Desk, button, check, click, close_window, describe, find, has_state, keys, menu_pick, settle,
                  type_text, wait_until, walk)

# Positions in the "Soru İşlemleri" menu.
SORU_SIL, DEGISIKLIK_IPTALI, SORUGU_GOSTER, SORU_TASI, REFERANS_NO, REFERANS_NO_GIT = 3, 4, 5, 6, 7, 8


def open_entry(d, app):
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    wait_until(lambda: in_grid(app), lambda: f'the entry grid has no focus: {describe(focused(app))}')
    return entry


def menu(entry, position):
    click(button(entry, 'Soru İşlemleri'))
    menu_pick(position)


def focused(app):
    """The focused control of the active window that is on screen (a hidden tab page keeps a stale mark)."""
    for w in app.windows():
        if not has_state(w, pyatspi.STATE_ACTIVE):
            continue
        for n in walk(w):
            if n is not w and has_state(n, pyatspi.STATE_FOCUSED) and has_state(n, pyatspi.STATE_SHOWING):
                return n
    return None


def in_grid(app, grid='Sorular'):
    return f"table {grid!r}" in (describe(focused(app)) or '')


def type_question(text, answers, letter):
    """The keyboard journey of one row: the question, Enter through the answers, the correct letter."""
    type_text(text)
    for a in answers:
        keys('Return')
        type_text(a)
    keys('Return')
    type_text(letter)


def no_second_box(app, seconds=1.5):
    end = time.time() + seconds
    while time.time() < end:
        check(app._box() is None, f'a second box showed: {app.titles()}')
        time.sleep(0.1)


def test_f2_and_f5_act_with_the_answer_list_open(d):
    d.bank(groups=['Matematik'])
    app = d.start()
    open_entry(d, app)
    # The letter opens the picker's list; F5 posts the row with that letter.
    keys('F2')
    type_question('Bir', ['a1', 'b1', 'c1', 'd1'], 'c')
    keys('F5')
    wait_until(lambda: d.q('SELECT true_answer FROM tqmaster') == [('3',)], lambda: f'stored {d.q("SELECT * FROM tqmaster")}')
    # F2 with the list open: the move posts the row, the new row's question cell takes the typing.
    keys('F2')
    type_question('Iki', ['a2', 'b2', 'c2', 'd2'], 'b')
    keys('F2')
    type_text('Uc')
    keys('Return')
    type_text('a3')
    keys('Return', 'Return', 'Return', 'Return')
    type_text('d')
    keys('F5')
    wait_until(lambda: d.q('SELECT count(*) FROM tqmaster')[0][0] == 3, lambda: f'stored {d.q("SELECT * FROM tqmaster")}')
    rows = d.q('SELECT question, answer1, true_answer FROM tqmaster ORDER BY rid')
    check(rows == [('Bir', 'a1', '3'), ('Iki', 'a2', '2'), ('Uc', 'a3', '4')], f'stored: {rows}')


def test_one_f5_on_a_refused_row_shows_one_box(d):
    d.bank(groups=['Matematik'])
    app = d.start()
    open_entry(d, app)
    keys('F2')
    type_text('Cevapsiz soru')
    for where in ('question cell', 'answer cell'):
        keys('F5')
        app.answer('OK', expect_text='Doğru cevabı giriniz...')
        no_second_box(app)
        if where == 'question cell':
            keys('Return')
            type_text('bir')
    check(d.q('SELECT count(*) FROM tqmaster')[0][0] == 0, 'the refused row reached the file')


def test_a_new_question_is_stored_not_cancelled(d):
    d.bank(groups=['Matematik'])
    app = d.start()
    open_entry(d, app)
    keys('F2')
    type_question('Soru', ['a', 'b', 'c', 'd'], 'a')
    keys('Tab', 'F5')  # on the "Soru İptal" cell, left as it is
    wait_until(lambda: d.q('SELECT count(*) FROM tqmaster')[0][0] == 1, 'the question did not reach the file')
    rows = d.q('SELECT sts IS NULL, sts FROM tqmaster')
    check(rows == [(0, 0)], f'sts stored as {rows}')


def test_focus_is_back_in_the_grid_after_a_box(d):
    d.bank(groups=['Matematik', 'Fizik'], questions=Desk.questions(1, 4))
    source = os.path.join(d.folder, 'kaynak.mdb')
    d.tool('quorvel-mkdb', source)
    with sqlite3.connect(source) as c:
        c.execute("INSERT INTO tqgroup (GROUPNAME) VALUES ('Eski')")
        c.execute("INSERT INTO tqmaster (rid, qgrp, question, answer1, answer2, answer3, answer4, true_answer, sts) "
                  "VALUES (1, 1, 'Cevapsiz', 'a', 'b', 'c', 'd', '', 0)")
    app = d.start()
    entry = open_entry(d, app)

    def goes_back(what):
        wait_until(lambda: in_grid(app), lambda: f'after {what} the focus is on {describe(focused(app))}', 5)

    # "Referans No Git": the input dialog, then the row found.
    menu(entry, REFERANS_NO_GIT)
    app.window('Referans No Bul')
    type_text('2')
    keys('Return')
    goes_back('Referans No Git')
    # Typing goes into the question cell of row 2 again, and Esc asks to discard it: Yes.
    type_text('x')
    keys('Tab')
    keys('Escape')
    app.answer('Yes', expect_text='Discard changes to this record?')
    goes_back('Discard changes? Yes')
    keys('ctrl+Delete')
    app.answer('OK', expect_text='Delete record?')
    goes_back('Ctrl+Delete')
    menu(entry, SORU_SIL)
    app.answer('Yes', expect_text='Aktif soru silinecek')
    goes_back('Soru Sil')
    menu(entry, SORU_TASI)
    picker = app.window('Grup Seç')
    click(button(picker, 'Tamam'))
    app.answer('OK', expect_text='Aynı gruba veri taşınamaz.')
    goes_back('Soru Taşı')
    menu(entry, REFERANS_NO)
    app.answer('OK', expect_text='Referans Numarası')
    goes_back('Aktif Soru Referans Numarası')
    # The "Text" editor, closed without a change.
    keys('ctrl+Home')
    cell = find(entry, roles=('table cell',), pred=lambda n: n.name.startswith('Soru 1') or 'Soru 1' in n.name)
    click(cell, double=True)
    app.window('Text')
    close_window()
    app.no_window('Text')
    goes_back('the Text editor')
    # A refused import: the copy stops at the question without a correct answer.
    click(find(entry, roles=('push button',), pred=lambda n: n.name.lower() == 'veri al'))
    imp = app.window('Data Import')
    click(button(imp, 'Dosya Belirle'))
    app.window(None, roles=('dialog', 'file chooser'), timeout=10)
    settle(0.5)
    type_text(source)
    keys('Return')
    find(imp, roles=('table cell',), pred=lambda n: 'Cevapsiz' in n.name, timeout=10)
    click(button(imp, 'Aktar'))
    app.answer('OK', expect_text='Doğru cevabı giriniz...')
    goes_back('a refused import')
    # After all that the typing still lands in a cell: the first question changes.
    menu(entry, DEGISIKLIK_IPTALI)  # the refused copy's row
    goes_back('Değişiklik İptali')
    keys('ctrl+Home')
    type_text('Yeni')
    keys('F5')
    changed = "SELECT count(*) FROM tqmaster WHERE rid = 1 AND question || answer1 LIKE '%Yeni%'"
    wait_until(lambda: d.q(changed) == [(1,)],
               lambda: f'typing went elsewhere: {d.q("SELECT rid, question, answer1 FROM tqmaster")}')


def test_focus_is_back_in_the_exam_grid_after_discard(d):
    d.bank(groups=['Matematik'], exams=[('Vize', '1', 0), ('Final', '2', 0)])
    app = d.start()
    click(find(d.main, 'Sınav İşlemleri', roles=('page tab',)))
    grid = find(d.main, 'Sınavlar', roles=('table',))
    click(find_cell(grid, 'Vize'))
    type_text('Ara')
    keys('Escape')  # the cell shows the field again
    type_text('Ara')
    keys('Return')  # written into the field: the row has changes, the editor closes
    keys('F2')  # open again: Esc then asks, and the editor closes under the box
    keys('Escape')
    app.answer('Yes', expect_text='Discard changes to this record?')
    wait_until(lambda: in_grid(app, 'Sınavlar'), lambda: f'the focus is on {describe(focused(app))}', 5)


def find_cell(grid, text):
    for i in range(grid.childCount):
        c = grid.getChildAtIndex(i)
        if c is not None and text in (c.name or ''):
            return c
    return None


def window_ids(title):
    r = subprocess.run(['xdotool', 'search', '--name', f'^{title}$'], capture_output=True, text=True)
    return [int(x) for x in r.stdout.split()]


def stacking():
    out = subprocess.run(['xprop', '-root', '_NET_CLIENT_LIST_STACKING'], capture_output=True, text=True).stdout
    return [int(x.strip(), 16) for x in out.split('#', 1)[1].split(',')] if '#' in out else []


def above(upper, lower):
    """Whether a window titled upper is stacked above every window titled lower."""
    order = stacking()
    up = [order.index(w) for w in window_ids(upper) if w in order]
    low = [order.index(w) for w in window_ids(lower) if w in order]
    return bool(up and low) and max(up) > max(low)


def test_soru_detay_beside_the_entry_window(d):
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 2))
    app = d.start()
    entry = open_entry(d, app)
    # Typing in "Soru Detay" edits the question; Kaydet posts and closes.
    menu(entry, SORUGU_GOSTER)
    detail = app.window('Soru Detay')
    memo = find(detail, 'Soru', roles=('text',))
    click(memo)
    keys('ctrl+a')
    type_text('Degisti')
    click(button(detail, 'Kaydet'))
    app.no_window('Soru Detay')
    check(d.q('SELECT question FROM tqmaster WHERE rid = 2') == [('Degisti',)],
          f'stored: {d.q("SELECT rid, question FROM tqmaster")}')
    # Vazgeç closes it; so does its close box.
    for how in ('Vazgeç', 'close box'):
        menu(entry, SORUGU_GOSTER)
        detail = app.window('Soru Detay')
        if how == 'Vazgeç':
            click(button(detail, 'Vazgeç'))
        else:
            wait_until(lambda: 'Soru Detay' in (describe(focused(app)) or ''),
                       'Soru Detay did not take the focus')
            close_window()
        app.no_window('Soru Detay')
    # A box raised meanwhile shows above it.
    menu(entry, SORUGU_GOSTER)
    app.window('Soru Detay')
    click(entry, dy=-100)
    menu(entry, REFERANS_NO)
    app.alert()
    wait_until(lambda: above('Information', 'Soru Detay'), 'the box is under "Soru Detay"', 5)
    app.answer('OK')
    # It goes when the entry window closes.
    click(find(entry, roles=('table',)), dy=-60)
    close_window()
    app.no_window('Soru Gir')
    app.no_window('Soru Detay')
