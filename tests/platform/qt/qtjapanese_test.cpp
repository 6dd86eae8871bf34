// Qt's standard buttons and dialogs in Japanese (platform/qt/qtjapanese.h), for a user whose locale
// is English; the program's own button texts stay its own.
#include "platform/qt/qtjapanese.h"
#include "platform/qt/qtprompter.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace tw;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

// A user with an English locale for the length of a test.
class EnglishUser : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(before_); }

private:
    QLocale before_;
};

QString standardText(QDialogButtonBox::StandardButton which) {
    QDialogButtonBox box(which);
    return box.button(which)->text();
}

QStringList labelsOf(QWidget& w) {
    QStringList out;
    for (QLabel* l : w.findChildren<QLabel*>()) out << l->text();
    return out;
}

using QtJapaneseTextsTest = EnglishUser;

TEST_F(QtJapaneseTextsTest, StandardButtonsSpeakJapaneseOnceInstalled) {
    // Qt's own English first, so what follows is the translations' doing.
    ASSERT_EQ(standardText(QDialogButtonBox::Cancel), QStringLiteral("Cancel"));
    {
        QtJapaneseTexts texts;
        ASSERT_TRUE(texts.installed()) << "qtbase_ja.qm not found in "
                                       << QtJapaneseTexts::folders().join(QStringLiteral(", ")).toStdString();
        EXPECT_TRUE(texts.file().endsWith(QStringLiteral("/qtbase_ja.qm"))) << texts.file().toStdString();

        EXPECT_EQ(standardText(QDialogButtonBox::Cancel), q("キャンセル"));
        EXPECT_EQ(standardText(QDialogButtonBox::Yes), q("はい(&Y)"));
        EXPECT_EQ(standardText(QDialogButtonBox::No), q("いいえ(&N)"));
        EXPECT_EQ(standardText(QDialogButtonBox::Save), q("保存"));
        EXPECT_EQ(standardText(QDialogButtonBox::Close), q("閉じる"));

        QMessageBox box(QMessageBox::Question, q("確認"), q("保存しますか"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), q("はい(&Y)"));
        EXPECT_EQ(box.button(QMessageBox::No)->text(), q("いいえ(&N)"));
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), q("キャンセル"));

        // Dates and numbers in Qt's dialogs follow as well.
        EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    }
    // Taken off again: Qt's English and the user's locale are back.
    EXPECT_EQ(standardText(QDialogButtonBox::Cancel), QStringLiteral("Cancel"));
    EXPECT_EQ(QLocale().language(), QLocale::English);
}

TEST_F(QtJapaneseTextsTest, StandardDialogsSpeakJapanese) {
    QtJapaneseTexts texts;
    ASSERT_TRUE(texts.installed());

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_TRUE(labelsOf(files).contains(q("ファイル名(&N):"))) << labelsOf(files).join('|').toStdString();
    EXPECT_TRUE(labelsOf(files).contains(q("ファイルの種類:"))) << labelsOf(files).join('|').toStdString();

    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    EXPECT_EQ(colours.windowTitle(), q("色を選択"));

    QFontDialog fonts;
    fonts.setOption(QFontDialog::DontUseNativeDialog);
    EXPECT_EQ(fonts.windowTitle(), q("フォントの選択"));

    QPrinter printer;
    QPrintDialog print(&printer);
    EXPECT_EQ(print.windowTitle(), q("印刷"));
}

TEST_F(QtJapaneseTextsTest, TheProgramsOwnButtonTextsStay) {
    QtJapaneseTexts texts;
    ASSERT_TRUE(texts.installed());
    // Qt's translation of the retry button is "再試行"; the program's box keeps its own caption.
    QMessageBox box;
    QtPrompter::build(box, "確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel);
    QStringList captions;
    for (QAbstractButton* b : box.buttons()) captions << b->text();
    captions.sort();
    QStringList want = {q("キャンセル"), q("再試行(&R)")};
    want.sort();
    EXPECT_EQ(captions, want);
}

}  // namespace
