// The Qt side of the platform layer on the offscreen platform: screen in twips, message boxes,
// the one-copy lock, the legacy settings store, the file dialog and its filters.
#include "platform/qt/commondialogs.h"
#include "platform/qt/instancelock.h"
#include "platform/qt/qtprompter.h"
#include "platform/qt/qtscreen.h"
#include "platform/qt/qtsettingsstore.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tw;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

TEST(QtScreenTwips, FifteenTwipsPerPixelAt96Dpi) {
    EXPECT_EQ(QtScreen::twipsPerPixelFor(96), 15);
    EXPECT_EQ(QtScreen::twipsPerPixelFor(120), 12);
    EXPECT_EQ(QtScreen::twipsPerPixelFor(144), 10);
    EXPECT_EQ(QtScreen::twipsPerPixelFor(72), 20);
    // A screen that reports nothing usable is taken as 96 dpi.
    EXPECT_EQ(QtScreen::twipsPerPixelFor(0), 15);
    EXPECT_EQ(QtScreen::twipsPerPixelFor(-5), 15);
    EXPECT_EQ(QtScreen::twipsPerPixelFor(std::nan("")), 15);
    EXPECT_EQ(QtScreen::twipsPerPixelFor(1e9), 15);
}

TEST(QtScreenTwips, SizeOfThePrimaryScreen) {
    QScreen* s = QGuiApplication::primaryScreen();
    ASSERT_NE(s, nullptr);
    QtScreen screen;
    const int tpp = static_cast<int>(std::nearbyint(1440.0 / s->logicalDotsPerInchX()));
    EXPECT_EQ(screen.twipsPerPixelX(), tpp);
    EXPECT_EQ(screen.widthTwips(), s->geometry().width() * tpp);
    EXPECT_EQ(screen.heightTwips(), s->geometry().height() * screen.twipsPerPixelY());
}

// Runs `act` on the message box once it is up.
void whenBoxShows(std::function<void(QMessageBox&)> act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no message box";
            return;
        }
        act(*box);
    });
}

QAbstractButton* buttonWithText(QMessageBox& box, const QString& text) {
    for (QAbstractButton* b : box.buttons())
        if (b->text() == text) return b;
    return nullptr;
}

TEST(QtPrompterBoxes, TitleLinesIconAndJapaneseButtons) {
    QtPrompter p;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList captions;
    whenBoxShows([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        for (QAbstractButton* b : box.buttons()) captions << b->text();
        buttonWithText(box, q("いいえ(&N)"))->click();
    });
    Answer a = p.ask("確認", "一行目\r二行目\r\n三行目", Icon::Information, Buttons::YesNo);
    EXPECT_EQ(a, Answer::No);
    EXPECT_EQ(title, q("確認"));
    EXPECT_EQ(text, q("一行目\n二行目\n三行目"));
    EXPECT_EQ(icon, QMessageBox::Information);
    captions.sort();
    QStringList want = {q("いいえ(&N)"), q("はい(&Y)")};
    want.sort();
    EXPECT_EQ(captions, want);
}

TEST(QtPrompterBoxes, EveryButtonSetAnswersWithItsButton) {
    struct Case {
        Buttons buttons;
        const char* click;
        Answer answer;
    } cases[] = {
        {Buttons::Ok, "OK", Answer::Ok},
        {Buttons::OkCancel, "キャンセル", Answer::Cancel},
        {Buttons::OkCancel, "OK", Answer::Ok},
        {Buttons::YesNoCancel, "はい(&Y)", Answer::Yes},
        {Buttons::YesNoCancel, "キャンセル", Answer::Cancel},
        {Buttons::RetryCancel, "再試行(&R)", Answer::Retry},
        {Buttons::RetryCancel, "キャンセル", Answer::Cancel},
    };
    QtPrompter p;
    for (const Case& c : cases) {
        qsizetype count = 0;
        whenBoxShows([&](QMessageBox& box) {
            count = box.buttons().size();
            QAbstractButton* b = buttonWithText(box, q(c.click));
            if (b) b->click(); else box.reject();
            EXPECT_TRUE(b) << c.click;
        });
        EXPECT_EQ(p.ask("t", "x", Icon::Warning, c.buttons), c.answer) << c.click;
        EXPECT_GT(count, 0);
    }
}

