"""Exams on a real desktop: filling an exam from the bank in "Soru Ekle", and its question list under the
expanded exam row on the exam tab."""
from desk import (Desk, button, check, click, click_at, close_window, extents, find, find_all, keys, name,
                  showing, text_of, type_text, wait_until)

EXAMS_GRID = 'Sınavlar'
LIST_GRID = 'Sınav Soruları'
ADD_EXAMS_GRID = 'Soru Eklenecek Sınavı Seçiniz'


def exam_tab(d):
    click(button(d.main, 'Sınav İşlemleri'))
    return find(d.main, EXAMS_GRID, ('table',))


def cell(grid, text, timeout=5.0):
    return find(grid, text, ('table cell',), timeout=timeout)


def click_sign(grid, exam_name):
    """Clicks the plus or minus sign in the ID cell of the exam row named exam_name: the cell left of the
    name, its sign in the row's top part, at the cell's left."""
    named = cell(grid, exam_name)
    nx, ny, nw, nh = extents(named)
    ids = [c for c in find_all(grid, roles=('table cell',))
           if showing(c) and extents(c)[1] == ny and extents(c)[0] < nx]
    check(ids, f'no ID cell beside {exam_name!r}')
    x, y, w, h = extents(max(ids, key=lambda c: extents(c)[0]))
    top_part = row_height(grid)
    click_at(x + 7, y + min(h, top_part) // 2)


def row_height(grid):
    """The height of a collapsed exam row: the smallest row height shown."""
    return min(extents(c)[3] for c in find_all(grid, roles=('table cell',)) if showing(c) and extents(c)[3] > 0)


def exam_list(d, shown=True):
    """The exam question list once it shows (shown) or once it is gone (not shown)."""
    if not shown:
        wait_until(lambda: not any(showing(g) for g in find_all(d.main, LIST_GRID, ('table',))),
                   'the exam question list is still shown')
        return None
    grid = find(d.main, LIST_GRID, ('table',))
    wait_until(lambda: showing(grid), 'the exam question list is not shown')
    return grid


def entries(d, exam):
    return [r[0] for r in d.q('SELECT question_id FROM qquestion WHERE group_id = ? ORDER BY qqID', exam)]


def counter(window):
    """What the added-questions counter shows."""
    return wait_until(lambda: next((name(n) for n in find_all(window, roles=('label',))
                                    if name(n).endswith(' Soru Eklendi')), None), 'no counter in the window')


def open_add_window(d, app):
    click(button(d.main, 'Sınava Soru Ekle'))
    return app.window('Soru Ekle')


def test_build_an_exam_from_a_group_and_reorder_it(d: Desk):
    d.bank(groups=['Tarih', 'Coğrafya'], questions=d.questions(1, 3) + d.questions(2, 2, first_rid=4),
           exams=[('Vize', 'gizli', 0)])
    app = d.start()
    grid = exam_tab(d)
    add = open_add_window(d, app)
    click(button(add, 'Grubu Aktar'))
    app.answer('Yes', expect_text='Tarih >> Vize')
    wait_until(lambda: counter(add) == '3 Soru Eklendi', lambda: f'counter shows {counter(add)!r}')
    check(entries(d, 1) == [1, 2, 3], f'Vize holds {entries(d, 1)}')
    keys('Escape')
    app.no_window('Soru Ekle')
    find(d.main, roles=('frame',), pred=lambda n: 'Soru Sayısı : 3' in name(n))

    click_sign(grid, 'Vize')
    exam_list(d)
    click(button(d.main, 'Aşağıya Taşı'))  # the first entry goes down one place
    wait_until(lambda: entries(d, 1) == [2, 1, 3], lambda: f'after a move down Vize holds {entries(d, 1)}')
    click(button(d.main, '>'))  # the last entry goes up one place
    click(button(d.main, 'Yukarıya Taşı'))
    wait_until(lambda: entries(d, 1) == [2, 3, 1], lambda: f'after a move up Vize holds {entries(d, 1)}')
    click(button(d.main, 'Yukarıya Taşı'))  # the moved entry is still the current one
    wait_until(lambda: entries(d, 1) == [3, 2, 1], lambda: f'after a second move up Vize holds {entries(d, 1)}')
    keys_ = d.q('SELECT qqID FROM qquestion ORDER BY qqID')
    check([k for (k,) in keys_] == [1, 2, 3], f'ordering keys {keys_}')


def test_a_running_transfer_cannot_be_closed_nor_sent_elsewhere(d: Desk):
    d.bank(groups=['Büyük'], questions=d.questions(1, 1000), exams=[('Vize', '', 0), ('Final', '', 0)])
    app = d.start()
    exam_tab(d)
    add = open_add_window(d, app)
    final = cell(find(add, ADD_EXAMS_GRID, ('table',)), 'Final')  # found now: the tree is slow during the run
    click(button(add, 'Grubu Aktar'))
    app.answer('Yes', expect_text='Büyük >> Vize')
    count = lambda: d.q('SELECT count(*) FROM qquestion')[0][0]

    def goes_on(after):
        wait_until(lambda: count() > after + 10, 'the transfer does not go on', timeout=30)
        check(count() < 1000, 'the transfer ended before the test could try to close its window')

    goes_on(0)
    for close in (lambda: keys('Escape'), close_window):
        before = count()
        close()
        goes_on(before)
        check(showing(add) and add in app.windows(), f'"Soru Ekle" closed while its transfer ran: {app.titles()}')
    # Another exam chosen meanwhile gets nothing: the teacher confirmed Vize.
    click(final)
    check(count() < 1000, 'the transfer ended before the test could choose another exam')
    wait_until(lambda: count() == 1000, lambda: f'{count()} entries after the transfer', timeout=240, step=1)
    by_exam = d.q('SELECT group_id, count(*) FROM qquestion GROUP BY group_id')
    check(by_exam == [(1, 1000)], f'entries by exam: {by_exam}')
    wait_until(lambda: counter(add) == '1000 Soru Eklendi', lambda: f'counter shows {counter(add)!r}')
    # Once the run has ended (the question list is back), the close box closes the window again.
    wait_until(lambda: showing(find(add, 'Bankadaki Sorular', ('table',))), 'the question list did not come back')
    close_window()
    app.no_window('Soru Ekle')


def test_no_entries_for_an_exam_that_was_never_saved(d: Desk):
    d.bank(groups=['Tarih'], questions=d.questions(1, 2), exams=[('Vize', '', 0)])
    # The file refuses the new exam as a locked file would.
    d.q('CREATE TRIGGER refuse BEFORE INSERT ON qgroup BEGIN SELECT RAISE(ABORT, \'database is locked\'); END')
    app = d.start()
    exam_tab(d)
    click(button(d.main, 'Yeni Sınav'))
    new = app.window('Yeni Sınav')
    type_text('Final')
    click(button(new, 'Oluştur'))
    app.answer('OK', expect_text='locked')
    add = open_add_window(d, app)
    for command in ('Aktif Soruyu Aktar', 'Grubu Aktar'):
        click(button(add, command))
        app.answer('OK', expect_text='kaydedilmemiş')
        app.no_alert()
    check(d.q('SELECT count(*) FROM qquestion')[0][0] == 0, f'entries: {d.q("SELECT * FROM qquestion")}')
    log = find(add, 'Aktarım Kaydı', ('text',))
    check('Aktarıldı' not in text_of(log), f'the log says {text_of(log)!r}')


def test_counter_resets_on_a_double_click(d: Desk):
    d.bank(groups=['Tarih'], questions=d.questions(1, 3), exams=[('Vize', '', 0)])
    app = d.start()
    exam_tab(d)
    add = open_add_window(d, app)
    click(button(add, 'Aktif Soruyu Aktar'))
    wait_until(lambda: counter(add) == '1 Soru Eklendi', lambda: f'counter shows {counter(add)!r}')
    where = extents(add)
    label = find(add, '1 Soru Eklendi', ('label',))
    click(label, double=True)
    wait_until(lambda: counter(add) == '0 Soru Eklendi', lambda: f'after a double-click the counter shows {counter(add)!r}')
    check(extents(add)[:2] == where[:2], f'the window moved from {where} to {extents(add)}')
    # The window still takes clicks: the pointer is nobody's.
    click(button(add, 'Aktif Soruyu Aktar'))
    wait_until(lambda: counter(add) == '0 Soru Eklendi' and d.q('SELECT count(*) FROM qquestion')[0][0] == 1,
               'a second transfer of the same question added something')


def test_expanding_the_last_exam_shows_its_list(d: Desk):
    exams = [(f'Sınav {n:02}', '', 0) for n in range(1, 41)]
    d.bank(groups=['Tarih'], questions=d.questions(1, 4), exams=exams,
           entries=[(n, 40, n) for n in range(1, 5)])
    d.start()
    grid = exam_tab(d)
    click(cell(grid, 'Sınav 01'))
    keys('Escape', 'ctrl+End')
    wait_until(lambda: showing(cell(grid, 'Sınav 40')), 'the last exam is not in sight')
    click_sign(grid, 'Sınav 40')
    lst = exam_list(d)
    _, gy, _, gh = extents(grid)
    wait_until(lambda: extents(lst)[1] + extents(lst)[3] <= gy + gh,
               lambda: f'the list {extents(lst)} reaches below the exam grid {extents(grid)}')
    last = cell(lst, 'Soru 4')
    _, ly, _, lh = extents(last)
    check(ly + lh <= gy + gh, f'the last entry {extents(last)} is below the exam grid {extents(grid)}')


def test_expanded_list_fits_its_rows_and_answers_the_keys(d: Desk):
    d.bank(groups=['Tarih'], questions=d.questions(1, 4), exams=[('Vize', '', 0), ('Final', '', 0)],
           entries=[(1, 1, 1)])
    app = d.start()
    grid = exam_tab(d)
    click_sign(grid, 'Vize')
    lst = exam_list(d)
    # The list lies below the exam's own row: its name stays readable.
    name_cell = cell(grid, 'Vize')
    top = extents(lst)[1]
    check(top >= extents(name_cell)[1] + row_height(grid) - 1,
          f'the list at {extents(lst)} covers the name cell {extents(name_cell)} (rows {row_height(grid)} high)')

    add = open_add_window(d, app)
    click(button(add, 'Grubu Aktar'))
    app.answer('Yes')
    wait_until(lambda: counter(add) == '3 Soru Eklendi', lambda: f'counter shows {counter(add)!r}')
    keys('Escape')
    app.no_window('Soru Ekle')
    lst = exam_list(d)

    def all_rows_seen():
        x, y, w, h = extents(lst)
        cy = extents(cell(lst, 'Soru 4', timeout=0.5))
        return cy[1] >= y and cy[1] + cy[3] <= y + h
    wait_until(all_rows_seen, lambda: f'the list {extents(lst)} does not show its fourth row')

    # Ctrl+Left from inside the list closes it; Ctrl+Right opens it again.
    click(cell(lst, 'Soru 2'))
    keys('ctrl+Left')
    exam_list(d, shown=False)
    keys('ctrl+Right')
    exam_list(d, shown=True)
