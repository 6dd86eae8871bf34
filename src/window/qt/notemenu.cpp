// The shared context menu of the note windows: its entries as designed, the commands that exist, and
// the state it takes over from the window that opens it.
#include "window/qt/notemenu.h"

#include "notes/links.h"
#include "notes/mdpinly.h"
#include "model/state.h"
#include "window/qt/frmPinly.h"

#include <QMenu>
#include <QWindow>

#include <algorithm>

namespace tw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// What a window that never had the focus shows: nothing checked, the design captions.
NoteMenuState designState() {
    NoteMenuState m;
    m.checkedShape = -1;
    m.checkedFont = -1;
    m.reverseCaption = kReverseCaption;
    return m;
}

}  // namespace

NoteMenu::NoteMenu(const NoteMenuHosts& hosts) : hosts_(hosts) {
    build();
    wireCommands();
}

NoteMenu::~NoteMenu() {
    delete mnu2;
    delete mnu1;
}

frmPinly* NoteMenu::target() const { return target_; }

const char* NoteMenu::outOfPeriodCaption(bool shown) {
    return shown ? "期間外付箋の非表示(&O)" : "期間外付箋の表示(&O)";
}

// ---- building ----

QAction* NoteMenu::item(QMenu* menu, const char* name, const QString& caption) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(name);
    a->setEnabled(false);   // until its command is wired
    menu->addAction(a);
    return a;
}

QMenu* NoteMenu::submenu(QMenu* menu, const char* name, const QString& caption) {
    auto* m = new QMenu(caption, menu);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    menu->addMenu(m);
    return m;
}

QAction* NoteMenu::separator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
}

