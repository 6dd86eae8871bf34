#include "dialogs/qt/listpage.h"

#include "messaging/sharedlog.h"
#include "platform/prompter.h"
#include "questionnaire/qt/fmSendOp.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ListPage::ListPage(AppState& st, QPushButton& ok, QWidget* parent) : QWidget(parent), st_(st), ok_(ok) {
    setObjectName(QStringLiteral("picSet2"));
    cmb[0] = new QComboBox(this);
    cmb[0]->setObjectName(QStringLiteral("cmb0"));
    cmb[0]->addItems({QStringLiteral("送受信履歴（単体）"), QStringLiteral("送受信履歴（全体）")});
    cmb[0]->setGeometry(8, 4, 176, 22);
    connect(cmb[0], &QComboBox::activated, this, &ListPage::modeClicked);

    lblSyuke = new QLabel(this);
    lblSyuke->setObjectName(QStringLiteral("lblSyuke"));
    lblSyuke->setGeometry(192, 0, 156, 30);
    lblSyuke->hide();

    lsvLog = new QTreeWidget(this);
    lsvLog->setObjectName(QStringLiteral("lsvLog"));
    lsvLog->setRootIsDecorated(false);
    lsvLog->setUniformRowHeights(true);
    lsvLog->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    lsvLog->setGeometry(8, 30, 337, 92);
    connect(lsvLog, &QTreeWidget::itemSelectionChanged, this, &ListPage::selectionChanged);

    auto* totalCaption = new QLabel(QStringLiteral("合計　:"), this);
    totalCaption->setGeometry(8, 126, 44, 20);
    lblTotal[0] = nullptr;
    lblTotal[1] = new QLabel(QStringLiteral("0"), this);
    lblTotal[1]->setObjectName(QStringLiteral("lblTotal1"));
    lblTotal[1]->setGeometry(54, 126, 40, 20);

    btnAns = new QPushButton(QStringLiteral("回答集計"), this);
    btnAns->setObjectName(QStringLiteral("btnAns"));
    btnAns->setGeometry(96, 124, 76, 24);
    btnAns->setAutoDefault(false);
    btnAns->hide();
    connect(btnAns, &QPushButton::clicked, this, &ListPage::openTally);
}

bool ListPage::setLogView(int16_t mode, int16_t noteId) {
    // The selector's handler does nothing while the note is unset.
    fid_ = -1;
    mode_ = mode;
    {
        const QSignalBlocker quiet(cmb[0]);
        cmb[0]->setCurrentIndex(mode == 0 ? 0 : 1);
    }
    fid_ = noteId;
    ok_.setText(QStringLiteral("削除"));
    ok_.setEnabled(false);
    ok_.repaint();

    const std::optional<LogRecords> read = mode == 0 ? readSendRecords(st_, noteId) : readWholeLog(st_);
    if (!read) return false;
    if (read->empty()) {
        st_.sys.prompter->ask("確認", emptyLogNotice(mode), Icon::Information, Buttons::Ok);
        ok_.setText(QStringLiteral("OK"));
        ok_.setEnabled(true);
        ok_.repaint();
        return false;
    }
    SheetShape shape;
    const bool own = noteId >= 0 && static_cast<size_t>(noteId) < st_.NoteTable.size();
    if (own) shape = sheetShape(parseAnswerItems(st_.NoteTable[static_cast<size_t>(noteId)].Text));
    view_ = buildLogView(*read, mode, own ? &shape : nullptr);
    fill();
    return true;
}

void ListPage::fill() {
    lsvLog->hide();
    lsvLog->clear();
    lsvLog->setColumnCount(kLogColumnCount);
    QStringList headers;
    for (const LogColumnSpec& c : kLogColumns) headers << QString::fromUtf8(c.header);
    lsvLog->setHeaderLabels(headers);
    std::array<int, kLogColumnCount> needed{};
    const QFontMetrics fm = lsvLog->fontMetrics();
    for (const LogRow& row : view_.rows) {
        QStringList cells;
        for (const std::string& c : row.cells) cells << qs(c);
        new QTreeWidgetItem(lsvLog, cells);
        for (size_t i = 0; i < needed.size(); ++i)
            needed[i] = std::max(needed[i], fm.horizontalAdvance(cells[static_cast<int>(i)]) + 2 * fm.averageCharWidth());
    }
    // Each column takes its share of the list's width, or what its header and texts need when
    // that is more (the list then scrolls sideways): no date or answer is cut off.
    QHeaderView* header = lsvLog->header();
    header->setMinimumSectionSize(0);
    const double w = lsvLog->width() / 100.0;
    for (int i = 0; i < kLogColumnCount; ++i) {
        const int share = static_cast<int>(std::lround(kLogColumns[static_cast<size_t>(i)].widthPercent * w));
        header->resizeSection(i, std::max({share, header->sectionSizeHint(i), needed[static_cast<size_t>(i)]}));
    }
    lblTotal[1]->setText(QString::number(lsvLog->topLevelItemCount()));
    if (view_.showYesNo) {
        QString text = qs(view_.yesNoText);
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        lblSyuke->setText(text);
    }
    lblSyuke->setVisible(view_.showYesNo);
    btnAns->setVisible(view_.showTallyButton);
    lsvLog->show();
}

void ListPage::modeClicked(int index) {
    if (fid_ == -1) return;
    const int16_t before = mode_;
    const auto mode = static_cast<int16_t>(index == 0 ? 0 : 1);
    if (setLogView(mode, fid_)) return;
    // Nothing to show in the other mode: the rows of the mode shown stay, and so does its name.
    mode_ = before;
    {
        const QSignalBlocker quiet(cmb[0]);
        cmb[0]->setCurrentIndex(before == 0 ? 0 : 1);
    }
    ok_.setText(QStringLiteral("削除"));
    selectionChanged();
}

void ListPage::selectionChanged() { ok_.setEnabled(!lsvLog->selectedItems().isEmpty()); }

ListPage::DeleteResult ListPage::deleteSelected() {
    int selected = -1;
    for (int i = 0; i < lsvLog->topLevelItemCount() && selected < 0; ++i)
        if (lsvLog->topLevelItem(i)->isSelected()) selected = i;
    if (selected < 0 || static_cast<size_t>(selected) >= view_.rows.size()) return DeleteResult::Stay;
    const LogRow& row = view_.rows[static_cast<size_t>(selected)];
    if (row.senderId != st_.CurrentMemberId) {
        st_.sys.prompter->ask("エラー", "送信者でないので削除できません", Icon::Warning, Buttons::Ok);
        return DeleteResult::Stay;
    }
    const bool onlyRow = view_.rows.size() == 1;
    if (!deleteSendTo(st_, row.noteId, row.recipientId)) return DeleteResult::Stay;
    if (onlyRow) return DeleteResult::CloseThenPrepare;
    // Rows that can no longer be shown must not stay to be deleted by mistake: the dialog closes.
    return setLogView(mode_, fid_) ? DeleteResult::Stay : DeleteResult::Close;
}

void ListPage::openTally() {
    if (fid_ < 0 || static_cast<size_t>(fid_) >= st_.NoteTable.size()) return;
    fmSendOp::showTally(st_, st_.NoteTable[static_cast<size_t>(fid_)].Text, view_.answerString,
                        static_cast<int>(view_.rows.size()), false, window());
}

}  // namespace tw
