"""Printing an exam: the "Yazdır" dialog as a teacher and a screen reader meet it, the booklets it writes (read
back with pdftotext), and the question detail dialog of the exam tab."""
import os
import subprocess

from desk import Desk, button, check, click, find, keys, settle, text_of, type_text, wait_until

FIELDS = ('Okul Adı', 'Sınav Başlığı', 'Tarih', 'Süre', 'Tohum')


def exam_bank(d, questions):
    """One group holding the questions (rid, text, a1..a4, correct) and one exam "Deneme" holding them all."""
    rows = [(rid, 1, text, *answers, correct, 0) for rid, text, answers, correct in questions]
    d.bank(groups=['Fen'], questions=rows, exams=[('Deneme', 'x', 0)],
           entries=[(k + 1, 1, r[0]) for k, r in enumerate(rows)])


def plain_questions(count):
    return [(i, f'Soru {i}', (f'S{i} a', f'S{i} b', f'S{i} c', f'S{i} d'), str(i % 4 + 1)) for i in range(1, count + 1)]


def open_print(d, app):
    click(find(d.main, 'Sınav İşlemleri', ('page tab',)))
    click(button(d.main, 'Yazdır'))
    return app.window('Sınavı Yazdır')


def field(w, label):
    """A field of the print dialog, found as a screen reader finds it: a text field named by its label."""
    return find(w, label, ('text',))


def fill(w, label, value):
    click(field(w, label))
    keys('ctrl+a')
    type_text(value)
    wait_until(lambda: text_of(field(w, label)) == value, f'{label} does not read {value!r}')


def set_booklets(w, count):
    click(find(w, 'Kitapçık Sayısı', ('spin button',)))
    keys('ctrl+a')
    type_text(str(count))
    keys('Tab')


def save_pdf(app, w, path):
    """"PDF olarak kaydet", the path typed into the file dialog; returns the box that answers it (not yet closed)."""
    click(button(w, 'PDF olarak kaydet'))
    app.window('PDF olarak kaydet')
    settle(0.5)
    keys('ctrl+a')
    type_text(path)
    keys('Return')
    return app.alert(timeout=30)


def pdf_text(path):
    r = subprocess.run(['pdftotext', '-layout', '-enc', 'UTF-8', path, '-'], capture_output=True, text=True)
    check(r.returncode == 0, f'pdftotext {path}: {r.stderr}')
    return r.stdout


def test_print_an_exam_to_pdf(d):
    exam_bank(d, plain_questions(6))
    app = d.start()
    w = open_print(d, app)
    for label in FIELDS:
        field(w, label)  # each shows under its label, as a text field
    check(text_of(field(w, 'Sınav Başlığı')) == 'Deneme', 'the title is not the exam name')
    fill(w, 'Okul Adı', 'Cumhuriyet Ortaokulu')
    fill(w, 'Süre', '40 dakika')
    fill(w, 'Tohum', '4242')
    set_booklets(w, 2)
    out = os.path.join(d.folder, 'cikti')
    os.makedirs(out)
    _, _, texts, _ = save_pdf(app, w, os.path.join(out, 'Deneme.pdf'))
    check(any('Deneme_B.pdf' in t and 'Deneme_CevapAnahtari.csv' in t for t in texts), f'the box says {texts}')
    app.answer('OK')
    check(sorted(os.listdir(out)) == ['Deneme_A.pdf', 'Deneme_B.pdf', 'Deneme_CevapAnahtari.csv',
                                      'Deneme_CevapAnahtari.pdf'], f'written: {os.listdir(out)}')
    a = pdf_text(os.path.join(out, 'Deneme_A.pdf'))
    b = pdf_text(os.path.join(out, 'Deneme_B.pdf'))
    for text in (a, b):
        check('Cumhuriyet Ortaokulu' in text and '40 dakika' in text and 'Deneme' in text, f'header missing: {text[:300]}')
    order = lambda text: [n for n in range(1, 7) if f'Soru {n}' in text] and \
        sorted(range(1, 7), key=lambda n: text.find(f'Soru {n}'))
    check(order(a) == [1, 2, 3, 4, 5, 6], f'booklet A is not in exam order: {order(a)}')
    check(sorted(order(b)) == [1, 2, 3, 4, 5, 6] and order(b) != order(a), f'booklet B: {order(b)}')
    check('Tohum 4242' in b, 'booklet B does not name its seed')
    click(button(w, 'Kapat'))
    app.no_window('Sınavı Yazdır')