TEST(QtPrompterBoxes, EscapeIsTheWayOut) {
    QtPrompter p;
    QMessageBox::Icon icon = QMessageBox::Information;
    whenBoxShows([&](QMessageBox& box) {
        icon = box.icon();
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    EXPECT_EQ(p.ask("警告", "x", Icon::None, Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST(QtPrompterBoxes, FirstButtonIsTheDefault) {
    QMessageBox box;
    QtPrompter::build(box, "t", "x", Icon::Warning, Buttons::RetryCancel);
    ASSERT_TRUE(box.defaultButton());
    EXPECT_EQ(box.defaultButton()->text(), q("再試行(&R)"));
    EXPECT_EQ(box.icon(), QMessageBox::Warning);
}

TEST(InstanceLockTest, SecondCopyFindsTheFirst) {
    const QString key = QStringLiteral("test-%1").arg(QCoreApplication::applicationPid()) + QString::number(std::rand());
    auto first = std::make_unique<InstanceLock>(key);
    EXPECT_FALSE(first->anotherCopyRuns());
    EXPECT_FALSE(first->anotherCopyRuns()) << "the holder is not another copy";
    InstanceLock second(key);
    EXPECT_TRUE(second.anotherCopyRuns());
    InstanceLock other(key + QStringLiteral("-other"));
    EXPECT_FALSE(other.anotherCopyRuns()) << "another executable is another program";

    first.reset();
    InstanceLock third(key);
    EXPECT_FALSE(third.anotherCopyRuns()) << "the lock goes with its holder";
}

TEST(InstanceLockTest, LockFileOfADeadProcessDoesNotCount) {
    const QString key = QStringLiteral("dead-%1").arg(QCoreApplication::applicationPid());
    InstanceLock probe(key);
    // A lock file as a process that no longer exists leaves it: pid, application name, host.
    QFile f(probe.fileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("2147483646\ntackwisp\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    f.close();
    EXPECT_FALSE(probe.anotherCopyRuns());
}

TEST(QtSettingsStoreTest, ReadsAndDeletesTheLegacySection) {
    tw::test::TempDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.str()));
    {
        QSettings s(QStringLiteral("VB and VBA Program Settings"), QStringLiteral("QOV"));
        s.setValue(QStringLiteral("TACKWISP/Path"), q("\\\\server\\共有"));
        s.setValue(QStringLiteral("TACKWISP/LID"), QStringLiteral("4"));
        s.setValue(QStringLiteral("OTHER/Keep"), QStringLiteral("1"));
    }
    QtSettingsStore store;
    EXPECT_EQ(store.value("QOV", "TACKWISP", "Path"), "\\\\server\\共有");
    EXPECT_EQ(store.value("QOV", "TACKWISP", "LID"), "4");
    EXPECT_EQ(store.value("QOV", "TACKWISP", "Missing"), "");
    store.deleteSection("QOV", "TACKWISP");
    EXPECT_EQ(store.value("QOV", "TACKWISP", "Path"), "");
    EXPECT_EQ(store.value("QOV", "OTHER", "Keep"), "1");
}

TEST(FileDialogFilters, PairsBecomeQtNameFilters) {
    QStringList f = nameFiltersOf(q("全てのファイル(*.*)|*.*|付箋共有ファイル(GRPINLY.CFG)|GRPINLY.CFG|"));
    ASSERT_EQ(f.size(), 2);
    EXPECT_EQ(f[0], q("全てのファイル(*.*) (*)"));
    EXPECT_EQ(f[1], q("付箋共有ファイル(GRPINLY.CFG)"));
    EXPECT_EQ(nameFiltersOf(q("画像|*.jpg;*.bmp")), QStringList{q("画像 (*.jpg *.bmp)")});
    EXPECT_TRUE(nameFiltersOf(QString()).isEmpty());
}

// Qt's own file dialog (not the desktop's), whatever theme the environment names.
struct QtFileDialogOnly {
    const bool before = QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QtFileDialogOnly() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true); }
    ~QtFileDialogOnly() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, before); }
};

// Runs `act` on the file dialog once it is up.
void whenFileDialogShows(std::function<void(QFileDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no file dialog";
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        act(*dialog);
    });
}

TEST(QtFileDialogs, OpenAndSaveShowTheRequestAndAnswerThePathChosen) {
    QtFileDialogOnly qtDialogs;
    tw::test::TempDir dir;
    const QString folder = QDir(QString::fromStdString(dir.str())).canonicalPath();
    const OpenFileRequest request{q("共有フォルダの選択"), q("GRPINLY.CFG"),
                                  q("全てのファイル(*.*)|*.*|付箋共有ファイル(GRPINLY.CFG)|GRPINLY.CFG|"), 2,
                                  folder};
    const struct {
        FileDialogMode mode;
        QFileDialog::AcceptMode accept;
    } modes[] = {{FileDialogMode::Open, QFileDialog::AcceptOpen},
                 {FileDialogMode::Save, QFileDialog::AcceptSave}};
    for (const auto& m : modes) {
        QFileDialog::AcceptMode accept{};
        QFileDialog::FileMode fileMode{};
        QString title, selectedFilter, shownFolder;
        QStringList filters;
        whenFileDialogShows([&](QFileDialog& d) {
            accept = d.acceptMode();
            fileMode = d.fileMode();
            title = d.windowTitle();
            filters = d.nameFilters();
            selectedFilter = d.selectedNameFilter();
            shownFolder = d.directory().canonicalPath();
            static_cast<QDialog&>(d).accept();  // QFileDialog's own accept() is protected
        });
        // The proposed name is taken although no such file exists yet.
        EXPECT_EQ(runFileDialog(nullptr, request, m.mode), folder + q("/GRPINLY.CFG"));
        EXPECT_EQ(accept, m.accept);
        EXPECT_EQ(fileMode, QFileDialog::AnyFile);
        EXPECT_EQ(title, request.title);
        EXPECT_EQ(filters, nameFiltersOf(request.filter));
        EXPECT_EQ(selectedFilter, q("付箋共有ファイル(GRPINLY.CFG)"));
        EXPECT_EQ(shownFolder, folder);

        whenFileDialogShows([](QFileDialog& d) { static_cast<QDialog&>(d).reject(); });
        EXPECT_EQ(runFileDialog(nullptr, request, m.mode), std::nullopt);
    }

    // The common dialogs open files.
    QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
    whenFileDialogShows([&](QFileDialog& d) {
        accept = d.acceptMode();
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(QtCommonDialogs().openFile(nullptr, request), folder + q("/GRPINLY.CFG"));
    EXPECT_EQ(accept, QFileDialog::AcceptOpen);
}

}  // namespace
