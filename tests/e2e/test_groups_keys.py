"""The groups dialog, the keyboard's reach and the small things around the bank's commands, on a real desktop."""
from desk import (Desk, button, check, click, close_window, extents, find, find_all, grab, keys, menu_pick, name, role, settle,
                  showing, type_text, walk)


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
