"""Questions written in word processors: what a save stores of them."""
import os

from desk import button, check, click, keys, settle, type_text, wait_until

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fixtures', 'rtf')

# Each stored question (an RTF file as the old bank holds it: one character per
# byte) and the text a save must store for it: every character the teacher
# wrote, none that she did not.
CASES = [
    ('processor-question.rtf',
     'Dairenin alanı πr2, çevresi 2πr; α = 45° ve Δx ≥ 2 ise ✓ doğru.\r\nCevap C şıkkıdır1.\r\n'
     'Buna göre,\r\nI. Sayı çifttir.\r\nII. Sayı asaldır.\r\nhangileri doğrudur?'),
    ('symbol-letters.rtf', 'Dairenin alanı πr2, α = 45°, Δx ≥ 2\r\nβ ≠ Σ, 3×2, √λ\r\npω ∴ {}'),
    ('symbol-field.rtf', 'Çevre = 2πr\r\nDoğru ✓, kök √2, ±1, bağ'),
    ('wingdings.rtf', '▪\tMadde\r\n➢\tOk\r\n✓ doğru ✗ yanlış ☑☒ kutu\r\n☞\ufffd \ufffd'),
    ('tracked-changes.rtf', 'Cevap C şıkkıdır.\r\nBirinci satır devamı.\r\nSon.'),
    ('text-box.rtf', 'Buna göre,\r\nI. Sayı çifttir.\r\nII. Sayı asaldır.\r\nhangileri doğrudur?'),
    ('objects.rtf', 'Şekil: bitti.\r\nFormül: ve ile.\r\nKutu: \r\niç metin\r\n ve  son.'),
    ('footnotes-caps.rtf', 'Osmanlı Devleti1 ve Selçuklui, Bizans2\r\nATATÜRK ISMET İNENÜ I, Küçük\r\n€\teuro€ğ x'),
    ('mac-turkish.rtf', 'ĞğİıŞş Äö'),
    ('nested-table.rtf', 'düğme\tiç\taynı\r\nson'),
]


def stored_rtf(name):
    with open(os.path.join(FIXTURES, name), 'rb') as f:
        return f.read().decode('latin-1')


def test_saving_a_word_question_stores_its_characters(d):
    d.bank(groups=['Fizik'],
           questions=[(rid, 1, stored_rtf(name), 'a', 'b', 'c', 'd', '1', 0)
                      for rid, (name, _) in enumerate(CASES, start=1)])
    app = d.start()
    click(button(d.main, 'Sorular'))
    app.window('Soru Gir')
    settle()
    keys('Return')  # from the question cell to "Cevap A"
    expected = {rid: text for rid, (_, text) in enumerate(CASES, start=1)}
    saved = {}
    for n in range(1, len(CASES) + 1):
        keys('ctrl+Home')  # the n-th row from the top, whatever the grid's order
        for _ in range(n - 1):
            keys('Down')
        settle()
        type_text(f'e{n}')
        keys('F5')
        wait_until(lambda: d.q("SELECT count(*) FROM tqmaster WHERE answer1 LIKE ?", f'%e{n}%')[0][0] == 1,
                   lambda: f'edit {n} was not saved; {app.alert(0.5)[1:] if app._box() else "no box"}')
        rid, question = d.q("SELECT rid, question FROM tqmaster WHERE answer1 LIKE ?", f'%e{n}%')[0]
        saved[rid] = question
    wrong = {rid: (saved[rid], expected[rid]) for rid in saved if saved[rid] != expected[rid]}
    check(not wrong and len(saved) == len(CASES), f'saved wrong (stored, expected): {wrong}; saved rows {sorted(saved)}')


def test_printing_a_word_question_keeps_its_characters(d):
    from test_print import exam_bank, open_print, pdf_text, save_pdf, set_booklets
    exam_bank(d, [(1, stored_rtf('processor-question.rtf'), ('a', 'b', 'c', 'd'), '1')])
    app = d.start()
    w = open_print(d, app)
    set_booklets(w, 1)
    out = os.path.join(d.folder, 'cikti')
    os.makedirs(out)
    save_pdf(app, w, os.path.join(out, 'Deneme.pdf'))
    app.answer('OK')
    printed = ' '.join(pdf_text(os.path.join(out, 'Deneme_A.pdf')).split())
    # Symbol letters, the SYMBOL field's π, the check mark and the text box's premises print; the tracked
    # deletion and the shapes' placeholders do not.
    for part in ('πr2', '2πr', 'α = 45°', 'Δx ≥ 2', '✓ doğru', 'Cevap C şıkkıdır', 'I. Sayı çifttir.',
                 'II. Sayı asaldır.'):
        check(part in printed, f'{part!r} is not printed: {printed!r}')
    for part in ('B şıkkı', '[şekil]', '[resim]'):
        check(part not in printed, f'{part!r} is printed: {printed!r}')
