#include "dialogs/qt/periodpage.h"

#include "platform/clock.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace tw {

namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int kMargin = 10;
constexpr int kSpinWidth = 15;

}  // namespace

PeriodPage::PeriodPage(AppState& st, QWidget* parent) : QWidget(parent), st_(st) {
    setObjectName(QStringLiteral("picSet0"));
    // The dialog gives each page the room above its buttons; this is the room at 15 twips a pixel.
    resize(kWidth, kHeight);
    build();
    apply();
}

void PeriodPage::build() {
    const QFontMetrics fm(font());
    // Room for the text plus the frame and margins of a line edit.
    const auto boxWidth = [&fm](const char* sample) { return fm.horizontalAdvance(QString::fromLatin1(sample)) + 14; };

    for (size_t i = 0; i < txtInt.size(); ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("txtInt%1").arg(i));
        e->setAlignment(Qt::AlignRight);
        e->setFixedWidth(boxWidth(i % 3 == 0 ? "0000" : "00"));
        txtInt[i] = e;
    }
    for (size_t i = 0; i < txtTime.size(); ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("txtTime%1").arg(i));
        e->setAlignment(Qt::AlignCenter);
        e->setFixedWidth(boxWidth("00:00"));
        txtTime[i] = e;
    }
    for (int f = 0; f < kPeriodFieldCount; ++f) {
        QLineEdit* e = edit(f);
        e->setInputMethodHints(Qt::ImhPreferNumbers);
        e->installEventFilter(this);
        // Typing is never refused; the text is judged when the field is left.
        connect(e, &QLineEdit::textEdited, this, [this, f](const QString& t) { page_.setText(f, t.toStdString()); });

        auto* s = new QScrollBar(Qt::Vertical, this);
        s->setObjectName(QStringLiteral("vsc%1").arg(f));
        s->setRange(-1, 1);
        s->setValue(0);
        s->setFocusPolicy(Qt::NoFocus);   // the field being typed in keeps the focus
        s->setFixedSize(kSpinWidth, e->sizeHint().height());
        connect(s, &QScrollBar::valueChanged, this, [this, f](int v) { spin(f, v); });
        vsc[static_cast<size_t>(f)] = s;
    }
    btnRangClear = new QPushButton(q("設定クリア"), this);
    btnRangClear->setObjectName(QStringLiteral("btnRangClear"));
    // Enter on it while it has the focus presses it; elsewhere on the page Enter is the dialog's OK.
    btnRangClear->setAutoDefault(true);
    connect(btnRangClear, &QPushButton::clicked, this, &PeriodPage::btnRangClear_Click);

    // A field with its spin button right beside it.
    const auto withSpin = [this](int f) {
        auto* box = new QHBoxLayout;
        box->setSpacing(0);
        box->addWidget(edit(f));
        box->addWidget(vsc[static_cast<size_t>(f)]);
        return box;
    };

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(8);
    auto* timeHeader = new QLabel(q("時刻"), this);
    grid->addWidget(timeHeader, 0, 9, Qt::AlignLeft | Qt::AlignBottom);
    const char* const sideNames[2] = {"開始 :", "終了 :"};
    const char* const units[3] = {"年", "月", "日"};
    for (int side = 0; side < 2; ++side) {
        const int row = side + 1;
        grid->addWidget(new QLabel(q(sideNames[side]), this), row, 0);
        for (int k = 0; k < 3; ++k) {
            grid->addLayout(withSpin(side * 3 + k), row, 1 + 2 * k);
            grid->addWidget(new QLabel(q(units[k]), this), row, 2 + 2 * k);
        }
        grid->addLayout(withSpin(kPeriodStartTime + side), row, 9);
    }
    grid->setColumnMinimumWidth(7, 6);   // a little air between the date and the time
    grid->setColumnStretch(7, 1);
    grid->addWidget(btnRangClear, 3, 5, 1, 5, Qt::AlignRight);
    grid->setRowMinimumHeight(3, btnRangClear->sizeHint().height() + 8);
    grid->setRowStretch(4, 1);
}

