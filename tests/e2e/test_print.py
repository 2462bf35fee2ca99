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
    for letter, text in (('A', a), ('B', b)):
        check(all(f'Soru {n}' in text for n in range(1, 7)), f'booklet {letter} lacks questions: {text}')
    order = lambda text: sorted(range(1, 7), key=lambda n: text.find(f'Soru {n}'))
    check(order(a) == [1, 2, 3, 4, 5, 6], f'booklet A is not in exam order: {order(a)}')
    check(order(b) != order(a), f'booklet B is not shuffled: {order(b)}')
    check('Tohum 4242' in b, 'booklet B does not name its seed')
    click(button(w, 'Kapat'))
    app.no_window('Sınavı Yazdır')


def test_a_reprint_asks_before_replacing_booklets(d):
    exam_bank(d, plain_questions(4))
    app = d.start()
    w = open_print(d, app)
    set_booklets(w, 2)
    path = os.path.join(d.folder, 'Deneme.pdf')
    fill(w, 'Tohum', '1111')
    save_pdf(app, w, path)
    app.answer('OK')
    files = ['Deneme_A.pdf', 'Deneme_B.pdf', 'Deneme_CevapAnahtari.pdf', 'Deneme_CevapAnahtari.csv']
    before = {f: open(os.path.join(d.folder, f), 'rb').read() for f in files}
    # A reprint with a new seed under the same name: the box names every file it would replace.
    fill(w, 'Tohum', '2222')
    _, caption, texts, buttons = save_pdf(app, w, path)
    check(caption == 'Dikkat' and buttons == ['Yes', 'No'], f'box {caption!r} {buttons}: {texts}')
    check(all(any(f in t for t in texts) for f in files), f'the box does not name the files: {texts}')
    app.answer('No')
    app.no_alert()
    check(all(open(os.path.join(d.folder, f), 'rb').read() == before[f] for f in files), 'a file was replaced')
    save_pdf(app, w, path)
    app.answer('Yes')
    app.answer('OK')
    check('Tohum 2222' in pdf_text(os.path.join(d.folder, 'Deneme_B.pdf')), 'booklet B was not replaced')


def test_answers_that_name_others_keep_their_place(d):
    exam_bank(d, [
        (1, 'Hangileri asal?', ('2', '3', '5', 'Hepsi'), '4'),
        (2, 'Kim geldi?', ('Ali', 'Veli', 'A ve B', 'Hiçbiri'), '3'),
        (3, 'Sıralı', ('10', '20', '30', '40'), '2'),
        *[(n, f'Soru {n}', (f'S{n} a', f'S{n} b', f'S{n} c', f'S{n} d'), '1') for n in range(4, 9)],
    ])
    app = d.start()
    w = open_print(d, app)
    counted = lambda n: find(w, roles=('label',), pred=lambda l: f'{n} sorunun' in text_of(l))
    counted(2)  # "Hepsi" and "A ve B" are known without a word from the teacher
    # The teacher keeps the order of the third question's answers too.
    click(button(w, 'Şık Sırası...'))
    pick = app.window('Şık Sırası Sabit Sorular')
    click(find(pick, roles=('list item',), pred=lambda n: text_of(n).startswith('3. Sıralı')))
    keys('space')
    click(button(pick, 'Tamam'))
    app.no_window('Şık Sırası Sabit Sorular')
    counted(3)
    set_booklets(w, 4)
    click(button(w, 'Cevap şıklarını da karıştır'))
    fill(w, 'Tohum', '31337')
    save_pdf(app, w, os.path.join(d.folder, 'Deneme.pdf'))
    app.answer('OK')
    moved = 0
    for letter in 'ABCD':
        text = ' '.join(pdf_text(os.path.join(d.folder, f'Deneme_{letter}.pdf')).split())
        for answer in ('D) Hepsi', 'A) Ali B) Veli C) A ve B D) Hiçbiri', 'A) 10 B) 20 C) 30 D) 40'):
            check(answer in text, f'booklet {letter} lost {answer!r}: {text}')
        moved += 'A) S4 a' not in text
    check(moved > 0, 'the other questions\' answers were not shuffled')
    # The choice is the bank's: it is there at the next print.
    click(button(w, 'Kapat'))
    w = open_print(d, app)
    counted(3)


def test_the_detail_dialog_reaches_the_correct_answer(d):
    exam_bank(d, plain_questions(2))
    app = d.start()
    click(find(d.main, 'Sınav İşlemleri', ('page tab',)))
    click(find(d.main, 'Sınavlar', ('table',)))
    keys('ctrl+Right')
    settle(0.5)
    click(button(d.main, 'Soru Detay'))
    w = app.window('Soru Detayları')
    seen = []
    for _ in range(12):
        f = app.focused()
        seen.append((f and f.name, f and text_of(f)))
        if f is not None and f.name.startswith('Doğru Cevap'):
            break
        keys('Tab')
    check(seen[-1][0] == 'Doğru Cevap: B', f'Tab never reaches the correct answer: {seen}')
