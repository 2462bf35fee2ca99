"""The groups dialog, the keyboard's reach and the small things around the bank's commands, on a real desktop."""
import os
import subprocess

from desk import (Desk, button, check, click, close_window, describe, extents, find, find_all, grab, keys, menu_pick, name,
                  role, settle, showing, type_text, wait_until, walk)


def open_groups_dialog(d, app):
    click(button(d.main, 'Grup İşlemleri'))
    menu_pick(1)  # "Soru Grupları"
    return app.window('Soru Grupları')


def test_groups_dialog_keeps_a_name_typed_before_its_close_box(d):
    # A new group named, and an old one renamed, each closed with the close box while the name is still in the
    # cell: closing the program saves it.
    for new_row, typed, expected in ((True, 'Fizik', ['Eski', 'Fizik']), (False, 'Kimya', ['Kimya'])):
        d.bank(groups=['Eski'])
        app = d.start()
        dialog = open_groups_dialog(d, app)
        if new_row:
            click(button(dialog, 'Yeni Grup'))
        type_text(typed)
        close_window()
        app.no_window('Soru Grupları')
        settle()
        close_window()
        d.wait_exit()
        names = [r[0] for r in d.q('SELECT GROUPNAME FROM tqgroup ORDER BY ID')]
        check(names == expected, f'typed {typed!r} (new row: {new_row}); the file holds {names}')


def inked(pixels, columns):
    """Whether dark text shows in any of the columns of a grabbed rectangle."""
    return any(sum(row[c]) < 3 * 90 for row in pixels for c in columns)


def cut_captions(window, labels=()):
    """The push buttons of a window, and the labels named, whose caption is cut off at the right: seen on the
    screen, its dark text runs into the button's edge where its contents end, or into the label's last columns
    (a label sized to its text ends with its text: those are checked otherwise)."""
    out = []
    for n in walk(window):
        if not showing(n) or not name(n) or not (role(n) == 'push button' or role(n) == 'label' and name(n) in labels):
            continue
        x, y, w, h = extents(n)
        if role(n) == 'label':
            if inked(grab(x, y, w, h), (w - 2, w - 1)):
                out.append(name(n))
        elif inked(grab(x, y + 4, w, h - 8), (3, 4, w - 5, w - 4)):  # the caption's band, without the corners
            out.append(name(n))
    return out


def test_captions_fit_their_controls(d):
    # The new-exam window's captions, the add-questions window's (its counter once it has two digits), the
    # import window's.
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 49), exams=[('Vize', '', 0)])
    app = d.start()
    keys('ctrl+Tab')  # the exam tab
    click(button(d.main, 'Yeni Sınav'))
    new_exam = app.window('Yeni Sınav')
    fixed = ('Sınav Adı', 'Sınav Şifresi')
    check(not cut_captions(new_exam, fixed), f'cut captions in "Yeni Sınav": {cut_captions(new_exam, fixed)}')
    click(button(new_exam, 'Vazgeç'))
    app.no_window('Yeni Sınav')
    click(button(d.main, 'Sınava Soru Ekle'))
    add = app.window('Soru Ekle')
    width_at_zero = extents(find(add, '0 Soru Eklendi', ('label',)))[2]
    click(button(add, 'Grubu Aktar'))
    app.answer('Yes')
    counter = find(add, '49 Soru Eklendi', ('label',), timeout=30)
    check(extents(counter)[2] > width_at_zero, f'the counter kept its width for one digit: {extents(counter)}')
    check(not cut_captions(add), f'cut captions in "Soru Ekle": {cut_captions(add)}')
    close_window()
    app.no_window('Soru Ekle')
    # The import window, opened from the entry window.
    keys('ctrl+Tab')
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    click(find(entry, roles=('push button',), pred=lambda n: name(n).lower() == 'veri al'))
    importer = app.window('Data Import')
    check(not cut_captions(importer), f'cut captions in "Data Import": {cut_captions(importer)}')


def test_commands_are_reached_with_alt_and_a_letter(d):
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 2), exams=[('Vize', '', 0)])
    app = d.start()
    # Screen readers hear the caption as it reads, without the mnemonic's mark.
    for label in ('Sorular', 'Grup İşlemleri', 'Sınava Soru Ekle', 'Yazdır'):
        check(find_all(d.main, roles=('push button',), pred=lambda n, label=label: name(n) == label),
              f'no command named exactly {label!r}')
    # Bank tab: the entry window, and in it the import window; then the groups dialog through its menu.
    keys('alt+s')
    entry = app.window('Soru Gir')
    keys('alt+v')
    app.window('Data Import')
    close_window()
    app.no_window('Data Import')
    close_window()
    app.no_window('Soru Gir')
    keys('alt+g')
    menu_pick(1)
    app.window('Soru Grupları')
    close_window()
    app.no_window('Soru Grupları')
    # Exam tab: a new exam, then the add-questions window.
    keys('ctrl+Tab')
    keys('alt+n')
    new_exam = app.window('Yeni Sınav')
    click(button(new_exam, 'Vazgeç'))
    app.no_window('Yeni Sınav')
    keys('alt+e')
    app.window('Soru Ekle')
    close_window()
    app.no_window('Soru Ekle')
    check(entry is not None, 'entry window')


def test_bulk_passive_counts_groups_that_exist(d):
    # Two questions of a group, three left behind by a deleted group: all five change, in one group.
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 2) + Desk.questions(2, 3, first_rid=3))
    d.start()
    click(button(d.main, 'Grup İşlemleri'))
    menu_pick(2)  # "Tüm Sorular Pasif"
    _, texts = d.app.answer('No')
    text = ' '.join(texts)
    check('1 gruptaki 2 soru' in text and '3 soru' in text, f'the question says: {text!r}')


