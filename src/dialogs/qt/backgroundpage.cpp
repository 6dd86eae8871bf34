#include "dialogs/qt/backgroundpage.h"

#include "platform/prompter.h"
#include "platform/qt/pictures.h"
#include "platform/sharedfile.h"
#include "window/background.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace tw {

namespace {

QColor toQColor(uint32_t v) { return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF)); }
uint32_t fromQColor(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) | (static_cast<uint32_t>(c.blue()) << 16);
}

}  // namespace

BackgroundPage::BackgroundPage(AppState& st, QWidget* parent) : QWidget(parent), st_(st) {
    setObjectName(QStringLiteral("picSet3"));
    lblPath = new QLabel(this);
    lblPath->setObjectName(QStringLiteral("lblPath"));
    lblPath->setGeometry(8, 2, 337, 16);
    cmb1 = new QComboBox(this);
    cmb1->setObjectName(QStringLiteral("cmb1"));
    for (const std::string& t : kPictureTypes) cmb1->addItem(QString::fromStdString(t));
    cmb1->setGeometry(8, 20, 130, 22);
    fileLB = new QListWidget(this);
    fileLB->setObjectName(QStringLiteral("fileLB"));
    fileLB->setGeometry(8, 46, 130, 100);
    img = new QLabel(this);
    img->setObjectName(QStringLiteral("img"));
    img->setFrameShape(QFrame::StyledPanel);
    img->setAlignment(Qt::AlignCenter);
    const char* captions[3] = {"原寸表示", "自動倍率表示", "表示クリア"};
    int optWidth = 90;
    for (size_t i = 0; i < 3; ++i) {
        opt[i] = new QRadioButton(QString::fromUtf8(captions[i]), this);
        opt[i]->setObjectName(QStringLiteral("opt%1").arg(i));
        optWidth = std::max(optWidth, opt[i]->sizeHint().width());
    }
    // The choices keep their whole captions at the page's right edge (the dialog is 353 pixels
    // wide); the preview gives way to them.
    const int optLeft = std::min(262, 351 - optWidth);
    for (size_t i = 0; i < 3; ++i) opt[i]->setGeometry(optLeft, 20 + static_cast<int>(i) * 22, optWidth, 20);
    img->setGeometry(146, 20, optLeft - 152, 82);
    btFont = new QPushButton(QStringLiteral("文字色"), this);
    btFont->setObjectName(QStringLiteral("btFont"));
    btFont->setGeometry(146, 110, 64, 24);
    lblFontCol = new QLabel(QStringLiteral("文字"), this);
    lblFontCol->setObjectName(QStringLiteral("lblFontCol"));
    lblFontCol->setGeometry(218, 112, 40, 20);

    chooseColour = [this](uint32_t current) -> std::optional<uint32_t> {
        const QColor c = QColorDialog::getColor(toQColor(current), this);
        if (!c.isValid()) return std::nullopt;
        return fromQColor(c);
    };
    connect(cmb1, qOverload<int>(&QComboBox::activated), this, &BackgroundPage::typeChosen);
    connect(fileLB, &QListWidget::itemClicked, this, &BackgroundPage::fileChosen);
    connect(btFont, &QPushButton::clicked, this, [this] {
        if (const auto c = chooseColour(textColour_)) {
            textColour_ = *c;
            showTextColour();
        }
    });
}

void BackgroundPage::showTextColour() {
    QPalette pal = lblFontCol->palette();
    pal.setColor(QPalette::WindowText, toQColor(textColour_));
    lblFontCol->setPalette(pal);
}

void BackgroundPage::typeChosen(int type) {
    cmb1->setCurrentIndex(type);
    fileLB->clear();
    img->clear();
    for (const std::string& name : pictureFiles(st_.SharedPath, type)) fileLB->addItem(QString::fromStdString(name));
}

void BackgroundPage::fileChosen() {
    QListWidgetItem* item = fileLB->currentItem();
    img->clear();
    if (!item) return;
    const QImage picture = loadPictureSafely(QString::fromStdString(joinPath(st_.SharedPath, item->text().toStdString())));
    if (picture.isNull()) {
        img->setText(QStringLiteral("×"));   // not a picture this program can show
        return;
    }
    img->setPixmap(QPixmap::fromImage(picture.scaled(img->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void BackgroundPage::backAttr(int16_t noteId) {
    noteId_ = noteId;
    clearOnOk_ = false;
    lblPath->setText(QString::fromStdString(st_.SharedPath));
    fileLB->clear();
    img->clear();
    if (noteId < 0 || static_cast<size_t>(noteId) >= st_.NoteTable.size()) return;
    const NoteBackground& b = st_.NoteTable[static_cast<size_t>(noteId)].Background;
    textColour_ = b.TextColor;
    showTextColour();
    if (b.PictureFile.empty()) {
        typeChosen(0);
        opt[1]->setChecked(true);
        return;
    }
    const int type = pictureTypeOf(b.PictureFile);
    if (type < 0) {
        st_.sys.prompter->ask("エラー", "ファイル:" + b.PictureFile + "はサポートされないファイル名なのでクリアします",
                              Icon::Warning, Buttons::Ok);
        clearOnOk_ = true;
        typeChosen(0);
        opt[1]->setChecked(true);
        return;
    }
    typeChosen(type);
    const auto found = fileLB->findItems(QString::fromStdString(b.PictureFile), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty() || !isPlainFileName(b.PictureFile)) {
        st_.sys.prompter->ask("エラー", "ファイル:" + b.PictureFile + "は共有パスに存在しないのでクリアします",
                              Icon::Warning, Buttons::Ok);
        clearOnOk_ = true;
        opt[1]->setChecked(true);
        return;
    }
    fileLB->setCurrentItem(found.front());
    fileChosen();
    opt[b.PictureMode < 1 ? 0 : 1]->setChecked(true);
}

void BackgroundPage::store() {
    if (noteId_ < 0 || static_cast<size_t>(noteId_) >= st_.NoteTable.size()) return;
    NoteRecord& r = st_.NoteTable[static_cast<size_t>(noteId_)];
    QListWidgetItem* item = fileLB->currentItem();
    if (!item || !item->isSelected()) {
        if (clearOnOk_) {
            r.Background = NoteBackground{};
            st_.backgroundChanged = true;
        }
        return;
    }
    BackgroundChoice c;
    c.file = item->text().toStdString();
    c.option = opt[0]->isChecked() ? 0 : opt[2]->isChecked() ? 2 : 1;
    c.textColour = textColour_;
    if (storeBackground(r, c)) st_.backgroundChanged = true;
}

}  // namespace tw
