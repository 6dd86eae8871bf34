// The background page and the picture on the note: the two clearing messages (the picture goes only
// when the user confirms with OK), a picture chosen and shown, a picture name that is a path.
#include "dialogs/qt/backgroundpage.h"
#include "notes/qt/note_fixture.h"

#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace tw::test {
namespace {

class BackgroundTest : public NoteWindowsFixture {
protected:
    void picture(const char* name, QColor colour) {
        QImage i(40, 20, QImage::Format_RGB32);
        i.fill(colour);
        ASSERT_TRUE(i.save(QString::fromStdString(shared.file(name)), "BMP"));
    }
};

TEST_F(BackgroundTest, PageClearsOnlyOnOk) {
    picture("blue.bmp", Qt::blue);
    const int a = addNote("背景");
    note(a).Background = {"gone.bmp", 0x0000FF, 1};
    BackgroundPage page(st);
    // Every choice shows its whole caption ("自動倍率表示" was cut) inside the 353-pixel dialog, right of
    // the preview.
    for (QRadioButton* o : page.opt) {
        EXPECT_GE(o->width(), o->sizeHint().width()) << o->text().toStdString();
        EXPECT_LE(o->geometry().right(), 352);
        EXPECT_GT(o->x(), page.img->geometry().right());
    }
    prompter.expect("エラー", "ファイル:gone.bmpは共有パスに存在しないのでクリアします", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    page.backAttr(static_cast<int16_t>(a));
    EXPECT_EQ(note(a).Background.PictureFile, "gone.bmp") << "kept until OK: a share that is away for a moment";
    page.store();
    EXPECT_EQ(note(a).Background.PictureFile, "");

    note(a).Background = {"X.JPG", 0, 0};
    prompter.expect("エラー", "ファイル:X.JPGはサポートされないファイル名なのでクリアします", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    page.backAttr(static_cast<int16_t>(a));
    ASSERT_EQ(page.cmb1->currentIndex(), 0);

    // Choosing a picture stretched, with a colour.
    page.typeChosen(1);
    ASSERT_EQ(page.fileLB->count(), 1);
    page.fileLB->setCurrentRow(0);
    page.opt[1]->setChecked(true);
    page.chooseColour = [](uint32_t) { return std::optional<uint32_t>(0x00FF00); };
    page.btFont->click();
    page.store();
    EXPECT_EQ(note(a).Background.PictureFile, "blue.bmp");
    EXPECT_EQ(note(a).Background.PictureMode, 1);
    EXPECT_EQ(note(a).Background.TextColor, 0x00FF00u);

    // Shown on the note, stretched over it.
    frmPinly* w = open(a);
    ASSERT_TRUE(hasControl<NoteLabel>(*w, "img"));
    EXPECT_TRUE(img(*w)->isVisible());
    EXPECT_EQ(img(*w)->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
}

TEST_F(BackgroundTest, APathIsNeverOpened) {
    picture("blue.bmp", Qt::blue);
    const int a = addNote("外");
    note(a).Background = {"../" + std::string(shared.path().filename().string()) + "/blue.bmp", 0, 1};
    frmPinly* w = open(a);
    EXPECT_TRUE(!hasControl<NoteLabel>(*w, "img") || !img(*w)->isVisible());
}

}  // namespace
}  // namespace tw::test
