#include "dialogs/qt/sendpage.h"

#include "platform/prompter.h"
#include "questionnaire/qt/fmSendOp.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace tw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

SendPage::SendPage(AppState& st, QPushButton& ok, QWidget* parent) : QWidget(parent), st_(st), ok_(ok) {
    setObjectName(QStringLiteral("picSet1"));
    auto* caption = new QLabel(QStringLiteral("送信する相手　:"), this);
    caption->setGeometry(8, 2, 160, 18);

    lsvSend = new QTreeWidget(this);
    lsvSend->setObjectName(QStringLiteral("lsvSend"));
    lsvSend->setColumnCount(2);
    lsvSend->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("ＩＤ")});
    lsvSend->setRootIsDecorated(false);
    lsvSend->setUniformRowHeights(true);
    // A plain click adds a row to the choice or takes it out again.
    lsvSend->setSelectionMode(QAbstractItemView::MultiSelection);
    lsvSend->header()->resizeSection(0, 124);
    lsvSend->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lsvSend->setGeometry(8, 20, 200, 78);

    auto* totalCaption = new QLabel(QStringLiteral("合計　:"), this);
    totalCaption->setGeometry(216, 80, 50, 18);
    lblTotal0 = new QLabel(QStringLiteral("0"), this);
    lblTotal0->setObjectName(QStringLiteral("lblTotal0"));
    lblTotal0->setGeometry(266, 80, 60, 18);

    btnTest = new QPushButton(QStringLiteral("テスト"), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    btnTest->setGeometry(216, 20, 72, 24);
    btnTest->setEnabled(false);
    // The answer sheet as the recipients will see it; nothing is written.
    connect(btnTest, &QPushButton::clicked, this, [this] {
        if (static_cast<size_t>(noteId_) < st_.NoteTable.size())
            fmSendOp::preview(st_, st_.NoteTable[static_cast<size_t>(noteId_)].Text, window());
    });

    const char* captions[3] = {"全ての受信を確認したら自動的に削除する", "YesNoアンケートの採択を行う",
                               "アンケートの決議採択を行う"};
    for (size_t i = 0; i < 3; ++i) {
        chk[i] = new QCheckBox(QString::fromUtf8(captions[i]), this);
        chk[i]->setObjectName(QStringLiteral("chk%1").arg(i));
        chk[i]->setGeometry(8, 100 + static_cast<int>(i) * 17, 330, 17);
        connect(chk[i], &QCheckBox::clicked, this, [this, i] { optionClicked(static_cast<int>(i)); });
    }
}

void SendPage::setSendOther(int16_t noteId) {
    noteId_ = noteId;
    // Every opening starts with no option chosen.
    options_ = SendOptions{};
    showOptions();
    lsvSend->clear();
    const std::vector<Recipient> recipients = currentRecipients(st_);
    if (st_.members.empty())
        st_.sys.prompter->ask("確認", "送信できる相手は登録されていません", Icon::Information, Buttons::Ok);
    for (const Recipient& r : recipients) {
        auto* row = new QTreeWidgetItem(lsvSend, {qs(r.name), QString::number(r.id)});
        row->setData(1, Qt::UserRole, int{r.id});
    }
    lblTotal0->setText(QString::number(lsvSend->topLevelItemCount()));
}

void SendPage::setAutoDeleteAllowed(bool allowed) {
    options_.interlock = allowed;
    if (!allowed) options_.checked[0] = false;
    options_.enabled[0] = allowed;
    showOptions();
}

void SendPage::optionClicked(int i) {
    const NoteRecord* note = static_cast<size_t>(noteId_) < st_.NoteTable.size()
                                 ? &st_.NoteTable[static_cast<size_t>(noteId_)]
                                 : nullptr;
    const bool wasOk = options_.okEnabled;
    clickSendOption(options_, i, chk[static_cast<size_t>(i)]->isChecked(), note ? note->Text : std::string());
    showOptions();
    if (wasOk != options_.okEnabled) ok_.setEnabled(options_.okEnabled);
}

void SendPage::showOptions() {
    for (size_t i = 0; i < 3; ++i) {
        chk[i]->setChecked(options_.checked[i]);
        chk[i]->setEnabled(options_.enabled[i]);
    }
    btnTest->setEnabled(options_.testEnabled);
}

bool SendPage::send() {
    for (size_t i = 0; i < 3; ++i) options_.checked[i] = chk[i]->isChecked();
    std::vector<int16_t> to;
    for (int row = 0; row < lsvSend->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = lsvSend->topLevelItem(row);
        if (item->isSelected()) to.push_back(static_cast<int16_t>(item->data(1, Qt::UserRole).toInt()));
    }
    return sendNote(st_, noteId_, to, questionKindOf(options_), options_.checked[0]) != SendResult::Failed;
}

}  // namespace tw
