#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/french.h"
#include "ui/modal_runner.h"
#include "ui/scripted_dialogs.h"

#include <QDialog>
#include <gtest/gtest.h>

using namespace ui;

TEST(ErrorReport, TextsAndFullStop) {
    EXPECT_EQ(InOutError(2).text(), QStringLiteral("Fichier introuvable"));
    EXPECT_EQ(InOutError(101).text(), QStringLiteral("Disque plein"));
    EXPECT_EQ(InOutError(32).text(), QStringLiteral("Erreur E/S 32"));
    EXPECT_EQ(FloatError(FloatError::Overflow).text(), QStringLiteral("Débordement flottant"));
    EXPECT_EQ(ConvertError("1,,2").text(),
              QStringLiteral("'1,,2' n'est pas une valeur flottante correcte"));
    EXPECT_EQ(reportText("Fichier introuvable"), QStringLiteral("Fichier introuvable."));
    EXPECT_EQ(reportText("Déjà fini."), QStringLiteral("Déjà fini."));
}

TEST(ErrorReport, CommandErrorShowsOneStopBoxAndGoesOn) {
    ScriptedDialogs dialogs;
    bool ran = false;
    EXPECT_FALSE(runCommand([] { throw InOutError(5); }));
    EXPECT_TRUE(runCommand([&] { ran = true; }));
    EXPECT_TRUE(ran);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Tav Tools"));
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Accès au fichier refusé."));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Stop);
}

TEST(DialogsSeam, ScriptedAnswersAndKinds) {
    ScriptedDialogs dialogs;
    dialogs.answer(No);
    EXPECT_EQ(dialogs.confirm("Supprimer ?"), No);
    EXPECT_EQ(dialogs.confirm("Encore ?", Yes | No | All), Yes); // first button by default
    dialogs.warning("Attention");
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("Confirmation"));
    EXPECT_EQ(dialogs.shown[2].title, QStringLiteral("Avertissement"));
    QString value = "old";
    dialogs.answerInput("new");
    EXPECT_TRUE(dialogs.inputBox("Titre", "Nom :", value));
    EXPECT_EQ(value, QStringLiteral("new"));
    dialogs.cancelInput();
    EXPECT_FALSE(dialogs.inputBox("Titre", "Nom :", value));
    EXPECT_EQ(buttonCaption(NoToAll), QStringLiteral("Non &pour tout"));
    EXPECT_EQ(&Dialogs::instance(), &dialogs);
}

TEST(ModalRunner, HandlerDrivesTheDialog) {
    QDialog d;
    ScopedModalHandler handler([](QDialog* dlg) {
        dlg->accept();
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(runModal(&d), int(QDialog::Accepted));
}

TEST(French, DecimalCommaAndDates) {
    EXPECT_EQ(formatDecimal(3.5, 2), QStringLiteral("3,50"));
    EXPECT_EQ(formatDecimal(1234567.25, 2), QStringLiteral("1234567,25"));
    EXPECT_EQ(formatDate(QDate(1998, 10, 3)), QStringLiteral("03/10/1998"));
    EXPECT_EQ(monthName(10), QStringLiteral("octobre"));
}

// ---- jobs ----

#include "core/job.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMimeDatabase>
#include <QThread>
#include <algorithm>

TEST(Jobs, ProgressIsThrottledAndQuestionErrorsComeBackToTheWorker) {
    QList<int> seen;
    QThread* progressThread = nullptr;
    bool caught = false;
    core::FunctionJob job([&](core::Job& j) {
        for (int i = 0; i <= 100; ++i)
            j.progress(i); // far faster than every 50 ms: only the ends pass
        try {
            j.ask([] { throw InOutError(5); });
        } catch (const InOutError& e) {
            caught = e.code() == 5;
        }
        throw TavError(QStringLiteral("fin"));
    });
    job.onProgress = [&](int p) {
        seen << p;
        progressThread = QThread::currentThread();
    };
    try {
        job.runInBackground();
        ADD_FAILURE() << "the job's error was lost";
    } catch (const TavError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("fin"));
    }
    EXPECT_TRUE(caught);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.first(), 0);
    EXPECT_LE(seen.size(), 3);
    EXPECT_EQ(progressThread, QThread::currentThread());
}

