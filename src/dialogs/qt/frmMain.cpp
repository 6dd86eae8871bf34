#include "dialogs/qt/frmMain.h"

#include "dialogs/qt/backgroundpage.h"
#include "dialogs/qt/listpage.h"
#include "dialogs/qt/periodpage.h"
#include "dialogs/qt/sendpage.h"
#include "platform/screen.h"

#include <QPushButton>

#include <algorithm>

namespace tw {

namespace {

// The dialog's outer size; its inside is lower by the title bar (about 400 twips), or a band of
// empty space lies under the buttons.
constexpr int kWidthTwips = 5295, kHeightTwips = 3195, kTitleBarTwips = 400;
// Where the pages that are not shown wait.
constexpr int kAsideTopTwips = 2760;

}  // namespace

frmMain::frmMain(AppState& st, QWidget* parent) : QDialog(parent), st_(st) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromStdString(kProductName));
    const int tppX = std::max(1, st.sys.screen->twipsPerPixelX()), tppY = std::max(1, st.sys.screen->twipsPerPixelY());
    resize(kWidthTwips / tppX, (kHeightTwips - kTitleBarTwips) / tppY);
    setModal(true);

    const int pageHeight = kAsideTopTwips / tppY;
    btn[0] = new QPushButton(QStringLiteral("OK"), this);
    btn[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    for (size_t i = 0; i < 2; ++i) {
        btn[i]->setObjectName(QStringLiteral("btn%1").arg(i));
        btn[i]->setGeometry(width() - 172 + static_cast<int>(i) * 84, pageHeight - 30, 78, 24);
    }
    // Enter presses the button that has the focus, else OK. On the list page OK deletes a send: there
    // it is pressed with the pointer or Space only (setLogView).
    btn[0]->setAutoDefault(false);
    btn[0]->setDefault(true);
    btn[1]->setAutoDefault(true);
    connect(btn[0], &QPushButton::clicked, this, &frmMain::okClicked);
    connect(btn[1], &QPushButton::clicked, this, &QDialog::reject);

    periodPage = new PeriodPage(st, this);
    sendPage = new SendPage(st, *btn[0], this);
    picSet[kPeriodPage] = periodPage;
    picSet[kSendPage] = sendPage;
    listPage = new ListPage(st, *btn[0], this);
    picSet[kListPage] = listPage;
    backgroundPage = new BackgroundPage(st, this);
    picSet[kBackgroundPage] = backgroundPage;
    // Every page ends above the buttons, and the buttons lie above the pages besides: a page over a
    // button would take its clicks.
    for (QWidget* page : picSet) page->resize(width(), pageHeight - 34);
    for (QPushButton* b : btn) b->raise();
    showPage(kPeriodPage);
}

int16_t frmMain::mode() const { return listPage->mode(); }

void frmMain::prepareOk() {
    btn[0]->setText(QStringLiteral("OK"));
    btn[0]->setDefault(true);
    btn[0]->setEnabled(true);
    btn[0]->repaint();
}

void frmMain::setRange(int16_t noteId) {
    fid_ = noteId;
    prepareOk();
    periodPage->setRange(noteId);
}

void frmMain::setSendOther(int16_t noteId, bool mayAutoDelete) {
    fid_ = noteId;
    prepareOk();
    sendPage->setSendOther(noteId);
    sendPage->setAutoDeleteAllowed(mayAutoDelete);
}

bool frmMain::setLogView(int16_t listMode, int16_t noteId) {
    btn[0]->setDefault(false);
    const bool shown = listPage->setLogView(listMode, noteId);
    fid_ = noteId;
    return shown;
}

void frmMain::backAttr(int16_t noteId) {
    fid_ = noteId;
    prepareOk();
    backgroundPage->backAttr(noteId);
}

void frmMain::showPage(int k) {
    const int asideTop = kAsideTopTwips / std::max(1, st_.sys.screen->twipsPerPixelY());
    for (size_t i = 0; i < picSet.size(); ++i) {
        if (static_cast<int>(i) == k) {
            picSet[i]->move(0, 0);
            picSet[i]->show();
        } else {
            picSet[i]->move(0, asideTop);
            picSet[i]->hide();
        }
    }
}

int frmMain::currentPage() const {
    for (size_t i = 0; i < picSet.size(); ++i)
        if (picSet[i]->pos() == QPoint(0, 0)) return static_cast<int>(i);
    return -1;
}

void frmMain::centre() {
    Screen& s = *st_.sys.screen;
    const int tppX = std::max(1, s.twipsPerPixelX()), tppY = std::max(1, s.twipsPerPixelY());
    const QSize outer = frameGeometry().size();
    move(s.widthTwips() / tppX / 2 - outer.width() / 2, s.heightTwips() / tppY / 2 - outer.height() / 2);
}

void frmMain::okClicked() {
    switch (currentPage()) {
    case kPeriodPage:
        // A field that cannot be read keeps the dialog open with that field in focus.
        if (!periodPage->store()) return;
        break;
    case kSendPage:
        // A failed send leaves the dialog open: nothing was sent, the user may try again.
        if (!sendPage->send()) return;
        break;
    case kBackgroundPage: backgroundPage->store(); break;
    case kListPage:
        // "削除": the dialog stays open unless its only row went.
        switch (listPage->deleteSelected()) {
        case ListPage::DeleteResult::Stay: return;
        case ListPage::DeleteResult::Close: break;
        case ListPage::DeleteResult::CloseThenPrepare:
            accept();
            // Prepared again out of sight: with nothing left the user is told so.
            listPage->setLogView(mode(), fid_);
            return;
        }
        break;
    default: break;
    }
    accept();
}

}  // namespace tw
