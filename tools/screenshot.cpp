// Takes the pictures of the user guide (docs/kullanim/) on the sample bank.
// Usage (under a display, e.g. xvfb-run): quorvel-screenshot OUTDIR
// Every window is reached the way a teacher reaches it, through its button.
#include "app/forms.h"
#include "app/frm_main.h"
#include "bank/frm_soru_gir.h"
#include "exams/exam_question_list.h"
#include "text/sample_bank.h"
#include "tools/command_line.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

QString outDir;
int failures = 0;

void save(QWidget* widget, const QString& name) {
    if (!widget || !widget->grab().save(outDir + u'/' + name)) {
        QTextStream(stderr) << "not taken: " << name << '\n';
        ++failures;
    }
}

// Pictures the modal window that `open` brings up, runs `inside` while it is
// up (for a window opened from it), then closes it.
void shootModal(const QString& name, const std::function<void()>& open, const std::function<void()>& inside = {}) {
    QTimer::singleShot(400, [name, inside] {
        QWidget* modal = QApplication::activeModalWidget();
        save(modal, name);
        if (inside) inside();
        if (modal) modal->close();
    });
    open();
}

void settle() {
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const char* const usage = "usage: quorvel-screenshot OUTDIR\n";
    const QStringList args = application.arguments().mid(1);
    if (const auto end = tools::checkArguments(args, usage)) return *end;
    if (args.size() != 1) {
        QTextStream(stderr) << usage;
        return 2;
    }
    outDir = args.first();
    QDir().mkpath(outDir);
    QTemporaryDir dir;
    samplebank::write(samplebank::parse(samplebank::text()), dir.filePath(QStringLiteral("Quorvel.mdb")));

    app::Program program(dir.filePath(QStringLiteral("Quorvel.exe")));
    Tmain* main = program.forms().main;
    main->show();
    QTimer::singleShot(500, [&] {
        save(main, QStringLiteral("ana-pencere.png"));
        shootModal(QStringLiteral("grup-tanimlari.png"), [&] { main->GRUPTANIMLARI1Click(); });
        shootModal(QStringLiteral("yardim.png"), [&] { main->SpeedButton5->click(); });
        shootModal(
            QStringLiteral("soru-girisi.png"), [&] { main->ToolButton24->click(); },
            [&] { shootModal(QStringLiteral("veri-al.png"), [&] { program.forms().soru_gir->BtnImport->click(); }); });

        main->PageControl1->setCurrentIndex(1);
        settle();
        save(main, QStringLiteral("sinavlar.png"));
        shootModal(QStringLiteral("yeni-sinav.png"), [&] { main->ToolButton2->click(); });
        shootModal(QStringLiteral("sinava-soru-ekle.png"), [&] { main->ToolButton19->click(); });
        shootModal(QStringLiteral("yazdir.png"), [&] { main->ToolButton25->click(); });
        main->examQuestions()->expand();
        settle();
        save(main, QStringLiteral("sinav-sorulari.png"));
        main->examQuestions()->collapse();
        main->close();
        QApplication::quit();
    });
    application.exec();
    return failures == 0 ? 0 : 1;
}