TEST(Jobs, DirectProgressIsWholeAndPartsMapIntoTheWhole) {
    core::DirectJob job;
    QList<int> seen;
    job.onProgress = [&](int p) { seen << p; };
    for (int part = 0; part < 4; ++part) {
        job.setPart(part, 4);
        job.progress(0);
        job.progress(50);
        job.progress(100);
    }
    EXPECT_EQ(seen, QList<int>({0, 12, 25, 25, 37, 50, 50, 62, 75, 75, 87, 100}));
    EXPECT_FALSE(job.cancelled());
    job.cancel();
    EXPECT_TRUE(job.cancelled());
}

// Items told by a worker reach the starting thread newest last, never an
// older after a newer, and the last one always arrives.
TEST(Jobs, ItemsFromAWorkerKeepTheirOrderAndTheLastArrives) {
    QList<int> seen;
    bool onHome = true;
    core::FunctionJob job([](core::Job& j) {
        for (int i = 1; i <= 20000; ++i)
            j.setItem(QString::number(i));
    });
    job.onItem = [&](const QString& item) {
        seen << item.toInt();
        onHome = onHome && QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    job.runInBackground();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), 20000);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    EXPECT_TRUE(onHome);
}

TEST(Jobs, OutcomeTurnsErrorsIntoValues) {
    EXPECT_TRUE(core::Outcome::from([] {}).ok());
    const core::Outcome failed = core::Outcome::from([] { throw InOutError(101); });
    EXPECT_EQ(failed.kind, core::Outcome::Failed);
    EXPECT_EQ(failed.text, QStringLiteral("Disque plein"));
}

#include "ui/tav_application.h"

#include <QCoreApplication>

TEST(Translations, QtsOwnButtonsSpeakFrench) {
    ASSERT_TRUE(loadFrenchQtTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
    // Whatever the system's locale (C here): French dates, numbers and kinds of file.
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    useFrenchLocale();
    EXPECT_EQ(QLocale().dayName(1), QStringLiteral("lundi"));
    EXPECT_EQ(QLocale().toString(1.5), QStringLiteral("1,5"));
    EXPECT_EQ(QLocale().formattedDataSize(2048), QStringLiteral("2,00 Kio"));
    EXPECT_EQ(QMimeDatabase().mimeTypeForName("inode/directory").comment(),
              QStringLiteral("dossier"));
    QLocale::setDefault(before);
}

#include <QTest>

namespace {
// Counts on its worker until stopped, posting each count home.
struct CountingJob : core::Job {
    std::function<void(int)> counted;
    bool throwAtOnce = false;
    ~CountingJob() override { stop(); }
    void run() override {
        if (throwAtOnce) throw core::TavError(QStringLiteral("raté"));
        for (int n = 1; !cancelled(); ++n) {
            post([this, n] { counted(n); });
            QThread::msleep(1);
        }
    }
};
} // namespace

// A started job runs beside the window's thread: its posts arrive there,
// stop() ends it and drops what is still on its way, and an error that
// left it is kept for its owner.
TEST(StartedJob, PostsHomeStopsAndKeepsItsFailure) {
    CountingJob job;
    QList<int> seen;
    job.counted = [&](int n) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        seen << n;
    };
    int finished = 0;
    job.start([&] { ++finished; });
    EXPECT_TRUE(job.running());
    QTRY_VERIFY(seen.size() >= 3);
    job.stop();
    EXPECT_FALSE(job.running());
    const qsizetype atStop = seen.size();
    QTest::qWait(30);
    EXPECT_EQ(seen.size(), atStop); // nothing after stop()
    EXPECT_EQ(finished, 0);
    for (qsizetype i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], int(i) + 1); // in order, none lost

    CountingJob failing;
    failing.throwAtOnce = true;
    failing.start([&] { ++finished; });
    QTRY_COMPARE(finished, 1);
    ASSERT_TRUE(failing.failure());
    EXPECT_THROW(std::rethrow_exception(failing.failure()), core::TavError);
}
