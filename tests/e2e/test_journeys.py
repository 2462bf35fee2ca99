"""The teacher's main journeys, end to end on a real desktop."""
from desk import check, close_window, find, keys, type_text, wait_until, settle


def test_enter_questions_with_the_keyboard(d):
    d.bank(groups=['Matematik'])
    app = d.start()
    keys('alt+s')  # "Sorular", from the group list where the keyboard starts
    entry = app.window('Soru Gir')
    # F2, the question, Enter through the four answers, the correct letter, F5; then the next one; the keyboard
    # alone from the start to the count in the caption.
    for n, letter in ((1, 'B'), (2, 'D')):
        keys('F2')
        type_text(f'Kac eder {n} + {n}?')
        for answer in ('bir', 'iki', 'uc', 'dort'):
            keys('Return')
            type_text(f'{answer} {n}')
        keys('Return')
        type_text(letter)
        keys('F5')
        wait_until(lambda: d.q('SELECT count(*) FROM tqmaster')[0][0] == n, f'question {n} did not reach the file')
    rows = d.q('SELECT rid, question, answer1, answer2, answer3, answer4, true_answer, qgrp FROM tqmaster ORDER BY rid')
    check(rows == [(1, 'Kac eder 1 + 1?', 'bir 1', 'iki 1', 'uc 1', 'dort 1', '2', 1),
                   (2, 'Kac eder 2 + 2?', 'bir 2', 'iki 2', 'uc 2', 'dort 2', '4', 1)], f'stored: {rows}')
    close_window()  # its close box: Esc belongs to the grid there
    app.no_window('Soru Gir')
    check(entry is not None, 'entry window')
    settle()
    find(d.main, roles=('frame',), pred=lambda n: 'Soru Sayısı : 2' in (n.name or ''), timeout=5)