QLineEdit* PeriodPage::edit(int field) const {
    return field >= kPeriodStartTime ? txtTime[static_cast<size_t>(field - kPeriodStartTime)]
                                     : txtInt[static_cast<size_t>(field)];
}

int PeriodPage::fieldOf(const QObject* o) const {
    for (int f = 0; f < kPeriodFieldCount; ++f)
        if (edit(f) == o) return f;
    return -1;
}

NoteRecord* PeriodPage::note() {
    if (fid_ < 0 || static_cast<size_t>(fid_) >= st_.NoteTable.size()) return nullptr;
    return &st_.NoteTable[static_cast<size_t>(fid_)];
}

void PeriodPage::setRange(int16_t noteId) {
    fid_ = noteId;
    returning_ = nullptr;
    NoteRecord* n = note();
    page_ = n ? preparePeriodPage(*n, st_.sys.clock->now()) : PeriodPageState{};
    apply();
    txtInt[0]->setFocus(Qt::OtherFocusReason);
    txtInt[0]->selectAll();
}

bool PeriodPage::store() {
    NoteRecord* n = note();
    if (!n) return false;
    // OK pressed with Enter leaves the field being typed in only now.
    const int typing = fieldOf(QApplication::focusWidget());
    if (!page_.clearRequested && typing >= 0 && !returning_ && edit(typing)->isEnabled()) {
        if (!periodFieldLeft(page_, typing, *n, st_.sys.clock->now())) {
            returnFocus(edit(typing));
            return false;
        }
        apply();
    }
    const int bad = firstInvalidPeriodField(page_);
    if (bad >= 0) {
        returnFocus(edit(bad));
        return false;
    }
    storePeriodPage(page_, *n);
    return true;
}

void PeriodPage::apply() {
    for (int f = 0; f < kPeriodFieldCount; ++f) {
        QLineEdit* e = edit(f);
        const QString text = QString::fromStdString(page_.text(f));
        if (e->text() != text) e->setText(text);   // a field left as it is keeps its cursor
        e->setEnabled(f >= kPeriodStartTime ? page_.timesEnabled : page_.datesEnabled);
        // The time spins are of no use while the times are off.
        vsc[static_cast<size_t>(f)]->setEnabled(page_.spinsEnabled && (f < kPeriodStartTime || page_.timesEnabled));
    }
}

bool PeriodPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const int f = fieldOf(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window or the field's own context menu taking the focus is not leaving the field;
        // nor is the focus going back to a field that was refused.
        const bool leaving = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (f >= 0 && leaving && !returning_ && edit(f)->isEnabled()) fieldLeft(f);
    }
    return QWidget::eventFilter(watched, event);
}

void PeriodPage::fieldLeft(int field) {
    NoteRecord* n = note();
    if (!n) return;
    if (!periodFieldLeft(page_, field, *n, st_.sys.clock->now())) {
        returnFocus(edit(field));
        return;
    }
    apply();
}

// The focus goes back after the move that left the field has finished; meanwhile no other field is
// judged, so that two refused fields cannot pass the focus to and fro.
void PeriodPage::returnFocus(QLineEdit* e) {
    returning_ = e;
    QTimer::singleShot(0, this, [this]() {
        QLineEdit* target = returning_;
        if (target && target->isEnabled() && target->isVisible()) {
            target->setFocus(Qt::OtherFocusReason);
            target->selectAll();
        }
        returning_ = nullptr;
    });
}

void PeriodPage::spin(int field, int value) {
    if (value == 0) return;
    QScrollBar* s = vsc[static_cast<size_t>(field)];
    {
        const QSignalBlocker block(s);
        s->setValue(0);
    }
    NoteRecord* n = note();
    if (!n) return;
    // A vertical scroll bar counts downwards: its upper arrow lowers the value and means one more.
    spinPeriodField(page_, field, -value, *n, st_.sys.clock->now());
    apply();
}

void PeriodPage::btnRangClear_Click() {
    clearPeriodPage(page_);
    apply();
}

}  // namespace tw