def test_caption_after_groups_are_added_to_an_empty_bank(d):
    d.bank()
    app = d.start()
    click(button(d.main, 'Sorular'))
    app.answer('OK', expect_text='Tanımlı Grup Bulunamadı.')
    dialog = app.window('Soru Grupları')
    click(button(dialog, 'Yeni Grup'))
    type_text('Fizik')
    click(button(dialog, 'Kaydet'))
    wait_until(lambda: d.q('SELECT GROUPNAME FROM tqgroup') == [('Fizik',)], 'the group was not saved')
    close_window()
    app.no_window('Soru Grupları')
    wait_until(lambda: '"Fizik" Soru Sayısı : 0' in name(d.main),
               lambda: f'the caption reads {name(d.main)!r}')


def test_shift_tab_on_the_first_cell_goes_to_the_last_cell_of_the_row_above(d):
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 2))
    app = d.start()
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    grid = find(entry, 'Sorular', ('table',))
    click(find(grid, 'Soru 2 a', ('table cell',)))
    keys('shift+Tab')  # the first cell of the row: its question
    keys('shift+Tab')
    # The last cell of the first row is its cancelled mark; Space there ticks it, and posting keeps it.
    keys('space', 'F5')
    wait_until(lambda: d.q('SELECT rid, sts FROM tqmaster ORDER BY rid') == [(1, 1), (2, 0)],
               lambda: f'marks: {d.q("SELECT rid, sts FROM tqmaster ORDER BY rid")}; focus: {describe(app.focused())}')


def test_text_editor_outer_size(d):
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 1))
    app = d.start()
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    cell = find(find(entry, 'Sorular', ('table',)), 'Soru 1', ('table cell',))
    click(cell)
    click(cell, double=True)
    app.window('Text')
    ids = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', '^Text$'], capture_output=True,
                         text=True).stdout.split()
    check(len(ids) == 1, f'windows named Text: {ids}')
    geometry = subprocess.run(['xdotool', 'getwindowgeometry', '--shell', ids[0]], capture_output=True,
                              text=True).stdout
    size = dict(line.split('=') for line in geometry.split())
    extents_line = subprocess.run(['xprop', '-id', ids[0], '_NET_FRAME_EXTENTS'], capture_output=True,
                                  text=True).stdout
    left, right, top, bottom = (int(v) for v in extents_line.split('=')[1].split(','))
    outer = (int(size['WIDTH']) + left + right, int(size['HEIGHT']) + top + bottom)
    check(outer == (610, 455), f'the editor is {outer} with its frame ({size["WIDTH"]} x {size["HEIGHT"]} inside)')


TOOLS = ('quorvel-mkdb', 'quorvel-migrate', 'quorvel-rtf-text', 'quorvel-screenshot')


def test_tools_print_their_usage_and_take_no_option_for_a_file(d):
    # No program window: the command-line tools alone, in an empty folder.
    for tool in TOOLS:
        exe = os.path.join(d.build, tool)
        if not os.path.exists(exe):
            continue
        for args, usage_ok in ((['--help'], True), (['-h'], True), (['--helpp'], False), (['-x', 'b.mdb'], False),
                               (['--sample', '--help'], True)):
            run = subprocess.run([exe, *args], cwd=d.folder, capture_output=True, text=True, timeout=60,
                                 env={**os.environ, 'QT_QPA_PLATFORM': 'offscreen'})
            made = sorted(set(os.listdir(d.folder)) - {'app.log'})
            check(not made, f'{tool} {args} made {made}')
            if usage_ok:
                check(run.returncode == 0 and tool in run.stdout,
                      f'{tool} {args}: {run.returncode}, out {run.stdout!r}, err {run.stderr!r}')
            else:
                check(run.returncode != 0 and tool in run.stderr,
                      f'{tool} {args}: {run.returncode}, out {run.stdout!r}, err {run.stderr!r}')


def ink_box(pixels):
    """Where the text lies in a grabbed cell: (left, top) of the pixels far from the cell's most common colour,
    leaving out the caret (the rightmost columns of ink)."""
    counts = {}
    for row in pixels:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    ground = max(counts, key=counts.get)
    ink = [(x, y) for y, row in enumerate(pixels) for x, p in enumerate(row)
           if sum(abs(a - b) for a, b in zip(p, ground)) > 200]
    if not ink:
        return None
    right = max(x for x, _ in ink)
    glyphs = [(x, y) for x, y in ink if x < right - 2]
    return min(x for x, _ in glyphs), min(y for _, y in glyphs)


def test_answer_editor_draws_its_text_where_the_cell_did(d):
    d.bank(groups=['Matematik'], questions=Desk.questions(1, 1))
    app = d.start()
    click(button(d.main, 'Sorular'))
    entry = app.window('Soru Gir')
    grid = find(entry, 'Sorular', ('table',))
    cell = find(grid, 'Soru 1 a', ('table cell',))
    click(find(grid, 'Soru 1 b', ('table cell',)))
    x, y, w, h = extents(cell)
    painted = ink_box(grab(x, y, w, h))
    keys('shift+Tab', 'End')  # the answer's editor, its text no longer selected
    wait_until(lambda: "'Soru 1 a'" in describe(app.focused()), lambda: f'focus: {describe(app.focused())}')
    settle(0.5)
    edited = ink_box(grab(x, y, w, h))
    check(painted is not None and edited == painted, f'text at {painted} in the cell, at {edited} in its editor')