void NoteMenu::build() {
    mnu1 = new QMenu(QString::fromUtf8("メニュー１"));
    mnu1->setObjectName("mnu1");

    mnuPinlyDegine = submenu(mnu1, "mnuPinlyDegine", "作成(&D)");
    mnuPinlyNew = item(mnuPinlyDegine, "mnuPinlyNew", "新規(&N)");
    mnuPinlyCopy = item(mnuPinlyDegine, "mnuPinlyCopy", "複製(&D)");
    mnuDelPinly = item(mnu1, "mnuDelPinly", "はがす(&R)");
    mnuUnDelPinly = submenu(mnu1, "mnuUnDelPinly", "戻す(&U)");
    for (size_t k = 0; k < 5; ++k) {
        mnuUndel[k] = item(mnuUnDelPinly, qPrintable(QString("mnuUndel%1").arg(k)), QString("Undo%1").arg(k));
        mnuUndel[k]->setVisible(k == 0);
    }
    mnuOutRange = item(mnu1, "mnuOutRange", outOfPeriodCaption(false));
    mnuFInfo = item(mnu1, "mnuFInfo", "情報(&I)");

    mnuFAttrib = submenu(mnu1, "mnuFAttrib", "形状(&A)");
    const char* shapes[13] = {"通常(&N)", "円型(&C)", "星型(&S)", "ハート型(&H)", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
    for (size_t i = 0; i < 13; ++i) {
        mnuFstyleItem[i] = item(mnuFAttrib, qPrintable(QString("mnuFstyleItem%1").arg(i)), QString::fromUtf8(shapes[i]));
        mnuFstyleItem[i]->setCheckable(true);
        mnuFstyleItem[i]->setVisible(i < 2);
    }

    mnuTextFont = submenu(mnu1, "mnuTextFont", "文字(&T)");
    const char* sizes[3] = {"小(&S)", "中(&M)", "大(&L)"};
    for (size_t i = 0; i < 3; ++i) {
        mnuFont[i] = item(mnuTextFont, qPrintable(QString("mnuFont%1").arg(i)), QString::fromUtf8(sizes[i]));
        mnuFont[i]->setCheckable(true);
    }
    mnuSeparater0 = separator(mnuTextFont, "mnuSeparater0");
    mnuTextAutoSize = item(mnuTextFont, "mnuTextAutoSize", "サイズ自動調整");
    mnuTextAutoSize->setCheckable(true);

    mnuOption = submenu(mnu1, "mnuOption", "オプション(&N)");
    mnuSort = submenu(mnuOption, "mnuSort", "整列(&S)");
    const char* sorts[6] = {"左を揃える",   "右を揃える",          "上を揃える",
                            "下を揃える",   "左を揃える(幅を統一)", "右を揃える(自動サイズ調整)"};
    for (size_t i = 0; i < 6; ++i)
        mnuSortP[i] = item(mnuSort, qPrintable(QString("mnuSortP%1").arg(i)), QString::fromUtf8(sorts[i]));
    mnuSeparater6 = separator(mnuSort, "mnuSeparater6");
    const char* allSorts[2] = {"全て右を揃える", "全て左を揃える(幅を統一)"};
    for (size_t i = 0; i < 2; ++i)
        mnuAllSortP[i] = item(mnuSort, qPrintable(QString("mnuAllSortP%1").arg(i)), QString::fromUtf8(allSorts[i]));
    mnuLock = item(mnuOption, "mnuLock", "ロック(&L)");
    mnuLock->setCheckable(true);
    const char* zorders[2] = {"常に手前に表示(&F)", "常に後ろに表示(&B)"};
    for (size_t i = 0; i < 2; ++i) {
        mnuZorder[i] = item(mnuOption, qPrintable(QString("mnuZorder%1").arg(i)), QString::fromUtf8(zorders[i]));
        mnuZorder[i]->setCheckable(true);
    }
    mnuReverse = item(mnuOption, "mnuReverse", qs(kReverseCaption));
    mnuThrough = item(mnuOption, "mnuThrough", "透明(&T)");
    mnuThrough->setCheckable(true);

    mnuSeparater1 = separator(mnu1, "mnuSeparater1");
    const char* settings[5] = {"期間の設定(&W)", "伝言を送信(&S)", "受信状況一覧(&V)", "送受信履歴一覧(&L)", "背景の設定(&B)"};
    for (size_t k = 0; k < 5; ++k)
        mnuSetmForm[k] = item(mnu1, qPrintable(QString("mnuSetmForm%1").arg(k)), QString::fromUtf8(settings[k]));
    mnuAnktAnsX = item(mnu1, "mnuAnktAnsX", "アンケート回答集計(&Z)");
    mnuAnktAnsX->setVisible(false);   // only for a questionnaire that everybody has received
    mnuCancelSend = item(mnu1, "mnuCancelSend", "送信キャンセル(&C)");
    mnuSeparater5 = separator(mnu1, "mnuSeparater5");

    mnuTmrKind = submenu(mnu1, "mnuTmrKind", "タイマー種類(&K)");
    mnuTmrKind->menuAction()->setVisible(false);   // only while the note has an armed note alarm
    const char* kinds[2] = {"ダイアログ表示(&D)", "ブリンク表示(&B)"};
    for (size_t k = 0; k < 2; ++k) {
        mnuTmrMsg[k] = item(mnuTmrKind, qPrintable(QString("mnuTmrMsg%1").arg(k)), QString::fromUtf8(kinds[k]));
        mnuTmrMsg[k]->setCheckable(true);
    }
    for (size_t k = 0; k < 4; ++k) {
        mnuHyperText[k] = item(mnu1, qPrintable(QString("mnuHyperText%1").arg(k)), QString("Shell%1").arg(k));
        mnuHyperText[k]->setVisible(false);
    }
    mnuSeparater2 = separator(mnu1, "mnuSeparater2");
    mnuSetConfig = item(mnu1, "mnuSetConfig", "環境設定(&G)");
    mnuHelp = submenu(mnu1, "mnuHelp", "ヘルプ(&H)");
    mnuHelpView = item(mnuHelp, "mnuHelpView", "ヘルプ(&H)");
    mnuWebAct = item(mnuHelp, "mnuWebAct", "ＷＥＢサポート(&W)");
    mnuSepareter3 = separator(mnuHelp, "mnuSepareter3");
    mnuVersion = item(mnuHelp, "mnuVersion", "バージョン(&V)");
    mnuSepareter4 = separator(mnu1, "mnuSepareter4");
    mnuAllExit = item(mnu1, "mnuAllExit", "タックウィスプを終了(&X)");

    mnu2 = new QMenu(QString::fromUtf8("メニュー２"));
    mnu2->setObjectName("mnu2");
}

// ---- commands ----

void NoteMenu::wire(QAction* a, std::function<void()> command) {
    ready_.insert(a);
    a->setEnabled(true);
    QObject::connect(a, &QAction::triggered, mnu1, [command = std::move(command)] { command(); });
}

template <class Host>
void NoteMenu::wireToTarget(QAction* a, Host& host, void (Host::*command)(frmPinly*)) {
    wire(a, [this, h = &host, command] {
        if (frmPinly* w = target()) (h->*command)(w);
    });
}

template <class Host>
void NoteMenu::wireToTarget(QAction* a, Host& host, void (Host::*command)(frmPinly*, int), int number) {
    wire(a, [this, h = &host, command, number] {
        if (frmPinly* w = target()) (h->*command)(w, number);
    });
}

void NoteMenu::setEnabledIfReady(QAction* a, bool on) { a->setEnabled(on && ready_.contains(a)); }

// The commands that exist.
void NoteMenu::wireCommands() {
    NoteCommandHost& commands = hosts_.commands;
    NoteTravelHost& travel = hosts_.travel;
    NoteModeHost& modes = hosts_.modes;
    NoteShapeHost& shapes = hosts_.shapes;
    NoteLinkHost& links = hosts_.links;
    NoteAlignHost& alignment = hosts_.alignment;
    const auto n = [](size_t i) { return static_cast<int>(i); };
    wireToTarget(mnuPinlyNew, commands, &NoteCommandHost::newNote);
    wireToTarget(mnuPinlyCopy, commands, &NoteCommandHost::duplicateNote);
    wireToTarget(mnuDelPinly, commands, &NoteCommandHost::peelNote);
    for (size_t k = 0; k < 5; ++k) wire(mnuUndel[k], [this, k] { hosts_.commands.undoPeel(static_cast<int>(k)); });
    wire(mnuOutRange, [this] { hosts_.commands.toggleOutOfPeriod(); });
    // The period, send and background pages.
    for (size_t k : {size_t{0}, size_t{1}, size_t{4}})
        wireToTarget(mnuSetmForm[k], travel, &NoteTravelHost::openSettingsPage, n(k));
    // The status list (k = 2) and the history list (k = 3).
    for (size_t k : {size_t{2}, size_t{3}}) wireToTarget(mnuSetmForm[k], travel, &NoteTravelHost::openSettingsPage, n(k));
    wireToTarget(mnuAnktAnsX, travel, &NoteTravelHost::openAnswerTally);
    wireToTarget(mnuCancelSend, travel, &NoteTravelHost::cancelSend);
    wireToTarget(mnuLock, modes, &NoteModeHost::toggleLock);
    wireToTarget(mnuTextAutoSize, shapes, &NoteShapeHost::toggleAutoSize);
    for (size_t i = 0; i < 13; ++i) wireToTarget(mnuFstyleItem[i], shapes, &NoteShapeHost::setShape, n(i));
    wireToTarget(mnuThrough, modes, &NoteModeHost::toggleSeeThrough);
    wireToTarget(mnuReverse, modes, &NoteModeHost::flipNote);
    for (size_t i = 0; i < 2; ++i) wireToTarget(mnuZorder[i], modes, &NoteModeHost::zOrder, n(i));
    for (size_t i = 0; i < 3; ++i) wireToTarget(mnuFont[i], modes, &NoteModeHost::setTextSize, n(i));
    for (size_t k = 0; k < 2; ++k) wireToTarget(mnuTmrMsg[k], travel, &NoteTravelHost::chooseAlarmKind, n(k));
    for (size_t i = 0; i < 4; ++i) wireToTarget(mnuHyperText[i], links, &NoteLinkHost::openLink, n(i));
    wireToTarget(mnuFInfo, links, &NoteLinkHost::showInformation);
    wireToTarget(mnuHelpView, links, &NoteLinkHost::showHelp);
    wire(mnuWebAct, [this] { hosts_.links.showWebSupport(); });
    for (size_t k = 0; k < 6; ++k) wireToTarget(mnuSortP[k], alignment, &NoteAlignHost::alignNotes, n(k));
    for (size_t k = 0; k < 2; ++k) wireToTarget(mnuAllSortP[k], alignment, &NoteAlignHost::alignAllNotes, n(k));
    wire(mnuSetConfig, [this] { hosts_.commands.showEnvironmentDialog(); });
    setEnabledIfReady(mnuSetConfig, commands.environmentDialogAvailable());
    wire(mnuVersion, [this] { hosts_.commands.showAbout(); });
    wire(mnuAllExit, [this] { hosts_.commands.exitProgram(); });
}

// ---- the state of the window that opens the menu ----

void NoteMenu::takeStateOf(frmPinly& w) {
    target_ = &w;
    const AppState& st = hosts_.st;
    mnuOutRange->setText(outOfPeriodCaption(st.ShowOutOfPeriod));
    setEnabledIfReady(mnuSetConfig, hosts_.commands.environmentDialogAvailable());
    showUndoEntries();
    showShapeEntries();
    showFocusState(w.hasMenuState() ? w.menuState() : designState());
    // Looked at as the menu opens, from the note's text as it is now.
    mnuAnktAnsX->setVisible(hosts_.travel.offersAnswerTally(&w));
    showLinkEntries(w);
}

// The note's links as its text reads now, and the alarm kinds while it has an armed note alarm.
void NoteMenu::showLinkEntries(frmPinly& w) {
    hosts_.links.refreshLinks(w);
    mnuTmrKind->menuAction()->setVisible(w.record() >= 0 && hasNoteAlarm(hosts_.st, w.record()));
    for (size_t i = 0; i < mnuHyperText.size(); ++i) {
        const bool shown = i < w.links().size();
        mnuHyperText[i]->setText(shown ? qs(w.links()[i]).replace('&', "&&") : QString());
        mnuHyperText[i]->setVisible(shown);
        setEnabledIfReady(mnuHyperText[i], shown);
    }
}

// The shapes of the files found at start-up, each under its own name.
void NoteMenu::showShapeEntries() {
    for (const ShapeEntry& e : hosts_.shapes.shapeCatalogue()) {
        if (e.number < 2 || e.number > 12 || e.name.empty()) continue;
        QAction* a = mnuFstyleItem[static_cast<size_t>(e.number)];
        a->setText(QString::fromStdString(e.name));
        a->setVisible(true);
    }
}

// The peeled notes that can come back, newest first; the submenu shows only when there are any.
void NoteMenu::showUndoEntries() {
    const AppState& st = hosts_.st;
    const auto count = static_cast<size_t>(std::clamp<int>(st.undoCount, 0, 5));
    mnuUnDelPinly->menuAction()->setVisible(count > 0);
    for (size_t k = 0; k < 5; ++k) {
        if (k < count) {
            mnuUndel[k]->setText(qs(undoCaption(st, static_cast<int>(k))));
            mnuUndel[k]->setVisible(true);
        } else if (k > 0) {
            mnuUndel[k]->setVisible(false);
        }
    }
}

void NoteMenu::showFocusState(const NoteMenuState& m) {
    setEnabledIfReady(mnuCancelSend, m.cancelSendEnabled);
    setEnabledIfReady(mnuSetmForm[0], m.periodEnabled);
    setEnabledIfReady(mnuSetmForm[1], m.sendEnabled);
    setEnabledIfReady(mnuSetmForm[2], m.receptionListEnabled);
    for (size_t i = 0; i < 13; ++i) mnuFstyleItem[i]->setChecked(static_cast<int>(i) == m.checkedShape);
    for (size_t i = 0; i < 3; ++i) mnuFont[i]->setChecked(static_cast<int>(i) == m.checkedFont);
    mnuTextAutoSize->setChecked(m.autoSize);
    mnuTmrMsg[0]->setChecked(m.timerDialog);
    mnuTmrMsg[1]->setChecked(m.timerBlink);
    mnuLock->setChecked(m.locked);
    mnuZorder[0]->setChecked(m.alwaysFront);
    mnuZorder[1]->setChecked(m.alwaysBack);
    mnuReverse->setText(qs(m.reverseCaption));
    mnuThrough->setChecked(m.seeThrough);
}

void NoteMenu::exec(const QPoint& globalPos) {
    // A popup of the window it was opened for, as a menu owned by that window would be.
    if (frmPinly* w = target()) {
        mnu1->winId();
        if (QWindow* popup = mnu1->windowHandle()) popup->setTransientParent(w->windowHandle());
    }
    mnu1->exec(globalPos);
}

}  // namespace tw
