"""The groups dialog, the keyboard's reach and the small things around the bank's commands, on a real desktop."""
from desk import button, check, click, close_window, keys, menu_pick, settle, type_text, wait_until


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
